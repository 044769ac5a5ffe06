// SPDX-License-Identifier: Apache-2.0
// The Piles page: the pile groups as a table beside the plan, one pile or a
// grid of piles at a time. Groups are selected in the table or in the plan;
// the selected ones are edited together, the one selected alone in full.

import "./piles.css";
import { el, fmt } from "../../util";
import type { Doc } from "../../types";
import { editor } from "../../editor/session";
import type { Json, Operation } from "../../editor/document";
import { gridGroups, checkGrid, type GridOptions } from "../../editor/grid";
import { groupDeleteOps } from "../../editor/renumber";
import { markPicked, pickIn } from "../../plan";
import { doc, listOf, numberInput, numberList, numberOrText, rerender, selectInput, show, twoD, units, type EditorHooks, type Page } from "./common";

type Obj = { [key: string]: Json };

/** The selected pile groups, by index (from 0). */
const pickedPiles = new Set<number>();
/** What the last deletion renumbered or dropped, shown once. */
let deleteNotes: string[] = [];

const CONNECTIONS = ["fixed", "pinned", "restrained"];
/** Rows the table lists at most; the other groups are picked in the plan. */
const limit = 500;

function toggle(i: number): void {
  if (pickedPiles.has(i)) pickedPiles.delete(i);
  else pickedPiles.add(i);
  rerender();
}

function picked(count: number): number[] {
  return [...pickedPiles].filter((i) => i < count).sort((a, b) => a - b);
}

function render(box: HTMLElement, hooks: EditorHooks): void {
  const groups = listOf("pileGroups");
  for (const i of [...pickedPiles]) if (i >= groups.length) pickedPiles.delete(i);
  const u = units();
  const flat = twoD();
  const layout = el("div", { class: "model-grid piles-page" });
  const left = el("div", { class: "panel" });
  const right = el("div", { class: "piles-side" });
  const planBox = el("div", { class: "panel", id: "edit-plan" }, el("h3", {}, "Plan"));
  right.appendChild(planBox);
  layout.append(left, right);
  box.appendChild(layout);

  // The plan: a click on a pile selects or deselects its group. The editor
  // draws the plan again while a value is typed: the marks follow it.
  const marks = new Set([...pickedPiles].map((i) => i + 1));
  if (groups.length) {
    const plan = hooks.plan(doc());
    markPicked(plan, marks);
    planBox.appendChild(plan);
    new MutationObserver(() => {
      const now = planBox.querySelector("svg");
      if (now) markPicked(now, marks);
    }).observe(planBox, { childList: true });
    pickIn(planBox, (g) => toggle(g - 1));
  } else planBox.appendChild(el("p", { class: "muted" }, "No pile groups."));
  const clearPick = el("button", { type: "button", id: "piles-pick-none", disabled: !pickedPiles.size }, "Clear selection");
  clearPick.addEventListener("click", () => {
    pickedPiles.clear();
    rerender();
  });
  const chosen = picked(groups.length);
  planBox.appendChild(el("p", { class: "pick-bar" },
    el("span", { id: "piles-picked", "data-count": chosen.length }, chosen.length ? `Selected: pile group${chosen.length > 1 ? "s" : ""} ${numberList(chosen.map((i) => i + 1))}` : "Click a pile to select its group."),
    " ", clearPick));
  if (chosen.length > 1) right.appendChild(bulkPanel(chosen, flat, u));
  if (chosen.length === 1) right.appendChild(detailPanel(chosen[0], flat, u));

  const table = el("table", { class: "data edit piles-table", id: "edit-piles", "data-testid": "edit-piles" });
  const all = el("input", { type: "checkbox", id: "piles-pick-all", "aria-label": "select every pile group", checked: groups.length > 0 && chosen.length === groups.length });
  all.addEventListener("change", () => {
    pickedPiles.clear();
    if (all.checked) groups.forEach((_, i) => pickedPiles.add(i));
    rerender();
  });
  const cols: [string, string, string][] = flat
    ? [["head/x", "head x", u.length], ["head/y", "head y", u.length], ["batter", "batter", "°"], ["piles", "piles", ""], ["rowSpacing", "row spacing", u.length]]
    : [["head/x", "head x", u.length], ["head/y", "head y", u.length], ["head/z", "head z", u.length], ["batter/alpha", "α", "°"], ["batter/beta", "β", "°"]];
  table.appendChild(el("thead", {}, el("tr", {}, el("th", {}, all), el("th", {}, "#"),
    ...cols.map(([, l, unit]) => el("th", { class: "num" }, unit ? `${l} [${unit}]` : l)), el("th", {}, "connection"), el("th", { class: "num" }, "pile property"))));
  const body = el("tbody");
  groups.slice(0, limit).forEach((g, i) => {
    const pick = el("input", { type: "checkbox", class: "pick", "aria-label": `select pile group ${i + 1}`, checked: pickedPiles.has(i) });
    pick.addEventListener("change", () => toggle(i));
    const connection = isObj(g.connection)
      ? el("span", { class: "muted", "data-pointer": `/pileGroups/${i}/connection` }, `about Y ${show((g.connection as Obj).aboutY)}, about Z ${show((g.connection as Obj).aboutZ)}`)
      : selectInput(`/pileGroups/${i}/connection`, `connection of pile group ${i + 1}`, CONNECTIONS, null);
    body.appendChild(el("tr", { "data-group": i + 1, class: pickedPiles.has(i) ? "picked" : null }, el("td", {}, pick), el("td", {}, String(i + 1)),
      ...cols.map(([p, l]) => el("td", {}, subInput(i, p, `${l} of pile group ${i + 1}`, p === "batter/beta" ? "90" : "0"))),
      el("td", {}, connection),
      el("td", {}, numberInput(`/pileGroups/${i}/pileProperty`, `pile property of pile group ${i + 1}`, "1"))));
  });
  table.appendChild(body);
  left.appendChild(el("h3", {}, `Pile groups (${groups.length})`));
  left.appendChild(el("div", { class: "table-scroll" }, table));
  if (groups.length > limit) left.appendChild(el("p", { class: "muted" }, `The first ${limit} of ${groups.length} are listed; select the others in the plan.`));
  const add = el("button", { type: "button", id: "pile-add" }, "+ Pile");
  add.addEventListener("click", () => {
    const last = groups[groups.length - 1];
    const ops: Operation[] = [{ op: "insert", path: `/pileGroups/${groups.length}`, value: { connection: (last?.connection as Json) ?? "fixed", head: {} } }];
    if (editor.get("/pileGroups") === undefined) ops.unshift({ op: "set", path: "/pileGroups", value: [] });
    editor.batch("add a pile group", ops);
  });
  const del = el("button", { type: "button", id: "pile-delete", disabled: !chosen.length }, "Delete selected");
  del.addEventListener("click", () => {
    const r = groupDeleteOps(editor.doc, chosen);
    pickedPiles.clear();
    deleteNotes = r.notes;
    editor.batch(`delete ${chosen.length} pile group${chosen.length > 1 ? "s" : ""}`, r.ops);
  });
  left.appendChild(el("p", {}, add, " ", del));
  if (deleteNotes.length) {
    left.appendChild(el("ul", { class: "delete-notes", id: "pile-delete-notes", role: "status" }, ...deleteNotes.map((n) => el("li", {}, n))));
    deleteNotes = [];
  }
  left.appendChild(gridForm(groups.length, flat, u.length));
}

