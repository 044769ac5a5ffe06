// SPDX-License-Identifier: Apache-2.0
// The model editor inside the Model view: an overview and the General,
// Loads, Piles and Soil pages. Every input is bound to the JSON Pointer of
// its value; a diagnostic of the server's check is shown at the input of
// its pointer and in a list that leads to it.

import { el, clear, documentUnits, SOIL_TYPES, saveText } from "../util";
import { state } from "../state";
import type { Diagnostic, Doc } from "../types";
import { editor, check, onCheck, scheduleCheck, errorsOf } from "../editor/session";
import { parsePointer, type Json, type Operation } from "../editor/document";
import { SWITCHES, switchValue, switchJson, LOAD_COLUMNS, LOAD_KEYS_2D, LOAD_TYPES, soilFieldsOf, placeDiagnostic, type Column } from "../editor/fields";
import { gridGroups, checkGrid, type GridOptions } from "../editor/grid";
import { parsePaste } from "../editor/paste";

type Tab = "overview" | "general" | "loads" | "piles" | "soil";
const TABS: { key: Tab; label: string }[] = [
  { key: "overview", label: "Overview" },
  { key: "general", label: "General" },
  { key: "loads", label: "Loads" },
  { key: "piles", label: "Piles" },
  { key: "soil", label: "Soil" },
];

export interface EditorHooks {
  /** The read-only overview of the document (plan, soil column, tables). */
  overview: (doc: Doc, into: HTMLElement) => void;
  plan: (doc: Doc) => Element;
  soil: (doc: Doc) => HTMLElement;
  run: (out: HTMLElement) => void;
}

let tab: Tab = "overview";
let loadCase = 0;
const pickedPiles = new Set<number>();
const pickedLoads = new Set<number>();

// Another model opened: its overview first, nothing selected.
editor.onChange((kind) => {
  if (kind !== "load") return;
  tab = "overview";
  loadCase = 0;
  pickedPiles.clear();
  pickedLoads.clear();
});

const doc = (): Doc => editor.doc as Doc;
const twoD = (): boolean => String(doc().analysis) === "twoDimensional" || String(doc().analysis) === "2";
const units = (): Record<string, string> => documentUnits(doc().units);

function unitOf(c: Column): string {
  const u = units();
  return c.unit === "none" ? "" : c.unit === "percent" ? "%" : c.unit === "angle" ? "°" : u[c.unit] ?? "";
}

function head(c: Column): string {
  const u = unitOf(c);
  return u ? `${c.label} [${u}]` : c.label;
}

/** Which page shows the value at pointer. */
function tabOf(pointer: string): Tab {
  const first = parsePointer(pointer)[0] ?? "";
  if (first === "loadCases") return "loads";
  if (first === "pileGroups") return "piles";
  if (first === "soilLayers") return "soil";
  if (["title", "units", "analysis", "embeddedCap", "groupFactors", "pyCurveOption", "cap", "pylora"].includes(first)) return "general";
  return "overview";
}

// ---------------------------------------------------------------- inputs

function numberOrText(text: string): Json | undefined {
  const t = text.trim().replace(/\u2212/g, "-");
  if (!t) return undefined;
  const v = Number(t);
  // Not a number: kept as written, so that the check says what is wrong there.
  return /^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(t) && Number.isFinite(v) ? v : text;
}

function show(v: Json | undefined): string {
  return v === undefined || v === null ? "" : typeof v === "object" ? JSON.stringify(v) : String(v);
}

function bind(input: HTMLInputElement | HTMLSelectElement, pointer: string): void {
  input.dataset.pointer = pointer;
  input.addEventListener("blur", () => editor.seal());
}

function numberInput(pointer: string, label: string, placeholder = ""): HTMLInputElement {
  const input = el("input", { type: "text", inputmode: "decimal", class: "num", "aria-label": label, placeholder, spellcheck: "false" });
  input.value = show(editor.get(pointer));
  bind(input, pointer);
  input.addEventListener("input", () => {
    typing = true;
    editor.set(pointer, numberOrText(input.value), `${label}`, pointer);
    typing = false;
  });
  return input;
}

