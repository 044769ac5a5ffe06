// SPDX-License-Identifier: Apache-2.0
// The model document being edited: every change is an operation at a JSON
// Pointer (RFC 6901), so that it can be undone, redone and kept.
//
// The document is never changed in place: an operation copies the objects
// on its path and keeps the rest, so an old document (held by an undo step
// or a view) stays as it was.

export type Json = null | boolean | number | string | Json[] | { [key: string]: Json };

export type Operation =
  /** Sets the value at path; value undefined removes the key (or the array element). */
  | { op: "set"; path: string; value?: Json }
  /** Inserts value into an array before index (the last token), or at its end for "-". */
  | { op: "insert"; path: string; value: Json }
  /** Removes the array element (or the key) at path. */
  | { op: "remove"; path: string };

/** One undoable step: what was done and what undoes it. */
export interface Edit {
  id: number;
  label: string;
  ops: Operation[];
  inverse: Operation[];
  /** Edits of one field typed in a row are merged into one step. */
  mergeKey?: string;
}

export class PointerError extends Error {}

export function parsePointer(pointer: string): string[] {
  if (pointer === "") return [];
  if (!pointer.startsWith("/")) throw new PointerError(`not a JSON Pointer: "${pointer}"`);
  return pointer
    .slice(1)
    .split("/")
    .map((t) => t.replace(/~1/g, "/").replace(/~0/g, "~"));
}