function isObj(v: Json | undefined): boolean {
  return v !== null && v !== undefined && typeof v === "object" && !Array.isArray(v);
}

/**
 * The input of a field of group i at path ("batter/alpha"); when the
 * mapping on the way holds a value of the other analysis (a number where
 * {alpha, beta} belongs), that value is shown with a button that clears it.
 */
function subInput(i: number, path: string, label: string, placeholder: string): HTMLElement {
  const [key, sub] = path.split("/");
  const held = editor.get(`/pileGroups/${i}/${key}`);
  if (sub && held !== undefined && !isObj(held)) {
    const clearIt = el("button", { type: "button", class: "clear-other", title: `${key} holds ${show(held)}, a value of the other analysis: clear it` }, `${show(held)} ×`);
    clearIt.addEventListener("click", () => editor.set(`/pileGroups/${i}/${key}`, undefined, `clear ${key} of pile group ${i + 1}`));
    return el("span", { "data-pointer": `/pileGroups/${i}/${key}` }, clearIt);
  }
  if (!sub && isObj(held)) {
    const clearIt = el("button", { type: "button", class: "clear-other", title: `${key} holds ${show(held)}, a value of the other analysis: clear it` }, "{…} ×");
    clearIt.addEventListener("click", () => editor.set(`/pileGroups/${i}/${key}`, undefined, `clear ${key} of pile group ${i + 1}`));
    return el("span", { "data-pointer": `/pileGroups/${i}/${key}` }, clearIt);
  }
  return numberInput(`/pileGroups/${i}/${path}`, label, placeholder);
}

