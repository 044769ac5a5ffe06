// SPDX-License-Identifier: Apache-2.0
// The Loads page: the load cases, each a table of its loads that takes rows
// pasted from a spreadsheet, its control and print options, its foundation
// stiffness and its distributed loads; and the distributed-load sets.

import { el, clear, svg } from "../../util";
import type { Doc } from "../../types";
import { editor } from "../../editor/session";
import type { Json, Operation } from "../../editor/document";
import { LOAD_COLUMNS, LOAD_KEYS_2D, LOAD_TYPES, type Column } from "../../editor/fields";
import { parsePaste } from "../../editor/paste";
import { CONTROL_OPTIONS, deleteCaseOps, deleteSetOps, levelsOf, pastePoints, renameCaseOps } from "../../editor/cases";
import { bind, doc, flagInput, head, listOf, numberInput, rerender, selectInput, show, twoD, units, type Page } from "./common";
import "./loads.css";

let loadCase = 0;
let loadSet = 0;
const pickedLoads = new Set<number>();
const pickedDistributed = new Set<number>();
const pickedPoints = new Set<number>();
/** "more options" left open, by the kind of entry (case, combination). */
const moreOpen: Record<string, boolean> = {};
const RARE = new Set(CONTROL_OPTIONS.filter((o) => o.rare).map((o) => o.path.split("/")[0]));

