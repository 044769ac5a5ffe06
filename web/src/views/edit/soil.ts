// SPDX-License-Identifier: Apache-2.0
// The Soil page: the layers from the top down as a table and one block each
// with the properties its soil type reads, the strength and unit weight
// along depth, and the soil column beside the pile.

import "./soil.css";
import { el, clear, fmt, soilType, SOIL_TYPES } from "../../util";
import { editor } from "../../editor/session";
import type { Json, Operation } from "../../editor/document";
import { soilFieldsOf, type Column } from "../../editor/fields";
import { depthSeries, layerBelow, layerJoints, pileReach, soilUses, splitOps, swapOps, typeChangeOps, type Joint, type Layer, type Segment } from "../../editor/soil";
import { chart, disposeWithin, toolbox } from "../../charts";
import { bind, doc, head, numberInput, show, typing, units, type Page } from "./common";

/** What each criterion takes of the ground surface and the water table. */
export const SOIL_NOTES: Record<string, string> = {
  softClay: "Soft clay: the resistance grows with the overburden of γ' from the ground surface; below the water table give the submerged γ', above it the total one. Static or cyclic loading.",
  stiffClayBelowWaterTable: "Stiff clay with free water above it (the water table at or above the layer): give the submerged γ'; k sets the initial slope k·x, and the curve softens past its peak.",
  stiffClayAboveWaterTable: "Stiff clay above the water table (no free water at the surface): give the total γ'; cyclic loading degrades the curve with the number of cycles.",
  sand: "Sand: γ' is the effective unit weight, submerged below the water table and total above it; φ gives the wedge near the surface and the flow deeper down, k the initial slope k·x.",
  userCurves: "User p-y curves: the curves of userPyCurves replace the criterion; no property of the layer enters them, but its γ' still weighs on the layers below.",
  vuggyLimestone: "Vuggy limestone: the curve takes the compressive strength qu alone (su = qu / 2), the same at every depth; neither the ground surface nor the water table enters.",
  silt: "Silt, with cohesion and friction: γ' effective (submerged below the water table), c and φ both resist, k the initial slope; the ground surface is taken level.",
  apiSand: "Sand by the API criterion: γ' effective (submerged below the water table), φ sets the coefficients of the resistance, k the initial slope k·x.",
  weakRock: "Weak rock: depth is counted from the top of the rock layer, whatever lies above; qu, Er, krm and RQD set the curve; the water table does not enter.",
  stiffClayWithInitialK: "Stiff clay above the water table with an initial straight line of slope k·x: give the total γ'.",
  liquefiedSand: "Liquefied sand: the curve follows only the depth below the top of the layer and the pile diameter; its γ' still weighs on the layers below.",
};

const GENERAL_NOTE = "X grows downward; the ground surface is the top of layer 1 and each property varies linearly from the top to the bottom of its layer. The water table is no input: it enters through the type and through γ' (submerged below it).";

const asLayers = (): Layer[] => (Array.isArray(doc().soilLayers) ? doc().soilLayers : []) as Layer[];
const typeOf = (l: Layer): string => show(l.type as Json);

/** The select of a layer's type: values the new type does not read stay in the layer. */
function typeSelect(l: Layer, i: number): HTMLSelectElement {
  const pointer = `/soilLayers/${i}/type`;
  const current = typeOf(l);
  const keys = SOIL_TYPES.map((s) => s.key);
  const options = keys.includes(current) || !current ? keys : [current, ...keys];
  const select = el("select", { "aria-label": `soil type of layer ${i + 1}` },
    ...options.map((k) => el("option", { value: k, selected: k === current }, SOIL_TYPES.find((s) => s.key === k)?.name ?? k)));
  if (!current) select.prepend(el("option", { value: "", selected: true }, "–"));
  bind(select, pointer);
  select.addEventListener("change", () => {
    if (select.value) editor.batch(`soil type of layer ${i + 1}: ${soilType(select.value).name}`, typeChangeOps(asLayers()[i] ?? l, i, select.value));
  });
  return select;
}

function button(label: string, title: string, cls: string, disabled: boolean, act: () => void): HTMLButtonElement {
  const b = el("button", { type: "button", class: cls, title, "aria-label": title, disabled }, label);
  b.addEventListener("click", act);
  return b;
}

