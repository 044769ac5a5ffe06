// SPDX-License-Identifier: Apache-2.0
// The Loads page: the load cases, each a table of its loads that takes rows
// pasted from a spreadsheet.

import { el, clear } from "../../util";
import type { Doc } from "../../types";
import { editor } from "../../editor/session";
import type { Json, Operation } from "../../editor/document";
import { LOAD_COLUMNS, LOAD_KEYS_2D, LOAD_TYPES, type Column } from "../../editor/fields";
import { parsePaste } from "../../editor/paste";
import { doc, head, numberInput, rerender, selectInput, textInput, twoD, type Page } from "./common";

let loadCase = 0;
const pickedLoads = new Set<number>();

function render(box: HTMLElement): void {
  const cases = (Array.isArray(doc().loadCases) ? doc().loadCases : []) as Doc[];
  if (loadCase >= cases.length) loadCase = Math.max(0, cases.length - 1);
  const picker = el("div", { class: "case-picker", role: "tablist", "aria-label": "Load cases" });
  cases.forEach((c, i) => {
    const b = el("button", { type: "button", class: "subtab" + (i === loadCase ? " active" : ""), "data-case": i, id: `case-${i}` }, `${i + 1}. ${c.name || "(no name)"}`);
    b.addEventListener("click", () => {
      loadCase = i;
      pickedLoads.clear();
      rerender();
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


export const loadsPage: Page = {
  key: "loads",
  label: "Loads",
  keys: ["loadCases", "distributedLoadSets"],
  render,
  reveal: (tokens) => {
    if (tokens[0] === "loadCases" && tokens[1] !== undefined) loadCase = Number(tokens[1]) || 0;
  },
  reset: () => {
    loadCase = 0;
    pickedLoads.clear();
  },
};
