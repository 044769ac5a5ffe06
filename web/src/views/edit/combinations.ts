// SPDX-License-Identifier: Apache-2.0
// The Combinations page: the combinations of the load cases with their
// factors, one at a time, with their resistance factors and control options;
// and the envelopes printed.

import { el } from "../../util";
import type { Doc } from "../../types";
import { editor } from "../../editor/session";
import type { Json, Operation } from "../../editor/document";
import { caseIndex, caseRef, PRINT_CHOICES, PRINT_NAMES } from "../../editor/cases";
import { bind, doc, listOf, numberInput, rerender, selectInput, show, textInput, type Page } from "./common";
import { controlOptions, revealOption } from "./loads";
import "./combinations.css";

let combination = 0;
const pickedRows = new Set<number>();

function render(box: HTMLElement): void {
  const combinations = listOf("combinations");
  const cases = listOf("loadCases");
  if (combination >= combinations.length) combination = Math.max(0, combinations.length - 1);
  const picker = el("div", { class: "case-picker", role: "tablist", "aria-label": "Combinations" });
  combinations.forEach((c, i) => {
    const b = el("button", { type: "button", class: "subtab" + (i === combination ? " active" : ""), id: `comb-${i}` }, `${i + 1}. ${c.name || "(no name)"}`);
    b.addEventListener("click", () => {
      combination = i;
      pickedRows.clear();
      rerender();
    });
    picker.appendChild(b);
  });
  const add = el("button", { type: "button", id: "comb-add" }, "+ Combination");
  add.addEventListener("click", () => {
    const ops: Operation[] = Array.isArray(doc().combinations) ? [] : [{ op: "set", path: "/combinations", value: [] }];
    ops.push({ op: "insert", path: `/combinations/${combinations.length}`, value: { name: `Combination ${combinations.length + 1}`, cases: [] } });
    combination = combinations.length;
    pickedRows.clear();
    editor.batch("add a combination", ops);
  });
  picker.appendChild(add);
  box.appendChild(picker);
  if (!combinations.length) box.appendChild(el("p", { class: "muted" }, "No combinations."));
  else box.appendChild(combinationSection(combinations[combination], cases));
  box.appendChild(envelopesSection());
}

function combinationSection(c: Doc, cases: Doc[]): HTMLElement {
  const base = `/combinations/${combination}`;
  const box = el("div", { class: "combination" });
  const del = el("button", { type: "button", id: "comb-delete" }, "Delete this combination");
  del.addEventListener("click", () => {
    pickedRows.clear();
    editor.remove(base, `delete combination ${combination + 1}`);
  });
  box.appendChild(el("div", { class: "row-fields" },
    el("label", {}, "Name ", textInput(`${base}/name`, "combination name")),
    el("label", {}, "Bending resistance factor ", numberInput(`${base}/resistanceFactors/bending`, "bending resistance factor", "1")),
    el("label", {}, "Shear resistance factor ", numberInput(`${base}/resistanceFactors/shear`, "shear resistance factor", "1")),
    del));

  const rows = (Array.isArray(c.cases) ? c.cases : []) as Doc[];
  const left = el("fieldset", { class: "field", id: "comb-cases-box" }, el("legend", {}, "Load cases combined"));
  left.appendChild(el("p", { class: "note" }, "Each case with its load factor; a case is named by its name when that is unique, by its number otherwise."));
  if (rows.length) {
    const table = el("table", { class: "data edit", id: "comb-cases" });
    table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, ""), el("th", {}, "#"), el("th", {}, "load case"), el("th", { class: "num" }, "factor"))));
    const body = el("tbody");
    rows.forEach((_, j) => {
      const pick = el("input", { type: "checkbox", class: "pick", "aria-label": `select row ${j + 1}`, checked: pickedRows.has(j) });
      pick.addEventListener("change", () => (pick.checked ? pickedRows.add(j) : pickedRows.delete(j)));
      body.appendChild(el("tr", { "data-row": j }, el("td", {}, pick), el("td", {}, String(j + 1)),
        el("td", {}, caseChooser(`${base}/cases/${j}/case`, `load case of row ${j + 1}`, cases)),
        el("td", {}, numberInput(`${base}/cases/${j}/factor`, `factor of row ${j + 1}`, "required"))));
    });
    table.appendChild(body);
    left.appendChild(table);
    left.appendChild(el("p", { class: "formula", id: "comb-formula" }, formula(rows, cases)));
  } else left.appendChild(el("p", { class: "muted" }, "No load cases in this combination."));
  const addRow = el("button", { type: "button", id: "comb-case-add", disabled: !cases.length }, "+ Load case");
  addRow.addEventListener("click", () => {
    // The first case not yet combined, else the first.
    const used = new Set(rows.map((r) => caseIndex(cases, r.case as Json)));
    const k = Math.max(0, cases.findIndex((_, i) => !used.has(i)));
    const ops: Operation[] = Array.isArray(c.cases) ? [] : [{ op: "set", path: `${base}/cases`, value: [] }];
    ops.push({ op: "insert", path: `${base}/cases/${rows.length}`, value: { case: caseRef(cases, k), factor: 1 } });
    editor.batch("add a load case to the combination", ops);
  });
  const delRows = el("button", { type: "button", id: "comb-case-delete" }, "Delete selected");
  delRows.addEventListener("click", () => {
    const ops: Operation[] = [...pickedRows].filter((j) => j < rows.length).sort((a, b) => b - a).map((j) => ({ op: "remove", path: `${base}/cases/${j}` }));
    pickedRows.clear();
    editor.batch("take load cases out of the combination", ops);
  });
  left.appendChild(el("p", {}, addRow, " ", delRows, cases.length ? "" : el("span", { class: "note" }, " No load cases to combine: add them on the Loads page.")));

  const right = el("fieldset", { class: "field", id: "comb-options" }, el("legend", {}, "Control and print"), controlOptions(base, "combination"));
  box.appendChild(el("div", { class: "loads-columns" }, left, right));
  return box;
}

