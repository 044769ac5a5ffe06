// SPDX-License-Identifier: Apache-2.0
// The editor's files: the document downloaded as a model document (YAML or
// JSON) or as an input data file. JSON is written here; YAML and the input
// data file are written by the program, through the server.

import { el, saveText } from "../../util";
import { postModel } from "../../api";
import { editor } from "../../editor/session";
import type { Doc } from "../../types";

export interface SaveFormat {
  key: "yaml" | "json" | "dat";
  label: string;
  suffix: string;
  type: string;
}

export const SAVE_FORMATS: SaveFormat[] = [
  { key: "yaml", label: "YAML model document", suffix: ".yaml", type: "application/yaml" },
  { key: "json", label: "JSON model document", suffix: ".json", type: "application/json" },
  { key: "dat", label: "Input data file", suffix: ".dat", type: "text/plain" },
];

/** A file name for the model: its own name, else its title, tidied. */
export function baseName(name: string, title: string): string {
  const from = name.replace(/\.(ya?ml|json|dat)$/i, "") || title || "model";
  return from.replace(/[^A-Za-z0-9._-]+/g, "-").replace(/^[-.]+|-+$/g, "").slice(0, 60) || "model";
}

/** The text of the document in a format: JSON here, the others converted by the server. */
export async function documentText(format: SaveFormat["key"], doc: object): Promise<string> {
  if (format === "json") return JSON.stringify(doc, null, 2) + "\n";
  const answer = await postModel<{ text: string }>(`/api/convert?to=${format}`, doc);
  return answer.text;
}

/** The Save menu of the editor's bar; after each file written, done(). */
export function fileMenu(done: () => void): HTMLElement {
  const box = el("span", { class: "file-menu" });
  const format = el("select", { id: "save-format", "aria-label": "Format of the saved file" },
    ...SAVE_FORMATS.map((f) => el("option", { value: f.key }, `${f.label} (${f.suffix})`)));
  const save = el("button", { type: "button", id: "save", "data-testid": "save" }, "Save");
  const problem = el("span", { class: "error", id: "save-error", role: "alert" });
  save.addEventListener("click", async () => {
    const f = SAVE_FORMATS.find((x) => x.key === format.value) ?? SAVE_FORMATS[0];
    problem.textContent = "";
    save.disabled = true;
    try {
      const text = await documentText(f.key, editor.doc as object);
      saveText(baseName(editor.name, String((editor.doc as Doc).title ?? "")) + f.suffix, text, f.type);
      editor.markSaved();
      done();
    } catch (e) {
      problem.textContent = `The model could not be written as ${f.label.toLowerCase()}: ${(e as Error).message}`;
    } finally {
      save.disabled = false;
    }
  });
  box.append(format, " ", save, " ", problem);
  return box;
}
