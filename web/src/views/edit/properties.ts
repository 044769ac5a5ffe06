// SPDX-License-Identifier: Apache-2.0
// The Properties page: the pile properties with their sections from the head
// down, and the cross sections with the values their dimensions give beside
// the values typed, so that a slip of a digit stands out.

import "./properties.css";
import { el, fmt } from "../../util";
import type { Doc } from "../../types";
import { editor } from "../../editor/session";
import type { Json, Operation } from "../../editor/document";
import {
  DIMENSIONS, SHAPES, SHAPE_DIMENSIONS, SHAPE_NAMES, computeSection, copyName, crossSectionDeleteOps, crossSectionIndex,
  crossSectionRef, differs, propertyDeleteOps, shapeOf, type Computed,
} from "../../editor/sections";
import { bind, listOf, numberInput, numberList, selectInput, show, textInput, units, type Page } from "./common";

type Obj = { [key: string]: Json };

function unitLabels(): Record<string, string> {
  const u = units();
  const english = u.length === "in";
  return {
    ...u,
    area: `${u.length}²`,
    inertia: `${u.length}⁴`,
    gj: english ? "lbs-in²" : `${u.force}·${u.length}²`,
  };
}

const withUnit = (label: string, unit: string) => (unit ? `${label} [${unit}]` : label);

function render(box: HTMLElement): void {
  box.appendChild(propertiesPanel());
  box.appendChild(crossSectionsPanel());
}

// ------------------------------------------------------------ pile properties

function propertiesPanel(): HTMLElement {
  const props = listOf("pileProperties");
  const u = unitLabels();
  const panel = el("div", { class: "panel props", id: "edit-pile-properties" }, el("h3", {}, `Pile properties (${props.length})`));
  const groups = listOf("pileGroups");
  props.forEach((p, i) => {
    const base = `/pileProperties/${i}`;
    const users = groups.map((g, k) => ((g.pileProperty ?? 1) === i + 1 ? k + 1 : 0)).filter((k) => k > 0);
    const box = el("fieldset", { class: "field property", "data-property": i + 1 });
    const refused = el("span", { class: "error refused", role: "alert" });
    const dup = el("button", { type: "button", class: "property-duplicate" }, "Duplicate");
    dup.addEventListener("click", () => editor.insert(`/pileProperties/${props.length}`, structuredClone(p) as Json, `duplicate pile property ${i + 1}`));
    const del = el("button", { type: "button", class: "property-delete" }, "Delete");
    del.addEventListener("click", () => {
      const r = propertyDeleteOps(editor.doc, i);
      refused.textContent = r.usedBy.length ? `Pile property ${i + 1} is not deleted: ${listOfUsers(r.usedBy)} use${r.usedBy.length > 1 ? "" : "s"} it.` : "";
      if (!r.usedBy.length) editor.batch(`delete pile property ${i + 1}`, r.ops);
    });
    box.appendChild(el("legend", {}, `Pile property ${i + 1} `, dup, " ", del, " ", refused));
    box.appendChild(el("div", { class: "row-fields" },
      el("label", {}, withUnit("length", u.length) + " ", numberInput(`${base}/length`, `length of pile property ${i + 1}`)),
      el("label", {}, "increments ", numberInput(`${base}/increments`, `increments of pile property ${i + 1}`, "1 to 100")),
      el("label", {}, withUnit("Young's modulus", u.stress) + " ", numberInput(`${base}/youngsModulus`, `Young's modulus of pile property ${i + 1}`)),
      el("label", {}, "type ", selectInput(`${base}/type`, `type of pile property ${i + 1}`, ["driven", "drilledShaft"], "driven", { driven: "driven", drilledShaft: "drilled shaft" })),
    ));
    box.appendChild(el("p", { class: "note" }, users.length ? `Used by pile group${users.length > 1 ? "s" : ""} ${numberList(users)}.` : "No pile group uses it."));
    box.appendChild(sectionsTable(p, i, u));
    panel.appendChild(box);
  });
  const add = el("button", { type: "button", id: "property-add" }, "+ Pile property");
  add.addEventListener("click", () => {
    const last = props[props.length - 1];
    const fresh: Obj = last ? { length: last.length as Json, increments: last.increments as Json, youngsModulus: last.youngsModulus as Json } : { increments: 50 };
    const ops: Operation[] = [{ op: "insert", path: `/pileProperties/${props.length}`, value: fresh }];
    if (editor.get("/pileProperties") === undefined) ops.unshift({ op: "set", path: "/pileProperties", value: [] });
    editor.batch("add a pile property", ops);
  });
  panel.appendChild(el("p", {}, add));
  return panel;
}

function listOfUsers(users: string[]): string {
  return users.length > 4 ? `${users.slice(0, 4).join(", ")} and ${users.length - 4} more` : users.join(", ");
}