/**
 * A choice of a load case; the document keeps the name or the number as it
 * holds it. A reference that names no case is kept and shown as it is.
 */
function caseChooser(pointer: string, label: string, cases: Doc[]): HTMLSelectElement {
  const held = editor.get(pointer);
  const at = caseIndex(cases, held);
  const options = cases.map((c, i) => el("option", { value: String(i), selected: i === at }, `${i + 1}. ${c.name || "(no name)"}`));
  if (at === null) options.unshift(el("option", { value: "", selected: true }, held === undefined ? "–" : `${JSON.stringify(held)}: no such case`));
  const select = el("select", { "aria-label": label, class: "case-choice" }, ...options);
  bind(select, pointer);
  select.addEventListener("change", () => {
    if (select.value === "") return;
    const i = Number(select.value);
    editor.set(pointer, typeof held === "number" ? i + 1 : caseRef(cases, i), label);
  });
  return select;
}

/** "1.2 × Dead load + 1.6 × Live load". */
function formula(rows: Doc[], cases: Doc[]): string {
  return rows.map((r, j) => {
    const i = caseIndex(cases, r.case as Json);
    const name = i === null ? `${show(r.case as Json) || "?"}` : cases[i].name || `case ${i + 1}`;
    const f = typeof r.factor === "number" ? r.factor : show(r.factor as Json) || "?";
    return `${j && typeof f === "number" && f < 0 ? "− " : j ? "+ " : ""}${typeof f === "number" && j ? Math.abs(f) : f} × ${name}`;
  }).join(" ");
}

function envelopesSection(): HTMLElement {
  const box = el("fieldset", { class: "field", id: "envelopes" }, el("legend", {}, "Envelopes"),
    el("p", { class: "note" }, "The largest and smallest results over all load cases, or over all combinations; left off, none are printed."));
  for (const [key, what] of [["loadCases", "load cases"], ["combinations", "combinations"]]) {
    const pointer = `/envelopes/${key}`;
    const on = editor.get(pointer) !== undefined;
    const toggle = el("input", { type: "checkbox", id: `envelope-${key}`, checked: on });
    bind(toggle, pointer);
    toggle.addEventListener("change", () => {
      const env = editor.get("/envelopes");
      const others = env && typeof env === "object" && !Array.isArray(env) ? Object.keys(env).filter((k) => k !== key) : [];
      if (toggle.checked) editor.set(pointer, {}, `envelopes of the ${what}`);
      else editor.batch(`no envelopes of the ${what}`, [{ op: "set", path: others.length ? pointer : "/envelopes", value: undefined }]);
    });
    const row = el("div", { class: "envelope" }, el("label", { class: "envelope-on" }, toggle, ` envelopes of the ${what}`));
    if (on)
      row.append(el("label", { class: "inline" }, "print ", selectInput(`${pointer}/print`, `print of the envelopes of the ${what}`, PRINT_CHOICES, "alongPiles", PRINT_NAMES)),
        el("label", { class: "inline" }, "node step ", numberInput(`${pointer}/nodeStep`, `node step of the envelopes of the ${what}`, "1")));
    box.appendChild(row);
  }
  return box;
}

export const combinationsPage: Page = {
  key: "combinations",
  label: "Combinations",
  keys: ["combinations", "envelopes"],
  render,
  reveal: (tokens) => {
    if (tokens[0] === "combinations" && tokens[1] !== undefined) {
      combination = Number(tokens[1]) || 0;
      pickedRows.clear();
      revealOption("combination", tokens[2]);
    }
  },
  reset: () => {
    combination = 0;
    pickedRows.clear();
  },
};
