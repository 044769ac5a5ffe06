// SPDX-License-Identifier: Apache-2.0
// Model: the document as an engineer checks it before a run — title and
// units, the plan of the pile heads, the soil profile, the loads — and the
// button that starts the run.

import { el, clear, fmt, documentUnits, soilType } from "../util";
import { postModel, getJson, ApiError } from "../api";
import { state, show } from "../state";
import type { Diagnostic, Doc } from "../types";
import { drawPlan, batter2d, batter3d, groupPiles, type PlanPile } from "../plan";
import { diagnosticsList } from "./diagnostics";
import { renderEditor } from "./editor";
import { editor } from "../editor/session";

export async function startRun(out: HTMLElement): Promise<void> {
  const src = state.source;
  if (!src) return;
  clear(out);
  out.appendChild(el("p", { class: "busy" }, "Starting the run…"));
  try {
    const model = src.document ?? src.text ?? "";
    const answer = await postModel<{ id: string; state: string }>(
      "/api/runs",
      src.document ? src.document : model,
      src.document ? undefined : src.format,
    );
    state.runId = answer.id;
    state.runState = answer.state;
    state.summary = null;
    state.summaryOf = null;
    if (!src.document) {
      // The run's own model document, for this view.
      getJson<Doc>(`/api/runs/${answer.id}/files/json`)
        .then((d) => {
          if (state.source === src) src.document = d;
        })
        .catch(() => undefined);
    }
    show("run");
  } catch (e) {
    clear(out);
    const body = e instanceof ApiError ? (e.body as { diagnostics?: Diagnostic[] } | null) : null;
    if (body && Array.isArray(body.diagnostics)) out.appendChild(diagnosticsList(body.diagnostics, "The model is refused"));
    else out.appendChild(el("p", { class: "error", role: "alert" }, `The run could not start: ${(e as Error).message}`));
  }
}

export function planOfDocument(doc: Doc, lengthUnit: string): SVGElement {
  const twoD = String(doc.analysis) === "twoDimensional" || String(doc.analysis) === "2";
  const groups: Doc[] = Array.isArray(doc.pileGroups) ? doc.pileGroups : [];
  const ys = groups.map((g) => Number(g.head?.y ?? 0));
  const span = Math.max(1, Math.max(...ys, 0) - Math.min(...ys, 0));
  const piles: PlanPile[] = [];
  groups.forEach((g, i) => {
    const y = Number(g.head?.y ?? 0);
    const z = Number(g.head?.z ?? 0);
    const b = twoD
      ? batter2d(typeof g.batter === "number" ? g.batter : undefined)
      : batter3d(g.batter?.alpha, g.batter?.beta);
    const bat = twoD ? `batter ${fmt(Number(g.batter ?? 0))}°` : g.batter ? `batter α ${fmt(g.batter.alpha ?? 0)}°, β ${fmt(g.batter.beta ?? 90)}°` : "vertical";
    const title = `Pile group ${i + 1}: head Y ${fmt(y)}${twoD ? "" : `, Z ${fmt(z)}`} ${lengthUnit}; ${bat}` +
      (twoD ? `; ${g.piles ?? 1} piles at ${fmt(Number(g.rowSpacing ?? 0))} ${lengthUnit}` : "");
    piles.push(...groupPiles({ group: i + 1, batter: b, title }, y, z, twoD, Number(g.piles ?? 1), Number(g.rowSpacing ?? 0) || span / 8));
  });
  return drawPlan(piles, { lengthUnit, twoDimensional: twoD });
}

