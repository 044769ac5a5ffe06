// SPDX-License-Identifier: Apache-2.0
// Results: the analyses and envelopes of a run — the cap, the plan coloured
// by the pile-head axial force, the table of pile-head forces, a pile's
// profiles and curves, the foundation's stiffness, the load path, the
// warnings, the report and the run's files.

import { el, clear, fmt, withUnit, toCsv, saveText, forceColour, finite } from "../util";
import { getJson, getText, withToken, token } from "../api";
import { state, loadSummary } from "../state";
import { chart, disposeWithin, toolbox, renderer, setRenderer, PALETTE, type Renderer } from "../charts";
import { drawPlan, batter2d, batter3d, groupPiles, type PlanPile } from "../plan";
import type { Analysis, Envelope, EnvelopePile, PileResult, Results, Num, Dict, PlaneValues, Matrix, Doc } from "../types";

type Selection = { kind: "a" | "e"; index: number };

const ui = {
  runId: null as string | null,
  selection: { kind: "a", index: 0 } as Selection,
  group: null as number | null,
  axes: "global" as "global" | "local",
  sortKey: "group",
  sortDir: 1,
  report: null as string | null,
  reportOf: null as string | null,
};

const pileCache = new Map<string, PileResult | EnvelopePile>();

const FILES: { suffix: string; label: string }[] = [
  { suffix: "out", label: "report (.out)" },
  { suffix: "sum", label: "summary (.sum)" },
  { suffix: "results.json", label: "results (.results.json)" },
  { suffix: "json", label: "model document (.json)" },
  { suffix: "dat", label: "input data file (.dat)" },
  { suffix: "res", label: "results data (.res)" },
  { suffix: "plt", label: "plot data (.plt)" },
  { suffix: "crv", label: "curves (.crv)" },
  { suffix: "pile", label: "pile file (.pile)" },
  { suffix: "rtm", label: "runtime (.rtm)" },
  { suffix: "sta", label: "status (.sta)" },
  { suffix: "warn", label: "warnings (.warn)" },
];

function base(): string {
  return `/api/runs/${encodeURIComponent(ui.runId ?? "")}`;
}

function analysisLabel(a: Analysis, i: number): string {
  const kind = a.series === "combination" ? "Combination" : "Load case";
  return `${i + 1}. ${kind} ${a.number}${a.name ? ": " + a.name : ""}${a.succeeded === false ? " (not converged)" : ""}`;
}

export function renderResults(root: HTMLElement): void {
  const id = state.runId;
  root.appendChild(el("h2", {}, "Results"));
  if (!id) {
    root.appendChild(el("p", { class: "muted" }, "No run yet: open a model and run it."));
    return;
  }
  if (ui.runId !== id) {
    ui.runId = id;
    ui.selection = { kind: "a", index: 0 };
    ui.group = null;
    pileCache.clear();
  }
  const holder = el("div", { id: "results-body" }, el("p", { class: "busy" }, "Loading the results…"));
  root.appendChild(holder);
  loadSummary(id)
    .then((r) => {
      state.summary = r;
      state.summaryOf = id;
      clear(holder);
      build(holder, r);
    })
    .catch((e) => {
      clear(holder);
      holder.appendChild(el("p", { class: "error", role: "alert" }, `No results: ${(e as Error).message}. The run may still be going (Run) or may have ended without results.`));
      holder.appendChild(downloads());
    });
}

function unitOf(r: Results, key: string): string | undefined {
  return r.model.quantityUnits?.[key];
}

function build(root: HTMLElement, r: Results): void {
  const twoD = r.model.analysisType === 2;
  root.appendChild(
    el("p", { class: "facts" },
      el("span", { id: "results-title" }, r.model.title ?? ""),
      el("span", { "data-testid": "return-code" }, `return code ${r.returnCode ?? "?"}${r.returnMeaning ? ": " + r.returnMeaning : ""}`),
      el("span", {}, `program ${r.programVersion ?? ""}`),
      el("span", {}, `units: ${r.model.units?.system ?? ""} (${r.model.units?.length ?? ""}, ${r.model.units?.force ?? ""})`),
    ),
  );
  if (r.pileResultsOmitted) root.appendChild(el("p", { class: "warn" }, "The pile results of the later analyses were left out of the results (a model near the capacities)."));

  // The selector of analyses and envelopes, and the charts' renderer.
  const select = el("select", { id: "result-select", "data-testid": "result-select", "aria-label": "Analysis or envelope" });
  const ga = el("optgroup", { label: "Analyses" });
  r.analyses.forEach((a, i) => ga.appendChild(el("option", { value: `a:${i}` }, analysisLabel(a, i))));
  select.appendChild(ga);
  if (r.envelopes?.length) {
    const ge = el("optgroup", { label: "Envelopes" });
    r.envelopes.forEach((e, j) => ge.appendChild(el("option", { value: `e:${j}` }, `Envelope of the ${e.series}`)));
    select.appendChild(ge);
  }
  if (ui.selection.kind === "e" && !(r.envelopes ?? [])[ui.selection.index]) ui.selection = { kind: "a", index: 0 };
  select.value = `${ui.selection.kind}:${ui.selection.index}`;
  const rend = el("select", { id: "renderer", "aria-label": "Chart renderer" },
    el("option", { value: "canvas" }, "charts: canvas (saved as PNG)"), el("option", { value: "svg" }, "charts: SVG (saved as SVG)"));
  rend.value = renderer();
  root.appendChild(el("div", { class: "toolbar" }, el("label", { for: "result-select" }, "Show "), select, " ", rend));

  const body = el("div", { id: "selection-body" });
  const fixed = el("div", { id: "run-extras" });
  root.append(body, fixed);

  const refresh = () => {
    disposeWithin(body);
    clear(body);
    const [k, i] = select.value.split(":");
    ui.selection = { kind: k === "e" ? "e" : "a", index: Number(i) };
    renderSelection(body, r, twoD);
  };
  select.addEventListener("change", refresh);
  rend.addEventListener("change", () => {
    setRenderer(rend.value as Renderer);
    refresh();
  });
  refresh();

  fixed.append(warningsPanel(r), reportPanel(), downloads());
}