function layerBlock(layers: Layer[], i: number): HTMLElement {
  const l = layers[i];
  const type = typeOf(l);
  const fields = soilFieldsOf(type, l.top, l.bottom);
  const u = units();
  const block = el("fieldset", { class: "field layer", "data-layer": i + 1, id: `soil-layer-${i + 1}` });
  block.appendChild(el("legend", {}, `Layer ${i + 1} `, typeSelect(l, i), " ",
    button("↑", `move layer ${i + 1} up`, "layer-up", i === 0, () => editor.batch(`move soil layer ${i + 1} up`, swapOps(asLayers(), i - 1))),
    button("↓", `move layer ${i + 1} down`, "layer-down", i === layers.length - 1, () => editor.batch(`move soil layer ${i + 1} down`, swapOps(asLayers(), i))),
    button("Insert above", `insert a layer above layer ${i + 1}: its upper half becomes a new layer`, "layer-insert", false,
      () => editor.batch(`insert a soil layer above layer ${i + 1}`, splitOps(asLayers(), i))),
    button("Delete", `delete layer ${i + 1}`, "layer-delete", false, () => editor.remove(`/soilLayers/${i}`, `delete soil layer ${i + 1}`))));
  block.appendChild(el("p", { class: "note soil-note" }, SOIL_NOTES[type] ?? "An unknown soil type: choose one of the list."));
  block.appendChild(el("p", { class: "error layer-joint", role: "alert" }));
  const unused = (f: Column) => !soilUses(type, f.key);
  const t = el("table", { class: "data edit soil-values" });
  t.appendChild(el("thead", {}, el("tr", {}, el("th", {}, ""), el("th", { class: "num" }, `X [${u.length}]`),
    ...fields.map((f) => el("th", { class: "num" + (unused(f) ? " unused" : ""), title: f.key }, head(f))))));
  const tb = el("tbody");
  for (const s of ["top", "bottom"])
    tb.appendChild(el("tr", {}, el("th", {}, s),
      el("td", {}, numberInput(`/soilLayers/${i}/${s}/x`, `X of the ${s} of layer ${i + 1}`)),
      ...fields.map((f) => el("td", { class: unused(f) ? "unused" : "" }, numberInput(`/soilLayers/${i}/${s}/${f.path}`, `${f.key} at the ${s} of layer ${i + 1}`, "0")))));
  t.appendChild(tb);
  block.appendChild(el("div", { class: "soil-values-box" }, t));
  const kept = fields.filter(unused);
  if (kept.length)
    block.appendChild(el("p", { class: "note kept" }, `Not read by ${soilType(type).name}, kept in the layer: ${kept.map((f) => f.label).join(", ")}.`));
  return block;
}

// ------------------------------------------------- what follows the typing

const range = (a: Json | undefined, b: Json | undefined): string => {
  const s = (v: Json | undefined) => (typeof v === "number" ? fmt(v) : v === undefined ? "–" : show(v));
  return a === undefined && b === undefined ? "" : `${s(a)} → ${s(b)}`;
};

const SHORT: Record<Joint["kind"], string> = { gap: "gap above", overlap: "overlaps the layer above", thickness: "no thickness" };

function summaryRows(body: HTMLElement, layers: Layer[], flags: Map<number, Joint[]>): void {
  clear(body);
  layers.forEach((l, i) => {
    const type = typeOf(l);
    const t = (l.top ?? {}) as Record<string, Json>, b = (l.bottom ?? {}) as Record<string, Json>;
    const rock = soilUses(type, "compressiveStrength");
    const strength = rock ? range(t.compressiveStrength ?? t.undrainedShearStrength, b.compressiveStrength ?? b.undrainedShearStrength)
      : soilUses(type, "undrainedShearStrength") ? range(t.undrainedShearStrength, b.undrainedShearStrength) : "";
    const go = button(String(i + 1), `show layer ${i + 1}`, "link", false, () => {
      document.getElementById(`soil-layer-${i + 1}`)?.scrollIntoView({ block: "start", behavior: "smooth" });
    });
    const flag = flags.get(i);
    body.appendChild(el("tr", { "data-row": i + 1, class: flag ? "flagged" : "" },
      el("td", {}, go),
      el("td", { class: "num" }, show(t.x as Json)),
      el("td", { class: "num" }, show(b.x as Json)),
      el("td", {}, el("span", { class: "swatch", style: `background:${soilType(type).colour}` }), soilType(type).name),
      el("td", { class: "num" }, strength ? `${rock ? "qu" : "c"} ${strength}` : ""),
      el("td", { class: "num" }, soilUses(type, "frictionAngle") ? range(t.frictionAngle, b.frictionAngle) : ""),
      el("td", { class: "num" }, range(t.effectiveUnitWeight, b.effectiveUnitWeight)),
      el("td", { class: "error", title: flag ? flag.map((j) => j.message).join(" ") : "" }, flag ? flag.map((j) => SHORT[j.kind]).join(", ") : "")));
  });
}

