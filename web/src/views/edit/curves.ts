// SPDX-License-Identifier: Apache-2.0
// The Curves page: the user's curves as point tables, each with its plot, and the p-y curves to print.
// One kind at a time; of a kind one curve (or set) at a time. The plot and
// the points out of order follow the typing without redrawing the inputs.

import "./curves.css";
import * as echarts from "echarts/core";
import { el, clear, fmt } from "../../util";
import { editor } from "../../editor/session";
import type { Json } from "../../editor/document";
import { chart, disposeWithin, toolbox, PALETTE } from "../../charts";
import {
  KINDS, MAX_CURVES, MAX_ITEMS, MAX_POINTS, arr, curveProblems, deflectionProblems, deflectionsText, deleteOps, mergePoints,
  parseDeflections, pastePoints, plotPoints, pointProblems, unitText, usersOf, userCurveLayers, type CurveKind, type KindInfo, type Problem,
} from "../../editor/curves";
import { bind, doc, numberInput, numberOrText, rerender, show, twoD, typing, units, type Page } from "./common";

type Tab = CurveKind | "print";
const TABS: Tab[] = ["py", "ls", "tr", "mc", "print"];
const TAB_LABELS: Record<Tab, string> = { py: "p-y sets", ls: "Load-settlement", tr: "Torque-rotation", mc: "Moment-curvature sets", print: "p-y curves to print" };

/** The kind shown; null: the first the document lists, when the page is next drawn. */
let tab: Tab | null = null;
const pick: Record<CurveKind, number> = { py: 0, ls: 0, tr: 0, mc: 0 };
const pickCurve: Record<CurveKind, number> = { py: 0, ls: 0, tr: 0, mc: 0 };

/** The page shown, and what follows the typing on it. */
let shown: HTMLElement | null = null;
let live: (() => void) | null = null;

editor.onChange((kind) => {
  if (kind === "edit" && typing.now && shown?.isConnected) live?.();
});

const USE: Record<CurveKind, { label: string; note: string; off: string }> = {
  py: {
    label: "Use user p-y sets",
    note: "Listed, even with no set, they are used. A pile group names its set by userPySet: a positive n gives the whole pile set n; otherwise a soil layer of type user curves takes set |n| of each pile group.",
    off: "No user p-y sets: the p-y curves come from the soil layers.",
  },
  ls: {
    label: "Use user load-settlement curves",
    note: "A pile group takes user curve n by {userCurve: n} in its loadSettlementCurve; the points are [axial load, settlement].",
    off: "No user load-settlement curves: they are generated from the pile properties.",
  },
  tr: {
    label: "Use user torque-rotation curves",
    note: "A pile group takes user curve n by {userCurve: n} in its torqueRotationCurve (three-dimensional analysis); the points are [torsional moment, rotation].",
    off: "No user torque-rotation curves: they are generated from the pile properties.",
  },
  mc: {
    label: "Use moment-curvature sets",
    note: "Listed, even with no set, they are used. A pile section names its sets about Y and Z; each curve of a set is taken at its axial load.",
    off: "No moment-curvature sets: the pile sections keep their flexural rigidity.",
  },
};

function render(box: HTMLElement): void {
  if (shown) disposeWithin(shown);
  shown = box;
  live = null;
  if (tab === null) tab = TABS.find((t) => Array.isArray(doc()[t === "print" ? "printPyCurves" : KINDS[t].key])) ?? "py";
  const picker = el("div", { class: "case-picker curves-kinds", role: "tablist", "aria-label": "Kinds of curves" });
  for (const t of TABS) {
    const key = t === "print" ? "printPyCurves" : KINDS[t].key;
    const list = doc()[key];
    const b = el("button", { type: "button", role: "tab", class: "subtab" + (t === tab ? " active" : ""), id: `curves-kind-${t}`, "aria-selected": String(t === tab) },
      TAB_LABELS[t], Array.isArray(list) ? el("span", { class: "count" }, ` (${list.length})`) : el("span", { class: "count muted" }, " (not used)"));
    b.addEventListener("click", () => {
      tab = t;
      rerender();
    });
    picker.appendChild(b);
  }
  box.appendChild(picker);
  if (tab === "print") printSection(box);
  else kindSection(box, KINDS[tab]);
}

