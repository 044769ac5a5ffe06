// SPDX-License-Identifier: Apache-2.0
// The General page: the title, the switches as named choices with a line on
// each, and the size of the pile cap.

import { el } from "../../util";
import { editor } from "../../editor/session";
import { SWITCHES, switchValue, switchJson } from "../../editor/fields";
import { bind, numberInput, textInput, units, type Page } from "./common";

function render(box: HTMLElement): void {
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


export const generalPage: Page = {
  key: "general",
  label: "General",
  keys: ["title", "units", "analysis", "embeddedCap", "groupFactors", "pyCurveOption", "cap", "pylora"],
  render,
};
