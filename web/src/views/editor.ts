// SPDX-License-Identifier: Apache-2.0
// The model editor inside the Model view: its pages (edit/), the bar with
// undo, redo, the files and the run, and the server's check of the
// document. Every input is bound to the JSON Pointer of its value; a
// diagnostic of the check is shown at the input of its pointer and in a
// list that leads to it.

import { el, clear } from "../util";
import { state } from "../state";
import type { Diagnostic, Doc } from "../types";
import { editor, check, onCheck, scheduleCheck, errorsOf } from "../editor/session";
import { parsePointer } from "../editor/document";
import { placeDiagnostic } from "../editor/fields";
import { doc, setRerender, typing, type EditorHooks, type Page } from "./edit/common";
import { generalPage } from "./edit/general";
import { pilesPage } from "./edit/piles";
import { propertiesPage } from "./edit/properties";
import { soilPage } from "./edit/soil";
import { loadsPage } from "./edit/loads";
import { combinationsPage } from "./edit/combinations";
import { curvesPage } from "./edit/curves";
import { fileMenu } from "./edit/files";

export type { EditorHooks } from "./edit/common";

const overviewPage: Page = { key: "overview", label: "Overview", keys: [], render: (box, hooks) => hooks.overview(doc(), box) };

const PAGES: Page[] = [overviewPage, generalPage, pilesPage, propertiesPage, soilPage, loadsPage, combinationsPage, curvesPage];

let tab = "overview";

// Another model opened: its overview first, nothing selected.
editor.onChange((kind) => {
  if (kind !== "load") return;
  tab = "overview";
  for (const p of PAGES) p.reset?.();
});

/** Which page shows the value at pointer. */
function pageOf(pointer: string): Page {
  const first = parsePointer(pointer)[0] ?? "";
  return PAGES.find((p) => p.keys.includes(first)) ?? overviewPage;
}

// ---------------------------------------------------------------- the editor

let root: HTMLElement | null = null;
let body: HTMLElement | null = null;
let hooksOf: EditorHooks | null = null;
let unlisten: (() => void)[] = [];

function renderTab(): void {
  if (!body || !hooksOf) return;
  const active = document.activeElement as HTMLElement | null;
  const focused = active?.dataset?.pointer ?? active?.id ?? null;
  clear(body);
  root?.querySelectorAll<HTMLButtonElement>(".editor-tabs button").forEach((b) => {
    b.classList.toggle("active", b.dataset.tab === tab);
    b.setAttribute("aria-selected", String(b.dataset.tab === tab));
  });
  body.dataset.tab = tab;
  const page = el("div", { class: "editor-page", id: "edit-" + tab, "data-testid": "edit-" + tab });
  body.appendChild(page);
  (PAGES.find((p) => p.key === tab) ?? overviewPage).render(page, hooksOf);
  markFields();
  if (focused) {
    const again = page.querySelector<HTMLElement>(`[data-pointer="${CSS.escape(focused)}"]`) ?? document.getElementById(focused);
    again?.focus();
  }
}

/** The drawings and the title follow a typed edit without rebuilding the inputs. */
function refreshDrawings(): void {
  if (!body || !hooksOf) return;
  const title = root?.querySelector("#model-title");
  if (title) title.textContent = String(doc().title ?? "") || editor.name;
  const plan = body.querySelector("#edit-plan");
  if (plan) {
    const old = plan.querySelector("svg, p.muted");
    const groups = Array.isArray(doc().pileGroups) ? doc().pileGroups : [];
    const fresh = groups.length ? hooksOf.plan(doc()) : el("p", { class: "muted" }, "No pile groups.");
    if (old) old.replaceWith(fresh);
  }
  const column = body.querySelector("#edit-soil-column #soil-profile");
  if (column) column.replaceWith(hooksOf.soil(doc()));
}

function updateBar(): void {
  if (!root) return;
  const undo = root.querySelector<HTMLButtonElement>("#undo");
  const redo = root.querySelector<HTMLButtonElement>("#redo");
  if (undo) {
    undo.disabled = !editor.canUndo;
    undo.title = editor.undoLabel ? `Undo: ${editor.undoLabel} (Ctrl+Z)` : "Nothing to undo";
  }
  if (redo) {
    redo.disabled = !editor.canRedo;
    redo.title = editor.redoLabel ? `Redo: ${editor.redoLabel} (Ctrl+Y)` : "Nothing to redo";
  }
  const saved = root.querySelector("#unsaved");
  if (saved) saved.textContent = editor.dirty ? "unsaved changes" : "";
  const run = root.querySelector<HTMLButtonElement>("#run-button");
  const why = root.querySelector("#run-blocked");
  const errors = errorsOf(check.diagnostics);
  if (run && why) {
    // The errors of the last answer block the run; while a check is on its
    // way the run may start (the server checks the model again and refuses it).
    const blocked = errors.length ? `The model has ${errors.length} error${errors.length > 1 ? "s" : ""}: correct ${errors.length > 1 ? "them" : "it"} to run.`
      : !(Array.isArray(doc().pileGroups) && doc().pileGroups.length) ? "The model has no piles." : "";
    run.disabled = blocked !== "";
    why.textContent = blocked;
  }
  const status = root.querySelector("#check-status");
  if (status) {
    status.textContent = check.pending ? "Checking…" : check.failure ? `The model could not be checked: ${check.failure}`
      : errors.length ? `${errors.length} error${errors.length > 1 ? "s" : ""}` : `The model is valid${check.diagnostics.length ? ` (${check.diagnostics.length} warnings)` : ""}.`;
    status.className = "check-status " + (check.pending ? "busy" : errors.length || check.failure ? "error" : "ok");
  }
}

