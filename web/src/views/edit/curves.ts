// SPDX-License-Identifier: Apache-2.0
// The Curves page: the user's curves as point tables, each with its plot, and the p-y curves to print.

import { el } from "../../util";
import type { Page } from "./common";

function render(box: HTMLElement): void {
  box.appendChild(el("p", { class: "muted" }, "Not yet editable here."));
}

export const curvesPage: Page = {
  key: "curves",
  label: "Curves",
  keys: ["userPyCurves", "userLoadSettlementCurves", "userTorqueRotationCurves", "printPyCurves"],
  render,
};
