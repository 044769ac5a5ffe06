// SPDX-License-Identifier: Apache-2.0
// The Combinations page: the combinations of the load cases with their factors, and the envelopes.

import { el } from "../../util";
import type { Page } from "./common";

function render(box: HTMLElement): void {
  box.appendChild(el("p", { class: "muted" }, "Not yet editable here."));
}

export const combinationsPage: Page = {
  key: "combinations",
  label: "Combinations",
  keys: ["combinations", "envelopes"],
  render,
};
