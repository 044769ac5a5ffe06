// SPDX-License-Identifier: Apache-2.0
// The Piles page: the pile groups as a table beside the plan, one pile or a
// grid of piles at a time.

import { el } from "../../util";
import type { Doc } from "../../types";
import { editor } from "../../editor/session";
import type { Json, Operation } from "../../editor/document";
import { gridGroups, checkGrid, type GridOptions } from "../../editor/grid";
import { doc, numberInput, selectInput, twoD, units, type EditorHooks, type Page } from "./common";

const pickedPiles = new Set<number>();

function render(box: HTMLElement, hooks: EditorHooks): void {
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


export const pilesPage: Page = {
  key: "piles",
  label: "Piles",
  keys: ["pileGroups"],
  render,
  reset: () => pickedPiles.clear(),
};