function render(box: HTMLElement): void {
  const cases = (Array.isArray(doc().loadCases) ? doc().loadCases : []) as Doc[];
  if (loadCase >= cases.length) loadCase = Math.max(0, cases.length - 1);
  const picker = el("div", { class: "case-picker", role: "tablist", "aria-label": "Load cases" });
  cases.forEach((c, i) => {
    const b = el("button", { type: "button", class: "subtab" + (i === loadCase ? " active" : ""), "data-case": i, id: `case-${i}` }, `${i + 1}. ${c.name || "(no name)"}`);
    b.addEventListener("click", () => {
      loadCase = i;
      pickedLoads.clear();
      pickedDistributed.clear();
      rerender();
    });
    picker.appendChild(b);
  });
  const add = el("button", { type: "button", id: "case-add" }, "+ Load case");
  add.addEventListener("click", () => {
    loadCase = cases.length;
    pickedLoads.clear();
    pickedDistributed.clear();
    const ops: Operation[] = Array.isArray(doc().loadCases) ? [] : [{ op: "set", path: "/loadCases", value: [] }];
    ops.push({ op: "insert", path: `/loadCases/${cases.length}`, value: { name: `Load case ${cases.length + 1}`, loads: [] } });
    editor.batch("add a load case", ops);
  });
  picker.appendChild(add);
  box.appendChild(picker);
  if (!cases.length) {
    box.appendChild(el("p", { class: "muted" }, "No load cases."));
    box.appendChild(setsSection());
    return;
  }
  const base = `/loadCases/${loadCase}`;
  const del = el("button", { type: "button", id: "case-delete" }, "Delete this load case");
  const refused = el("span", { class: "error", id: "case-delete-refused", role: "alert" });
  del.addEventListener("click", () => {
    const r = deleteCaseOps(doc(), loadCase);
    refused.textContent = r.usedBy.length ? `Load case ${loadCase + 1} is combined in ${r.usedBy.join(", ")}: take it out of ${r.usedBy.length > 1 ? "them" : "it"} first.` : "";
    if (!r.usedBy.length) editor.batch(`delete load case ${loadCase + 1}`, r.ops);
  });
  box.appendChild(el("div", { class: "row-fields" },
    el("label", {}, "Name ", nameInput(loadCase)),
    el("label", {}, "Type ", selectInput(`${base}/type`, "load case type", LOAD_TYPES, "dead")),
    el("label", {}, "Scale factor ", numberInput(`${base}/scaleFactor`, "scale factor", "1")),
    del, refused));

  const columns = twoD() ? LOAD_COLUMNS.filter((c) => LOAD_KEYS_2D.includes(c.key)) : LOAD_COLUMNS;
  const rows = (Array.isArray(cases[loadCase].loads) ? cases[loadCase].loads : []) as Doc[];
  const table = el("table", { class: "data edit", id: "edit-loads", "data-testid": "edit-loads" });
  table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, ""), el("th", {}, "#"), ...columns.map((c) => el("th", { class: "num", "data-key": c.key }, head(c))))));
  const body = el("tbody");
  rows.forEach((_, i) => {
    const pick = el("input", { type: "checkbox", class: "pick", "aria-label": `select load ${i + 1}`, checked: pickedLoads.has(i) });
    pick.addEventListener("change", () => (pick.checked ? pickedLoads.add(i) : pickedLoads.delete(i)));
    const tr = el("tr", { "data-row": i }, el("td", {}, pick), el("td", {}, String(i + 1)));
    columns.forEach((c, j) => {
      const input = numberInput(`${base}/loads/${i}/${c.path}`, `${c.label} of load ${i + 1}`, "0");
      input.addEventListener("paste", (e) => pasteAt(e, base, columns, i, j));
      tr.appendChild(el("td", {}, input));
    });
    body.appendChild(tr);
  });
  table.appendChild(body);
  box.appendChild(table);
  const addLoad = el("button", { type: "button", id: "load-add" }, "+ Load");
  addLoad.addEventListener("click", () => editor.insert(`${base}/loads/${rows.length}`, {}, "add a load"));
  const delLoads = el("button", { type: "button", id: "load-delete" }, "Delete selected loads");
  delLoads.addEventListener("click", () => {
    const ops: Operation[] = [...pickedLoads].sort((a, b) => b - a).map((i) => ({ op: "remove", path: `${base}/loads/${i}` }));
    pickedLoads.clear();
    editor.batch("delete loads", ops);
  });
  box.appendChild(el("p", {}, addLoad, " ", delLoads));

  // Rows pasted from a spreadsheet.
  const area = el("textarea", { id: "loads-paste", rows: 4, spellcheck: "false", placeholder: `Rows copied from a spreadsheet: ${columns.map((c) => c.key).join(", ")} separated by tabs, a header row naming the columns if they are in another order.` });
  const replace = el("input", { type: "checkbox", id: "loads-paste-replace" });
  const apply = el("button", { type: "button", id: "loads-paste-apply" }, "Add the rows");
  const errors = el("ul", { class: "paste-errors", id: "paste-errors", role: "alert" });
  apply.addEventListener("click", () => {
    clear(errors);
    const r = parsePaste(area.value, columns.map((c) => ({ key: c.key, names: c.names })));
    if (r.errors.length) {
      for (const e of r.errors) errors.appendChild(el("li", { "data-row": e.row, "data-column": e.column }, `row ${e.row}, column ${e.column}: ${e.message}`));
      return;
    }
    const values = r.rows.map((row) => loadOf(row.values, columns));
    const ops: Operation[] = replace.checked ? [{ op: "set", path: `${base}/loads`, value: values }] : values.map((v, k) => ({ op: "insert", path: `${base}/loads/${rows.length + k}`, value: v }));
    editor.batch(`paste ${values.length} loads`, ops);
  });
  box.appendChild(el("div", { class: "paste" }, el("h4", {}, "Paste rows"), area,
    el("p", {}, el("label", {}, replace, " replace the loads of this case"), " ", apply), errors));

  box.appendChild(el("div", { class: "loads-columns" },
    el("fieldset", { class: "field", id: "case-options" }, el("legend", {}, "Control and print"), controlOptions(base, "case")),
    stiffnessSection(base)));
  box.appendChild(distributedSection(base, cases[loadCase]));
  box.appendChild(setsSection());
}

