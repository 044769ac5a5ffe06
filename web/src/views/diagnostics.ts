// SPDX-License-Identifier: Apache-2.0
// The list of a model's diagnostics: severity, where (pointer, line) and what.

import { el } from "../util";
import type { Diagnostic } from "../types";

export function diagnosticsList(diagnostics: Diagnostic[], heading: string): HTMLElement {
  const list = el("ol", { class: "diagnostics", id: "diagnostics", "data-testid": "diagnostics" });
  for (const d of diagnostics) {
    const where = [
      d.pointer !== undefined ? (d.pointer === "" ? "(the document)" : d.pointer) : null,
      d.line ? `line ${d.line}${d.column ? ":" + d.column : ""}` : null,
    ]
      .filter(Boolean)
      .join(", ");
    list.appendChild(
      el(
        "li",
        { class: "diagnostic " + (d.severity ?? "error"), "data-severity": d.severity ?? "error", "data-pointer": d.pointer ?? "" },
        el("span", { class: "severity" }, d.severity ?? "error"),
        " ",
        el("code", { class: "pointer" }, where),
        " ",
        el("span", { class: "message" }, d.message ?? ""),
      ),
    );
  }
  return el("div", { class: "diagnostics-box", role: "alert" }, el("h3", {}, heading), list);
}
