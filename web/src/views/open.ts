// SPDX-License-Identifier: Apache-2.0
// Open: a bundled example, a model file (.dat, .json, .yaml, .yml) or the
// text of one, checked by the server before it is shown; and the runs of
// this server.

import { el, clear } from "../util";
import { getJson, postModel, ApiError } from "../api";
import { state, show } from "../state";
import type { Diagnostic, ExampleInfo, RunInfo, Doc } from "../types";
import { diagnosticsList } from "./diagnostics";
import { editor } from "../editor/session";
import { TEMPLATES } from "../editor/templates";

const FORMATS: Record<string, string> = { dat: "dat", json: "json", yaml: "yaml", yml: "yaml" };

function formatOf(name: string): string | null {
  const m = /\.([A-Za-z]+)$/.exec(name);
  return m ? FORMATS[m[1].toLowerCase()] ?? null : null;
}

/** Whether the model being edited may give way to another (asks when it has unsaved changes). */
function mayReplace(): boolean {
  return !editor.hasDocument || !editor.dirty ||
    window.confirm(`The model being edited (${String((editor.doc as Doc).title ?? "") || editor.name}) has unsaved changes. Open another all the same?`);
}

/**
 * The model document of a YAML or input data file, for the editor (the
 * program reads the file and writes its document); null when it cannot be
 * had: the file is then run as it is.
 */
async function editable(text: string, format: string): Promise<Doc | null> {
  try {
    return (await postModel<{ document: Doc }>("/api/convert?to=json", text, format)).document ?? null;
  } catch {
    return null;
  }
}

/** Checks a model's text; a valid model becomes the model shown. */
async function checkText(name: string, text: string, format: string, out: HTMLElement): Promise<void> {
  clear(out);
  out.appendChild(el("p", { class: "busy" }, `Checking ${name}…`));
  let document: Doc | null = null;
  if (format === "json") {
    try {
      document = JSON.parse(text) as Doc;
    } catch (e) {
      clear(out);
      out.appendChild(
        diagnosticsList([{ severity: "error", pointer: "", message: `not JSON: ${(e as Error).message}` }], `${name} is not a model`),
      );
      return;
    }
  }
  try {
    const answer = await postModel<{ valid: boolean; diagnostics: Diagnostic[] }>("/api/check", text, format);
    clear(out);
    if (!answer.valid) {
      out.appendChild(diagnosticsList(answer.diagnostics ?? [], `${name} is refused`));
      return;
    }
    if (!document) document = await editable(text, format);
    if (document && !mayReplace()) return;
    state.source = { name, document, text, format };
    state.runId = null;
    state.runState = null;
    const warnings = (answer.diagnostics ?? []).filter((d) => d.severity === "warning");
    out.appendChild(el("p", { class: "ok", "data-testid": "check-ok" }, `${name}: the model is valid.`));
    if (warnings.length) out.appendChild(diagnosticsList(warnings, "Warnings"));
    const go = el("button", { type: "button", class: "primary", id: "open-model" }, "Show the model");
    go.addEventListener("click", () => show("model"));
    out.appendChild(go);
    if (!warnings.length) show("model");
  } catch (e) {
    clear(out);
    const body = e instanceof ApiError ? (e.body as { diagnostics?: Diagnostic[] } | null) : null;
    if (body && Array.isArray(body.diagnostics)) out.appendChild(diagnosticsList(body.diagnostics, `${name} is refused`));
    else out.appendChild(el("p", { class: "error", role: "alert" }, `Could not check ${name}: ${(e as Error).message}`));
  }
}