/** The load case's name; the combinations that name it follow a rename. */
function nameInput(i: number): HTMLInputElement {
  const pointer = `/loadCases/${i}/name`;
  const input = el("input", { type: "text", "aria-label": "load case name", spellcheck: "false" });
  input.value = show(editor.get(pointer));
  bind(input, pointer);
  input.addEventListener("change", () => editor.batch(`rename load case ${i + 1}`, renameCaseOps(doc(), i, input.value === "" ? undefined : input.value)));
  return input;
}

/**
 * The control and print options of a load case or a combination at base,
 * the default of each as its placeholder; the rarely changed ones folded
 * away unless one of them is given.
 */
export function controlOptions(base: string, kind: "case" | "combination"): HTMLElement {
  const u = units();
  const box = el("div", { class: "control-options" });
  const more = el("details", { class: "more-options" }, el("summary", {}, "More options: iterations, tolerances, increments"));
  let given = false;
  for (const o of CONTROL_OPTIONS) {
    if (o.caseOnly && kind !== "case") continue;
    const pointer = `${base}/${o.path}`;
    const label = o.unit ? `${o.label} [${u[o.unit]}]` : o.label;
    const input = o.kind === "choice" ? selectInput(pointer, o.label.toLowerCase(), o.choices ?? [], o.fallback, o.names)
      : o.kind === "flag" ? flagInput(pointer, o.label.toLowerCase(), o.fallback === "true")
      : numberInput(pointer, o.label.toLowerCase(), o.fallback);
    input.id = `${kind}-${o.path.replace("/", "-")}`;
    const row = el("div", { class: "option" }, el("label", {}, el("span", { class: "option-label" }, label), input), el("span", { class: "note" }, o.note));
    if (o.rare) {
      more.appendChild(row);
      if (editor.get(pointer) !== undefined) given = true;
    } else box.appendChild(row);
  }
  more.open = given || !!moreOpen[kind];
  more.addEventListener("toggle", () => (moreOpen[kind] = more.open));
  box.appendChild(more);
  return box;
}

/** Opens "more options" when a diagnostic points into one of them. */
export function revealOption(kind: string, key: string | undefined): void {
  if (key !== undefined && RARE.has(key)) moreOpen[kind] = true;
}

function stiffnessSection(base: string): HTMLElement {
  const pointer = `${base}/foundationStiffness`;
  const on = editor.get(pointer) !== undefined;
  const box = el("fieldset", { class: "field", id: "stiffness" }, el("legend", {}, "Foundation stiffness"));
  const toggle = el("input", { type: "checkbox", id: "stiffness-on", checked: on });
  bind(toggle, pointer);
  toggle.addEventListener("change", () => editor.set(pointer, toggle.checked ? {} : undefined, toggle.checked ? "compute the foundation stiffness" : "no foundation stiffness"));
  box.appendChild(el("label", { class: "choice" }, toggle, " compute the foundation stiffness of this case"));
  if (!on) {
    box.appendChild(el("p", { class: "note" }, "Left off, the stiffness is not computed."));
    return box;
  }
  const flag = (key: string, text: string, fallback: boolean) => {
    const input = flagInput(`${pointer}/${key}`, text, fallback);
    input.id = `stiffness-${key}`;
    return el("label", { class: "choice" }, input, " " + text);
  };
  box.append(flag("compute", "compute the stiffness at the load levels", true), flag("invert", "invert and print the cap stiffness", false),
    flag("diagonalOnly", "diagonal terms only", false));
  const levelsPointer = `${pointer}/levels`;
  const levels = el("input", { type: "text", id: "stiffness-levels", class: "levels", "aria-label": "load levels", spellcheck: "false", placeholder: "0.1, 0.301, 0.477, … 1" });
  const held = editor.get(levelsPointer);
  levels.value = Array.isArray(held) ? held.map((v) => show(v)).join(", ") : show(held);
  bind(levels, levelsPointer);
  levels.addEventListener("change", () => editor.set(levelsPointer, levelsOf(levels.value), "load levels"));
  box.append(el("label", {}, "Load levels ", levels),
    el("p", { class: "note" }, "Fractions of the case's load, separated by commas (at most 100); left blank: ten levels, 0.1 and then log10 of 2 to 10."));
  return box;
}

