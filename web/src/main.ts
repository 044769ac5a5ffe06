// SPDX-License-Identifier: Apache-2.0
// pylora-web: the application's shell, a header bar with its four views.

import "./style.css";
import { el, clear } from "./util";
import { onShow, state, type View } from "./state";
import { disposeWithin } from "./charts";
import { renderOpen } from "./views/open";
import { renderModel } from "./views/model";
import { renderRun } from "./views/run";
import { renderResults } from "./views/results";
import { token } from "./api";
import { editor } from "./editor/session";
import type { Doc } from "./types";

const VIEWS: { key: View; label: string }[] = [
  { key: "open", label: "Open" },
  { key: "model", label: "Model" },
  { key: "run", label: "Run" },
  { key: "results", label: "Results" },
];

const app = document.getElementById("app") as HTMLElement;
const nav = el("nav", { class: "tabs", "aria-label": "Views" });
const status = el("span", { class: "status", id: "status", "data-testid": "status", "aria-live": "polite" });
const header = el(
  "header",
  { class: "bar" },
  el("span", { class: "brand" }, "pylora-web"),
  nav,
  status,
);
const main = el("main", { id: "view", tabindex: -1 });
app.append(header, main);

const buttons = new Map<View, HTMLButtonElement>();
for (const v of VIEWS) {
  const b = el("button", { id: "tab-" + v.key, "data-testid": "tab-" + v.key, type: "button", class: "tab" }, v.label);
  b.addEventListener("click", () => go(v.key));
  buttons.set(v.key, b);
  nav.appendChild(b);
}

let current: View = "open";

// The model being edited before the page was reloaded.
if (editor.hasDocument && !state.source) state.source = { name: editor.name, document: editor.doc as Doc };

function updateStatus(): void {
  const parts: string[] = [];
  if (state.source) parts.push(state.source.document?.title || state.source.name);
  if (state.runId) parts.push(`run ${state.runId.slice(0, 8)}: ${state.runState ?? "…"}`);
  status.textContent = parts.join(" · ");
}

function go(view: View): void {
  current = view;
  for (const [k, b] of buttons) {
    b.classList.toggle("active", k === view);
    if (k === view) b.setAttribute("aria-current", "page");
    else b.removeAttribute("aria-current");
  }
  disposeWithin(main);
  clear(main);
  main.dataset.view = view;
  const section = el("section", { id: "view-" + view, "data-testid": "view-" + view, class: "view" });
  main.appendChild(section);
  if (!token) {
    section.appendChild(
      el("p", { class: "error" }, "This page was opened without its token: open the address that pylora-web printed (…/?token=…)."),
    );
  }
  const render = { open: renderOpen, model: renderModel, run: renderRun, results: renderResults }[view];
  render(section);
  updateStatus();
}

onShow((v) => go(v));
setInterval(updateStatus, 1000);
go(current);