function renderSelection(root: HTMLElement, r: Results, twoD: boolean): void {
  const sel = ui.selection;
  const analysis = sel.kind === "a" ? r.analyses[sel.index] : null;
  const envelope = sel.kind === "e" ? (r.envelopes ?? [])[sel.index] : null;
  if (!analysis && !envelope) {
    root.appendChild(el("p", { class: "muted" }, "No analysis in the results."));
    return;
  }
  const top = el("div", { class: "results-grid" });
  const capBox = el("div", { class: "panel", id: "cap", "data-testid": "cap" });
  const planBox = el("div", { class: "panel", id: "result-plan" });
  top.append(capBox, planBox);
  root.appendChild(top);
  if (analysis) capAnalysis(capBox, r, analysis);
  else if (envelope) capEnvelope(capBox, r, envelope);

  const detail = el("div", { class: "panel wide", id: "pile-detail", "data-testid": "pile-detail" });
  const pick = (g: number) => {
    ui.group = g;
    // Only the pile picked before and the one picked now change (of thousands).
    for (const n of Array.from(root.querySelectorAll("[data-group].selected"))) if (Number((n as HTMLElement).dataset.group) !== g) n.classList.remove("selected");
    for (const n of Array.from(root.querySelectorAll(`[data-group="${g}"]`))) n.classList.add("selected");
    void pileDetail(detail, r, g, twoD);
  };
  planBox.appendChild(resultPlan(r, analysis, envelope, twoD, pick));
  root.appendChild(pileTable(r, analysis, envelope, pick));
  root.appendChild(detail);
  if (ui.group !== null && r.model.pileGroups.some((g) => g.group === ui.group)) pick(ui.group);
  else detail.appendChild(el("p", { class: "muted" }, "Click a pile in the plan or a row of the table for its profiles and curves."));

  if (analysis) {
    if (analysis.capStiffness) root.appendChild(matrixPanel(r, analysis.capStiffness, "Tangent stiffness of the foundation at the cap origin (F = K u)", "cap-stiffness"));
    (analysis.capStiffnessSecant ?? []).forEach((m, k) =>
      root.appendChild(matrixPanel(r, m, `Secant stiffness, level ${m.level ?? k + 1} (load factor ${fmt(m.loadFactor ?? null)})`, `cap-stiffness-secant-${k}`)));
    if (analysis.steps && analysis.steps.length) root.appendChild(loadPath(r, analysis, sel.index));
  }
}

// ---------------------------------------------------------------- the cap

function capAnalysis(box: HTMLElement, r: Results, a: Analysis): void {
  box.appendChild(el("h3", {}, analysisLabel(a, ui.selection.index)));
  const c = a.completion;
  box.appendChild(el("p", { class: "muted" },
    `${c ? c.meaning ?? `completion ${c.code}` : "no completion"}${c?.loadFactor != null ? `, load factor ${fmt(c.loadFactor)}` : ""}; ${a.globalIterations ?? "?"} global iterations${a.stopCode != null ? `; stop code ${a.stopCode}` : ""}`));
  const table = el("table", { class: "data cap-table" });
  table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, "load"), el("th", { class: "num" }, "value"), el("th", {}, "displacement"), el("th", { class: "num" }, "value"))));
  const tb = el("tbody");
  const lk = Object.keys(a.capLoad);
  const dk = Object.keys(a.capDisplacement);
  for (let i = 0; i < Math.max(lk.length, dk.length); i++) {
    const l = lk[i];
    const d = dk[i];
    tb.appendChild(el("tr", {},
      el("th", {}, l ? withUnit(l, unitOf(r, l)) : ""),
      el("td", { class: "num", "data-testid": l ? `cap-load-${l}` : null, "data-value": l ? String(a.capLoad[l]) : null }, l ? fmt(a.capLoad[l]) : ""),
      el("th", {}, d ? withUnit(d, unitOf(r, d)) : ""),
      el("td", { class: "num", id: d ? `cap-${d}` : null, "data-testid": d ? `cap-${d}` : null, "data-value": d ? String(a.capDisplacement[d]) : null }, d ? fmt(a.capDisplacement[d]) : ""),
    ));
  }
  table.appendChild(tb);
  const csv = el("button", { type: "button", class: "small", id: "cap-csv" }, "CSV");
  csv.addEventListener("click", () => saveText(`cap-${ui.selection.index + 1}.csv`, toCsv(["quantity", "unit", "value"], [
    ...lk.map((k) => [k, unitOf(r, k) ?? "", a.capLoad[k]]),
    ...dk.map((k) => [k, unitOf(r, k) ?? "", a.capDisplacement[k]]),
  ])));
  box.append(el("h4", {}, "Cap load and displacement ", csv), table);
}