function sectionsTable(p: Doc, i: number, u: Record<string, string>): HTMLElement {
  const base = `/pileProperties/${i}/sections`;
  const sections = (Array.isArray(p.sections) ? p.sections : []) as Doc[];
  const crossSections = listOf("crossSections") as Obj[];
  const wrap = el("div", { class: "pile-sections" });
  const t = el("table", { class: "data edit sections", "data-testid": `sections-${i + 1}` });
  t.appendChild(el("thead", {}, el("tr", {}, el("th", {}, "#"), el("th", { class: "num" }, withUnit("from", u.length)),
    el("th", { class: "num" }, withUnit("to", u.length)), el("th", { class: "num", title: "A second length, kept and printed" }, withUnit("length", u.length)),
    el("th", {}, "cross section"), el("th", { class: "num", title: "Moment-curvature set for bending about Y; 0: none" }, "M-φ set about Y"),
    el("th", { class: "num", title: "Moment-curvature set for bending about Z; 0: none" }, "about Z"), el("th", {}, ""))));
  const body = el("tbody");
  sections.forEach((s, j) => {
    const from = j === 0 ? 0 : Number(sections[j - 1].to ?? NaN);
    const del = el("button", { type: "button", class: "section-delete", "aria-label": `delete section ${j + 1} of pile property ${i + 1}`, title: "Delete this section" }, "×");
    del.addEventListener("click", () => editor.remove(`${base}/${j}`, `delete section ${j + 1} of pile property ${i + 1}`));
    body.appendChild(el("tr", { "data-section": j + 1 }, el("td", {}, String(j + 1)), el("td", { class: "num muted" }, fmt(from)),
      el("td", {}, numberInput(`${base}/${j}/to`, `lower end of section ${j + 1} of pile property ${i + 1}`)),
      el("td", {}, numberInput(`${base}/${j}/length`, `second length of section ${j + 1} of pile property ${i + 1}`, "0")),
      el("td", {}, crossSectionSelect(`${base}/${j}/crossSection`, s.crossSection as Json, crossSections, `cross section of section ${j + 1} of pile property ${i + 1}`)),
      el("td", {}, numberInput(`${base}/${j}/momentCurvatureSets/aboutY`, `moment-curvature set about Y of section ${j + 1}`, "0")),
      el("td", {}, numberInput(`${base}/${j}/momentCurvatureSets/aboutZ`, `moment-curvature set about Z of section ${j + 1}`, "0")),
      el("td", {}, del)));
  });
  t.appendChild(body);
  const add = el("button", { type: "button", class: "section-add" }, "+ Section");
  add.addEventListener("click", () => {
    // The document as it is now: values typed since the page was drawn count.
    const property = (editor.get(`/pileProperties/${i}`) ?? {}) as Doc;
    const now = (Array.isArray(property.sections) ? property.sections : []) as Doc[];
    const all = listOf("crossSections") as Obj[];
    const last = now[now.length - 1];
    const section: Obj = { to: (property.length as Json) ?? 0, crossSection: (last?.crossSection as Json) ?? (all.length ? crossSectionRef(all, 0) : 1) };
    const ops: Operation[] = [{ op: "insert", path: `${base}/${now.length}`, value: section }];
    if (!Array.isArray(property.sections)) ops.unshift({ op: "set", path: base, value: [] });
    editor.batch(`add a section to pile property ${i + 1}`, ops);
  });
  wrap.append(sections.length ? t : el("p", { class: "muted" }, "No sections: the pile has no cross section yet."),
    el("p", { class: "note" }, add, " Sections from the head down; each ends at “to”, measured along the pile from its head."));
  return wrap;
}

/** The cross section of a pile section: stored by its name when that is unique, by its number otherwise. */
function crossSectionSelect(pointer: string, current: Json | undefined, sections: Obj[], label: string): HTMLSelectElement {
  const at = crossSectionIndex(sections, current);
  const select = el("select", { "aria-label": label, class: "cross-section-ref" });
  if (at < 0) {
    const what = current === undefined ? "–" : typeof current === "string" ? `“${current}” (${sections.some((c) => c.name === current) ? "several have this name" : "no such name"})` : `${show(current)} (no such cross section)`;
    select.appendChild(el("option", { value: "", selected: true }, what));
  }
  sections.forEach((c, k) => select.appendChild(el("option", { value: k, selected: k === at }, `${k + 1}. ${show(c.name) || SHAPE_NAMES[shapeOf(c.shape) ?? "general"]}`)));
  bind(select, pointer);
  select.addEventListener("change", () => {
    // By the names the cross sections have now (one may have been renamed since the page was drawn).
    if (select.value !== "") editor.set(pointer, crossSectionRef(listOf("crossSections") as Obj[], Number(select.value)), label);
  });
  return select;
}