/** The operation that sets a field of group i, replacing a value of the other analysis on the way. */
function setOp(g: Doc, i: number, path: string, value: Json | undefined): Operation {
  const [key, sub] = path.split("/");
  if (sub && g[key] !== undefined && !isObj(g[key] as Json)) return { op: "set", path: `/pileGroups/${i}/${key}`, value: value === undefined ? undefined : { [sub]: value } };
  return { op: "set", path: `/pileGroups/${i}/${path}`, value };
}

function valueAt(g: Doc, path: string): Json | undefined {
  let v: Json | undefined = g as Json;
  for (const t of path.split("/")) v = isObj(v) ? (v as Obj)[t] : undefined;
  return v;
}

interface BulkField {
  path: string;
  label: string;
  unit: string;
  fallback: string;
  integer?: boolean;
}

// ------------------------------------------------------------ the selected groups together

function bulkPanel(chosen: number[], flat: boolean, u: Record<string, string>): HTMLElement {
  const groups = listOf("pileGroups");
  const n = chosen.length;
  const f = el("fieldset", { class: "field bulk", id: "piles-bulk" },
    el("legend", {}, n === 1 ? "The selected pile group" : `The ${n} selected pile groups together`));
  f.appendChild(el("p", { class: "note" }, "A value set here goes to every selected group as one step: one undo restores them all. A blank field shows the value they share, or “mixed”."));
  const error = el("p", { class: "error", id: "bulk-error", role: "alert" });
  const common = (path: string, fallback: string): string => {
    const vs = new Set(chosen.map((i) => show(valueAt(groups[i], path)) || fallback));
    return vs.size === 1 ? [...vs][0] : "mixed";
  };
  const apply = (label: string, path: string, value: Json | undefined) =>
    editor.batch(`${label} of ${n} pile group${n > 1 ? "s" : ""}`, chosen.map((i) => setOp(groups[i], i, path, value)));
  const grid = el("div", { class: "bulk-grid" });
  f.appendChild(grid);
  const row: Row = (label, ...controls) => grid.append(el("span", { class: "bulk-label" }, label), el("span", { class: "bulk-controls" }, ...controls));

  // Pile property: a choice among the properties.
  const props = listOf("pileProperties");
  const prop = el("select", { id: "bulk-pileProperty", "aria-label": "pile property of the selected groups" },
    el("option", { value: "", selected: true }, common("pileProperty", "1") === "mixed" ? "mixed" : `${common("pileProperty", "1")} (as now)`),
    ...props.map((p, k) => el("option", { value: k + 1 }, `${k + 1}: ${fmt(Number(p.length))} ${u.length}, ${(Array.isArray(p.sections) ? p.sections.length : 0)} section(s)`)));
  prop.addEventListener("change", () => prop.value && apply("pile property", "pileProperty", Number(prop.value)));
  row("pile property", props.length ? prop : el("span", { class: "muted" }, "none yet (Properties page)"));

  // Connection.
  const conn = el("select", { id: "bulk-connection", "aria-label": "connection of the selected groups" },
    el("option", { value: "", selected: true }, common("connection", "") === "mixed" ? "mixed" : `${common("connection", "–")} (as now)`),
    ...CONNECTIONS.map((c) => el("option", { value: c }, c)));
  conn.addEventListener("change", () => conn.value && apply("connection", "connection", conn.value));
  row("connection", conn);

  const fields: BulkField[] = flat
    ? [
      { path: "batter", label: "batter angle", unit: "°", fallback: "0" },
      { path: "pMultiplier", label: "p-multiplier", unit: "", fallback: "1" },
      { path: "yMultiplier", label: "y-multiplier", unit: "", fallback: "1" },
      { path: "spring", label: "head spring", unit: `${u.moment}/rad`, fallback: "0" },
      { path: "piles", label: "piles in the row", unit: "", fallback: "1", integer: true },
      { path: "rowSpacing", label: "row spacing", unit: u.length, fallback: "0" },
    ]
    : [
      { path: "batter/alpha", label: "batter α", unit: "°", fallback: "0" },
      { path: "batter/beta", label: "batter β", unit: "°", fallback: "90" },
      { path: "pMultiplier/y", label: "p-multiplier Y", unit: "", fallback: "1" },
      { path: "pMultiplier/z", label: "p-multiplier Z", unit: "", fallback: "1" },
      { path: "yMultiplier/y", label: "y-multiplier Y", unit: "", fallback: "1" },
      { path: "yMultiplier/z", label: "y-multiplier Z", unit: "", fallback: "1" },
      { path: "springs/aboutY", label: "head spring about Y", unit: `${u.moment}/rad`, fallback: "0" },
      { path: "springs/aboutZ", label: "head spring about Z", unit: `${u.moment}/rad`, fallback: "0" },
    ];
  fields.push(
    { path: "head/x", label: "head X", unit: u.length, fallback: "0" },
    { path: "ground", label: "ground below the head", unit: u.length, fallback: "0" },
    { path: "axialForceFactor", label: "axial force factor", unit: "", fallback: "1" },
    { path: "userPySet", label: "user p-y set", unit: "", fallback: "0", integer: true },
  );
  for (const fd of fields) {
    const id = "bulk-" + fd.path.replace("/", "-");
    const label = fd.unit ? `${fd.label} [${fd.unit}]` : fd.label;
    const input = el("input", { type: "text", inputmode: "decimal", class: "num", id, "aria-label": `${fd.label} of the selected groups`, placeholder: common(fd.path, fd.fallback) });
    const set = el("button", { type: "button", class: "bulk-set", "data-for": id }, "Set");
    const go = () => {
      const v = numberOrText(input.value);
      const bad = v === undefined ? "type a value first" : typeof v !== "number" ? `“${input.value.trim()}” is not a number` : fd.integer && !Number.isInteger(v) ? `${v} is not a whole number` : "";
      error.textContent = bad ? `${fd.label}: ${bad}; nothing is changed.` : "";
      if (!bad) apply(fd.label, fd.path, v as number);
    };
    set.addEventListener("click", go);
    input.addEventListener("keydown", (e) => {
      if (e.key === "Enter") go();
    });
    row(label, input, set);
  }

  moveRow(chosen, flat, u, row, error);
  f.appendChild(error);
  return f;
}

