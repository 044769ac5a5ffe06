// SPDX-License-Identifier: Apache-2.0
// What the editor knows of the model document's fields
// (docs/model-document.md): the named choices of the top-level switches with
// a line on each, the columns of the tables, the soil properties each soil
// type reads, a new model, and where a diagnostic belongs.

import type { Json } from "./document";

export interface Choice {
  value: string;
  label: string;
  /** The integer code the input data file writes. */
  code: number;
  note: string;
}

export interface Switch {
  key: string;
  label: string;
  note: string;
  choices: Choice[];
  /** The value when the field is left out; null: the field is required. */
  fallback: string | null;
}

export const SWITCHES: Switch[] = [
  {
    key: "units", label: "Units", fallback: null,
    note: "Selects the labels of the report only: no value is converted, so every value must be in this system.",
    choices: [
      { value: "english", code: 1, label: "English (lbs, in)", note: "Forces in pounds, lengths in inches, stresses in lbs/in²." },
      { value: "metric", code: 2, label: "Metric (kN, m)", note: "Forces in kilonewtons, lengths in metres, stresses in kPa." },
      { value: "open", code: 3, label: "Open (F, L)", note: "Any consistent force F and length L." },
    ],
  },
  {
    key: "analysis", label: "Analysis", fallback: null,
    note: "A two-dimensional analysis works in the X-Y plane; a three-dimensional one in space.",
    choices: [
      { value: "threeDimensional", code: 3, label: "Three-dimensional", note: "A pile group is one pile; loads and batters in both horizontal directions." },
      { value: "twoDimensional", code: 2, label: "Two-dimensional", note: "A pile group is a row of identical piles out of the plane; only Fx, Fy and Mz act." },
    ],
  },
  {
    key: "embeddedCap", label: "Embedded cap", fallback: "false",
    note: "Whether the passive resistance of the soil in front of the cap is considered.",
    choices: [
      { value: "false", code: 0, label: "Not considered", note: "The cap takes no resistance from the soil." },
      { value: "true", code: 1, label: "Considered", note: "The passive resistance in front of the cap is considered." },
    ],
  },
  {
    key: "groupFactors", label: "Group reduction factors", fallback: "none",
    note: "Reduction of the soil resistance of piles standing close to each other.",
    choices: [
      { value: "none", code: 0, label: "None", note: "No group reduction." },
      { value: "fromLayout", code: 1, label: "From the layout", note: "Computed from the positions of the piles." },
      { value: "given", code: 2, label: "Given", note: "The pMultiplier and yMultiplier of each pile group." },
    ],
  },
  {
    key: "pyCurveOption", label: "p-y curves", fallback: "analysisOnly",
    note: "The p-y curve switch when no curve is listed to print.",
    choices: [
      { value: "analysisOnly", code: 0, label: "Analysis only", note: "The p-y curves are used by the analysis and not printed." },
      { value: "printedCurvesOnly", code: -1, label: "Printed curves only", note: "The table of printed curves follows the analysis, listing no curve." },
    ],
  },
];

/** The value a switch shows for what the document holds (a name, a code, true/false). */
export function switchValue(s: Switch, v: Json | undefined): string {
  if (v === undefined || v === null) return s.fallback ?? "";
  if (typeof v === "boolean") return String(v);
  const byCode = typeof v === "number" ? s.choices.find((c) => c.code === v) : undefined;
  return byCode ? byCode.value : String(v);
}

/** What the document gets for a choice: booleans for the true/false switches, names otherwise. */
export function switchJson(s: Switch, value: string): Json | undefined {
  if (s.fallback !== null && value === s.fallback) return undefined;
  if (value === "true") return true;
  if (value === "false") return false;
  return value;
}

export interface Column {
  key: string;
  /** The path below the row: "Fx", "at/x". */
  path: string;
  label: string;
  unit: "force" | "moment" | "length" | "stress" | "unitWeight" | "angle" | "percent" | "none";
  names?: string[];
}

export const LOAD_COLUMNS: Column[] = [
  { key: "Fx", path: "Fx", label: "Fx", unit: "force" },
  { key: "Fy", path: "Fy", label: "Fy", unit: "force" },
  { key: "Fz", path: "Fz", label: "Fz", unit: "force" },
  { key: "Mx", path: "Mx", label: "Mx", unit: "moment" },
  { key: "My", path: "My", label: "My", unit: "moment" },
  { key: "Mz", path: "Mz", label: "Mz", unit: "moment" },
  { key: "at.x", path: "at/x", label: "at x", unit: "length", names: ["x", "at x", "atx"] },
  { key: "at.y", path: "at/y", label: "at y", unit: "length", names: ["y", "at y", "aty"] },
  { key: "at.z", path: "at/z", label: "at z", unit: "length", names: ["z", "at z", "atz"] },
];

/** The columns of a load in a two-dimensional analysis. */
export const LOAD_KEYS_2D = ["Fx", "Fy", "Mz", "at.x", "at.y"];

export const LOAD_TYPES = ["dead", "live", "seismic", "impact", "wind", "water", "ice", "soils", "roofLive", "rain", "snow", "temperature", "special"];