function textInput(pointer: string, label: string): HTMLInputElement {
  const input = el("input", { type: "text", "aria-label": label, spellcheck: "false" });
  input.value = show(editor.get(pointer));
  bind(input, pointer);
  input.addEventListener("input", () => {
    typing = true;
    editor.set(pointer, input.value === "" ? undefined : input.value, label, pointer);
    typing = false;
  });
  return input;
}

function selectInput(pointer: string, label: string, choices: string[], fallback: string | null, names: Record<string, string> = {}): HTMLSelectElement {
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

// ---------------------------------------------------------------- the pages

function general(box: HTMLElement): void {
  box.appendChild(el("div", { class: "field" }, el("label", {}, "Title ", textInput("/title", "title")),
    el("p", { class: "note" }, "The title of the run, in the report and the runtime file (one line, at most 80 characters).")));
  for (const s of SWITCHES) {
    const current = switchValue(s, editor.get("/" + s.key));
    const group = el("fieldset", { class: "field switch", id: "switch-" + s.key }, el("legend", {}, s.label));
    group.appendChild(el("p", { class: "note" }, s.note));
    for (const c of s.choices) {
      const radio = el("input", { type: "radio", name: "switch-" + s.key, value: c.value, checked: c.value === current, id: `switch-${s.key}-${c.value}` });
      bind(radio, "/" + s.key);
      radio.addEventListener("change", () => {
        if (radio.checked) editor.set("/" + s.key, switchJson(s, c.value), `${s.label}: ${c.label}`);
      });
      group.appendChild(el("label", { class: "choice" }, radio, el("strong", {}, c.label), el("span", { class: "note" }, " — " + c.note)));
    }
    if (current && !s.choices.some((c) => c.value === current))
      group.appendChild(el("p", { class: "note" }, `The document holds "${current}", kept as written.`));
    box.appendChild(group);
  }
  const u = units();
  const cap = el("fieldset", { class: "field" }, el("legend", {}, "Pile cap"),
    el("p", { class: "note" }, "Length along Y, width along Z, thickness along X; left out, the cap has no size."));
  for (const [k, label] of [["length", "length"], ["width", "width"], ["thickness", "thickness"]])
    cap.appendChild(el("label", { class: "inline" }, `${label} [${u.length}] `, numberInput(`/cap/${k}`, `cap ${label}`, "0")));
  box.appendChild(cap);
}

function loads(box: HTMLElement): void {
  const cases = (Array.isArray(doc().loadCases) ? doc().loadCases : []) as Doc[];
  if (loadCase >= cases.length) loadCase = Math.max(0, cases.length - 1);
  const picker = el("div", { class: "case-picker", role: "tablist", "aria-label": "Load cases" });
  cases.forEach((c, i) => {
    const b = el("button", { type: "button", class: "subtab" + (i === loadCase ? " active" : ""), "data-case": i, id: `case-${i}` }, `${i + 1}. ${c.name || "(no name)"}`);
    b.addEventListener("click", () => {
      loadCase = i;
      pickedLoads.clear();
      renderTab();
    });
    picker.appendChild(b);
  });
  const add = el("button", { type: "button", id: "case-add" }, "+ Load case");
  add.addEventListener("click", () => {
    editor.insert(`/loadCases/${cases.length}`, { name: `Load case ${cases.length + 1}`, loads: [] }, "add a load case");
    loadCase = cases.length;
  });
  picker.appendChild(add);
  box.appendChild(picker);
  if (!cases.length) {
    box.appendChild(el("p", { class: "muted" }, "No load cases."));
    return;
  }
  const base = `/loadCases/${loadCase}`;
  const del = el("button", { type: "button", id: "case-delete" }, "Delete this load case");
  const refused = el("span", { class: "error", id: "case-delete-refused", role: "alert" });
  del.addEventListener("click", () => {
    const r = deleteCaseOps(loadCase);
    refused.textContent = r.usedBy.length ? `Load case ${loadCase + 1} is combined in ${r.usedBy.join(", ")}: take it out of ${r.usedBy.length > 1 ? "them" : "it"} first.` : "";
    if (!r.usedBy.length) editor.batch(`delete load case ${loadCase + 1}`, r.ops);
  });
  box.appendChild(el("div", { class: "row-fields" },
    el("label", {}, "Name ", textInput(`${base}/name`, "load case name")),
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
}

/**
 * Deleting load case i (from 0): refused while a combination names it; the
 * combinations that name later cases by number have them renumbered.
 */
function deleteCaseOps(i: number): { ops: Operation[]; usedBy: string[] } {
  const cases = (doc().loadCases ?? []) as Doc[];
  const name = cases[i]?.name;
  const unique = typeof name === "string" && name !== "" && cases.filter((c) => c.name === name).length === 1;
  const ops: Operation[] = [{ op: "remove", path: `/loadCases/${i}` }];
  const usedBy: string[] = [];
  ((Array.isArray(doc().combinations) ? doc().combinations : []) as Doc[]).forEach((c, k) => {
    ((Array.isArray(c.cases) ? c.cases : []) as Doc[]).forEach((x, j) => {
      if (x.case === i + 1 || (unique && x.case === name)) usedBy.push(c.name ? `"${c.name}"` : `combination ${k + 1}`);
      else if (typeof x.case === "number" && x.case > i + 1) ops.push({ op: "set", path: `/combinations/${k}/cases/${j}/case`, value: x.case - 1 });
    });
  });
  return { ops, usedBy: [...new Set(usedBy)] };
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

function piles(box: HTMLElement, hooks: EditorHooks): void {
  const groups = (Array.isArray(doc().pileGroups) ? doc().pileGroups : []) as Doc[];
  const u = units();
  const flat = twoD();
  const layout = el("div", { class: "model-grid" });
  const left = el("div", { class: "panel" });
  const right = el("div", { class: "panel", id: "edit-plan" }, el("h3", {}, "Plan"));
  right.appendChild(groups.length ? hooks.plan(doc()) : el("p", { class: "muted" }, "No pile groups."));
  layout.append(left, right);
  box.appendChild(layout);

  const table = el("table", { class: "data edit", id: "edit-piles", "data-testid": "edit-piles" });
  const all = el("input", { type: "checkbox", id: "piles-pick-all", "aria-label": "select every pile group" });
  all.addEventListener("change", () => {
    pickedPiles.clear();
    if (all.checked) groups.forEach((_, i) => pickedPiles.add(i));
    table.querySelectorAll<HTMLInputElement>("input.pick").forEach((p) => (p.checked = all.checked));
  });
  const cols: [string, string, string][] = flat
    ? [["head/x", "head x", u.length], ["head/y", "head y", u.length], ["batter", "batter", "°"], ["piles", "piles", ""], ["rowSpacing", "row spacing", u.length]]
    : [["head/x", "head x", u.length], ["head/y", "head y", u.length], ["head/z", "head z", u.length], ["batter/alpha", "α", "°"], ["batter/beta", "β", "°"]];
  table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, all), el("th", {}, "#"),
    ...cols.map(([, l, unit]) => el("th", { class: "num" }, unit ? `${l} [${unit}]` : l)), el("th", {}, "connection"), el("th", { class: "num" }, "pile property"))));
  const body = el("tbody");
  const limit = 500;
  groups.slice(0, limit).forEach((_, i) => {
    const pick = el("input", { type: "checkbox", class: "pick", "aria-label": `select pile group ${i + 1}`, checked: pickedPiles.has(i) });
    pick.addEventListener("change", () => (pick.checked ? pickedPiles.add(i) : pickedPiles.delete(i)));
    body.appendChild(el("tr", { "data-group": i + 1 }, el("td", {}, pick), el("td", {}, String(i + 1)),
      ...cols.map(([p, l]) => el("td", {}, numberInput(`/pileGroups/${i}/${p}`, `${l} of pile group ${i + 1}`, p === "batter/beta" ? "90" : "0"))),
      el("td", {}, selectInput(`/pileGroups/${i}/connection`, `connection of pile group ${i + 1}`, ["fixed", "pinned", "restrained"], null)),
      el("td", {}, numberInput(`/pileGroups/${i}/pileProperty`, `pile property of pile group ${i + 1}`, "1"))));
  });
  table.appendChild(body);
  left.appendChild(el("h3", {}, `Pile groups (${groups.length})`));
  left.appendChild(table);
  if (groups.length > limit) left.appendChild(el("p", { class: "muted" }, `The first ${limit} of ${groups.length} are listed.`));
  const add = el("button", { type: "button", id: "pile-add" }, "+ Pile");
  add.addEventListener("click", () => {
    const last = groups[groups.length - 1];
    editor.insert(`/pileGroups/${groups.length}`, { connection: (last?.connection as Json) ?? "fixed", head: {} }, "add a pile group");
  });
  const del = el("button", { type: "button", id: "pile-delete" }, "Delete selected");
  del.addEventListener("click", () => {
    const ops: Operation[] = [...pickedPiles].sort((a, b) => b - a).map((i) => ({ op: "remove", path: `/pileGroups/${i}` }));
    pickedPiles.clear();
    editor.batch(`delete ${ops.length} pile groups`, ops);
  });
  left.appendChild(el("p", {}, add, " ", del));
  left.appendChild(gridForm(groups.length, flat, u.length));
}

