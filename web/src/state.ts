// SPDX-License-Identifier: Apache-2.0
// What the application holds between its views.

import type { Doc, Results } from "./types";
import { getJson } from "./api";

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
  /** The summary being fetched, and of which run. */
  summaryFetch: null as Promise<Results> | null,
  summaryFetchOf: null as string | null,
};

/**
 * The results summary of a run: the one at hand, the one on its way, or a
 * new request. The run view asks for it as soon as the run has completed,
 * so that the results are there when the view turns to them.
 */
export function loadSummary(id: string): Promise<Results> {
  if (state.summary && state.summaryOf === id) return Promise.resolve(state.summary);
  if (state.summaryFetch && state.summaryFetchOf === id) return state.summaryFetch;
  const fetching = getJson<Results>(`/api/runs/${encodeURIComponent(id)}/results/summary`).then(
    (r) => {
      if (state.summaryFetch === fetching) {
        state.summary = r;
        state.summaryOf = id;
        state.summaryFetch = null;
        state.summaryFetchOf = null;
      }
      return r;
    },
    (e: unknown) => {
      if (state.summaryFetch === fetching) {
        state.summaryFetch = null;
        state.summaryFetchOf = null;
      }
      throw e;
    },
  );
  state.summaryFetch = fetching;
  state.summaryFetchOf = id;
  return fetching;
}

type Listener = (view: View) => void;
let listener: Listener = () => undefined;

export function onShow(l: Listener): void {
  listener = l;
}

export function show(view: View): void {
  listener(view);
}
