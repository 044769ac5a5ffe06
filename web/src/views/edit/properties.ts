// SPDX-License-Identifier: Apache-2.0
// The Properties page: the pile properties with their sections, and the cross sections.

import { el } from "../../util";
import type { Page } from "./common";

function render(box: HTMLElement): void {
  box.appendChild(el("p", { class: "muted" }, "Not yet editable here."));
}

export const propertiesPage: Page = {
  key: "properties",
  label: "Properties",
  keys: ["pileProperties", "crossSections", "momentCurvatureSets"],
  render,
};