// ---------------------------------------------------------------- a kind of curves

function useSwitch(box: HTMLElement, info: KindInfo, present: boolean): void {
  const path = `/${info.key}`;
  const use = el("input", { type: "checkbox", id: "curves-use", checked: present });
  const refused = el("span", { class: "error", id: "curves-use-refused", role: "alert" });
  use.addEventListener("change", () => {
    if (use.checked) {
      editor.set(path, [], `use ${info.title.toLowerCase()}`);
      return;
    }
    const users = usersOf(doc(), info.kind, null);
    if (users.length) {
      use.checked = true;
      refused.textContent = `Still used by ${users.join("; ")}: take the references out first.`;
      return;
    }
    const n = arr(editor.get(path)).length;
    if (n && !window.confirm(`Stop using the ${info.title.toLowerCase()} and delete the ${n} listed? Undo brings them back.`)) {
      use.checked = true;
      return;
    }
    editor.set(path, undefined, `stop using ${info.title.toLowerCase()}`);
  });
  box.appendChild(el("div", { class: "row-fields" }, el("label", {}, use, " ", USE[info.kind].label), refused));
  box.appendChild(el("p", { class: "note" }, present ? USE[info.kind].note : USE[info.kind].off));
}

function itemPicker(box: HTMLElement, info: KindInfo, count: number, at: number): void {
  const word = info.sets ? "Set" : "Curve";
  const picker = el("div", { class: "case-picker", role: "tablist", "aria-label": info.title });
  for (let i = 0; i < count; i++) {
    const b = el("button", { type: "button", class: "subtab" + (i === at ? " active" : ""), id: `curve-item-${i}` }, `${word} ${i + 1}`);
    b.addEventListener("click", () => {
      pick[info.kind] = i;
      pickCurve[info.kind] = 0;
      rerender();
    });
    picker.appendChild(b);
  }
  const add = el("button", { type: "button", id: "curve-item-add", disabled: count >= MAX_ITEMS, title: count >= MAX_ITEMS ? `at most ${MAX_ITEMS}` : "" }, `+ ${word}`);
  add.addEventListener("click", () => {
    pick[info.kind] = count;
    pickCurve[info.kind] = 0;
    editor.insert(`/${info.key}/${count}`, info.sets ? { curves: [] } : { points: [] }, `add a ${info.item}`);
  });
  picker.appendChild(add);
  box.appendChild(picker);
}

