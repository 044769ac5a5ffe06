// SPDX-License-Identifier: Apache-2.0
// What every page of the model editor shares: the document and its units,
// the inputs bound to a JSON Pointer of the document, and the selections
// that outlive a redraw of the page.

import { el, documentUnits } from "../../util";
import type { Doc } from "../../types";
import { editor } from "../../editor/session";
import type { Json } from "../../editor/document";
import type { Column } from "../../editor/fields";

/** What the model view lends the editor's pages: its drawings and the run. */
export interface EditorHooks {
  /** The read-only overview of the document (plan, soil column, tables). */
  overview: (doc: Doc, into: HTMLElement) => void;
  plan: (doc: Doc) => Element;
  soil: (doc: Doc) => HTMLElement;
  run: (out: HTMLElement) => void;
}

/** A page of the editor. */
export interface Page {
  key: string;
  label: string;
  /** The top-level keys of the document whose fields the page shows. */
  keys: string[];
  render: (box: HTMLElement, hooks: EditorHooks) => void;
  /** Before a jump to a diagnostic: selects what shows the value at these pointer tokens. */
  reveal?: (tokens: string[]) => void;
  /** Another model opened: forget the page's selections. */
  reset?: () => void;
}

export const doc = (): Doc => editor.doc as Doc;
export const twoD = (): boolean => String(doc().analysis) === "twoDimensional" || String(doc().analysis) === "2";
export const units = (): Record<string, string> => documentUnits(doc().units);

/** The array at a top-level key of the document, empty when it is missing or not an array. */
export function listOf(key: string): Doc[] {
  const v = doc()[key];
  return Array.isArray(v) ? (v as Doc[]) : [];
}

export function unitOf(c: Column): string {
  const u = units();
  return c.unit === "none" ? "" : c.unit === "percent" ? "%" : c.unit === "angle" ? "°" : u[c.unit] ?? "";
}

/** A column's heading with its unit: "Fx [kN]". */
export function head(c: Column): string {
  const u = unitOf(c);
  return u ? `${c.label} [${u}]` : c.label;
}

/** A number as typed, or the text itself when it is not one (the check then says what is wrong there). */
export function numberOrText(text: string): Json | undefined {
  const t = text.trim().replace(/\u2212/g, "-");
  if (!t) return undefined;
  const v = Number(t);
  return /^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(t) && Number.isFinite(v) ? v : text;
}

export function show(v: Json | undefined): string {
  return v === undefined || v === null ? "" : typeof v === "object" ? JSON.stringify(v) : String(v);
}

/**
 * Set while an input's own typing changes the document: the editor then
 * redraws the drawings only, not the inputs (which would lose the caret).
 */
export const typing = { now: false };

/** Ties an input to the pointer of its value: diagnostics find it there, and leaving it ends the typed step. */
export function bind(input: HTMLElement, pointer: string): void {
  input.dataset.pointer = pointer;
  input.addEventListener("blur", () => editor.seal());
}

/** A number field (a blank removes the value: the default applies). */
export function numberInput(pointer: string, label: string, placeholder = ""): HTMLInputElement {
  const input = el("input", { type: "text", inputmode: "decimal", class: "num", "aria-label": label, placeholder, spellcheck: "false" });
  input.value = show(editor.get(pointer));
  bind(input, pointer);
  input.addEventListener("input", () => {
    typing.now = true;
    editor.set(pointer, numberOrText(input.value), label, pointer);
    typing.now = false;
  });
  return input;
}

/** A text field (a blank removes the value). */
export function textInput(pointer: string, label: string): HTMLInputElement {
  const input = el("input", { type: "text", "aria-label": label, spellcheck: "false" });
  input.value = show(editor.get(pointer));
  bind(input, pointer);
  input.addEventListener("input", () => {
    typing.now = true;
    editor.set(pointer, input.value === "" ? undefined : input.value, label, pointer);
    typing.now = false;
  });
  return input;
}

/**
 * A choice among names; the fallback (the value when the field is left
 * out) removes the field. A value the document holds that is not a choice
 * is kept and shown.
 */
export function selectInput(pointer: string, label: string, choices: string[], fallback: string | null, names: Record<string, string> = {}): HTMLSelectElement {
  const current = show(editor.get(pointer)) || fallback || "";
  const options = choices.includes(current) || !current ? choices : [current, ...choices];
  const select = el("select", { "aria-label": label }, ...options.map((c) => el("option", { value: c, selected: c === current }, names[c] ?? c)));
  if (!current) select.prepend(el("option", { value: "", selected: true }, "–"));
  bind(select, pointer);
  select.addEventListener("change", () => {
    const v = select.value;
    editor.set(pointer, v === "" || v === fallback ? undefined : v, label);
  });
  return select;
}

/** A true/false field as a check box; unchecked removes it when false is its default. */
export function flagInput(pointer: string, label: string, fallback = false): HTMLInputElement {
  const v = editor.get(pointer);
  const input = el("input", { type: "checkbox", "aria-label": label, checked: v === undefined || v === null ? fallback : v === true || v === 1 });
  bind(input, pointer);
  input.addEventListener("change", () => editor.set(pointer, input.checked === fallback ? undefined : input.checked, label));
  return input;
}

let redraw: () => void = () => undefined;

/** Redraws the page shown (after a change of a selection that is not an edit). */
export function rerender(): void {
  redraw();
}

export function setRerender(f: () => void): void {
  redraw = f;
}

/** Numbers as a short list, "1–3, 5, 8, 9" (one way for every page). */
export { numberList } from "../../editor/curves";