function capEnvelope(box: HTMLElement, r: Results, e: Envelope): void {
  box.appendChild(el("h3", {}, `Envelope of the ${e.series}`));
  const table = el("table", { class: "data cap-table" });
  table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, ""), el("th", { class: "num" }, "min"), el("th", { class: "num" }, "max"))));
  const tb = el("tbody");
  const rows: unknown[][] = [];
  const add = (min: Dict, max: Dict) => {
    for (const k of Object.keys(min)) {
      rows.push([k, unitOf(r, k) ?? "", min[k], max[k]]);
      tb.appendChild(el("tr", {},
        el("th", {}, withUnit(k, unitOf(r, k))),
        el("td", { class: "num", "data-testid": `cap-${k}-min`, "data-value": String(min[k]) }, fmt(min[k])),
        el("td", { class: "num", "data-testid": `cap-${k}-max`, "data-value": String(max[k]) }, fmt(max[k])),
      ));
    }
  };
  add(e.cap.loadMin, e.cap.loadMax);
  add(e.cap.displacementMin, e.cap.displacementMax);
  table.appendChild(tb);
  const csv = el("button", { type: "button", class: "small" }, "CSV");
  csv.addEventListener("click", () => saveText(`cap-envelope-${ui.selection.index + 1}.csv`, toCsv(["quantity", "unit", "min", "max"], rows)));
  box.append(el("h4", {}, "Cap load and displacement ", csv), table);
}

// ---------------------------------------------------------------- the plan

function resultPlan(r: Results, a: Analysis | null, e: Envelope | null, twoD: boolean, pick: (g: number) => void): HTMLElement {
  const box = el("div");
  const heads = new Map<number, { fx: number | null; fy: number; fz: number; title: string }>();
  const fu = unitOf(r, "Fx") ?? "";
  if (a) {
    for (const p of a.piles) {
      const fx = p.head.local?.Fx ?? p.head.global?.Fx ?? null;
      heads.set(p.group, {
        fx,
        fy: p.head.global?.Fy ?? 0,
        fz: twoD ? 0 : p.head.global?.Fz ?? 0,
        title: `axial Fx ${fmt(fx)} ${fu}; Fy ${fmt(p.head.global?.Fy ?? null)}${twoD ? "" : `, Fz ${fmt(p.head.global?.Fz ?? null)}`} ${fu}`,
      });
    }
  } else if (e) {
    for (const p of e.piles) {
      const lo = p.head.min.local?.Fx ?? null;
      const hi = p.head.max.local?.Fx ?? null;
      const fx = lo !== null && hi !== null ? (Math.abs(hi) >= Math.abs(lo) ? hi : lo) : hi ?? lo;
      heads.set(p.group, { fx, fy: 0, fz: 0, title: `axial Fx ${fmt(lo)} to ${fmt(hi)} ${fu}` });
    }
  }
  const values = finite(Array.from(heads.values()).map((h) => h.fx));
  const lo = values.length ? Math.min(...values) : 0;
  const hi = values.length ? Math.max(...values) : 0;
  const piles: PlanPile[] = [];
  const ys = r.model.pileGroups.map((g) => g.head.y);
  const span = Math.max(1, Math.max(...ys, 0) - Math.min(...ys, 0));
  // The document of the run, when it is at hand, gives the spacing of a row's piles.
  const doc = state.source?.document;
  const docGroups: Doc[] = doc && doc.title === r.model.title && Array.isArray(doc.pileGroups) ? doc.pileGroups : [];
  for (const g of r.model.pileGroups) {
    const h = heads.get(g.group);
    const b = twoD ? batter2d(g.batter) : batter3d(g.alpha, g.beta);
    piles.push(...groupPiles({
      group: g.group,
      batter: b,
      fill: h && h.fx !== null ? forceColour(h.fx, lo, hi) : "#fff",
      arrow: h && a ? [h.fy, h.fz] : null,
      title: `Pile group ${g.group}${h ? ": " + h.title : " (no results)"}`,
    }, g.head.y, g.head.z ?? 0, twoD, g.pilesInGroup ?? 1, Number(docGroups[g.group - 1]?.rowSpacing ?? 0) || span / 8));
  }
  box.appendChild(el("h3", {}, twoD ? "Rows of piles" : "Plan of the pile heads"));
  box.appendChild(drawPlan(piles, { lengthUnit: unitOf(r, "y") ?? unitOf(r, "headY") ?? "", selected: ui.group, onPick: pick, twoDimensional: twoD, height: 380 }));
  const stops = lo < 0 && hi > 0 ? [lo, 0, hi] : [lo, (lo + hi) / 2, hi];
  box.appendChild(
    el("div", { class: "legend", "data-testid": "plan-legend" },
      el("span", {}, `${e ? "largest " : ""}axial head force Fx (pile axes, compression +) [${fu}]:`),
      ...stops.flatMap((v) => [el("span", { class: "swatch", style: `background:${forceColour(v, lo, hi)}` }), el("span", {}, fmt(v))]),
      a ? el("span", {}, " · arrows: lateral head force (cap axes)") : null,
    ),
  );
  return box;
}

// ---------------------------------------------------------------- the table

/** The rows of the pile table shown before "show all". */
const TABLE_ROWS = 200;

interface Column { key: string; label: string; get: (row: Row) => Num | number }
interface Row { group: number; property: number; values: Record<string, Num> }