/** [value, X] points of segments, with a break between layers. */
const points = (segs: Segment[]): (number[] | string)[] => segs.flatMap((s, k) => [...(k ? ["-"] : []), s.top, s.bottom]);

function plot(box: HTMLElement, layers: Layer[], depth: [number, number]): void {
  const u = units();
  const series = {
    c: depthSeries(layers, "undrainedShearStrength"),
    qu: depthSeries(layers, "compressiveStrength"),
    phi: depthSeries(layers, "frictionAngle"),
    gamma: depthSeries(layers, "effectiveUnitWeight"),
  };
  box.dataset.series = JSON.stringify(Object.fromEntries(Object.entries(series).map(([k, v]) => [k, v.map((s) => [s.top, s.bottom])])));
  disposeWithin(box);
  const panels = [
    { name: `Strength [${u.stress}]`, lines: [["c", series.c, "#1f5fa8"], ["qu", series.qu, "#8e44ad"]] },
    { name: "φ [°]", lines: [["φ", series.phi, "#d35400"]] },
    { name: `γ' [${u.unitWeight}]`, lines: [["γ'", series.gamma, "#2e8b57"]] },
  ] as const;
  const w = 100 / panels.length;
  chart(box, {
    toolbox: { ...toolbox("soil-profile"), top: "bottom" },
    tooltip: { trigger: "item", formatter: (p: { seriesName: string; value: number[] }) => `${p.seriesName} ${fmt(p.value[0])} at X ${fmt(p.value[1])} ${u.length}` },
    // The depth axis spans the same height as the soil column beside it (soil.css).
    grid: panels.map((_, k) => ({ left: `${k * w + (k ? 4 : 10)}%`, width: `${w - (k ? 8 : 14)}%`, top: 60, bottom: 40 })),
    xAxis: panels.map((p, k) => ({ type: "value", gridIndex: k, position: "top", name: p.name, nameLocation: "middle", nameGap: 22, scale: false, splitNumber: 3 })),
    yAxis: panels.map((_, k) => ({ type: "value", gridIndex: k, inverse: true, min: depth[0], max: depth[1], name: k ? "" : `X [${u.length}]`, axisLabel: { show: k === 0 } })),
    series: panels.flatMap((p, k) => p.lines.map(([name, segs, colour]) => ({
      name, type: "line", xAxisIndex: k, yAxisIndex: k, data: points(segs as Segment[]), connectNulls: false,
      symbolSize: 5, color: colour, lineStyle: { width: 2 },
    }))),
  });
}

function column(box: HTMLElement, layers: Layer[], depth: [number, number]): void {
  const u = units();
  clear(box);
  const [lo, hi] = depth;
  const span = hi - lo || 1;
  const at = (x: number) => `${(100 * (x - lo)) / span}%`;
  const scale = el("div", { class: "soil-scale" });
  layers.forEach((l, i) => {
    const t = Number(l.top?.x), b = Number(l.bottom?.x);
    if (!Number.isFinite(t) || !Number.isFinite(b) || !(b > t)) return;
    const st = soilType(l.type);
    scale.appendChild(el("div", { class: "soil-layer", "data-layer": i + 1, style: `top:${at(t)};height:${at(lo + b - t)};background:${st.colour}`, title: `${i + 1}. ${st.name}, X ${fmt(t)} to ${fmt(b)} ${u.length}` },
      el("span", {}, `${i + 1}. ${st.name}`)));
  });
  for (const j of layerJoints(layers)) {
    if (j.kind !== "overlap") continue;
    const above = Number(layers[j.layer - 1].bottom?.x), top = Number(layers[j.layer].top?.x);
    scale.appendChild(el("div", { class: "soil-overlap", style: `top:${at(top)};height:${at(lo + above - top)}`, title: j.message }));
  }
  const reach = pileReach(doc());
  if (reach) {
    scale.appendChild(el("div", { class: "soil-pile", style: `top:${at(reach.head)};height:${at(lo + reach.tip - reach.head)}`, title: `pile from X ${fmt(reach.head)} to ${fmt(reach.tip)} ${u.length}` }));
    scale.appendChild(el("span", { class: "pile-tip", style: `top:${at(reach.tip)}` }, `tip ${fmt(reach.tip)}`));
  }
  for (const x of [lo, hi]) scale.appendChild(el("span", { class: "tick", style: `top:${at(x)}` }, fmt(x)));
  box.appendChild(scale);
  const out = document.getElementById("soil-reach");
  if (!out) return;
  const bottom = Math.max(-Infinity, ...layers.map((l) => Number(l.bottom?.x)).filter(Number.isFinite));
  const note = !reach ? "No pile property: no pile is drawn."
    : !layers.length ? "No soil layers."
    : reach.tip > bottom ? `The pile tip at X ${fmt(reach.tip)} lies below the last layer (X ${fmt(bottom)}): the profile must reach below the tip.`
    : `The pile reaches X ${fmt(reach.tip)} ${u.length}; the last layer ends at X ${fmt(bottom)}.`;
  out.textContent = note;
  out.className = reach && layers.length && reach.tip > bottom ? "error" : "muted";
}

