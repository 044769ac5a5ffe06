// SPDX-License-Identifier: Apache-2.0
// What the application holds between its views.

import type { Doc, Results } from "./types";

export type View = "open" | "model" | "run" | "results";

export interface Source {
  /** The file's name, or the example's. */
  name: string;
  /** A model document (an example, a .json file, or the run's own document). */
  document: Doc | null;
  /** The text of a .yaml or .dat file, posted as it is with its format. */
  text?: string;
  format?: string;
}

export const state = {
  source: null as Source | null,
  runId: null as string | null,
  runState: null as string | null,
  /** The results summary of the run shown (no profiles). */
  summary: null as Results | null,
  summaryOf: null as string | null,
};

type Listener = (view: View) => void;
let listener: Listener = () => undefined;

export function onShow(l: Listener): void {
  listener = l;
}

export function show(view: View): void {
  listener(view);
}