/** A choice of a distributed-load set by its number; 0, none. A number that names no set is kept and marked. */
function setChooser(pointer: string, label: string, count: number): HTMLSelectElement {
  const held = editor.get(pointer);
  const current = held === undefined || held === null ? 0 : held;
  const options = [el("option", { value: "0", selected: current === 0 }, "none")];
  for (let k = 1; k <= count; k++) options.push(el("option", { value: String(k), selected: current === k }, `set ${k}`));
  const known = current === 0 || (typeof current === "number" && Number.isInteger(current) && current >= 1 && current <= count);
  if (!known) options.push(el("option", { value: show(current), selected: true }, `${show(current)}: no such set`));
  const select = el("select", { "aria-label": label, class: known ? "" : "dangling", title: known ? "" : `Set ${show(current)} does not exist: choose a set.` }, ...options);
  bind(select, pointer);
  select.addEventListener("change", () => {
    const v = Number(select.value);
    editor.set(pointer, v === 0 ? undefined : v, label);
  });
  return select;
}

function distributedSection(base: string, lc: Doc): HTMLElement {
  const box = el("fieldset", { class: "field", id: "distributed" }, el("legend", {}, "Distributed loads along piles"));
  const rows = (Array.isArray(lc.distributedLoads) ? lc.distributedLoads : []) as Doc[];
  const sets = listOf("distributedLoadSets").length;
  const flat = twoD();
  box.appendChild(el("p", { class: "note" }, `Sets of load per unit length (below) applied to the pile groups first to last by step; last 0: the first alone, step 0: every one.${flat ? "" : " Z: three-dimensional analysis."}`));
  if (rows.length) {
    const table = el("table", { class: "data edit", id: "edit-distributed" });
    table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, ""), el("th", {}, "#"), el("th", {}, "axes"),
      el("th", { class: "num" }, "first"), el("th", { class: "num" }, "last"), el("th", { class: "num" }, "step"),
      el("th", {}, "Y set"), el("th", { class: "num" }, "Y factor"), ...(flat ? [] : [el("th", {}, "Z set"), el("th", { class: "num" }, "Z factor")]))));
    const body = el("tbody");
    rows.forEach((_, i) => {
      const p = `${base}/distributedLoads/${i}`;
      const pick = el("input", { type: "checkbox", class: "pick", "aria-label": `select distributed load ${i + 1}`, checked: pickedDistributed.has(i) });
      pick.addEventListener("change", () => (pick.checked ? pickedDistributed.add(i) : pickedDistributed.delete(i)));
      const n = `of distributed load ${i + 1}`;
      body.appendChild(el("tr", { "data-row": i }, el("td", {}, pick), el("td", {}, String(i + 1)),
        el("td", {}, selectInput(`${p}/axis`, `axes ${n}`, ["local", "global"], "local", { local: "pile axes", global: "cap axes" })),
        el("td", {}, numberInput(`${p}/piles/first`, `first pile group ${n}`, "")),
        el("td", {}, numberInput(`${p}/piles/last`, `last pile group ${n}`, "0")),
        el("td", {}, numberInput(`${p}/piles/step`, `step ${n}`, "0")),
        el("td", {}, setChooser(`${p}/y/set`, `Y set ${n}`, sets)),
        el("td", {}, numberInput(`${p}/y/factor`, `Y factor ${n}`, "1")),
        ...(flat ? [] : [el("td", {}, setChooser(`${p}/z/set`, `Z set ${n}`, sets)), el("td", {}, numberInput(`${p}/z/factor`, `Z factor ${n}`, "1"))])));
    });
    table.appendChild(body);
    box.appendChild(table);
  } else box.appendChild(el("p", { class: "muted" }, "No distributed loads in this case."));
  const add = el("button", { type: "button", id: "distributed-add" }, "+ Distributed load");
  add.addEventListener("click", () => {
    const value: { [k: string]: Json } = { piles: { first: 1 } };
    if (sets) value.y = { set: 1 };
    const ops: Operation[] = rows.length || Array.isArray(lc.distributedLoads) ? [] : [{ op: "set", path: `${base}/distributedLoads`, value: [] }];
    ops.push({ op: "insert", path: `${base}/distributedLoads/${rows.length}`, value });
    editor.batch("add a distributed load", ops);
  });
  const del = el("button", { type: "button", id: "distributed-delete" }, "Delete selected");
  del.addEventListener("click", () => {
    const ops: Operation[] = [...pickedDistributed].filter((i) => i < rows.length).sort((a, b) => b - a).map((i) => ({ op: "remove", path: `${base}/distributedLoads/${i}` }));
    pickedDistributed.clear();
    editor.batch("delete distributed loads", ops);
  });
  box.appendChild(el("p", {}, add, " ", del));
  return box;
}