function pileTable(r: Results, a: Analysis | null, e: Envelope | null, pick: (g: number) => void): HTMLElement {
  const box = el("div", { class: "panel wide", id: "pile-table-panel" });
  const axes = el("select", { id: "axes", "aria-label": "Axes of the pile-head values" },
    el("option", { value: "global" }, "cap axes (global)"), el("option", { value: "local" }, "pile axes (local)"));
  axes.value = ui.axes;
  const csv = el("button", { type: "button", class: "small", id: "pile-table-csv", "data-testid": "pile-table-csv" }, "CSV");
  box.appendChild(el("h3", {}, "Pile heads ", axes, " ", csv));
  const tableHolder = el("div", { class: "table-scroll" });
  box.appendChild(tableHolder);
  const propOf = new Map(r.model.pileGroups.map((g) => [g.group, g.pileProperty]));

  let showAll = false;
  const draw = () => {
    clear(tableHolder);
    const rows: Row[] = [];
    let keys: string[] = [];
    const cols: Column[] = [
      { key: "group", label: "group", get: (x) => x.group },
      { key: "property", label: "property", get: (x) => x.property },
    ];
    if (a) {
      for (const p of a.piles) {
        const h = p.head[ui.axes] ?? {};
        if (!keys.length) keys = Object.keys(h);
        rows.push({ group: p.group, property: propOf.get(p.group) ?? 0, values: { ...h } });
      }
      for (const k of keys) cols.push({ key: k, label: withUnit(k, unitOf(r, k)), get: (x) => x.values[k] ?? null });
    } else if (e) {
      for (const p of e.piles) {
        const lo = p.head.min[ui.axes] ?? {};
        const hi = p.head.max[ui.axes] ?? {};
        if (!keys.length) keys = Object.keys(lo);
        const values: Record<string, Num> = {};
        for (const k of keys) {
          values[k + " min"] = lo[k] ?? null;
          values[k + " max"] = hi[k] ?? null;
        }
        rows.push({ group: p.group, property: propOf.get(p.group) ?? 0, values });
      }
      for (const k of keys)
        for (const side of ["min", "max"]) {
          const key = `${k} ${side}`;
          cols.push({ key, label: withUnit(key, unitOf(r, k)), get: (x) => x.values[key] ?? null });
        }
    }
    let col = cols.find((c) => c.key === ui.sortKey);
    if (!col) {
      ui.sortKey = "group";
      ui.sortDir = 1;
      col = cols[0];
    }
    const sorted = rows.slice().sort((x, y) => {
      const vx = col.get(x);
      const vy = col.get(y);
      if (vx === null && vy === null) return x.group - y.group;
      if (vx === null) return 1;
      if (vy === null) return -1;
      return (vx - vy) * ui.sortDir || x.group - y.group;
    });
    const table = el("table", { class: "data piles", id: "pile-table", "data-testid": "pile-table" });
    const hr = el("tr");
    for (const c of cols) {
      const active = c.key === col.key;
      const b = el("button", { type: "button", class: "sort", "data-key": c.key, title: "Sort by " + c.label }, c.label, active ? (ui.sortDir > 0 ? " ▲" : " ▼") : "");
      b.addEventListener("click", () => {
        if (ui.sortKey === c.key) ui.sortDir = -ui.sortDir;
        else {
          ui.sortKey = c.key;
          ui.sortDir = 1;
        }
        draw();
        (tableHolder.querySelector(`button.sort[data-key="${CSS.escape(c.key)}"]`) as HTMLElement | null)?.focus();
      });
      hr.appendChild(el("th", { class: c.key === "group" || c.key === "property" ? "" : "num", "aria-sort": active ? (ui.sortDir > 0 ? "ascending" : "descending") : null }, b));
    }
    table.appendChild(el("thead", {}, hr));
    const tb = el("tbody");
    // A table of thousands of piles shows its first rows (the picked pile's
    // too) until asked for all; sorting and the CSV take every row.
    const shown = showAll || sorted.length <= TABLE_ROWS ? sorted : sorted.filter((x, k) => k < TABLE_ROWS || x.group === ui.group);
    const hidden = sorted.length - shown.length;
    if (hidden > 0) table.setAttribute("data-hidden-rows", String(hidden));
    for (const x of shown) {
      const tr = el("tr", { "data-group": x.group, tabindex: 0, class: x.group === ui.group ? "selected" : "", "aria-label": `pile group ${x.group}` });
      for (const c of cols) {
        const v = c.get(x);
        tr.appendChild(el("td", { class: c.key === "group" || c.key === "property" ? "" : "num", "data-key": c.key, "data-value": v === null ? "" : String(v) },
          c.key === "group" || c.key === "property" ? String(v) : fmt(v)));
      }
      tr.addEventListener("click", () => pick(x.group));
      tr.addEventListener("keydown", (ev) => {
        if (ev.key === "Enter" || ev.key === " ") {
          ev.preventDefault();
          pick(x.group);
        }
      });
      tb.appendChild(tr);
    }
    table.appendChild(tb);
    tableHolder.appendChild(table);
    if (hidden > 0) {
      const more = el("button", { type: "button", class: "small", id: "pile-table-all", "data-testid": "pile-table-all" }, `Show all ${sorted.length} rows (${hidden} more)`);
      more.addEventListener("click", () => {
        showAll = true;
        draw();
      });
      tableHolder.appendChild(el("p", { class: "muted" }, `The first ${shown.length} of ${sorted.length} rows, in the order chosen. `, more));
    }
    csv.onclick = () =>
      saveText(`pile-heads-${ui.selection.kind === "a" ? "analysis" : "envelope"}-${ui.selection.index + 1}-${ui.axes}.csv`,
        toCsv(cols.map((c) => c.label), sorted.map((x) => cols.map((c) => c.get(x)))));
  };
  axes.addEventListener("change", () => {
    ui.axes = axes.value === "local" ? "local" : "global";
    draw();
  });
  draw();
  return box;
}

// ---------------------------------------------------------------- a pile

const PROFILE_QUANTITIES: { key: string; label: string }[] = [
  { key: "deflection", label: "Deflection" },
  { key: "moment", label: "Bending moment" },
  { key: "shear", label: "Shear" },
  { key: "soilReaction", label: "Soil reaction" },
];

function depthLines(r: Results, group: number): object {
  const g = r.model.pileGroups.find((x) => x.group === group);
  const data: object[] = [];
  if (g?.groundBelowHead !== undefined)
    data.push({ yAxis: g.groundBelowHead, name: "ground", lineStyle: { color: "#7a4b1e", type: "solid", width: 2 }, label: { formatter: "ground", position: "insideEndTop", color: "#7a4b1e" } });
  for (const d of g?.layerBoundaryDepths ?? [])
    if (Math.abs(d - (g?.groundBelowHead ?? NaN)) > 1e-9)
      data.push({ yAxis: d, name: "layer", lineStyle: { color: "#888", type: "dashed" }, label: { formatter: "layer", position: "insideEndTop", color: "#666" } });
  return { silent: true, symbol: "none", data };
}