function kindSection(box: HTMLElement, info: KindInfo): void {
  const u = units();
  const list = editor.get(`/${info.key}`);
  const present = list !== undefined;
  useSwitch(box, info, present);
  if (info.kind === "tr" && twoD()) box.appendChild(el("p", { class: "note" }, "A two-dimensional analysis does not use torque-rotation curves."));
  if (!present) return;
  if (!Array.isArray(list)) {
    box.appendChild(el("p", { class: "error" }, `${info.key} must be a list; the document holds ${JSON.stringify(list)}.`));
    return;
  }
  const count = list.length;
  const i = Math.min(pick[info.kind], Math.max(0, count - 1));
  pick[info.kind] = i;
  itemPicker(box, info, count, i);
  if (!count) {
    box.appendChild(el("p", { class: "muted" }, `No ${info.item}s yet.`));
    return;
  }
  const base = `/${info.key}/${i}`;
  const word = info.sets ? "set" : "curve";
  const del = el("button", { type: "button", id: "curve-item-delete" }, `Delete ${word} ${i + 1}`);
  const refused = el("span", { class: "error", id: "curve-item-refused", role: "alert" });
  del.addEventListener("click", () => {
    const r = deleteOps(doc(), info.kind, i);
    refused.textContent = r.usedBy.length ? `The ${info.item} ${i + 1} is used by ${r.usedBy.join("; ")}: name another there first.` : "";
    if (!r.usedBy.length) editor.batch(`delete ${info.item} ${i + 1}`, r.ops);
  });
  const fields = el("div", { class: "row-fields" });
  if (!info.sets) fields.appendChild(el("label", { class: "curve-number" }, "Number as printed ", numberInput(`${base}/number`, `number of ${info.item} ${i + 1}`, String(i + 1))));
  fields.append(del, refused);
  box.appendChild(fields);
  const users = usersOf(doc(), info.kind, i + 1);
  const layers = info.kind === "py" ? userCurveLayers(doc()) : [];
  box.appendChild(el("p", { class: "curve-users", id: "curve-users" },
    users.length ? `Used by ${users.join("; ")}.` : `Not used: no ${info.kind === "mc" ? "pile section" : "pile group"} names ${word} ${i + 1}.`,
    info.kind === "py" && !layers.length ? " No soil layer is of type user curves." : ""));

  let pointsBase = `${base}/points`;
  let curvesPath: string | null = null;
  let keyInput: HTMLInputElement | null = null;
  let keyText: (() => string) | null = null;
  if (info.sets && info.curveKey) {
    curvesPath = `${base}/curves`;
    const curves = arr(editor.get(curvesPath));
    const j = Math.min(pickCurve[info.kind], Math.max(0, curves.length - 1));
    pickCurve[info.kind] = j;
    const keyUnit = unitText(info.curveKeyUnit ?? "length", u);
    const label = (c: Json, k: number) => {
      const v = (c as { [k: string]: Json } | null)?.[info.curveKey as string];
      return v === undefined ? `curve ${k + 1} (no ${info.curveKeyLabel})` : `${info.curveKeyLabel} = ${show(v)} ${keyUnit}`;
    };
    const picker = el("div", { class: "case-picker curve-picker", role: "tablist", "aria-label": `curves of set ${i + 1}` },
      el("span", { class: "picker-label" }, `Curves of set ${i + 1}, by growing ${info.curveKeyLabel}:`));
    curves.forEach((c, k) => {
      const b = el("button", { type: "button", class: "subtab" + (k === j ? " active" : ""), id: `curve-curve-${k}` }, label(c, k));
      b.addEventListener("click", () => {
        pickCurve[info.kind] = k;
        rerender();
      });
      picker.appendChild(b);
    });
    const add = el("button", { type: "button", id: "curve-curve-add", disabled: curves.length >= MAX_CURVES, title: curves.length >= MAX_CURVES ? `at most ${MAX_CURVES} curves a set` : "" }, "+ Curve");
    add.addEventListener("click", () => {
      pickCurve[info.kind] = curves.length;
      editor.set(curvesPath as string, [...curves, { points: [] }], `add a curve to ${info.item} ${i + 1}`);
    });
    picker.appendChild(add);
    box.appendChild(picker);
    if (!curves.length) {
      box.appendChild(el("p", { class: "muted" }, `No curves in set ${i + 1} yet.`));
      return;
    }
    const cbase = `${curvesPath}/${j}`;
    pointsBase = `${cbase}/points`;
    keyInput = numberInput(`${cbase}/${info.curveKey}`, `${info.curveKeyLabel} of curve ${j + 1} of set ${i + 1}`);
    const input = keyInput;
    keyText = () => label(editor.get(cbase) ?? null, j);
    const delCurve = el("button", { type: "button", id: "curve-curve-delete" }, `Delete this curve`);
    delCurve.addEventListener("click", () => editor.remove(cbase, `delete curve ${j + 1} of ${info.item} ${i + 1}`));
    box.appendChild(el("div", { class: "row-fields" }, el("label", {}, `${info.curveKeyLabel === "X" ? "X" : "Axial load"} [${keyUnit}] `, input), delCurve));
  }

  const layout = el("div", { class: "curves-layout" });
  const left = el("div", { class: "panel" });
  const right = el("div", { class: "panel" });
  layout.append(left, right);
  box.appendChild(layout);
  const table = pointTable(left, info, pointsBase);
  const problems = el("ul", { class: "curve-problems", id: "curve-problems", role: "alert" });
  left.appendChild(problems);
  pasteBox(left, info, pointsBase);

  const holder = el("div", { class: "chart curve-chart", id: "curve-chart", "data-testid": "curve-chart" });
  right.appendChild(holder);
  const plot = curveChart(holder, info, curvesPath, pointsBase);

  live = () => {
    const pointIssues = pointProblems(editor.get(pointsBase), info);
    const curveIssues = curvesPath ? curveProblems(editor.get(curvesPath), info) : [];
    unflag(box);
    for (const p of pointIssues) {
      const cells = p.column === null ? [0, 1] : [p.column];
      for (const c of cells) flag(table.querySelector(`[data-pointer="${CSS.escape(`${pointsBase}/${p.index}/${c}`)}"]`), p.message);
    }
    const j = pickCurve[info.kind];
    for (const p of curveIssues) {
      flag(box.querySelector(`#curve-curve-${p.index}`), p.message);
      if (p.index === j) flag(keyInput, p.message);
    }
    const label = keyText?.();
    if (label) {
      const b = box.querySelector(`#curve-curve-${j}`);
      if (b) b.textContent = label;
    }
    clear(problems);
    for (const p of [...curveIssues.map((x) => ({ ...x, message: `set ${pick[info.kind] + 1}: ${x.message}` })), ...pointIssues])
      problems.appendChild(el("li", {}, p.message));
    plot(pointIssues);
  };
  live();
  focusLater();
}