function gridForm(count: number, flat: boolean, length: string): HTMLElement {
  const f = el("fieldset", { class: "field grid-form", id: "grid-form" }, el("legend", {}, "Add a grid of piles"));
  const num = (id: string, label: string, value: string) => {
    const input = el("input", { type: "text", inputmode: "decimal", class: "num", id, value });
    f.appendChild(el("label", { class: "inline" }, label + " ", input));
    return input;
  };
  const rows = num("grid-rows", flat ? "piles in a row (out of the plane)" : "rows (along Z)", "2");
  const columns = num("grid-columns", flat ? "rows of piles (along Y)" : "piles in a row (along Y)", "3");
  const sy = num("grid-sy", `spacing along Y [${length}]`, "1.8");
  const sz = num("grid-sz", `spacing along Z [${length}]`, "1.8");
  const origin = el("select", { id: "grid-origin" }, el("option", { value: "centre" }, "centred on"), el("option", { value: "first" }, "first pile at"));
  f.appendChild(el("label", { class: "inline" }, origin));
  const y = num("grid-y", `Y [${length}]`, "0");
  const z = num("grid-z", `Z [${length}]`, "0");
  const batter = num("grid-batter", "batter 1:", "0");
  const outerRows = el("input", { type: "checkbox", id: "grid-outer-rows", checked: !flat });
  const outerColumns = el("input", { type: "checkbox", id: "grid-outer-columns" });
  f.appendChild(el("label", { class: "inline" }, outerRows, " outer rows battered outward (along Z)"));
  f.appendChild(el("label", { class: "inline" }, outerColumns, " outer piles of each row battered outward (along Y)"));
  const connection = el("select", { id: "grid-connection" }, ...["fixed", "pinned", "restrained"].map((c) => el("option", { value: c }, c)));
  f.appendChild(el("label", { class: "inline" }, "connection ", connection));
  f.appendChild(el("p", { class: "note" }, "Batter 1:n is one horizontal to n vertical; 0 leaves every pile vertical."));
  const out = el("p", { class: "error", id: "grid-error", role: "alert" });
  const go = el("button", { type: "button", id: "grid-add", class: "primary" }, "Add the grid");
  go.addEventListener("click", () => {
    const o: GridOptions = {
      rows: Number(rows.value), columns: Number(columns.value), spacingY: Number(sy.value), spacingZ: Number(sz.value),
      origin: origin.value as GridOptions["origin"], y: Number(y.value), z: Number(z.value), batter: Number(batter.value || 0),
      outerRows: outerRows.checked, outerColumns: outerColumns.checked,
    };
    const problem = checkGrid(o);
    out.textContent = problem ? `The grid is not added: ${problem}.` : "";
    if (problem) return;
    const groups = gridGroups(o, flat, { connection: connection.value });
    const ops: Operation[] = groups.map((g, k) => ({ op: "insert", path: `/pileGroups/${count + k}`, value: g as Json }));
    if (editor.get("/pileGroups") === undefined) ops.unshift({ op: "set", path: "/pileGroups", value: [] });
    editor.batch(`add a ${o.rows} × ${o.columns} grid`, ops);
  });
  f.append(el("p", {}, go), out);
  return f;
}