// ------------------------------------------------------------ cross sections

const QUANTITIES: { key: keyof Omit<Computed, "problem">; path: string; label: string; unit: string }[] = [
  { key: "area", path: "area", label: "area", unit: "area" },
  { key: "inertiaZ", path: "inertia/z", label: "inertia about z", unit: "inertia" },
  { key: "inertiaY", path: "inertia/y", label: "inertia about y", unit: "inertia" },
  { key: "torsionalStiffness", path: "torsionalStiffness", label: "torsional stiffness GJ", unit: "gj" },
];

function crossSectionsPanel(): HTMLElement {
  const all = listOf("crossSections") as Obj[];
  const u = unitLabels();
  const panel = el("div", { class: "panel cross-sections", id: "edit-cross-sections" }, el("h3", {}, `Cross sections (${all.length})`),
    el("p", { class: "note" }, "The depth of a section lies along Y (bending about z, as in a two-dimensional analysis), its width along Z; " +
      "an I or H section has its web along the depth. Beside each value typed, the value its dimensions give; one more than 1 % off is marked."));
  all.forEach((cs, i) => panel.appendChild(crossSectionBox(cs, i, all, u)));
  const add = el("button", { type: "button", id: "cross-section-add" }, "+ Cross section");
  add.addEventListener("click", () => {
    const names = new Set(all.map((c) => String(c.name ?? "")));
    let n = all.length + 1;
    while (names.has(`section ${n}`)) n++;
    const fresh: Obj = { name: `section ${n}`, shape: "circularPipe" };
    const ops: Operation[] = [{ op: "insert", path: `/crossSections/${all.length}`, value: fresh }];
    if (editor.get("/crossSections") === undefined) ops.unshift({ op: "set", path: "/crossSections", value: [] });
    editor.batch("add a cross section", ops);
  });
  panel.appendChild(el("p", {}, add));
  return panel;
}

function crossSectionBox(cs: Obj, i: number, all: Obj[], u: Record<string, string>): HTMLElement {
  const base = `/crossSections/${i}`;
  const box = el("fieldset", { class: "field cross-section", "data-section": i + 1 });
  const refused = el("span", { class: "error refused", role: "alert" });
  const dup = el("button", { type: "button", class: "cross-section-duplicate" }, "Duplicate");
  dup.addEventListener("click", () => {
    const copy = structuredClone(cs) as Obj;
    copy.name = copyName(String(cs.name ?? ""), all.map((c) => String(c.name ?? "")));
    editor.insert(`/crossSections/${all.length}`, copy, `duplicate cross section ${i + 1}`);
  });
  const del = el("button", { type: "button", class: "cross-section-delete" }, "Delete");
  del.addEventListener("click", () => {
    const r = crossSectionDeleteOps(editor.doc, i);
    refused.textContent = r.usedBy.length ? `Cross section ${i + 1} is not deleted: ${listOfUsers(r.usedBy)} use${r.usedBy.length > 1 ? "" : "s"} it.` : "";
    if (!r.usedBy.length) editor.batch(`delete cross section ${i + 1}`, r.ops);
  });
  box.appendChild(el("legend", {}, `Cross section ${i + 1} `, nameInput(base, i, all), " ", shapeSelect(base, cs.shape, i), " ", dup, " ", del, " ", refused));

  const shape = shapeOf(cs.shape);
  const used = SHAPE_DIMENSIONS[shape ?? "general"];
  const dims = el("div", { class: "row-fields dimensions" });
  for (const [k, label] of used) dims.appendChild(el("label", {}, withUnit(label, u.length) + " ", numberInput(`${base}/${k}`, `${label} of cross section ${i + 1}`, "0")));
  // A dimension the shape does not use, but the section holds, stays in view.
  for (const k of DIMENSIONS.filter((d) => !used.some(([x]) => x === d) && cs[d] !== undefined))
    dims.appendChild(el("label", { class: "unused", title: "Not used by this shape" }, withUnit(k, u.length) + " ", numberInput(`${base}/${k}`, `${k} of cross section ${i + 1}`, "0")));
  box.appendChild(dims);

  // The typed values beside the computed ones.
  const t = el("table", { class: "data edit computed-values" });
  t.appendChild(el("thead", {}, el("tr", {}, el("th", {}, ""), el("th", { class: "num" }, "typed"), el("th", { class: "num" }, "from the dimensions"), el("th", {}, ""))));
  const body = el("tbody");
  const rows = QUANTITIES.map((q) => {
    const pointer = `${base}/${q.path}`;
    const input = numberInput(pointer, `${q.label} of cross section ${i + 1}`, "0");
    const computed = el("td", { class: "num computed" });
    const mark = el("td", { class: "mark" });
    body.appendChild(el("tr", { "data-quantity": q.path.replace("/", "-") }, el("th", {}, withUnit(q.label, u[q.unit])), el("td", {}, input), computed, mark));
    return { q, pointer, input, computed, mark };
  });
  t.appendChild(body);
  const problem = el("p", { class: "note computed-problem" });
  const refresh = () => {
    const now = (editor.get(base) ?? {}) as Obj;
    const c = computeSection(now);
    problem.textContent = c.problem ? `Nothing is computed: ${c.problem}.` : shapeOf(now.shape) === "general" ? "A general section has no dimensions to compute from." : "";
    for (const r of rows) {
      const v = c[r.q.key];
      const typed = editor.get(r.pointer);
      const shapeNow = shapeOf(now.shape);
      const why = c.problem || v !== undefined || r.q.key !== "torsionalStiffness" || shapeNow === "general" || shapeNow === null ? ""
        : shapeNow === "circularPipe" ? "needs G" : "no closed form";
      r.computed.textContent = v === undefined ? why : fmt(v);
      r.mark.replaceChildren();
      const off = v !== undefined && typeof typed === "number" && differs(typed, v);
      r.input.classList.toggle("mismatch", off);
      r.input.title = off ? `The dimensions give ${fmt(v)}` : "";
      if (v === undefined || v === 0) continue;
      if (off) {
        const pct = (((typed as number) - v) / v) * 100;
        r.mark.appendChild(el("span", { class: "mismatch-note" }, `≠ ${pct > 0 ? "+" : ""}${pct.toFixed(1)} %`));
      }
      if (off || typed === undefined) {
        const use = el("button", { type: "button", class: "use-computed", title: `Put ${fmt(v)} in ${r.q.label}` }, "use");
        use.addEventListener("click", () => editor.set(r.pointer, Number(v.toPrecision(5)), `${r.q.label} of cross section ${i + 1} from its dimensions`));
        r.mark.appendChild(use);
      }
    }
  };
  refresh();
  // Typing a dimension or a value updates the comparison in place.
  box.addEventListener("input", refresh);
  box.append(t, problem);
  box.appendChild(el("div", { class: "row-fields" },
    el("label", {}, withUnit("shear modulus G", u.stress) + " ", numberInput(`${base}/shearModulus`, `shear modulus of cross section ${i + 1}`, "0")),
    el("label", {}, withUnit("moment capacity Mn", u.moment) + " ", numberInput(`${base}/capacity/moment`, `moment capacity of cross section ${i + 1}`, "0")),
    el("label", {}, withUnit("shear capacity Vn", u.force) + " ", numberInput(`${base}/capacity/shear`, `shear capacity of cross section ${i + 1}`, "0"))));
  return box;
}