type Row = (label: string, ...controls: (HTMLElement | string)[]) => void;

/** Moves the chosen groups by an offset along Y (and Z), one step. */
function moveRow(chosen: number[], flat: boolean, u: Record<string, string>, row: Row, error: HTMLElement): void {
  const groups = listOf("pileGroups");
  const n = chosen.length;
  // Move by an offset.
  const dy = el("input", { type: "text", inputmode: "decimal", class: "num", id: "bulk-dy", "aria-label": "move along Y", placeholder: "0" });
  const dz = el("input", { type: "text", inputmode: "decimal", class: "num", id: "bulk-dz", "aria-label": "move along Z", placeholder: "0" });
  const move = el("button", { type: "button", id: "bulk-move" }, "Move");
  move.addEventListener("click", () => {
    const by = { y: numberOrText(dy.value) ?? 0, z: flat ? 0 : numberOrText(dz.value) ?? 0 };
    const bad = Object.entries(by).filter(([, v]) => typeof v !== "number").map(([k]) => `d${k}`);
    error.textContent = bad.length ? `Move: ${bad.join(" and ")} ${bad.length > 1 ? "are" : "is"} not a number; nothing is moved.` : "";
    if (bad.length || (by.y === 0 && by.z === 0)) return;
    const ops: Operation[] = [];
    for (const i of chosen) {
      const head = (isObj(groups[i].head as Json) ? groups[i].head : {}) as Obj;
      for (const k of ["y", "z"] as const) {
        const d = by[k] as number;
        if (d) ops.push({ op: "set", path: `/pileGroups/${i}/head/${k}`, value: Number((Number(head[k] ?? 0) + d).toPrecision(12)) });
      }
    }
    editor.batch(`move ${n} pile group${n > 1 ? "s" : ""}`, ops);
  });
  row(`move by [${u.length}]`, el("label", {}, "dy ", dy), ...(flat ? [] : [el("label", {}, "dz ", dz)]), move);
}

// ------------------------------------------------------------ one group in full