// ---------------------------------------------------------------- the points

function pointInput(pointer: string, label: string): HTMLInputElement {
  const input = el("input", { type: "text", inputmode: "decimal", class: "num", "aria-label": label, spellcheck: "false" });
  input.value = show(editor.get(pointer));
  bind(input, pointer);
  input.addEventListener("input", () => {
    typing.now = true;
    // A blank stays a blank value of the point: removing it would move the other value.
    const v = numberOrText(input.value);
    editor.set(pointer, v === undefined ? "" : v, label, pointer);
    typing.now = false;
  });
  return input;
}

let focusPointer: string | null = null;

function focusLater(): void {
  const p = focusPointer;
  focusPointer = null;
  if (p) requestAnimationFrame(() => shown?.querySelector<HTMLElement>(`[data-pointer="${CSS.escape(p)}"]`)?.focus());
}

function columnHead(info: KindInfo, c: 0 | 1): string {
  const col = info.columns[c];
  const name = col.label.charAt(0).toUpperCase() + col.label.slice(1);
  return `${name} [${unitText(col.unit, units())}]`;
}

function pointTable(box: HTMLElement, info: KindInfo, pointsBase: string): HTMLTableElement {
  const points = arr(editor.get(pointsBase));
  const table = el("table", { class: "data edit curve-points", id: "curve-points", "data-testid": "curve-points" });
  table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, "#"), el("th", { class: "num" }, columnHead(info, 0)), el("th", { class: "num" }, columnHead(info, 1)), el("th", {}, ""))));
  const body = el("tbody");
  points.forEach((_, r) => {
    const tr = el("tr", { "data-row": r }, el("td", {}, String(r + 1)));
    for (const c of [0, 1] as const) {
      const input = pointInput(`${pointsBase}/${r}/${c}`, `${info.columns[c].label} of point ${r + 1}`);
      input.addEventListener("paste", (e) => pasteAt(e, info, pointsBase, r, c));
      tr.appendChild(el("td", {}, input));
    }
    const del = el("button", { type: "button", class: "point-delete", title: `delete point ${r + 1}`, "aria-label": `delete point ${r + 1}` }, "×");
    del.addEventListener("click", () => editor.remove(`${pointsBase}/${r}`, `delete point ${r + 1}`));
    tr.appendChild(el("td", {}, del));
    body.appendChild(tr);
  });
  table.appendChild(body);
  box.appendChild(table);
  if (!points.length) box.appendChild(el("p", { class: "muted" }, "No points yet: add them or paste them below."));
  const full = points.length >= MAX_POINTS;
  const add = el("button", { type: "button", id: "point-add", disabled: full, title: full ? `a curve holds at most ${MAX_POINTS} points` : "" }, "+ Point");
  add.addEventListener("click", () => {
    focusPointer = `${pointsBase}/${points.length}/0`;
    editor.set(pointsBase, [...points, ["", ""]], "add a point");
  });
  box.appendChild(el("p", {}, add, el("span", { class: "note" }, ` ${points.length} of at most ${MAX_POINTS} points; the ${info.columns[1].plural} grow from point to point.`)));
  return table;
}