function soil(box: HTMLElement, hooks: EditorHooks): void {
  const layers = (Array.isArray(doc().soilLayers) ? doc().soilLayers : []) as Doc[];
  const u = units();
  const layout = el("div", { class: "model-grid" });
  const left = el("div", { class: "panel" }, el("h3", {}, `Soil layers (${layers.length}), from the top down`));
  const right = el("div", { class: "panel", id: "edit-soil-column" }, el("h3", {}, "Soil profile"), hooks.soil(doc()));
  layout.append(left, right);
  box.appendChild(layout);
  layers.forEach((l, i) => {
    const type = show(l.type as Json);
    const fields = soilFieldsOf(type, l.top, l.bottom);
    const block = el("fieldset", { class: "field layer", "data-layer": i + 1 });
    const del = el("button", { type: "button", class: "layer-delete" }, "Delete");
    del.addEventListener("click", () => editor.remove(`/soilLayers/${i}`, `delete soil layer ${i + 1}`));
    block.appendChild(el("legend", {}, `Layer ${i + 1} `,
      selectInput(`/soilLayers/${i}/type`, `soil type of layer ${i + 1}`, SOIL_TYPES.map((s) => s.key), null, Object.fromEntries(SOIL_TYPES.map((s) => [s.key, s.name]))), " ", del));
    const t = el("table", { class: "data edit" });
    t.appendChild(el("thead", {}, el("tr", {}, el("th", {}, ""), el("th", { class: "num" }, `X [${u.length}]`), ...fields.map((f) => el("th", { class: "num", title: f.key }, head(f))))));
    const tb = el("tbody");
    for (const side of ["top", "bottom"])
      tb.appendChild(el("tr", {}, el("th", {}, side),
        el("td", {}, numberInput(`/soilLayers/${i}/${side}/x`, `X of the ${side} of layer ${i + 1}`)),
        ...fields.map((f) => el("td", {}, numberInput(`/soilLayers/${i}/${side}/${f.path}`, `${f.key} at the ${side} of layer ${i + 1}`, "0")))));
    t.appendChild(tb);
    block.appendChild(t);
    left.appendChild(block);
  });
  const add = el("button", { type: "button", id: "layer-add" }, "+ Layer");
  add.addEventListener("click", () => {
    const last = layers[layers.length - 1];
    const x = Number(last?.bottom?.x ?? 0);
    editor.insert(`/soilLayers/${layers.length}`, { type: (last?.type as Json) ?? "softClay", top: { x }, bottom: { x: x + 5 } }, "add a soil layer");
  });
  left.appendChild(el("p", {}, add));
}

