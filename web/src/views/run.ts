// SPDX-License-Identifier: Apache-2.0
// Run: follows the running analysis through the server's event stream
// (state, progress, runtime lines, warnings, end) and cancels it on request.

import { el, clear, fmt } from "../util";
import { withToken, del, getJson } from "../api";
import { state, show, loadSummary } from "../state";
import type { Progress, RunInfo } from "../types";

interface Monitor {
  id: string;
  state: string;
  returnCode: number | null;
  progress: Progress | null;
  warnings: string[];
  lines: string[];
  ended: boolean;
  error: string | null;
  source: EventSource | null;
}

let monitor: Monitor | null = null;
let repaint: (() => void) | null = null;

function parse<T>(e: MessageEvent): T | null {
  try {
    return JSON.parse(e.data) as T;
  } catch {
    return null;
  }
}

function follow(id: string): Monitor {
  if (monitor && monitor.id === id) return monitor;
  if (monitor?.source) monitor.source.close();
  const m: Monitor = { id, state: state.runState ?? "queued", returnCode: null, progress: null, warnings: [], lines: [], ended: false, error: null, source: null };
  monitor = m;
  const update = () => {
    state.runState = m.state;
    if (repaint) repaint();
  };
  const es = new EventSource(withToken(`/api/runs/${encodeURIComponent(id)}/events`));
  m.source = es;
  es.addEventListener("state", (e) => {
    const d = parse<{ state: string; returnCode: number | null }>(e as MessageEvent);
    if (d) {
      m.state = d.state;
      m.returnCode = d.returnCode ?? null;
    }
    update();
  });
  es.addEventListener("progress", (e) => {
    m.progress = parse<Progress>(e as MessageEvent);
    update();
  });
  es.addEventListener("runtime", (e) => {
    const d = parse<{ lines: string[] }>(e as MessageEvent);
    if (d?.lines) {
      m.lines.push(...d.lines);
      if (m.lines.length > 400) m.lines.splice(0, m.lines.length - 400);
    }
    update();
  });
  es.addEventListener("warning", (e) => {
    const d = parse<{ text: string }>(e as MessageEvent);
    if (d?.text) m.warnings.push(d.text);
    update();
  });
  const finish = (st: string, returnCode: number | null | undefined) => {
    if (m.ended) return;
    m.state = st;
    m.returnCode = returnCode ?? null;
    m.ended = true;
    es.close();
    m.source = null;
    window.clearInterval(poll);
    if (m.state !== "completed") {
      getJson<RunInfo>(`/api/runs/${encodeURIComponent(id)}`)
        .then((r) => {
          m.error = r.error ?? null;
          update();
        })
        .catch(() => undefined);
    }
    update();
    // A finished run goes on to its results when its progress is on screen;
    // the results are fetched meanwhile.
    if (m.state === "completed") {
      if (state.runId === id) loadSummary(id).catch(() => undefined);
      setTimeout(() => {
        const view = document.getElementById("view")?.dataset.view;
        if (view === "run" && monitor === m && state.runId === id) show("results");
      }, 600);
    }
  };
  es.addEventListener("end", (e) => {
    const d = parse<{ state: string; returnCode: number | null }>(e as MessageEvent);
    finish(d?.state ?? m.state, d ? d.returnCode : m.returnCode);
  });
  // The stream may break (EventSource then reconnects by itself); the run's
  // state, asked now and then, ends the wait in any case.
  const ask = () => {
    if (m.ended) return;
    getJson<RunInfo>(`/api/runs/${encodeURIComponent(id)}`)
      .then((r) => {
        if (["completed", "failed", "cancelled"].includes(r.state)) {
          m.error = r.error ?? null;
          finish(r.state, r.returnCode);
        }
      })
      .catch(() => undefined);
  };
  const poll = window.setInterval(ask, 3000);
  es.onerror = ask;
  return m;
}

/**
 * The place of the analysis in progress among all the run's analyses: the
 * message numbers the analyses within their series (load case i of n,
 * combination j of m); the document tells how many load cases come first.
 */
function overall(p: Progress | null): { index: number; total: number } | null {
  if (!p || p.analysis == null || !p.count) return null;
  const doc = state.source?.document;
  const cases = Array.isArray(doc?.loadCases) ? doc?.loadCases.length : null;
  const combos = Array.isArray(doc?.combinations) ? doc?.combinations.length : null;
  if (cases == null || combos == null) return { index: p.analysis, total: p.count };
  const total = cases + combos;
  if (p.series === "combination") {
    if (p.count !== combos) return { index: p.analysis, total: p.count };
    return { index: cases + p.analysis, total };
  }
  // A pushover or a case alone: the message's own count.
  if (p.count !== cases) return { index: p.analysis, total: p.count };
  return { index: p.analysis, total };
}