function detailPanel(i: number, flat: boolean, u: Record<string, string>): HTMLElement {
  const g = listOf("pileGroups")[i] ?? {};
  const base = `/pileGroups/${i}`;
  const f = el("fieldset", { class: "field detail", id: "pile-detail", "data-group": i + 1 }, el("legend", {}, `Pile group ${i + 1}`));
  const grid = el("div", { class: "bulk-grid" });
  f.appendChild(grid);
  const row: Row = (label, ...controls) => grid.append(el("span", { class: "bulk-label" }, label), el("span", { class: "bulk-controls" }, ...controls));
  const num = (path: string, label: string, unit: string, placeholder: string) =>
    row(unit ? `${label} [${unit}]` : label, subInput(i, path, `${label} of pile group ${i + 1}`, placeholder));
  if (i < limit) f.insertBefore(el("p", { class: "note" }, "Its head, batter, connection and pile property are in its row of the table."), grid);
  else {
    num("head/x", "head X", u.length, "0");
    num("head/y", "head Y", u.length, "0");
    if (!flat) num("head/z", "head Z", u.length, "0");
    if (flat) num("batter", "batter angle", "°", "0");
    else {
      num("batter/alpha", "batter α", "°", "0");
      num("batter/beta", "batter β", "°", "90");
    }
    num("pileProperty", "pile property", "", "1");
    if (!isObj(g.connection as Json)) row("connection", selectInput(`${base}/connection`, `connection of pile group ${i + 1}`, CONNECTIONS, null));
  }
  num("ground", "ground below the head", u.length, "0");
  num("axialForceFactor", "axial force factor", "", "1");
  num("userPySet", "user p-y set", "", "0");
  if (flat) {
    num("spring", "head spring", `${u.moment}/rad`, "0");
    num("pMultiplier", "p-multiplier", "", "1");
    num("yMultiplier", "y-multiplier", "", "1");
  } else {
    // A connection that differs about Y and about Z.
    const pair = isObj(g.connection as Json);
    const both = el("input", { type: "checkbox", id: "pile-connection-pair", checked: pair });
    both.addEventListener("change", () => {
      const c = g.connection as Json;
      const now = pair ? (c as Obj).aboutY ?? "fixed" : c ?? "fixed";
      editor.set(`${base}/connection`, both.checked ? { aboutY: now, aboutZ: now } : now, `connection of pile group ${i + 1}`);
    });
    row("connection", el("span", {}, el("label", {}, both, " differs about Y and Z"),
      ...(pair ? [" Y ", selectInput(`${base}/connection/aboutY`, `connection about Y of pile group ${i + 1}`, CONNECTIONS, null),
        " Z ", selectInput(`${base}/connection/aboutZ`, `connection about Z of pile group ${i + 1}`, CONNECTIONS, null)] : [])));
    num("pMultiplier/y", "p-multiplier Y", "", "1");
    num("pMultiplier/z", "p-multiplier Z", "", "1");
    num("yMultiplier/y", "y-multiplier Y", "", "1");
    num("yMultiplier/z", "y-multiplier Z", "", "1");
    num("springs/aboutY", "head spring about Y", `${u.moment}/rad`, "0");
    num("springs/aboutZ", "head spring about Z", `${u.moment}/rad`, "0");
  }
  row("load-settlement curve", curveChoice(i, "loadSettlementCurve", g));
  if (!flat) row("torque-rotation curve", curveChoice(i, "torqueRotationCurve", g));
  const error = el("p", { class: "error", id: "bulk-error", role: "alert" });
  moveRow([i], flat, u, row, error);
  f.appendChild(error);
  return f;
}

/** A load-settlement or torque-rotation curve: generated for a pile property, or a user curve. */
function curveChoice(i: number, key: string, g: Doc): HTMLElement {
  const pointer = `/pileGroups/${i}/${key}`;
  const v = g[key] as Json | undefined;
  const kind = isObj(v) ? ((v as Obj).userCurve !== undefined ? "userCurve" : "pileProperty") : "";
  const select = el("select", { "aria-label": `${key} of pile group ${i + 1}`, class: "curve-kind" },
    el("option", { value: "", selected: kind === "" }, "generated, its property"),
    el("option", { value: "pileProperty", selected: kind === "pileProperty" }, "generated, property n"),
    el("option", { value: "userCurve", selected: kind === "userCurve" }, "user curve n"));
  select.dataset.pointer = pointer;
  select.addEventListener("change", () => {
    const k = select.value;
    const n = Number(g.pileProperty ?? 1);
    editor.set(pointer, k === "" ? undefined : { [k]: k === "pileProperty" ? n : 1 }, `${key} of pile group ${i + 1}`);
  });
  return el("span", { class: "curve-choice" }, select, kind ? numberInput(`${pointer}/${kind}`, `${kind} of the ${key} of pile group ${i + 1}`, "n") : "");
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
  const connection = el("select", { id: "grid-connection" }, ...CONNECTIONS.map((c) => el("option", { value: c }, c)));
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
  reveal: (tokens) => {
    if (tokens[0] !== "pileGroups" || tokens[1] === undefined) return;
    const i = Number(tokens[1]);
    if (Number.isInteger(i) && i >= 0) {
      pickedPiles.clear();
      pickedPiles.add(i);
    }
  },
  reset: () => {
    pickedPiles.clear();
    deleteNotes = [];
  },
};