// ---------------------------------------------------------------- the editor

let typing = false;
let root: HTMLElement | null = null;
let body: HTMLElement | null = null;
let hooksOf: EditorHooks | null = null;
let unlisten: (() => void)[] = [];

function renderTab(): void {
  if (!body || !hooksOf) return;
  const active = document.activeElement as HTMLElement | null;
  const focused = active?.dataset?.pointer ?? active?.id ?? null;
  clear(body);
  root?.querySelectorAll<HTMLButtonElement>(".editor-tabs button").forEach((b) => {
    b.classList.toggle("active", b.dataset.tab === tab);
    b.setAttribute("aria-selected", String(b.dataset.tab === tab));
  });
  body.dataset.tab = tab;
  const page = el("div", { class: "editor-page", id: "edit-" + tab, "data-testid": "edit-" + tab });
  body.appendChild(page);
  if (tab === "overview") hooksOf.overview(doc(), page);
  else if (tab === "general") general(page);
  else if (tab === "loads") loads(page);
  else if (tab === "piles") piles(page, hooksOf);
  else soil(page, hooksOf);
  markFields();
  if (focused) {
    const again = page.querySelector<HTMLElement>(`[data-pointer="${CSS.escape(focused)}"]`) ?? document.getElementById(focused);
    again?.focus();
  }
}

/** The drawings and the title follow a typed edit without rebuilding the inputs. */
function refreshDrawings(): void {
  if (!body || !hooksOf) return;
  const title = root?.querySelector("#model-title");
  if (title) title.textContent = String(doc().title ?? "") || editor.name;
  const plan = body.querySelector("#edit-plan");
  if (plan) {
    const old = plan.querySelector("svg, p.muted");
    const groups = Array.isArray(doc().pileGroups) ? doc().pileGroups : [];
    const fresh = groups.length ? hooksOf.plan(doc()) : el("p", { class: "muted" }, "No pile groups.");
    if (old) old.replaceWith(fresh);
  }
  const column = body.querySelector("#edit-soil-column #soil-profile");
  if (column) column.replaceWith(hooksOf.soil(doc()));
}