export function soilColumn(doc: Doc, u: Record<string, string>): HTMLElement {
  const layers: Doc[] = Array.isArray(doc.soilLayers) ? doc.soilLayers : [];
  const box = el("div", { class: "soil", id: "soil-profile", "data-testid": "soil-profile" });
  if (!layers.length) {
    box.appendChild(el("p", { class: "muted" }, "No soil layers."));
    return box;
  }
  const top = Math.min(...layers.map((l) => Number(l.top?.x ?? 0)));
  const bottom = Math.max(...layers.map((l) => Number(l.bottom?.x ?? 0)));
  const span = bottom - top || 1;
  const column = el("div", { class: "soil-column" });
  layers.forEach((l, i) => {
    const t = Number(l.top?.x ?? 0);
    const b = Number(l.bottom?.x ?? 0);
    const st = soilType(l.type);
    const strength = (side: Doc | undefined): string => {
      if (!side) return "";
      const parts: string[] = [];
      const c = side.undrainedShearStrength ?? side.compressiveStrength;
      if (c) parts.push(`${side.compressiveStrength !== undefined ? "qu" : "c"} ${fmt(Number(c))}`);
      if (side.frictionAngle) parts.push(`φ ${fmt(Number(side.frictionAngle))}°`);
      return parts.join(", ");
    };
    const st1 = strength(l.top);
    const st2 = strength(l.bottom);
    const unitNote = (l.top?.undrainedShearStrength ?? l.top?.compressiveStrength ?? l.bottom?.undrainedShearStrength) ? ` (${u.stress})` : "";
    const layer = el(
      "div",
      {
        class: "soil-layer",
        "data-layer": i + 1,
        style: `flex-grow:${Math.max(0.05, (b - t) / span)};background:${st.colour}`,
        title: `${st.name}, X ${fmt(t)} to ${fmt(b)} ${u.length}`,
      },
      el("span", { class: "depth" }, `${fmt(t)} – ${fmt(b)} ${u.length}`),
      el("strong", {}, `${i + 1}. ${st.name}`),
      st1 || st2 ? el("span", { class: "strength" }, `${st1 || "–"} → ${st2 || "–"}${unitNote}`) : null,
    );
    column.appendChild(layer);
  });
  box.appendChild(column);
  box.appendChild(el("p", { class: "muted" }, `X grows downward; top ${fmt(top)}, bottom ${fmt(bottom)} ${u.length}.`));
  return box;
}

const LOAD_KEYS = ["Fx", "Fy", "Fz", "Mx", "My", "Mz"];

function loadTables(doc: Doc, u: Record<string, string>, twoD: boolean): HTMLElement {
  const box = el("div", { class: "loads" });
  const cases: Doc[] = Array.isArray(doc.loadCases) ? doc.loadCases : [];
  const keys = twoD ? ["Fx", "Fy", "Mz"] : LOAD_KEYS;
  const unit = (k: string) => (k.startsWith("M") ? u.moment : u.force);
  const t = el("table", { class: "data", id: "load-cases", "data-testid": "load-cases" });
  t.appendChild(
    el("thead", {}, el("tr", {}, el("th", {}, "#"), el("th", {}, "load case"), el("th", {}, "type"),
      ...keys.map((k) => el("th", { class: "num" }, `${k} [${unit(k)}]`)),
      el("th", {}, `at (x, y${twoD ? "" : ", z"}) [${u.length}]`), el("th", { class: "num" }, "distributed"))),
  );
  const body = el("tbody");
  cases.forEach((c, i) => {
    const loads: Doc[] = Array.isArray(c.loads) ? c.loads : [];
    const rows = loads.length ? loads : [{}];
    rows.forEach((l, k) => {
      const at = l.at ? [l.at.x ?? 0, l.at.y ?? 0, ...(twoD ? [] : [l.at.z ?? 0])].map((v: number) => fmt(v)).join(", ") : "origin";
      body.appendChild(
        el("tr", {},
          el("td", {}, k === 0 ? String(i + 1) : ""),
          el("td", {}, k === 0 ? c.name ?? "" : ""),
          el("td", {}, k === 0 ? String(c.type ?? "dead") : ""),
          ...keys.map((key) => el("td", { class: "num" }, l[key] !== undefined ? fmt(Number(l[key])) : "")),
          el("td", {}, loads.length ? at : ""),
          el("td", { class: "num" }, k === 0 && Array.isArray(c.distributedLoads) ? String(c.distributedLoads.length) : ""),
        ),
      );
    });
  });
  t.appendChild(body);
  box.append(el("h3", {}, "Load cases"), cases.length ? t : el("p", { class: "muted" }, "None."));

  const combos: Doc[] = Array.isArray(doc.combinations) ? doc.combinations : [];
  box.appendChild(el("h3", {}, "Load combinations"));
  if (!combos.length) {
    box.appendChild(el("p", { class: "muted" }, "None."));
  } else {
    const ct = el("table", { class: "data", id: "combinations", "data-testid": "combinations" });
    ct.appendChild(el("thead", {}, el("tr", {}, el("th", {}, "#"), el("th", {}, "combination"), el("th", {}, "load cases × factor"), el("th", {}, "resistance factors"))));
    const cb = el("tbody");
    combos.forEach((c, i) => {
      const parts = (Array.isArray(c.cases) ? c.cases : []).map((x: Doc) => {
        const ref = typeof x.case === "number" ? cases[x.case - 1]?.name ?? `case ${x.case}` : String(x.case);
        return `${fmt(Number(x.factor ?? 1))} × ${ref}`;
      });
      const rf = c.resistanceFactors ? Object.entries(c.resistanceFactors).map(([k, v]) => `${k} ${fmt(Number(v))}`).join(", ") : "";
      cb.appendChild(el("tr", {}, el("td", {}, String(i + 1)), el("td", {}, c.name ?? ""), el("td", {}, parts.join(" + ")), el("td", {}, rf)));
    });
    ct.appendChild(cb);
    box.appendChild(ct);
  }
  return box;
}