function profileChart(container: HTMLElement, r: Results, group: number, title: string, xName: string, series: object[], extra: object = {}): void {
  const depthUnit = unitOf(r, "depth") ?? "";
  chart(container, {
    title: { text: title, left: 8, top: 4, textStyle: { fontSize: 13 } },
    color: PALETTE,
    toolbox: toolbox(`pile-${group}-${title.replace(/\W+/g, "-").toLowerCase()}`),
    tooltip: { trigger: "item" },
    legend: { top: 26, left: 8 },
    grid: { left: 62, right: 24, top: 58, bottom: 46 },
    xAxis: { type: "value", name: xName, nameLocation: "middle", nameGap: 28, scale: false, axisLabel: { hideOverlap: true, formatter: (v: number) => fmt(v, 3) } },
    yAxis: { type: "value", name: withUnit("depth", depthUnit), nameLocation: "middle", nameGap: 44, inverse: true, min: "dataMin", max: "dataMax" },
    dataZoom: [{ type: "inside", yAxisIndex: 0, filterMode: "none" }, { type: "inside", xAxisIndex: 0, filterMode: "none" }],
    series,
    ...extra,
  });
}

function planesOf(r: Results): ("xy" | "xz")[] {
  return r.model.analysisType === 3 ? ["xy", "xz"] : ["xy"];
}

function band(name: string, colour: string, lo: Num[], hi: Num[], depth: Num[]): object {
  const pts: [number, number][] = [];
  for (let k = 0; k < depth.length; k++) if (hi[k] !== null && depth[k] !== null) pts.push([hi[k] as number, depth[k] as number]);
  for (let k = depth.length - 1; k >= 0; k--) if (lo[k] !== null && depth[k] !== null) pts.push([lo[k] as number, depth[k] as number]);
  return {
    type: "custom",
    name,
    silent: true,
    z: 1,
    data: pts.length ? [pts[0]] : [],
    // eslint-disable-next-line @typescript-eslint/no-explicit-any
    renderItem: (_params: any, api: any) => ({
      type: "polygon",
      shape: { points: pts.map((p) => api.coord(p)) },
      style: { fill: colour, opacity: 0.22 },
    }),
  };
}