export function formatPointer(tokens: (string | number)[]): string {
  return tokens.map((t) => "/" + String(t).replace(/~/g, "~0").replace(/\//g, "~1")).join("");
}

function isIndex(token: string): boolean {
  return /^(0|[1-9][0-9]*)$/.test(token);
}

/** The value at pointer, or undefined when nothing is there. */
export function getAt(doc: Json | undefined, pointer: string): Json | undefined {
  let node: Json | undefined = doc;
  for (const t of parsePointer(pointer)) {
    if (Array.isArray(node)) node = isIndex(t) ? node[Number(t)] : undefined;
    else if (node !== null && typeof node === "object") node = Object.prototype.hasOwnProperty.call(node, t) ? node[t] : undefined;
    else return undefined;
  }
  return node;
}

function copy(node: Json): Json[] | { [key: string]: Json } {
  return Array.isArray(node) ? node.slice() : { ...(node as { [key: string]: Json }) };
}

/**
 * Applies one operation; returns the new document and the operations that
 * undo it. Missing objects on the way of a "set" are created (an array
 * when the next token is an index), and undoing removes them again.
 */
export function apply(doc: Json, operation: Operation): { doc: Json | undefined; inverse: Operation[] } {
  const tokens = parsePointer(operation.path);
  if (!tokens.length) {
    if (operation.op !== "set") throw new PointerError("only a value can be set at the root");
    return { doc: operation.value, inverse: [{ op: "set", path: "", value: doc }] };
  }
  // The containers along the path, copied; the first missing one is noted.
  const root = doc !== null && typeof doc === "object" ? copy(doc) : ({} as { [key: string]: Json });
  let createdAt: number | null = doc !== null && typeof doc === "object" ? null : 0;
  let parent: Json[] | { [key: string]: Json } = root;
  for (let i = 0; i < tokens.length - 1; i++) {
    const t = tokens[i];
    const child = Array.isArray(parent) ? (isIndex(t) ? parent[Number(t)] : undefined) : parent[t];
    let next: Json[] | { [key: string]: Json };
    if (child !== null && child !== undefined && typeof child === "object") next = copy(child);
    else {
      if (operation.op !== "set") throw new PointerError(`nothing at ${formatPointer(tokens.slice(0, i + 1))}`);
      if (child !== undefined && child !== null) throw new PointerError(`${formatPointer(tokens.slice(0, i + 1))} holds a ${typeof child}, not an object`);
      if (createdAt === null) createdAt = i;
      next = isIndex(tokens[i + 1]) || tokens[i + 1] === "-" ? [] : {};
    }
    setChild(parent, t, next);
    parent = next;
  }
  const last = tokens[tokens.length - 1];
  const created = createdAt === null ? null : formatPointer(tokens.slice(0, createdAt + 1));
  let inverse: Operation[];
  if (operation.op === "set") {
    const old = Array.isArray(parent) ? (isIndex(last) ? parent[Number(last)] : undefined) : Object.prototype.hasOwnProperty.call(parent, last) ? parent[last] : undefined;
    if (Array.isArray(parent)) {
      const index = last === "-" ? parent.length : isIndex(last) ? Number(last) : NaN;
      if (!(index <= parent.length)) throw new PointerError(`${operation.path}: not an index of the list`);
      if (operation.value === undefined) {
        if (index < parent.length) parent.splice(index, 1);
        inverse = old === undefined ? [] : [{ op: "insert", path: formatPointer([...tokens.slice(0, -1), index]), value: old }];
      } else {
        parent[index] = operation.value;
        inverse = index === parent.length - 1 && old === undefined
          ? [{ op: "remove", path: formatPointer([...tokens.slice(0, -1), index]) }]
          : [{ op: "set", path: operation.path, value: old }];
      }
    } else {
      if (operation.value === undefined) delete parent[last];
      else parent[last] = operation.value;
      inverse = [{ op: "set", path: operation.path, value: old }];
    }
  } else if (operation.op === "insert") {
    if (!Array.isArray(parent)) throw new PointerError(`${operation.path}: not in a list`);
    const index = last === "-" ? parent.length : isIndex(last) ? Number(last) : NaN;
    if (!(index <= parent.length)) throw new PointerError(`${operation.path}: not an index of the list`);
    parent.splice(index, 0, operation.value);
    inverse = [{ op: "remove", path: formatPointer([...tokens.slice(0, -1), index]) }];
  } else {
    if (Array.isArray(parent)) {
      const index = isIndex(last) ? Number(last) : NaN;
      if (!(index < parent.length)) throw new PointerError(`${operation.path}: no such element`);
      const [old] = parent.splice(index, 1);
      inverse = [{ op: "insert", path: operation.path, value: old }];
    } else {
      if (!Object.prototype.hasOwnProperty.call(parent, last)) throw new PointerError(`${operation.path}: no such key`);
      const old = parent[last];
      delete parent[last];
      inverse = [{ op: "set", path: operation.path, value: old }];
    }
  }
  if (created !== null) inverse = [{ op: "set", path: created }];
  return { doc: root, inverse };
}

function setChild(parent: Json[] | { [key: string]: Json }, token: string, value: Json): void {
  if (Array.isArray(parent)) {
    const index = token === "-" ? parent.length : isIndex(token) ? Number(token) : NaN;
    if (!(index <= parent.length)) throw new PointerError(`"${token}" is not an index of the list`);
    parent[index] = value;
  } else parent[token] = value;
}

/** Applies operations in order; the inverse undoes all of them (in reverse order). */
export function applyAll(doc: Json, ops: Operation[]): { doc: Json; inverse: Operation[] } {
  let current = doc;
  const inverse: Operation[] = [];
  for (const op of ops) {
    const r = apply(current, op);
    current = r.doc === undefined ? {} : r.doc;
    inverse.unshift(...r.inverse);
  }
  return { doc: current, inverse };
}

/** Where the editor keeps its work: localStorage in the page, a map in the tests. */
export interface Store {
  getItem(key: string): string | null;
  setItem(key: string, value: string): void;
  removeItem(key: string): void;
}

interface Saved {
  format: 1;
  name: string;
  doc: Json;
  undo: Edit[];
  redo: Edit[];
  savedAt: number | null;
  nextId: number;
}

/** Undo steps kept (and stored) at most. */
export const HISTORY = 200;

export type ChangeKind = "edit" | "undo" | "redo" | "load";
export type Listener = (kind: ChangeKind, edit: Edit | null) => void;

/**
 * The document being edited with its history. "Unsaved" means that the
 * document differs from the one last opened, written to a file or sent to
 * a run (markSaved): undoing back to that document makes it saved again.
 */
export class EditorDocument {
  doc: Json = {};
  name = "";
  private undoStack: Edit[] = [];
  private redoStack: Edit[] = [];
  private nextId = 1;
  /** The id of the top undo step when the document was saved (0: no step), null: never. */
  private savedAt: number | null = 0;
  private listeners: Listener[] = [];

  constructor(private readonly store: Store | null = null, private readonly key = "pylora-web-editor") {}

  /** The edited document kept by the store, if any; true when one was found. */
  restore(): boolean {
    if (!this.store) return false;
    let saved: Saved;
    try {
      const text = this.store.getItem(this.key);
      if (!text) return false;
      saved = JSON.parse(text) as Saved;
    } catch {
      return false;
    }
    if (!saved || saved.format !== 1 || saved.doc === null || typeof saved.doc !== "object") return false;
    this.doc = saved.doc;
    this.name = String(saved.name ?? "");
    this.undoStack = Array.isArray(saved.undo) ? saved.undo : [];
    this.redoStack = Array.isArray(saved.redo) ? saved.redo : [];
    this.savedAt = saved.savedAt ?? null;
    this.nextId = Math.max(Number(saved.nextId) || 1, 1);
    return true;
  }

  get hasDocument(): boolean {
    return this.doc !== null && typeof this.doc === "object" && Object.keys(this.doc).length > 0;
  }

  get dirty(): boolean {
    return this.savedAt !== this.topId();
  }

  get canUndo(): boolean {
    return this.undoStack.length > 0;
  }

  get canRedo(): boolean {
    return this.redoStack.length > 0;
  }

  /** What the next undo and redo would undo and redo. */
  get undoLabel(): string | null {
    return this.undoStack.length ? this.undoStack[this.undoStack.length - 1].label : null;
  }

  get redoLabel(): string | null {
    return this.redoStack.length ? this.redoStack[this.redoStack.length - 1].label : null;
  }

  get(pointer: string): Json | undefined {
    return getAt(this.doc, pointer);
  }

  onChange(l: Listener): () => void {
    this.listeners.push(l);
    return () => {
      this.listeners = this.listeners.filter((x) => x !== l);
    };
  }

  /** A new document to edit (opened, or a new model): saved as it is, with a history of its own. */
  load(doc: Json, name: string): void {
    this.doc = doc;
    this.name = name;
    this.undoStack = [];
    this.redoStack = [];
    this.savedAt = 0;
    this.persist();
    this.emit("load", null);
  }

  set(path: string, value: Json | undefined, label?: string, mergeKey?: string): void {
    this.commit(label ?? `set ${path}`, [{ op: "set", path, value }], mergeKey);
  }

  insert(path: string, value: Json, label?: string): void {
    this.commit(label ?? `insert ${path}`, [{ op: "insert", path, value }]);
  }

  remove(path: string, label?: string): void {
    this.commit(label ?? `remove ${path}`, [{ op: "remove", path }]);
  }

  /** Several operations as one step (a pasted table, a grid of piles). */
  batch(label: string, ops: Operation[]): void {
    if (ops.length) this.commit(label, ops);
  }

  undo(): boolean {
    const edit = this.undoStack.pop();
    if (!edit) return false;
    this.doc = applyAll(this.doc, edit.inverse).doc;
    this.redoStack.push(edit);
    this.persist();
    this.emit("undo", edit);
    return true;
  }

  redo(): boolean {
    const edit = this.redoStack.pop();
    if (!edit) return false;
    const r = applyAll(this.doc, edit.ops);
    this.doc = r.doc;
    edit.inverse = r.inverse;
    this.undoStack.push(edit);
    this.persist();
    this.emit("redo", edit);
    return true;
  }

  /** The document was written out (a file, a run): no unsaved changes. */
  markSaved(): void {
    this.savedAt = this.topId();
    this.persist();
  }

  /** Ends the merging of typed edits: the next one is a step of its own. */
  seal(): void {
    const top = this.undoStack[this.undoStack.length - 1];
    if (top?.mergeKey) {
      delete top.mergeKey;
      this.persist();
    }
  }

  private topId(): number {
    return this.undoStack.length ? this.undoStack[this.undoStack.length - 1].id : 0;
  }

  private commit(label: string, ops: Operation[], mergeKey?: string): void {
    const r = applyAll(this.doc, ops);
    const top = this.undoStack[this.undoStack.length - 1];
    let edit: Edit;
    if (mergeKey && top && top.mergeKey === mergeKey && !this.redoStack.length && this.savedAt !== top.id) {
      // The same field typed on: one step from its first value to its last.
      // The step's inverse, from before its first edit, stays as it is.
      top.ops = ops;
      edit = top;
    } else {
      edit = { id: this.nextId++, label, ops, inverse: r.inverse, mergeKey };
      this.undoStack.push(edit);
      if (this.undoStack.length > HISTORY) this.undoStack.splice(0, this.undoStack.length - HISTORY);
    }
    this.doc = r.doc;
    this.redoStack = [];
    this.persist();
    this.emit("edit", edit);
  }

  private emit(kind: ChangeKind, edit: Edit | null): void {
    for (const l of this.listeners) l(kind, edit);
  }

  /** Keeps the work in the store; without room for the history, the document alone. */
  persist(): void {
    if (!this.store) return;
    const saved: Saved = {
      format: 1,
      name: this.name,
      doc: this.doc,
      undo: this.undoStack,
      redo: this.redoStack,
      savedAt: this.savedAt,
      nextId: this.nextId,
    };
    try {
      this.store.setItem(this.key, JSON.stringify(saved));
    } catch {
      try {
        const dirty = this.dirty;
        this.store.setItem(this.key, JSON.stringify({ ...saved, undo: [], redo: [], savedAt: dirty ? null : 0 }));
      } catch {
        /* no room at all: the work lives in this page only */
      }
    }
  }
}