function setsSection(): HTMLElement {
  const sets = listOf("distributedLoadSets");
  const u = units();
  if (loadSet >= sets.length) loadSet = Math.max(0, sets.length - 1);
  const box = el("section", { class: "field", id: "sets" }, el("h3", {}, `Distributed-load sets (${sets.length})`),
    el("p", { class: "note" }, `Load per unit length along a pile [${u.force}/${u.length}] against the depth from its head [${u.length}]; a distributed load names a set by its number.`));
  const picker = el("div", { class: "case-picker", role: "tablist", "aria-label": "Distributed-load sets" });
  sets.forEach((st, i) => {
    const n = Array.isArray(st.points) ? st.points.length : 0;
    const b = el("button", { type: "button", class: "subtab" + (i === loadSet ? " active" : ""), id: `set-${i}` }, `Set ${i + 1} (${n} point${n === 1 ? "" : "s"})`);
    b.addEventListener("click", () => {
      loadSet = i;
      pickedPoints.clear();
      rerender();
    });
    picker.appendChild(b);
  });
  const add = el("button", { type: "button", id: "set-add" }, "+ Set");
  add.addEventListener("click", () => {
    const ops: Operation[] = Array.isArray(doc().distributedLoadSets) ? [] : [{ op: "set", path: "/distributedLoadSets", value: [] }];
    ops.push({ op: "insert", path: `/distributedLoadSets/${sets.length}`, value: { points: [] } });
    loadSet = sets.length;
    pickedPoints.clear();
    editor.batch("add a distributed-load set", ops);
  });
  picker.appendChild(add);
  box.appendChild(picker);
  if (!sets.length) return box;

  const base = `/distributedLoadSets/${loadSet}`;
  const points = (Array.isArray(sets[loadSet].points) ? sets[loadSet].points : []) as Json[];
  const del = el("button", { type: "button", id: "set-delete" }, "Delete this set");
  const refused = el("span", { class: "error", id: "set-delete-refused", role: "alert" });
  del.addEventListener("click", () => {
    const r = deleteSetOps(doc(), loadSet);
    refused.textContent = r.usedBy.length ? `Set ${loadSet + 1} is used by ${r.usedBy.join("; ")}: choose another set there first.` : "";
    if (!r.usedBy.length) {
      pickedPoints.clear();
      editor.batch(`delete distributed-load set ${loadSet + 1}`, r.ops);
    }
  });
  box.appendChild(el("p", {}, del, " ", refused));

  const layout = el("div", { class: "set-layout" });
  const left = el("div");
  const table = el("table", { class: "data edit", id: "set-points" });
  table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, ""), el("th", {}, "#"), el("th", { class: "num" }, `depth [${u.length}]`), el("th", { class: "num" }, `load [${u.force}/${u.length}]`))));
  const body = el("tbody");
  points.forEach((_, k) => {
    const pick = el("input", { type: "checkbox", class: "pick", "aria-label": `select point ${k + 1}`, checked: pickedPoints.has(k) });
    pick.addEventListener("change", () => (pick.checked ? pickedPoints.add(k) : pickedPoints.delete(k)));
    body.appendChild(el("tr", { "data-row": k }, el("td", {}, pick), el("td", {}, String(k + 1)),
      el("td", {}, numberInput(`${base}/points/${k}/0`, `depth of point ${k + 1}`)),
      el("td", {}, numberInput(`${base}/points/${k}/1`, `load of point ${k + 1}`))));
  });
  table.appendChild(body);
  left.appendChild(points.length ? table : el("p", { class: "muted" }, "No points: add them or paste them below."));
  const addPoint = el("button", { type: "button", id: "point-add" }, "+ Point");
  addPoint.addEventListener("click", () => {
    const last = points[points.length - 1];
    const depth = Array.isArray(last) && typeof last[0] === "number" ? last[0] : 0;
    const ops: Operation[] = Array.isArray(sets[loadSet].points) ? [] : [{ op: "set", path: `${base}/points`, value: [] }];
    ops.push({ op: "insert", path: `${base}/points/${points.length}`, value: [depth, 0] });
    editor.batch("add a point", ops);
  });
  const delPoints = el("button", { type: "button", id: "point-delete" }, "Delete selected points");
  delPoints.addEventListener("click", () => {
    const ops: Operation[] = [...pickedPoints].filter((k) => k < points.length).sort((a, b) => b - a).map((k) => ({ op: "remove", path: `${base}/points/${k}` }));
    pickedPoints.clear();
    editor.batch("delete points", ops);
  });
  left.appendChild(el("p", {}, addPoint, " ", delPoints));

  const area = el("textarea", { id: "set-paste", rows: 4, spellcheck: "false", placeholder: "Rows copied from a spreadsheet: depth and load separated by a tab, a header row allowed." });
  const replace = el("input", { type: "checkbox", id: "set-paste-replace", checked: true });
  const apply = el("button", { type: "button", id: "set-paste-apply" }, "Paste the points");
  const errors = el("ul", { class: "paste-errors", id: "set-paste-errors", role: "alert" });
  apply.addEventListener("click", () => {
    clear(errors);
    const r = pastePoints(area.value);
    for (const e of r.errors) errors.appendChild(el("li", {}, `row ${e.row}, column ${e.column}: ${e.message}`));
    if (!r.points.length && !r.errors.length) errors.appendChild(el("li", {}, "nothing to paste: no rows of depth and load"));
    if (r.errors.length || !r.points.length) return;
    const pasted = r.points as Json[];
    const value = replace.checked ? pasted : [...points, ...pasted];
    if (value.length > 101) {
      errors.appendChild(el("li", {}, `a set holds at most 101 points, not ${value.length}`));
      return;
    }
    editor.set(`${base}/points`, value, `paste ${pasted.length} points`);
  });
  left.appendChild(el("div", { class: "paste" }, area, el("p", {}, el("label", {}, replace, " replace the points of this set"), " ", apply), errors));
  layout.append(left, profile(points, u));
  box.appendChild(layout);
  return box;
}

