// SPDX-License-Identifier: Apache-2.0
// The editor of the page: the document being edited, kept in localStorage,
// checked by the server as it changes (POST /api/check, 400 ms after the
// last change), and a warning before the page is left with unsaved changes.

import { EditorDocument, type Json, type Store } from "./document";
import { postModel } from "../api";
import type { Diagnostic } from "../types";

function localStore(): Store | null {
  try {
    const s = window.localStorage;
    s.getItem("pylora-web-editor");
    return s;
  } catch {
    return null;
  }
}

export const editor = new EditorDocument(localStore());
editor.restore();

window.addEventListener("beforeunload", (e) => {
  if (!editor.dirty || !editor.hasDocument) return;
  e.preventDefault();
  e.returnValue = "";
});

export interface CheckState {
  /** The diagnostics of the document last checked. */
  diagnostics: Diagnostic[];
  /** A check is waiting or on its way. */
  pending: boolean;
  /** The server could not be asked. */
  failure: string | null;
  /** The document the diagnostics are of. */
  of: Json | null;
}

export const check: CheckState = { diagnostics: [], pending: false, failure: null, of: null };

export const CHECK_DELAY = 400;

type CheckListener = () => void;
const checkListeners = new Set<CheckListener>();
let timer: number | undefined;
let generation = 0;

export function onCheck(l: CheckListener): () => void {
  checkListeners.add(l);
  return () => checkListeners.delete(l);
}

function tell(): void {
  for (const l of checkListeners) l();
}

export function errorsOf(diagnostics: Diagnostic[]): Diagnostic[] {
  return diagnostics.filter((d) => (d.severity ?? "error") === "error");
}

/** Checks the document once no change has come for CHECK_DELAY ms; a later change drops an earlier answer. */
export function scheduleCheck(): void {
  if (!editor.hasDocument) return;
  check.pending = true;
  const mine = ++generation;
  window.clearTimeout(timer);
  tell();
  timer = window.setTimeout(async () => {
    const doc = editor.doc;
    try {
      const answer = await postModel<{ valid: boolean; diagnostics: Diagnostic[] }>("/api/check", doc as object);
      if (mine !== generation) return;
      check.diagnostics = answer.diagnostics ?? [];
      check.failure = null;
    } catch (e) {
      if (mine !== generation) return;
      check.failure = (e as Error).message;
    }
    check.of = doc;
    check.pending = false;
    tell();
  }, CHECK_DELAY);
}

editor.onChange(() => scheduleCheck());