async function pileDetail(box: HTMLElement, r: Results, group: number, twoD: boolean): Promise<void> {
  disposeWithin(box);
  clear(box);
  const sel = { ...ui.selection };
  const g = r.model.pileGroups.find((x) => x.group === group);
  box.appendChild(el("h3", { id: "pile-detail-title", "data-group": group }, `Pile group ${group}` + (g ? ` — property ${g.pileProperty}, head Y ${fmt(g.head.y)}${twoD ? "" : `, Z ${fmt(g.head.z ?? 0)}`} ${unitOf(r, "y") ?? ""}` : "")));
  const status = el("p", { class: "busy" }, "Loading the pile's profile…");
  box.appendChild(status);
  const key = `${ui.runId}|${sel.kind}|${sel.index}|${group}`;
  let pile = pileCache.get(key);
  try {
    if (!pile) {
      const path = sel.kind === "a" ? `analyses/${sel.index}` : `envelopes/${sel.index}`;
      pile = await getJson<PileResult | EnvelopePile>(`${base()}/results/${path}/piles/${group}`);
      pileCache.set(key, pile);
    }
  } catch (e) {
    status.textContent = `The pile's profile could not be loaded: ${(e as Error).message}`;
    status.className = "error";
    return;
  }
  if (ui.group !== group || ui.selection.kind !== sel.kind || ui.selection.index !== sel.index || !box.isConnected) return;
  status.remove();
  const grid = el("div", { class: "charts", id: "profile-charts", "data-testid": "profile-charts" });
  box.appendChild(grid);
  const planes = planesOf(r);
  const csvCols: string[] = [];
  const csvData: Num[][] = [];

  if (sel.kind === "a") {
    const p = (pile as PileResult).profile;
    if (!p || !p.depth?.length) {
      grid.appendChild(el("p", { class: "muted" }, "No profile for this pile in this analysis (its results were not printed along the pile)."));
    } else {
      csvCols.push(withUnit("depth", unitOf(r, "depth")));
      csvData.push(p.depth);
      for (const q of PROFILE_QUANTITIES) {
        const pv = (p as unknown as Record<string, PlaneValues | undefined>)[q.key];
        if (!pv) continue;
        const series = planes
          .filter((pl) => pv[pl])
          .map((pl, k) => {
            csvCols.push(withUnit(`${q.key} ${pl}`, unitOf(r, q.key)));
            csvData.push(pv[pl] as Num[]);
            return {
              type: "line",
              name: `plane ${pl}`,
              showSymbol: false,
              data: p.depth.map((d, n) => [(pv[pl] as Num[])[n], d]),
              ...(k === 0 ? { markLine: depthLines(r, group) } : {}),
            };
          });
        const c = el("div", { class: "chart", "data-testid": `chart-${q.key}`, "data-chart": q.key });
        grid.appendChild(c);
        profileChart(c, r, group, q.label, withUnit(q.label.toLowerCase(), unitOf(r, q.key)), series);
        if (q.key === "soilReaction" && p.mobilisation && finite(p.mobilisation).length) {
          csvCols.push("mobilisation");
          csvData.push(p.mobilisation);
          const mc = el("div", { class: "chart", "data-testid": "chart-mobilisation", "data-chart": "mobilisation" });
          grid.appendChild(mc);
          profileChart(mc, r, group, "Mobilisation of the soil", "|p| / pu", [
            {
              type: "line", name: "|p| / pu", showSymbol: false, connectNulls: false,
              data: p.depth.map((d, n) => [p.mobilisation?.[n] ?? null, d]),
              markLine: { ...depthLines(r, group), data: [...(depthLines(r, group) as { data: object[] }).data, { xAxis: 1, name: "ultimate", lineStyle: { color: "#c0392b", type: "dotted" }, label: { formatter: "pu" } }] },
            },
          ]);
        }
      }
    }
  } else {
    const p = (pile as EnvelopePile).profile;
    if (!p || !p.depth?.length) {
      grid.appendChild(el("p", { class: "muted" }, "No profile envelope for this pile (the envelope was printed at the pile heads only)."));
    } else {
      csvCols.push(withUnit("depth", unitOf(r, "depth")));
      csvData.push(p.depth);
      for (const q of PROFILE_QUANTITIES) {
        const lo = p.min[q.key] as PlaneValues | undefined;
        const hi = p.max[q.key] as PlaneValues | undefined;
        if (!lo || !hi) continue;
        const series: object[] = [];
        planes.forEach((pl, k) => {
          const a = lo[pl];
          const b = hi[pl];
          if (!a || !b) return;
          const colour = PALETTE[k];
          csvCols.push(withUnit(`${q.key} ${pl} min`, unitOf(r, q.key)), withUnit(`${q.key} ${pl} max`, unitOf(r, q.key)));
          csvData.push(a, b);
          series.push(band(`plane ${pl}`, colour, a, b, p.depth));
          series.push({ type: "line", name: `plane ${pl}`, showSymbol: false, lineStyle: { width: 1, color: colour }, itemStyle: { color: colour }, data: p.depth.map((d, n) => [a[n], d]), ...(k === 0 ? { markLine: depthLines(r, group) } : {}) });
          series.push({ type: "line", name: `plane ${pl}`, showSymbol: false, lineStyle: { width: 1, color: colour }, itemStyle: { color: colour }, data: p.depth.map((d, n) => [b[n], d]) });
        });
        const c = el("div", { class: "chart", "data-testid": `chart-${q.key}`, "data-chart": q.key });
        grid.appendChild(c);
        profileChart(c, r, group, `${q.label} (min – max)`, withUnit(q.label.toLowerCase(), unitOf(r, q.key)), series);
      }
    }
  }
  if (csvCols.length) {
    const b = el("button", { type: "button", class: "small", id: "profile-csv" }, "Profile as CSV");
    b.addEventListener("click", () => {
      const n = csvData[0].length;
      saveText(`pile-${group}-${sel.kind === "a" ? "analysis" : "envelope"}-${sel.index + 1}-profile.csv`, toCsv(csvCols, Array.from({ length: n }, (_, k) => csvData.map((col) => col[k]))));
    });
    box.insertBefore(el("p", {}, b), grid);
  }

  // Curves: the printed p-y curves of the group, the load-settlement curve of
  // its property; drawn after the profiles are on screen.
  await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0)));
  if (ui.group !== group || ui.selection.kind !== sel.kind || ui.selection.index !== sel.index || !box.isConnected) return;
  const curves = el("div", { class: "charts", id: "pile-curves" });
  box.appendChild(curves);
  const py = (r.pyCurves ?? []).filter((c) => c.pileGroup === group);
  if (py.length) {
    const c = el("div", { class: "chart", "data-testid": "chart-py", "data-chart": "py" });
    curves.appendChild(c);
    chart(c, {
      title: { text: `p-y curves of pile group ${group}`, left: 8, top: 4, textStyle: { fontSize: 13 } },
      color: PALETTE,
      toolbox: toolbox(`pile-${group}-py-curves`),
      tooltip: { trigger: "item" },
      legend: { top: 26, left: 8, type: "scroll" },
      grid: { left: 62, right: 24, top: 58, bottom: 46 },
      xAxis: { type: "value", name: withUnit("y", unitOf(r, "y")), nameLocation: "middle", nameGap: 28 },
      yAxis: { type: "value", name: withUnit("p", unitOf(r, "p")), nameLocation: "middle", nameGap: 44 },
      dataZoom: [{ type: "inside", xAxisIndex: 0, filterMode: "none" }],
      series: py.map((cv) => ({
        type: "line",
        name: `depth ${fmt(cv.depth ?? null)} ${unitOf(r, "depth") ?? ""}${cv.soilTypeName ? ", " + cv.soilTypeName : ""}`,
        data: cv.y.map((y, k) => [y, cv.p[k]]),
        symbolSize: 4,
      })),
    });
  } else {
    curves.appendChild(el("p", { class: "muted" }, "No p-y curves were printed for this pile group."));
  }
  const prop = g?.pileProperty;
  const ls = (r.loadSettlementCurves ?? []).find((c) => c.pileProperty === prop);
  if (ls) {
    const c = el("div", { class: "chart", "data-testid": "chart-load-settlement", "data-chart": "load-settlement" });
    curves.appendChild(c);
    chart(c, {
      title: { text: `Load-settlement curve of pile property ${prop}`, left: 8, top: 4, textStyle: { fontSize: 13 } },
      color: PALETTE,
      toolbox: toolbox(`pile-property-${prop}-load-settlement`),
      tooltip: { trigger: "item" },
      grid: { left: 70, right: 24, top: 40, bottom: 46 },
      xAxis: { type: "value", name: withUnit("settlement", unitOf(r, "settlement")), nameLocation: "middle", nameGap: 28 },
      yAxis: { type: "value", name: withUnit("load", unitOf(r, "load")), nameLocation: "middle", nameGap: 52 },
      dataZoom: [{ type: "inside", xAxisIndex: 0, filterMode: "none" }],
      series: [{ type: "line", name: "load-settlement", data: ls.settlement.map((s, k) => [s, ls.load[k]]), symbolSize: 4 }],
    });
  }
  const tr = (r.torqueRotationCurves ?? []).find((c) => c.pileProperty === prop);
  if (tr && !twoD) {
    const c = el("div", { class: "chart", "data-testid": "chart-torque-rotation", "data-chart": "torque-rotation" });
    curves.appendChild(c);
    chart(c, {
      title: { text: `Torque-rotation curve of pile property ${prop}`, left: 8, top: 4, textStyle: { fontSize: 13 } },
      color: PALETTE.slice(2),
      toolbox: toolbox(`pile-property-${prop}-torque-rotation`),
      tooltip: { trigger: "item" },
      grid: { left: 70, right: 24, top: 40, bottom: 46 },
      xAxis: { type: "value", name: withUnit("rotation", unitOf(r, "rotation")), nameLocation: "middle", nameGap: 28 },
      yAxis: { type: "value", name: withUnit("torque", unitOf(r, "torque")), nameLocation: "middle", nameGap: 52 },
      dataZoom: [{ type: "inside", xAxisIndex: 0, filterMode: "none" }],
      series: [{ type: "line", name: "torque-rotation", data: tr.rotation.map((s, k) => [s, tr.torque[k]]), symbolSize: 4 }],
    });
  }
}