export const SOIL_FIELDS: Column[] = [
  { key: "effectiveUnitWeight", path: "effectiveUnitWeight", label: "γ'", unit: "unitWeight" },
  { key: "undrainedShearStrength", path: "undrainedShearStrength", label: "c", unit: "stress" },
  { key: "compressiveStrength", path: "compressiveStrength", label: "qu", unit: "stress" },
  { key: "frictionAngle", path: "frictionAngle", label: "φ", unit: "angle" },
  { key: "subgradeModulus", path: "subgradeModulus", label: "k", unit: "unitWeight" },
  { key: "rockModulus", path: "rockModulus", label: "Er", unit: "stress" },
  { key: "eps50", path: "eps50", label: "ε50", unit: "none" },
  { key: "krm", path: "krm", label: "krm", unit: "none" },
  { key: "rqd", path: "rqd", label: "RQD", unit: "percent" },
  { key: "unitSideFriction", path: "unitSideFriction", label: "side friction", unit: "stress" },
  { key: "unitTipResistance", path: "unitTipResistance", label: "tip resistance", unit: "stress" },
];

const AXIAL = ["unitSideFriction", "unitTipResistance"];

/**
 * The soil properties each soil type reads: those of its p-y criterion and
 * the axial resistances. Every type keeps its effective unit weight: it
 * enters the average overburden of the layers below (and the default axial
 * resistances), whatever the layer's own curve reads.
 */
export const SOIL_USES: Record<string, string[]> = {
  softClay: ["effectiveUnitWeight", "undrainedShearStrength", "eps50", ...AXIAL],
  stiffClayBelowWaterTable: ["effectiveUnitWeight", "undrainedShearStrength", "subgradeModulus", "eps50", ...AXIAL],
  stiffClayAboveWaterTable: ["effectiveUnitWeight", "undrainedShearStrength", "eps50", ...AXIAL],
  sand: ["effectiveUnitWeight", "frictionAngle", "subgradeModulus", ...AXIAL],
  userCurves: ["effectiveUnitWeight", ...AXIAL],
  vuggyLimestone: ["effectiveUnitWeight", "compressiveStrength", ...AXIAL],
  silt: ["effectiveUnitWeight", "undrainedShearStrength", "frictionAngle", "subgradeModulus", ...AXIAL],
  apiSand: ["effectiveUnitWeight", "frictionAngle", "subgradeModulus", ...AXIAL],
  weakRock: ["effectiveUnitWeight", "compressiveStrength", "rockModulus", "krm", "rqd", ...AXIAL],
  stiffClayWithInitialK: ["effectiveUnitWeight", "undrainedShearStrength", "subgradeModulus", "eps50", ...AXIAL],
  liquefiedSand: ["effectiveUnitWeight", ...AXIAL],
};

/** Keys that name the same value in a rock layer: the soil name and the rock name. */
export const SAME_VALUE: Record<string, string> = { compressiveStrength: "undrainedShearStrength", krm: "eps50" };

/** The properties a layer shows: those of its type, and any other it holds. */
export function soilFieldsOf(type: string, top: Record<string, Json> | undefined, bottom: Record<string, Json> | undefined): Column[] {
  const used = new Set(SOIL_USES[type] ?? SOIL_FIELDS.map((f) => f.key));
  for (const side of [top, bottom]) for (const k of Object.keys(side ?? {})) if (k !== "x") used.add(k);
  // A rock layer may hold a value under its soil name: show it once, under that name.
  for (const [rock, soil] of Object.entries(SAME_VALUE))
    if (used.has(rock) && used.has(soil) && !(top && rock in top) && !(bottom && rock in bottom) && ((top && soil in top) || (bottom && soil in bottom))) used.delete(rock);
  return SOIL_FIELDS.filter((f) => used.has(f.key));
}

/** A model to start from: one pile property on a steel pipe, one layer of soft clay, one empty load case. */
export function newModel(): { [key: string]: Json } {
  return {
    pylora: 1,
    title: "New model",
    units: "metric",
    analysis: "threeDimensional",
    loadCases: [{ name: "Load case 1", loads: [] }],
    pileGroups: [],
    pileProperties: [{ length: 20, increments: 40, youngsModulus: 2.0e8, sections: [{ to: 20, crossSection: 1 }] }],
    crossSections: [
      {
        name: "Pipe 600 x 12", shape: "circularPipe", diameter: 0.6, innerDiameter: 0.576, shearModulus: 7.7e7,
        area: 0.022167, inertia: { z: 0.00095842, y: 0.00095842 }, torsionalStiffness: 147600, capacity: { moment: 1431.6, shear: 2294.3 },
      },
    ],
    soilLayers: [
      {
        type: "softClay",
        top: { x: 0, effectiveUnitWeight: 7, undrainedShearStrength: 15, eps50: 0.02 },
        bottom: { x: 30, effectiveUnitWeight: 7, undrainedShearStrength: 60, eps50: 0.02 },
      },
    ],
  };
}

/**
 * The field a diagnostic belongs to, among the pointers bound to inputs: the
 * same pointer; else the nearest input above it (a value inside a field shown
 * as one input); else the first input below it (a missing field is reported
 * at the mapping that lacks it). null: no input shows it.
 */
export function placeDiagnostic(pointer: string, bound: string[]): string | null {
  if (bound.includes(pointer)) return pointer;
  let best: string | null = null;
  for (const b of bound) if (pointer.startsWith(b + "/") && (best === null || b.length > best.length)) best = b;
  if (best !== null) return best;
  if (pointer === "") return null;
  return bound.find((b) => b.startsWith(pointer + "/")) ?? null;
}
