// SPDX-License-Identifier: Apache-2.0
// The Soil page: the layers from the top down, each with the properties its
// soil type reads, beside the soil column.

import { el, SOIL_TYPES } from "../../util";
import type { Doc } from "../../types";
import { editor } from "../../editor/session";
import type { Json } from "../../editor/document";
import { soilFieldsOf } from "../../editor/fields";
import { doc, head, numberInput, selectInput, show, units, type EditorHooks, type Page } from "./common";

function render(box: HTMLElement, hooks: EditorHooks): void {
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


export const soilPage: Page = {
  key: "soil",
  label: "Soil",
  keys: ["soilLayers"],
  render,
};