function showPasteErrors(errors: string[]): void {
  const list = document.getElementById("curve-paste-errors");
  if (!list) return;
  clear(list);
  for (const e of errors) list.appendChild(el("li", {}, e));
}

function writePoints(pointsBase: string, points: Json[], label: string): boolean {
  if (points.length > MAX_POINTS) {
    showPasteErrors([`a curve holds at most ${MAX_POINTS} points: these rows would make ${points.length}`]);
    return false;
  }
  editor.set(pointsBase, points, label);
  return true;
}

/** Rows pasted into a cell fill the table from that cell on. */
function pasteAt(e: ClipboardEvent, info: KindInfo, pointsBase: string, row: number, column: 0 | 1): void {
  const text = e.clipboardData?.getData("text/plain") ?? "";
  if (!/[\t\n]/.test(text.trim())) return;
  e.preventDefault();
  const r = pastePoints(text, info.columns.slice(column), false);
  showPasteErrors(r.errors);
  if (r.errors.length) return;
  writePoints(pointsBase, mergePoints(arr(editor.get(pointsBase)), r.rows, row, column), `paste ${r.rows.length} points`);
}

function pasteBox(box: HTMLElement, info: KindInfo, pointsBase: string): void {
  const [a, b] = info.columns;
  const area = el("textarea", { id: "curve-paste", rows: 4, spellcheck: "false", placeholder: `Rows copied from a spreadsheet: ${a.label} and ${b.label} separated by a tab; a header row may name them.` });
  const replace = el("input", { type: "checkbox", id: "curve-paste-replace" });
  const apply = el("button", { type: "button", id: "curve-paste-apply" }, "Add the points");
  const errors = el("ul", { class: "paste-errors", id: "curve-paste-errors", role: "alert" });
  apply.addEventListener("click", () => {
    const r = pastePoints(area.value, info.columns, true);
    showPasteErrors(r.errors);
    if (r.errors.length) return;
    if (!r.rows.length) {
      showPasteErrors(["nothing to add: paste rows of two numbers"]);
      return;
    }
    const old = replace.checked ? [] : arr(editor.get(pointsBase));
    writePoints(pointsBase, mergePoints(old, r.rows, old.length, 0), `paste ${r.rows.length} points`);
  });
  box.appendChild(el("div", { class: "paste" }, el("h4", {}, "Paste points"), area,
    el("p", {}, el("label", {}, replace, " replace the points of this curve"), " ", apply), errors));
}

// ---------------------------------------------------------------- the plot