/** The document as it stands: facts, plan, soil column, pile properties, loads. */
function overview(doc: Doc, root: HTMLElement): void {
  const u = documentUnits(doc.units);
  const twoD = String(doc.analysis) === "twoDimensional" || String(doc.analysis) === "2";
  const groups: Doc[] = Array.isArray(doc.pileGroups) ? doc.pileGroups : [];
  const props: Doc[] = Array.isArray(doc.pileProperties) ? doc.pileProperties : [];
  root.appendChild(
    el("p", { class: "facts", id: "model-facts" },
      el("span", {}, `Units: ${doc.units} (length ${u.length}, force ${u.force}, moment ${u.moment}, stress ${u.stress})`),
      el("span", {}, twoD ? "Two-dimensional analysis" : "Three-dimensional analysis"),
      el("span", {}, `${groups.length} pile groups`),
      el("span", {}, `${props.length} pile properties`),
      doc.cap ? el("span", {}, `Cap ${fmt(doc.cap.length ?? 0)} × ${fmt(doc.cap.width ?? 0)} × ${fmt(doc.cap.thickness ?? 0)} ${u.length}${doc.cap.flexible ? ", flexible" : ""}`) : null,
    ),
  );
  const row = el("div", { class: "model-grid" });
  const planBox = el("div", { class: "panel", id: "model-plan", "data-testid": "model-plan" },
    el("h3", {}, twoD ? "Rows of piles (plan)" : "Plan of the pile heads"));
  planBox.appendChild(groups.length ? planOfDocument(doc, u.length) : el("p", { class: "muted" }, "No pile groups."));
  planBox.appendChild(el("p", { class: "muted" }, "Numbers: pile groups. A short line: the direction of a battered pile. +: the cap origin."));
  const soilBox = el("div", { class: "panel" }, el("h3", {}, "Soil profile"), soilColumn(doc, u));
  row.append(planBox, soilBox);
  root.appendChild(row);

  if (props.length) {
    const pt = el("table", { class: "data", id: "pile-properties" });
    pt.appendChild(el("thead", {}, el("tr", {}, el("th", {}, "#"), el("th", { class: "num" }, `length [${u.length}]`), el("th", { class: "num" }, "increments"), el("th", { class: "num" }, `E [${u.stress}]`), el("th", {}, "type"), el("th", {}, "sections (to: cross section)"))));
    const pb = el("tbody");
    props.forEach((p, i) => {
      const secs = (Array.isArray(p.sections) ? p.sections : []).map((s: Doc) => `${fmt(Number(s.to))}: ${s.crossSection}`).join("; ");
      pb.appendChild(el("tr", {}, el("td", {}, String(i + 1)), el("td", { class: "num" }, fmt(Number(p.length))), el("td", { class: "num" }, String(p.increments ?? "")), el("td", { class: "num" }, fmt(Number(p.youngsModulus))), el("td", {}, String(p.type ?? "driven")), el("td", {}, secs)));
    });
    pt.appendChild(pb);
    root.append(el("h3", {}, "Pile properties"), pt);
  }
  root.appendChild(loadTables(doc, u, twoD));
}

export function renderModel(root: HTMLElement): void {
  const src = state.source;
  if (!src && !editor.hasDocument) {
    root.appendChild(el("p", { class: "muted" }, "Open a model or an example first (Open), or start a new model there."));
    return;
  }
  if (src && !src.document) {
    const out = el("div", { id: "model-run-result", "aria-live": "polite" });
    const run = el("button", { type: "button", class: "primary", id: "run-button", "data-testid": "run-button" }, "Run");
    run.addEventListener("click", () => void startRun(out));
    root.append(el("div", { class: "title-row" }, el("h2", { id: "model-title" }, src.name), run), out);
    root.appendChild(
      el("p", { class: "muted" }, `${src.name} is ${src.format === "dat" ? "an input data file" : "a YAML document"}, checked by the server; it is drawn here once its run has started (from the run's own model document). The editor works on model documents: an example, a .json file or a new model.`),
    );
    return;
  }
  // The editor holds the document shown: an opened one replaces the one edited.
  if (src?.document && src.document !== editor.doc) editor.load(src.document, src.name);
  state.source = { name: editor.name, document: editor.doc as Doc };
  renderEditor(root, {
    overview,
    plan: (d) => planOfDocument(d, documentUnits(d.units).length),
    soil: (d) => soilColumn(d, documentUnits(d.units)),
    run: (out) => void startRun(out),
  });
}