function shapeSelect(base: string, value: Json | undefined, i: number): HTMLSelectElement {
  const pointer = `${base}/shape`;
  const shape = shapeOf(value);
  const select = el("select", { "aria-label": `shape of cross section ${i + 1}`, class: "shape" });
  if (shape === null) select.appendChild(el("option", { value: "", selected: true }, `${show(value)} (kept as written)`));
  for (const s of SHAPES) select.appendChild(el("option", { value: s, selected: s === shape }, SHAPE_NAMES[s]));
  bind(select, pointer);
  select.addEventListener("change", () => {
    if (select.value) editor.set(pointer, select.value === "general" ? undefined : select.value, `shape of cross section ${i + 1}`);
  });
  return select;
}

/**
 * The name of a cross section. The pile sections that named it by its old
 * name follow it when the typing ends: by the new name when that is
 * unique, by number otherwise.
 */
function nameInput(base: string, i: number, all: Obj[]): HTMLInputElement {
  const input = textInput(`${base}/name`, `name of cross section ${i + 1}`);
  input.classList.add("name");
  input.placeholder = "name";
  const before = all[i]?.name;
  const wasUnique = typeof before === "string" && before !== "" && all.filter((c) => c.name === before).length === 1;
  input.addEventListener("change", () => {
    if (!wasUnique) return;
    const now = listOf("crossSections") as Obj[];
    const ops: Operation[] = [];
    listOf("pileProperties").forEach((p, k) =>
      ((Array.isArray(p.sections) ? p.sections : []) as Obj[]).forEach((s, j) => {
        if (s.crossSection === before) ops.push({ op: "set", path: `/pileProperties/${k}/sections/${j}/crossSection`, value: crossSectionRef(now, i) });
      }));
    if (ops.length) editor.batch(`the pile sections follow the new name of cross section ${i + 1}`, ops);
  });
  return input;
}

export const propertiesPage: Page = {
  key: "properties",
  label: "Properties",
  keys: ["pileProperties", "crossSections"],
  render,
};