// ---------------------------------------------------------------- stiffness and load path

function matrixPanel(r: Results, m: Matrix, title: string, id: string): HTMLElement {
  const box = el("div", { class: "panel wide", id, "data-testid": id });
  const table = el("table", { class: "data matrix" });
  table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, "load \\ displacement"), ...m.columns.map((c) => el("th", { class: "num" }, withUnit(c, unitOf(r, c)))))));
  const tb = el("tbody");
  m.rows.forEach((row, i) =>
    tb.appendChild(el("tr", {}, el("th", {}, withUnit(row, unitOf(r, row))), ...m.columns.map((_c, j) => el("td", { class: "num", "data-value": String(m.matrix[i]?.[j]) }, fmt(m.matrix[i]?.[j] ?? null))))));
  table.appendChild(tb);
  const csv = el("button", { type: "button", class: "small" }, "CSV");
  csv.addEventListener("click", () => saveText(`${id}-${ui.selection.index + 1}.csv`, toCsv(["row", ...m.columns], m.rows.map((row, i) => [row, ...m.matrix[i]]))));
  box.append(el("h3", {}, title, " ", csv), el("p", { class: "muted" }, "Entry (row, column): the load on the cap that a unit of the column's displacement needs, the others held; units: the row's per the column's."), el("div", { class: "table-scroll" }, table));
  return box;
}

function loadPath(r: Results, a: Analysis, index: number): HTMLElement {
  const push = r.pushover && r.pushover.analysis === index ? r.pushover : null;
  const box = el("div", { class: "panel wide", id: push ? "pushover" : "load-path", "data-testid": push ? "pushover" : "load-path" });
  box.appendChild(el("h3", {}, push ? `Pushover of load case ${push.loadCase ?? ""}` : "Load path"));
  const steps = a.steps ?? [];
  const comps = Object.keys(steps[0]?.capDisplacement ?? {}).filter((k) => k.startsWith("u"));
  const main = comps.reduce((best, k) => (Math.abs(steps[steps.length - 1]?.capDisplacement[k] ?? 0) > Math.abs(steps[steps.length - 1]?.capDisplacement[best] ?? 0) ? k : best), comps[0] ?? "ux");
  if (push) {
    box.appendChild(el("p", { class: "facts" },
      el("span", { "data-testid": "capacity-factor" }, `capacity: load factor ${fmt(push.capacityFactor ?? null)}`),
      el("span", {}, `largest factor tried ${fmt(push.maximumFactor ?? null)}`),
      el("span", {}, `stopped: ${push.stopped ?? ""}`)));
  }
  const series: object[] = comps.map((k) => ({
    type: "line",
    name: k,
    symbolSize: 4,
    data: [[0, 0], ...steps.map((s) => [s.capDisplacement[k], s.loadFactor])],
  }));
  if (push) {
    series.push({
      type: "scatter",
      name: "events",
      symbol: "diamond",
      symbolSize: 11,
      itemStyle: { color: "#c0392b" },
      label: { show: true, position: "right", formatter: (p: { data: [number, number, string] }) => p.data[2], fontSize: 10 },
      data: (push.events ?? []).map((ev) => [steps[ev.step]?.capDisplacement[main] ?? null, ev.loadFactor, `${ev.kind}${ev.pileGroup ? ` (group ${ev.pileGroup})` : ""}`]),
      markLine: push.capacityFactor != null ? { silent: true, symbol: "none", data: [{ yAxis: push.capacityFactor, name: "capacity", label: { formatter: "capacity" }, lineStyle: { color: "#c0392b" } }] } : undefined,
    });
  }
  const c = el("div", { class: "chart", "data-chart": "load-path" });
  box.appendChild(c);
  chart(c, {
    title: { text: push ? `Load factor and cap displacement (events on ${main})` : "Load factor and cap displacement", left: 8, top: 4, textStyle: { fontSize: 13 } },
    color: PALETTE,
    toolbox: toolbox(push ? "pushover" : `load-path-${index + 1}`),
    tooltip: { trigger: "item" },
    legend: { top: 26, left: 8 },
    grid: { left: 62, right: 24, top: 58, bottom: 46 },
    xAxis: { type: "value", name: withUnit("cap displacement", unitOf(r, "ux")), nameLocation: "middle", nameGap: 28 },
    yAxis: { type: "value", name: "load factor", nameLocation: "middle", nameGap: 40 },
    dataZoom: [{ type: "inside", xAxisIndex: 0, filterMode: "none" }],
    series,
  });
  if (push && push.events?.length) {
    const t = el("table", { class: "data" });
    t.appendChild(el("thead", {}, el("tr", {}, el("th", {}, "event"), el("th", { class: "num" }, "load factor"), el("th", { class: "num" }, "step"), el("th", { class: "num" }, "pile group"), el("th", { class: "num" }, withUnit("depth", unitOf(r, "depth"))))));
    const tb = el("tbody");
    for (const ev of push.events) tb.appendChild(el("tr", {}, el("td", {}, ev.kind), el("td", { class: "num" }, fmt(ev.loadFactor)), el("td", { class: "num" }, String(ev.step)), el("td", { class: "num" }, ev.pileGroup != null ? String(ev.pileGroup) : "–"), el("td", { class: "num" }, fmt(ev.depth ?? null))));
    t.appendChild(tb);
    box.appendChild(t);
  }
  return box;
}