function curveChart(holder: HTMLElement, info: KindInfo, curvesPath: string | null, pointsBase: string): (issues: Problem[]) => void {
  const u = units();
  const keyUnit = unitText(info.curveKeyUnit ?? "length", u);
  // eslint-disable-next-line @typescript-eslint/no-explicit-any
  const option: any = {
    color: PALETTE,
    toolbox: toolbox(`${info.key}-curve`),
    tooltip: { trigger: "item", formatter: (p: { seriesName: string; value: [number, number] }) => `${p.seriesName}<br>${info.columns[1].label} ${fmt(p.value[0])}, ${info.columns[0].label} ${fmt(p.value[1])}` },
    grid: { left: 70, right: 24, top: curvesPath ? 58 : 36, bottom: 48 },
    xAxis: { type: "value", name: columnHead(info, 1), nameLocation: "middle", nameGap: 28, scale: false },
    yAxis: { type: "value", name: columnHead(info, 0), nameLocation: "middle", nameGap: 54 },
    dataZoom: [{ type: "inside", xAxisIndex: 0, filterMode: "none" }],
    series: [],
  };
  if (curvesPath) option.legend = { top: 26, left: 8, type: "scroll" };
  let drawn = false;
  return (issues) => {
    const bad = new Set(issues.filter((p) => p.column !== null).map((p) => p.index));
    const selected = plotPoints(editor.get(pointsBase));
    const line = (name: string, points: Json | undefined, main: boolean) => ({
      type: "line",
      name,
      symbolSize: main ? 7 : 4,
      lineStyle: { width: main ? 2.5 : 1.2, opacity: main ? 1 : 0.55 },
      z: main ? 3 : 2,
      data: plotPoints(points).map((p) => (main && bad.has(p.index) ? { value: p.at, symbolSize: 11, itemStyle: { color: "#c62828" } } : p.at)),
    });
    if (curvesPath) {
      const j = pickCurve[info.kind];
      option.series = arr(editor.get(curvesPath)).map((c, k) => {
        const v = (c as { [key: string]: Json } | null)?.[info.curveKey as string];
        return line(v === undefined ? `curve ${k + 1}` : `${info.curveKeyLabel} ${show(v)} ${keyUnit}`, (c as { points?: Json } | null)?.points, k === j);
      });
      option.title = { text: `Set ${pick[info.kind] + 1}`, left: 8, top: 4, textStyle: { fontSize: 13 } };
    } else {
      option.series = [line(`${info.item} ${pick[info.kind] + 1}`, editor.get(pointsBase), true)];
      option.title = { text: `${info.item.charAt(0).toUpperCase() + info.item.slice(1)} ${pick[info.kind] + 1}`, left: 8, top: 4, textStyle: { fontSize: 13 } };
    }
    holder.dataset.points = JSON.stringify(selected.map((p) => p.at));
    const instance = echarts.getInstanceByDom(holder);
    if (instance) instance.setOption({ animation: false, ...option }, true);
    else if (!drawn) chart(holder, option);
    drawn = true;
  };
}

// ---------------------------------------------------------------- p-y curves to print

function printSection(box: HTMLElement): void {
  const u = units();
  const list = editor.get("/printPyCurves");
  const present = list !== undefined;
  const use = el("input", { type: "checkbox", id: "print-use", checked: present });
  use.addEventListener("change", () => {
    const n = arr(editor.get("/printPyCurves")).length;
    if (!use.checked && n && !window.confirm(`Stop printing p-y curves and delete the ${n} requests? Undo brings them back.`)) {
      use.checked = true;
      return;
    }
    editor.set("/printPyCurves", use.checked ? [] : undefined, use.checked ? "print p-y curves" : "stop printing p-y curves");
  });
  box.appendChild(el("div", { class: "row-fields" }, el("label", {}, use, " Print generated p-y curves after the analysis")));
  box.appendChild(el("p", { class: "note" }, "Each request prints the p-y curve of a pile group at X, over the deflections given or, with none, the criterion's own 17. A request above the ground, below the tip, outside the soil profile or inside a layer of user p-y curves is reported and not printed."));
  if (present && doc().pyCurveOption !== undefined)
    box.appendChild(el("p", { class: "error", id: "print-option-clash" }, "The p-y curve switch (pyCurveOption, General page) is not given with curves to print: leave it out there."));
  if (!present) return;
  if (!Array.isArray(list)) {
    box.appendChild(el("p", { class: "error" }, `printPyCurves must be a list; the document holds ${JSON.stringify(list)}.`));
    return;
  }
  const groups = arr(doc().pileGroups).length;
  const table = el("table", { class: "data edit", id: "print-curves", "data-testid": "print-curves" });
  table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, "#"), el("th", { class: "num" }, "Pile group"), el("th", { class: "num" }, `X [${u.length}]`),
    el("th", {}, `Deflections [${u.length}]`), el("th", {}, ""))));
  const body = el("tbody");
  list.forEach((_, i) => {
    const path = `/printPyCurves/${i}/deflections`;
    const deflections = el("input", { type: "text", class: "deflections", "aria-label": `deflections of request ${i + 1}`, placeholder: "the criterion's own 17", spellcheck: "false" });
    deflections.value = deflectionsText(editor.get(path));
    bind(deflections, path);
    deflections.addEventListener("input", () => {
      typing.now = true;
      editor.set(path, parseDeflections(deflections.value), `deflections of request ${i + 1}`, path);
      typing.now = false;
    });
    const del = el("button", { type: "button", class: "point-delete", "aria-label": `delete request ${i + 1}`, title: `delete request ${i + 1}` }, "×");
    del.addEventListener("click", () => editor.remove(`/printPyCurves/${i}`, `delete p-y print request ${i + 1}`));
    body.appendChild(el("tr", { "data-row": i }, el("td", {}, String(i + 1)),
      el("td", {}, numberInput(`/printPyCurves/${i}/pileGroup`, `pile group of request ${i + 1}`)),
      el("td", {}, numberInput(`/printPyCurves/${i}/x`, `X of request ${i + 1}`)),
      el("td", {}, deflections), el("td", {}, del)));
  });
  table.appendChild(body);
  box.appendChild(table);
  if (!list.length) box.appendChild(el("p", { class: "muted" }, "No curves to print yet."));
  const full = list.length >= MAX_ITEMS;
  const add = el("button", { type: "button", id: "print-add", disabled: full, title: full ? `at most ${MAX_ITEMS}` : "" }, "+ Curve to print");
  add.addEventListener("click", () => {
    focusPointer = `/printPyCurves/${list.length}/pileGroup`;
    editor.insert(`/printPyCurves/${list.length}`, {}, "add a p-y curve to print");
  });
  box.appendChild(el("p", {}, add, el("span", { class: "note" }, " Deflections separated by blanks or commas and a blank.")));
  const problems = el("ul", { class: "curve-problems", id: "curve-problems", role: "alert" });
  box.appendChild(problems);
  live = () => {
    unflag(box);
    clear(problems);
    arr(editor.get("/printPyCurves")).forEach((r, i) => {
      const g = (r as { pileGroup?: Json } | null)?.pileGroup;
      if (typeof g === "number" && Number.isInteger(g) && (g < 1 || g > groups)) {
        const m = `request ${i + 1}: pile group ${g} does not exist (the model has ${groups})`;
        flag(table.querySelector(`[data-pointer="/printPyCurves/${i}/pileGroup"]`), m);
        problems.appendChild(el("li", {}, m));
      }
      for (const m of deflectionProblems((r as { deflections?: Json } | null)?.deflections)) {
        flag(table.querySelector(`[data-pointer="/printPyCurves/${i}/deflections"]`), m);
        problems.appendChild(el("li", {}, `request ${i + 1}: ${m}`));
      }
    });
  };
  live();
  focusLater();
}