function markFields(): void {
  if (!body) return;
  body.querySelectorAll<HTMLElement>(".invalid").forEach((e) => {
    e.classList.remove("invalid", "warning");
    e.removeAttribute("aria-invalid");
    delete e.dataset.message;
    e.title = "";
  });
  body.querySelectorAll(".field-message").forEach((e) => e.remove());
  const inputs = [...body.querySelectorAll<HTMLElement>("[data-pointer]")];
  const bound = [...new Set(inputs.map((i) => i.dataset.pointer ?? ""))];
  for (const d of check.diagnostics) {
    const at = placeDiagnostic(d.pointer ?? "", bound);
    if (at === null) continue;
    const input = inputs.find((i) => i.dataset.pointer === at);
    if (!input) continue;
    input.classList.add("invalid");
    if ((d.severity ?? "error") !== "error") input.classList.add("warning");
    input.setAttribute("aria-invalid", "true");
    input.dataset.message = [input.dataset.message, d.message].filter(Boolean).join("; ");
    input.title = input.dataset.message;
    if (!input.closest("table"))
      (input.closest("label") ?? input).after(el("span", { class: "field-message", role: "alert" }, d.message ?? ""));
  }
}

function diagnosticsPanel(box: HTMLElement): void {
  clear(box);
  if (!check.diagnostics.length) return;
  const list = el("ol", { class: "diagnostics", id: "edit-diagnostics", "data-testid": "edit-diagnostics" });
  for (const d of check.diagnostics) {
    const b = el("button", { type: "button", class: "link" }, d.pointer || "(the document)");
    b.addEventListener("click", () => jumpTo(d));
    list.appendChild(el("li", { class: "diagnostic " + (d.severity ?? "error"), "data-pointer": d.pointer ?? "" },
      el("span", { class: "severity" }, d.severity ?? "error"), " ", b, " ", el("span", { class: "message" }, d.message ?? "")));
  }
  box.appendChild(list);
}

/** Shows the page of a diagnostic's field and puts the focus there. */
function jumpTo(d: Diagnostic): void {
  const pointer = d.pointer ?? "";
  const page = pageOf(pointer);
  tab = page.key;
  page.reveal?.(parsePointer(pointer));
  renderTab();
  const inputs = [...(body?.querySelectorAll<HTMLElement>("[data-pointer]") ?? [])];
  const at = placeDiagnostic(pointer, [...new Set(inputs.map((i) => i.dataset.pointer ?? ""))]);
  const input = inputs.find((i) => i.dataset.pointer === at);
  if (input) {
    input.scrollIntoView({ block: "center" });
    input.focus();
  }
}

function keys(e: KeyboardEvent): void {
  if (!(e.ctrlKey || e.metaKey) || !root?.isConnected) return;
  const k = e.key.toLowerCase();
  if (k === "z" && !e.shiftKey) {
    e.preventDefault();
    editor.undo();
  } else if (k === "y" || (k === "z" && e.shiftKey)) {
    e.preventDefault();
    editor.redo();
  }
}
document.addEventListener("keydown", keys);

export function renderEditor(into: HTMLElement, hooks: EditorHooks): void {
  for (const u of unlisten) u();
  root = into;
  hooksOf = hooks;
  setRerender(renderTab);
  const title = el("h2", { id: "model-title" }, String(doc().title ?? "") || editor.name);
  const undo = el("button", { type: "button", id: "undo", "data-testid": "undo" }, "↶ Undo");
  const redo = el("button", { type: "button", id: "redo", "data-testid": "redo" }, "↷ Redo");
  undo.addEventListener("click", () => editor.undo());
  redo.addEventListener("click", () => editor.redo());
  const save = fileMenu(() => updateBar());
  const run = el("button", { type: "button", class: "primary", id: "run-button", "data-testid": "run-button" }, "Run");
  const out = el("div", { id: "model-run-result", "aria-live": "polite" });
  run.addEventListener("click", () => {
    editor.markSaved();
    hooks.run(out);
  });
  const why = el("span", { class: "run-blocked", id: "run-blocked", "data-testid": "run-blocked", "aria-live": "polite" });
  into.append(
    el("div", { class: "title-row" }, title, el("span", { class: "unsaved", id: "unsaved" }), undo, redo, save, run),
    el("p", { class: "run-why" }, why),
    out,
  );
  const nav = el("div", { class: "editor-tabs", role: "tablist", "aria-label": "Model pages" });
  for (const t of PAGES) {
    const b = el("button", { type: "button", role: "tab", class: "subtab", id: "edit-tab-" + t.key, "data-testid": "edit-tab-" + t.key, "data-tab": t.key }, t.label);
    b.addEventListener("click", () => {
      tab = t.key;
      renderTab();
    });
    nav.appendChild(b);
  }
  const status = el("p", { class: "check-status", id: "check-status", "data-testid": "check-status", "aria-live": "polite" });
  const diagnostics = el("div", { id: "edit-diagnostics-box" });
  body = el("div", { class: "editor-body", id: "editor-body" });
  into.append(nav, status, diagnostics, body);
  renderTab();
  diagnosticsPanel(diagnostics);
  updateBar();
  unlisten = [
    editor.onChange((kind) => {
      if (!into.isConnected) return;
      state.source = { name: editor.name, document: editor.doc as Doc };
      if (typing.now && kind === "edit") refreshDrawings();
      else {
        title.textContent = String(doc().title ?? "") || editor.name;
        renderTab();
      }
      updateBar();
    }),
    onCheck(() => {
      if (!into.isConnected) return;
      diagnosticsPanel(diagnostics);
      markFields();
      updateBar();
    }),
  ];
  if (!check.of || check.of !== editor.doc) scheduleCheck();
}