function updateBar(): void {
  if (!root) return;
  const undo = root.querySelector<HTMLButtonElement>("#undo");
  const redo = root.querySelector<HTMLButtonElement>("#redo");
  if (undo) {
    undo.disabled = !editor.canUndo;
    undo.title = editor.undoLabel ? `Undo: ${editor.undoLabel} (Ctrl+Z)` : "Nothing to undo";
  }
  if (redo) {
    redo.disabled = !editor.canRedo;
    redo.title = editor.redoLabel ? `Redo: ${editor.redoLabel} (Ctrl+Y)` : "Nothing to redo";
  }
  const saved = root.querySelector("#unsaved");
  if (saved) saved.textContent = editor.dirty ? "unsaved changes" : "";
  const run = root.querySelector<HTMLButtonElement>("#run-button");
  const why = root.querySelector("#run-blocked");
  const errors = errorsOf(check.diagnostics);
  if (run && why) {
    // The errors of the last answer block the run; while a check is on its
    // way the run may start (the server checks the model again and refuses it).
    const blocked = errors.length ? `The model has ${errors.length} error${errors.length > 1 ? "s" : ""}: correct ${errors.length > 1 ? "them" : "it"} to run.`
      : !(Array.isArray(doc().pileGroups) && doc().pileGroups.length) ? "The model has no piles." : "";
    run.disabled = blocked !== "";
    why.textContent = blocked;
  }
  const status = root.querySelector("#check-status");
  if (status) {
    status.textContent = check.pending ? "Checking…" : check.failure ? `The model could not be checked: ${check.failure}`
      : errors.length ? `${errors.length} error${errors.length > 1 ? "s" : ""}` : `The model is valid${check.diagnostics.length ? ` (${check.diagnostics.length} warnings)` : ""}.`;
    status.className = "check-status " + (check.pending ? "busy" : errors.length || check.failure ? "error" : "ok");
  }
}

function markFields(): void {
  if (!body) return;
  body.querySelectorAll<HTMLElement>(".invalid").forEach((e) => {
    e.classList.remove("invalid", "warning");
    e.removeAttribute("aria-invalid");
    delete e.dataset.message;
    e.title = "";
  });
  body.querySelectorAll(".field-message").forEach((e) => e.remove());
  const inputs = [...body.querySelectorAll<HTMLElement>("[data-pointer]")];
  const bound = [...new Set(inputs.map((i) => i.dataset.pointer ?? ""))];
  for (const d of check.diagnostics) {
    const at = placeDiagnostic(d.pointer ?? "", bound);
    if (at === null) continue;
    const input = inputs.find((i) => i.dataset.pointer === at);
    if (!input) continue;
    input.classList.add("invalid");
    if ((d.severity ?? "error") !== "error") input.classList.add("warning");
    input.setAttribute("aria-invalid", "true");
    input.dataset.message = [input.dataset.message, d.message].filter(Boolean).join("; ");
    input.title = input.dataset.message;
    if (!input.closest("table"))
      (input.closest("label") ?? input).after(el("span", { class: "field-message", role: "alert" }, d.message ?? ""));
  }
}

function diagnosticsPanel(box: HTMLElement): void {
  clear(box);
  if (!check.diagnostics.length) return;
  const list = el("ol", { class: "diagnostics", id: "edit-diagnostics", "data-testid": "edit-diagnostics" });
  for (const d of check.diagnostics) {
    const b = el("button", { type: "button", class: "link" }, d.pointer || "(the document)");
    b.addEventListener("click", () => jumpTo(d));
    list.appendChild(el("li", { class: "diagnostic " + (d.severity ?? "error"), "data-pointer": d.pointer ?? "" },
      el("span", { class: "severity" }, d.severity ?? "error"), " ", b, " ", el("span", { class: "message" }, d.message ?? "")));
  }
  box.appendChild(list);
}