/** The set drawn: load across, depth down from the pile head. */
function profile(points: Json[], u: Record<string, string>): Element {
  const pts = points.filter((p): p is [number, number] => Array.isArray(p) && typeof p[0] === "number" && typeof p[1] === "number");
  const W = 220, H = 260, m = 30;
  const box = svg("svg", { class: "set-profile", id: "set-profile", viewBox: `0 0 ${W} ${H}`, width: W, height: H, role: "img", "aria-label": "the set drawn against depth" });
  if (pts.length < 1) return box;
  const dMin = Math.min(0, ...pts.map((p) => p[0])), dMax = Math.max(...pts.map((p) => p[0]), dMin + 1e-9);
  const qAbs = Math.max(...pts.map((p) => Math.abs(p[1])), 1e-9);
  const x = (q: number) => W / 2 + (q / qAbs) * (W / 2 - m);
  const y = (d: number) => m / 2 + ((d - dMin) / (dMax - dMin || 1)) * (H - m);
  const axis = `M${W / 2},${y(dMin)}V${y(dMax)}`;
  const shape = `M${x(0)},${y(pts[0][0])}` + pts.map((p) => `L${x(p[1])},${y(p[0])}`).join("") + `L${x(0)},${y(pts[pts.length - 1][0])}Z`;
  box.append(svg("path", { d: shape, class: "load" }), svg("path", { d: axis, class: "axis" }),
    svg("text", { x: W / 2 + 4, y: y(dMin) + 10, text: `${dMin} ${u.length}` }), svg("text", { x: W / 2 + 4, y: y(dMax) - 2, text: `${dMax} ${u.length}` }),
    svg("text", { x: 4, y: H - 2, text: `max |q| ${qAbs} ${u.force}/${u.length}` }));
  return box;
}