// ---------------------------------------------------------------- flags of the page

/** Marks a field the page finds wrong at once (the server's check marks its own with "invalid"). */
function flag(node: Element | null, message: string): void {
  if (!(node instanceof HTMLElement)) return;
  node.classList.add("flagged");
  node.setAttribute("aria-invalid", "true");
  node.dataset.local = [node.dataset.local, message].filter(Boolean).join("; ");
  if (!node.classList.contains("invalid")) node.title = node.dataset.local;
}

function unflag(scope: HTMLElement): void {
  scope.querySelectorAll<HTMLElement>(".flagged").forEach((n) => {
    n.classList.remove("flagged");
    delete n.dataset.local;
    if (!n.classList.contains("invalid")) {
      n.title = "";
      n.removeAttribute("aria-invalid");
    }
  });
}

export const curvesPage: Page = {
  key: "curves",
  label: "Curves",
  keys: ["userPyCurves", "userLoadSettlementCurves", "userTorqueRotationCurves", "momentCurvatureSets", "printPyCurves"],
  render,
  reveal: (tokens) => {
    if (tokens[0] === "printPyCurves") {
      tab = "print";
      return;
    }
    const kind = (Object.keys(KINDS) as CurveKind[]).find((k) => KINDS[k].key === tokens[0]);
    if (!kind) return;
    tab = kind;
    if (tokens[1] !== undefined && /^\d+$/.test(tokens[1])) pick[kind] = Number(tokens[1]);
    pickCurve[kind] = tokens[2] === "curves" && tokens[3] !== undefined && /^\d+$/.test(tokens[3]) ? Number(tokens[3]) : 0;
  },
  reset: () => {
    tab = null;
    for (const k of Object.keys(pick) as CurveKind[]) pick[k] = pickCurve[k] = 0;
  },
};