/** Shows the page of a diagnostic's field and puts the focus there. */
function jumpTo(d: Diagnostic): void {
  const pointer = d.pointer ?? "";
  tab = tabOf(pointer);
  const tokens = parsePointer(pointer);
  if (tokens[0] === "loadCases" && tokens[1] !== undefined) loadCase = Number(tokens[1]) || 0;
  renderTab();
  const inputs = [...(body?.querySelectorAll<HTMLElement>("[data-pointer]") ?? [])];
  const at = placeDiagnostic(pointer, [...new Set(inputs.map((i) => i.dataset.pointer ?? ""))]);
  const input = inputs.find((i) => i.dataset.pointer === at);
  if (input) {
    input.scrollIntoView({ block: "center" });
    input.focus();
  }
}

function keys(e: KeyboardEvent): void {
  if (!(e.ctrlKey || e.metaKey) || !root?.isConnected) return;
  const k = e.key.toLowerCase();
  if (k === "z" && !e.shiftKey) {
    e.preventDefault();
    editor.undo();
  } else if (k === "y" || (k === "z" && e.shiftKey)) {
    e.preventDefault();
    editor.redo();
  }
}
document.addEventListener("keydown", keys);

export function renderEditor(into: HTMLElement, hooks: EditorHooks): void {
  for (const u of unlisten) u();
  root = into;
  hooksOf = hooks;
  const title = el("h2", { id: "model-title" }, String(doc().title ?? "") || editor.name);
  const undo = el("button", { type: "button", id: "undo", "data-testid": "undo" }, "↶ Undo");
  const redo = el("button", { type: "button", id: "redo", "data-testid": "redo" }, "↷ Redo");
  undo.addEventListener("click", () => editor.undo());
  redo.addEventListener("click", () => editor.redo());
  const save = el("button", { type: "button", id: "save-json" }, "Save as JSON");
  save.addEventListener("click", () => {
    const name = (String(doc().title ?? "") || "model").replace(/[^A-Za-z0-9._-]+/g, "-").slice(0, 60) || "model";
    saveText(name + ".json", JSON.stringify(editor.doc, null, 2) + "\n", "application/json");
    editor.markSaved();
    updateBar();
  });
  const run = el("button", { type: "button", class: "primary", id: "run-button", "data-testid": "run-button" }, "Run");
  const out = el("div", { id: "model-run-result", "aria-live": "polite" });
  run.addEventListener("click", () => {
    editor.markSaved();
    hooks.run(out);
  });
  const why = el("span", { class: "run-blocked", id: "run-blocked", "data-testid": "run-blocked", "aria-live": "polite" });
  into.append(
    el("div", { class: "title-row" }, title, el("span", { class: "unsaved", id: "unsaved" }), undo, redo, save, run),
    el("p", { class: "run-why" }, why),
    out,
  );
  const nav = el("div", { class: "editor-tabs", role: "tablist", "aria-label": "Model pages" });
  for (const t of TABS) {
    const b = el("button", { type: "button", role: "tab", class: "subtab", id: "edit-tab-" + t.key, "data-testid": "edit-tab-" + t.key, "data-tab": t.key }, t.label);
    b.addEventListener("click", () => {
      tab = t.key;
      renderTab();
    });
    nav.appendChild(b);
  }
  const status = el("p", { class: "check-status", id: "check-status", "data-testid": "check-status", "aria-live": "polite" });
  const diagnostics = el("div", { id: "edit-diagnostics-box" });
  body = el("div", { class: "editor-body", id: "editor-body" });
  into.append(nav, status, diagnostics, body);
  renderTab();
  diagnosticsPanel(diagnostics);
  updateBar();
  unlisten = [
    editor.onChange((kind) => {
      if (!into.isConnected) return;
      state.source = { name: editor.name, document: editor.doc as Doc };
      if (typing && kind === "edit") refreshDrawings();
      else {
        title.textContent = String(doc().title ?? "") || editor.name;
        renderTab();
      }
      updateBar();
    }),
    onCheck(() => {
      if (!into.isConnected) return;
      diagnosticsPanel(diagnostics);
      markFields();
      updateBar();
    }),
  ];
  if (!check.of || check.of !== editor.doc) scheduleCheck();
}