/** A load of the document from pasted values: blank cells left out, "at" gathered. */
function loadOf(values: Record<string, number | null>, columns: Column[]): Json {
  const load: { [k: string]: Json } = {};
  for (const c of columns) {
    const v = values[c.key];
    if (v === null || v === undefined) continue;
    const [a, b] = c.path.split("/");
    if (b) load[a] = { ...((load[a] as { [k: string]: Json }) ?? {}), [b]: v };
    else load[a] = v;
  }
  return load;
}

/** Tab-separated text pasted into a cell fills the table from that cell on. */
function pasteAt(e: ClipboardEvent, base: string, columns: Column[], row: number, column: number): void {
  const text = e.clipboardData?.getData("text/plain") ?? "";
  if (!/[\t\n]/.test(text.trim())) return;
  e.preventDefault();
  const cols = columns.slice(column);
  const r = parsePaste(text, cols.map((c) => ({ key: c.key, names: c.names })));
  const errors = document.getElementById("paste-errors");
  if (errors) clear(errors);
  if (r.errors.length) {
    for (const x of r.errors) errors?.appendChild(el("li", {}, `row ${x.row}, column ${x.column + column}: ${x.message}`));
    return;
  }
  const ops: Operation[] = [];
  const count = ((editor.get(`${base}/loads`) as Json[] | undefined) ?? []).length;
  r.rows.forEach((p, k) => {
    const i = row + k;
    if (i >= count + ops.filter((o) => o.op === "insert").length) ops.push({ op: "insert", path: `${base}/loads/${i}`, value: {} });
    for (const c of cols) {
      const v = p.values[c.key];
      if (v !== null && v !== undefined) ops.push({ op: "set", path: `${base}/loads/${i}/${c.path}`, value: v });
    }
  });
  editor.batch(`paste ${r.rows.length} rows`, ops);
}


export const loadsPage: Page = {
  key: "loads",
  label: "Loads",
  keys: ["loadCases", "distributedLoadSets"],
  render,
  reveal: (tokens) => {
    if (tokens[0] === "loadCases" && tokens[1] !== undefined) {
      loadCase = Number(tokens[1]) || 0;
      revealOption("case", tokens[2]);
    }
    if (tokens[0] === "distributedLoadSets" && tokens[1] !== undefined) loadSet = Number(tokens[1]) || 0;
  },
  reset: () => {
    loadCase = 0;
    loadSet = 0;
    pickedLoads.clear();
    pickedDistributed.clear();
    pickedPoints.clear();
  },
};