/** The share of the run done, from the analysis i of n and its load factor. */
function share(p: Progress | null, ended: boolean, st: string): number {
  if (ended && st === "completed") return 1;
  const o = overall(p);
  if (!o || !o.total) return 0;
  const lf = Math.max(0, Math.min(1, p?.loadFactor ?? 0));
  return Math.max(0, Math.min(1, (o.index - 1 + lf) / o.total));
}

export function renderRun(root: HTMLElement): void {
  const id = state.runId;
  root.appendChild(el("h2", {}, "Run"));
  if (!id) {
    repaint = null;
    root.appendChild(el("p", { class: "muted" }, "No run yet: open a model and press Run (Model)."));
    return;
  }
  const m = follow(id);
  const title = el("p", { class: "facts" }, el("span", {}, `Run ${id}`), el("span", {}, state.source?.document?.title ?? state.source?.name ?? ""));
  const stateLine = el("p", { id: "run-state", "data-testid": "run-state", class: "run-state" });
  const bar = el("progress", { id: "progress", "data-testid": "progress", max: 1, value: 0, "aria-label": "Progress of the run" });
  const barText = el("span", { id: "progress-text", class: "progress-text" });
  const details = el("dl", { class: "progress-details", id: "progress-details" });
  const cancel = el("button", { type: "button", id: "cancel", "data-testid": "cancel", class: "danger" }, "Cancel");
  const toResults = el("button", { type: "button", id: "show-results", class: "primary" }, "Show the results");
  toResults.addEventListener("click", () => show("results"));
  cancel.addEventListener("click", async () => {
    cancel.disabled = true;
    try {
      const r = await del<RunInfo>(`/api/runs/${encodeURIComponent(id)}`);
      m.state = r.state;
    } catch (e) {
      m.error = `Cancel: ${(e as Error).message}`;
    }
    if (repaint) repaint();
  });
  const warnings = el("ol", { id: "run-warnings", "data-testid": "run-warnings", class: "warnings" });
  const log = el("pre", { id: "runtime-log", class: "log", tabindex: 0, "aria-label": "Runtime file" });
  root.append(
    title,
    stateLine,
    el("div", { class: "progress-row" }, bar, barText),
    details,
    el("p", {}, cancel, " ", toResults),
    el("h3", {}, "Warnings"),
    warnings,
    el("h3", {}, "Runtime file"),
    log,
  );

  repaint = () => {
    if (!root.isConnected) {
      repaint = null;
      return;
    }
    const p = m.progress;
    const done = ["completed", "failed", "cancelled"].includes(m.state) && m.ended;
    stateLine.textContent = `State: ${m.state}` + (m.returnCode !== null && m.returnCode !== undefined ? ` (return code ${m.returnCode})` : "") + (m.error ? ` — ${m.error}` : "");
    stateLine.dataset.state = m.state;
    const f = share(p, m.ended, m.state);
    bar.value = f;
    bar.dataset.state = m.state;
    barText.textContent = `${Math.round(f * 100)} %`;
    clear(details);
    const item = (k: string, v: string, testid: string) => details.append(el("dt", {}, k), el("dd", { "data-testid": testid }, v));
    const o = overall(p);
    item("analysis", o && p ? `${o.index} of ${o.total}${p.series ? ` (${p.series} ${p.analysis} of ${p.count})` : ""}` : "–", "progress-analysis");
    item("step", p?.step != null ? String(p.step) : "–", "progress-step");
    item("load factor", p?.loadFactor != null ? fmt(p.loadFactor) : "–", "progress-load-factor");
    item("iteration", p?.iteration != null ? String(p.iteration) : "–", "progress-iteration");
    item("message", p?.message ?? "–", "progress-message");
    cancel.disabled = done || m.state === "cancelled";
    toResults.hidden = !(m.ended && m.state === "completed");
    clear(warnings);
    if (!m.warnings.length) warnings.appendChild(el("li", { class: "muted none" }, "None so far."));
    for (const w of m.warnings) warnings.appendChild(el("li", {}, el("pre", {}, w)));
    const atEnd = log.scrollTop + log.clientHeight >= log.scrollHeight - 4;
    log.textContent = m.lines.join("\n");
    if (atEnd) log.scrollTop = log.scrollHeight;
  };
  repaint();
}