// ---------------------------------------------------------------- warnings, report, files

function warningsPanel(r: Results): HTMLElement {
  const box = el("div", { class: "panel wide" }, el("h3", {}, `Warnings (${(r.warnings ?? []).length})`));
  const list = el("ol", { class: "warnings", id: "warnings", "data-testid": "warnings" });
  for (const w of r.warnings ?? []) {
    const where = w.analysis ? `${w.analysis.series} ${w.analysis.number}` : "the run";
    list.appendChild(el("li", {}, el("span", { class: "muted" }, where), el("pre", {}, w.text)));
  }
  if (!(r.warnings ?? []).length) list.appendChild(el("li", { class: "muted" }, "None."));
  box.appendChild(list);
  return box;
}

function reportPanel(): HTMLElement {
  const box = el("div", { class: "panel wide", id: "report-panel" });
  const search = el("input", { type: "search", id: "report-search", "data-testid": "report-search", placeholder: "Search the report", "aria-label": "Search the report" });
  const prev = el("button", { type: "button", class: "small", id: "report-prev" }, "◀ previous");
  const next = el("button", { type: "button", class: "small", id: "report-next" }, "next ▶");
  const count = el("span", { id: "report-count", "data-testid": "report-count", class: "muted" });
  const pre = el("pre", { class: "report", id: "report", "data-testid": "report", tabindex: 0, "aria-label": "The report" }, "Loading the report…");
  box.append(el("h3", {}, "Report ", el("a", { href: withToken(`${base()}/files/out`), download: "model.out", class: "small" }, "download")), el("div", { class: "toolbar" }, search, " ", prev, " ", next, " ", count), pre);
  let marks: HTMLElement[] = [];
  let at = -1;
  const focusMark = (k: number) => {
    if (!marks.length) return;
    if (marks[at]) marks[at].classList.remove("current");
    at = (k + marks.length) % marks.length;
    marks[at].classList.add("current");
    marks[at].scrollIntoView({ block: "center" });
    count.textContent = `${at + 1} of ${marks.length}`;
  };
  const paint = () => {
    const text = ui.report ?? "";
    const term = search.value;
    clear(pre);
    marks = [];
    at = -1;
    if (!term) {
      pre.textContent = text;
      count.textContent = "";
      return;
    }
    const lower = text.toLowerCase();
    const t = term.toLowerCase();
    let from = 0;
    const frag = document.createDocumentFragment();
    for (let k = lower.indexOf(t); k >= 0 && marks.length < 5000; k = lower.indexOf(t, k + t.length)) {
      frag.appendChild(document.createTextNode(text.slice(from, k)));
      const m = el("mark", {}, text.slice(k, k + t.length));
      marks.push(m);
      frag.appendChild(m);
      from = k + t.length;
    }
    frag.appendChild(document.createTextNode(text.slice(from)));
    pre.appendChild(frag);
    count.textContent = marks.length ? `${marks.length} found` : "not found";
    if (marks.length) focusMark(0);
  };
  let timer = 0;
  search.addEventListener("input", () => {
    window.clearTimeout(timer);
    timer = window.setTimeout(paint, 250);
  });
  search.addEventListener("keydown", (e) => {
    if (e.key === "Enter") {
      e.preventDefault();
      focusMark(e.shiftKey ? at - 1 : at + 1);
    }
  });
  prev.addEventListener("click", () => focusMark(at - 1));
  next.addEventListener("click", () => focusMark(at + 1));
  const id = ui.runId;
  (ui.report !== null && ui.reportOf === id ? Promise.resolve(ui.report) : getText(`${base()}/files/out`))
    .then((t) => {
      ui.report = t;
      ui.reportOf = id;
      paint();
    })
    .catch((e) => {
      pre.textContent = `The report could not be loaded: ${(e as Error).message}`;
    });
  return box;
}

function downloads(): HTMLElement {
  const box = el("div", { class: "panel wide", id: "downloads", "data-testid": "downloads" }, el("h3", {}, "The run's files"));
  const list = el("ul", { class: "files" });
  for (const f of FILES) {
    const href = withToken(`${base()}/files/${f.suffix}`);
    const li = el("li", {}, el("a", { href, download: `model.${f.suffix}`, id: "download-" + f.suffix.replace(".", "-"), "data-testid": "download-" + f.suffix.replace(".", "-") }, f.label));
    list.appendChild(li);
    // A file the run did not write is left out of the list.
    void fetch(`${base()}/files/${f.suffix}`, { method: "HEAD", headers: { Authorization: "token " + token } })
      .then((response) => {
        if (response.status === 404) li.remove();
      })
      .catch(() => undefined);
  }
  box.appendChild(list);
  box.appendChild(el("p", { class: "muted" }, "Tables: each table's CSV button builds its file here in the browser."));
  return box;
}