/** Redraws what follows the values: the table, the flags, the plot and the column. */
function follow(page: HTMLElement): void {
  const layers = asLayers();
  const u = units();
  const joints = layerJoints(layers, u.length);
  const flags = new Map<number, Joint[]>();
  for (const j of joints) flags.set(j.layer, [...(flags.get(j.layer) ?? []), j]);
  const body = page.querySelector<HTMLElement>("#soil-table tbody");
  if (body) summaryRows(body, layers, flags);
  page.querySelectorAll<HTMLElement>("fieldset.layer").forEach((f) => {
    const i = Number(f.dataset.layer) - 1;
    const p = f.querySelector(".layer-joint");
    if (p) p.textContent = (flags.get(i) ?? []).map((j) => j.message).join(" ");
    f.classList.toggle("flagged", flags.has(i));
  });
  const xs = layers.flatMap((l) => [Number(l.top?.x), Number(l.bottom?.x)]).filter(Number.isFinite);
  const reach = pileReach(doc());
  if (reach) xs.push(reach.head, reach.tip);
  const depth: [number, number] = xs.length ? [Math.min(...xs), Math.max(...xs)] : [0, 1];
  if (depth[1] === depth[0]) depth[1] = depth[0] + 1;
  const plotBox = page.querySelector<HTMLElement>("#soil-plot");
  if (plotBox) plot(plotBox, layers, depth);
  const col = page.querySelector<HTMLElement>("#edit-soil-column");
  if (col) column(col, layers, depth);
}

function render(box: HTMLElement): void {
  const layers = asLayers();
  const u = units();
  box.appendChild(el("p", { class: "note" }, GENERAL_NOTE));
  const layout = el("div", { class: "soil-grid" });
  const left = el("div", { class: "panel" });
  const right = el("div", { class: "panel soil-drawings" });
  layout.append(left, right);
  box.appendChild(layout);

  left.appendChild(el("h3", {}, `Soil layers (${layers.length}), from the top down`));
  const table = el("table", { class: "data", id: "soil-table", "data-testid": "soil-table" },
    el("thead", {}, el("tr", {}, el("th", {}, "#"), el("th", { class: "num" }, `top X [${u.length}]`), el("th", { class: "num" }, `bottom X [${u.length}]`),
      el("th", {}, "type"), el("th", { class: "num" }, `strength [${u.stress}]`), el("th", { class: "num" }, "φ [°]"),
      el("th", { class: "num" }, `γ' [${u.unitWeight}]`), el("th", {}, ""))),
    el("tbody"));
  left.appendChild(el("div", { class: "soil-table-box" }, table));
  layers.forEach((_, i) => left.appendChild(layerBlock(layers, i)));
  const add = el("button", { type: "button", id: "layer-add" }, "+ Layer below");
  add.addEventListener("click", () => {
    // The layers as they stand now: values typed since the page was drawn count.
    const now = asLayers();
    const ops: Operation[] = [{ op: "insert", path: `/soilLayers/${now.length}`, value: layerBelow(now) as Json }];
    if (!Array.isArray(doc().soilLayers)) ops.unshift({ op: "set", path: "/soilLayers", value: [] });
    editor.batch("add a soil layer", ops);
  });
  left.appendChild(el("p", {}, add));

  right.appendChild(el("h3", {}, "Along depth"));
  const row = el("div", { class: "soil-row" },
    el("div", { class: "soil-side", id: "edit-soil-column", "data-testid": "edit-soil-column" }),
    el("div", { class: "soil-plot", id: "soil-plot", "data-testid": "soil-plot" }));
  right.appendChild(row);
  right.appendChild(el("p", { id: "soil-reach", "aria-live": "polite" }));
  right.appendChild(el("p", { class: "note" }, "Values as typed, linear within each layer; a layer whose type does not read a property leaves a break. The pile is the longest pile property from the highest pile head, drawn vertical."));
  follow(box);
}

// A value typed redraws the table, the flags and the drawings, not the inputs.
editor.onChange((kind) => {
  if (!typing.now || kind !== "edit") return;
  const page = document.getElementById("edit-soil");
  if (page?.isConnected) follow(page);
});

export const soilPage: Page = {
  key: "soil",
  label: "Soil",
  keys: ["soilLayers"],
  render,
};