export function renderOpen(root: HTMLElement): void {
  root.appendChild(el("h2", {}, "Open a model"));
  const fresh = el("button", { type: "button", id: "new-model", "data-testid": "new-model" }, "New model");
  const template = el("select", { id: "new-template", "aria-label": "What the new model starts from" },
    ...TEMPLATES.map((t) => el("option", { value: t.key, title: t.note }, t.label)));
  fresh.addEventListener("click", () => {
    if (!mayReplace()) return;
    const from = TEMPLATES.find((t) => t.key === template.value) ?? TEMPLATES[0];
    editor.load(from.document(), "new model");
    state.source = { name: editor.name, document: editor.doc as Doc };
    state.runId = null;
    state.runState = null;
    show("model");
  });
  const start = el("p", { class: "start" }, fresh, " ", template);
  if (editor.hasDocument) {
    const again = el("button", { type: "button", id: "continue-editing" }, `Go on editing: ${String((editor.doc as Doc).title ?? "") || editor.name}${editor.dirty ? " (unsaved changes)" : ""}`);
    again.addEventListener("click", () => {
      state.source = { name: editor.name, document: editor.doc as Doc };
      show("model");
    });
    start.append(" ", again);
  }
  root.appendChild(start);
  const grid = el("div", { class: "open-grid" });
  root.appendChild(grid);

  // Examples.
  const examples = el("div", { class: "panel" }, el("h3", {}, "Bundled examples"));
  const exampleList = el("ul", { class: "examples", id: "examples", "data-testid": "examples" }, el("li", {}, "Loading…"));
  examples.appendChild(exampleList);
  grid.appendChild(examples);
  getJson<ExampleInfo[]>("/api/examples")
    .then((list) => {
      clear(exampleList);
      if (!list.length) exampleList.appendChild(el("li", {}, "No examples."));
      for (const x of list) {
        const b = el("button", { type: "button", id: "example-" + x.name, "data-testid": "example-" + x.name, class: "example" },
          el("strong", {}, x.name),
          el("span", { class: "sub" }, x.title ?? ""),
          el("span", { class: "meta" }, `${x.analysis === "twoDimensional" ? "2-D" : "3-D"}, ${x.pileGroups ?? "?"} pile groups`),
        );
        b.addEventListener("click", async () => {
          if (!mayReplace()) return;
          b.disabled = true;
          try {
            const ex = await getJson<{ name: string; document: Doc }>(`/api/examples/${encodeURIComponent(x.name)}`);
            state.source = { name: x.name, document: ex.document };
            state.runId = null;
            state.runState = null;
            show("model");
          } catch (e) {
            exampleList.appendChild(el("li", { class: "error" }, `Could not open ${x.name}: ${(e as Error).message}`));
            b.disabled = false;
          }
        });
        exampleList.appendChild(el("li", {}, b));
      }
    })
    .catch((e) => {
      clear(exampleList);
      exampleList.appendChild(el("li", { class: "error" }, `Could not list the examples: ${(e as Error).message}`));
    });

  // A file, or pasted text.
  const filePanel = el("div", { class: "panel" }, el("h3", {}, "A model file"));
  const out = el("div", { id: "open-result", "data-testid": "open-result", "aria-live": "polite" });
  const input = el("input", { type: "file", id: "file-input", "data-testid": "file-input", accept: ".dat,.json,.yaml,.yml" });
  const label = el("label", { for: "file-input" }, "Input data file (.dat) or model document (.json, .yaml, .yml): ");
  input.addEventListener("change", async () => {
    const file = input.files?.[0];
    if (!file) return;
    const format = formatOf(file.name);
    if (!format) {
      clear(out);
      out.appendChild(el("p", { class: "error", role: "alert" }, `${file.name}: give a .dat, .json, .yaml or .yml file.`));
      return;
    }
    await checkText(file.name, await file.text(), format, out);
  });
  filePanel.append(el("p", {}, label, input));

  const area = el("textarea", { id: "paste-text", "data-testid": "paste-text", rows: 8, spellcheck: "false", placeholder: "…or paste the text of a model here" });
  const format = el("select", { id: "paste-format", "aria-label": "Format of the text" },
    el("option", { value: "yaml" }, "YAML"), el("option", { value: "json" }, "JSON"), el("option", { value: "dat" }, "input data file"));
  const check = el("button", { type: "button", id: "paste-check", "data-testid": "paste-check" }, "Check");
  check.addEventListener("click", () => {
    if (area.value.trim()) void checkText(`pasted ${format.value.toUpperCase()}`, area.value, format.value, out);
  });
  filePanel.append(area, el("p", {}, format, " ", check), out);
  grid.appendChild(filePanel);

  // Runs of this server.
  const runsPanel = el("div", { class: "panel wide" }, el("h3", {}, "Runs of this server"));
  const runs = el("table", { class: "runs", id: "runs" });
  runsPanel.appendChild(runs);
  root.appendChild(runsPanel);
  getJson<RunInfo[]>("/api/runs")
    .then((list) => {
      if (!list.length) {
        runs.replaceWith(el("p", { class: "muted" }, "None yet."));
        return;
      }
      runs.appendChild(el("thead", {}, el("tr", {}, el("th", {}, "title"), el("th", {}, "state"), el("th", {}, "created"), el("th", {}, ""))));
      const body = el("tbody");
      for (const r of list.slice().reverse()) {
        const b = el("button", { type: "button" }, r.state === "completed" ? "Results" : "Follow");
        b.addEventListener("click", () => {
          state.runId = r.id;
          state.runState = r.state;
          if (!state.source) state.source = { name: r.title ?? r.id, document: null };
          show(r.state === "completed" ? "results" : "run");
        });
        body.appendChild(el("tr", {}, el("td", {}, r.title ?? ""), el("td", {}, r.state), el("td", {}, String(r.created ?? "")), el("td", {}, b)));
      }
      runs.appendChild(body);
    })
    .catch(() => runs.replaceWith(el("p", { class: "muted" }, "The runs could not be listed.")));
}
