// SPDX-License-Identifier: Apache-2.0
// Cross sections from their dimensions: the area, moments of inertia and
// torsional stiffness of the shapes that have a closed form, to set beside
// the values typed; and the references to pile properties and cross
// sections kept right when one is deleted.
//
// Axes of a section: the depth lies along Y (bending about z, the bending
// of a two-dimensional analysis), the width along Z. An I or H section has
// its web along the depth: inertia.z is then its strong axis.

import type { Json, Operation } from "./document";

type Obj = { [key: string]: Json };

export const SHAPES = ["general", "circularPipe", "rectangularPipe", "iSection", "hSection"] as const;
export type Shape = (typeof SHAPES)[number];

export const SHAPE_NAMES: Record<Shape, string> = {
  general: "general",
  circularPipe: "circular pipe (or solid circle)",
  rectangularPipe: "rectangular pipe (or solid rectangle)",
  iSection: "I section",
  hSection: "H section",
};

/** The shape a document value names (a name or its code), or null for a code no name covers. */
export function shapeOf(v: Json | undefined): Shape | null {
  if (v === undefined || v === null) return "general";
  if (typeof v === "number") return Number.isInteger(v) && v >= 0 && v < SHAPES.length ? SHAPES[v] : null;
  return (SHAPES as readonly string[]).includes(String(v)) ? (v as Shape) : null;
}

/** The dimensions, in the order of the document. */
export const DIMENSIONS = ["diameter", "innerDiameter", "width", "depth", "innerWidth", "innerDepth", "flangeThickness", "webThickness"] as const;
export type Dimension = (typeof DIMENSIONS)[number];

/** The dimensions a shape uses, with what they are for it. */
export const SHAPE_DIMENSIONS: Record<Shape, [Dimension, string][]> = {
  general: [["diameter", "equivalent diameter"]],
  circularPipe: [["diameter", "external diameter"], ["innerDiameter", "internal diameter (0: solid)"]],
  rectangularPipe: [["diameter", "equivalent diameter"], ["width", "external width (along Z)"], ["depth", "external depth (along Y)"],
    ["innerWidth", "internal width (0: solid)"], ["innerDepth", "internal depth (0: solid)"]],
  iSection: [["diameter", "equivalent diameter"], ["width", "flange width (along Z)"], ["depth", "depth (along Y)"],
    ["flangeThickness", "flange thickness"], ["webThickness", "web thickness"]],
  hSection: [["diameter", "equivalent diameter"], ["width", "flange width (along Z)"], ["depth", "depth (along Y)"],
    ["flangeThickness", "flange thickness"], ["webThickness", "web thickness"]],
};

/** What the dimensions give; a value is missing where the shape has no closed form for it. */
export interface Computed {
  area?: number;
  inertiaZ?: number;
  inertiaY?: number;
  /** GJ, with the shear modulus of the section. */
  torsionalStiffness?: number;
  /** Why nothing could be computed (a dimension missing or impossible). */
  problem?: string;
}

function num(o: Obj, key: string): number {
  const v = o[key];
  return typeof v === "number" && Number.isFinite(v) ? v : 0;
}

/** Circular pipe of external diameter d and internal di (0: a solid circle). */
export function circularPipe(d: number, di: number): { area: number; inertia: number; polar: number } {
  const area = (Math.PI / 4) * (d * d - di * di);
  const inertia = (Math.PI / 64) * (d ** 4 - di ** 4);
  return { area, inertia, polar: 2 * inertia };
}

/** Rectangular pipe w × h with a hole wi × hi (0 × 0: solid); inertia about z (h along Y) and about y. */
export function rectangularPipe(w: number, h: number, wi: number, hi: number): { area: number; inertiaZ: number; inertiaY: number } {
  return {
    area: w * h - wi * hi,
    inertiaZ: (w * h ** 3 - wi * hi ** 3) / 12,
    inertiaY: (h * w ** 3 - hi * wi ** 3) / 12,
  };
}

/** I or H section: flanges b × tf, web tw over the depth h between them. */
export function flanged(b: number, h: number, tf: number, tw: number): { area: number; inertiaZ: number; inertiaY: number } {
  const hw = h - 2 * tf;
  return {
    area: 2 * b * tf + tw * hw,
    inertiaZ: (b * h ** 3 - (b - tw) * hw ** 3) / 12,
    inertiaY: (2 * tf * b ** 3 + hw * tw ** 3) / 12,
  };
}

/** The values a cross section's dimensions give, by its shape. */
export function computeSection(cs: Obj): Computed {
  const shape = shapeOf(cs.shape);
  const d = (k: Dimension) => num(cs, k);
  if (shape === "circularPipe") {
    if (!(d("diameter") > 0)) return { problem: "the external diameter is not given" };
    if (d("innerDiameter") < 0 || d("innerDiameter") >= d("diameter")) return { problem: "the internal diameter is not below the external one" };
    const c = circularPipe(d("diameter"), d("innerDiameter"));
    const g = num(cs, "shearModulus");
    return { area: c.area, inertiaZ: c.inertia, inertiaY: c.inertia, torsionalStiffness: g > 0 ? g * c.polar : undefined };
  }
  if (shape === "rectangularPipe") {
    if (!(d("width") > 0 && d("depth") > 0)) return { problem: "the external width and depth are not both given" };
    if (d("innerWidth") < 0 || d("innerDepth") < 0 || d("innerWidth") >= d("width") || d("innerDepth") >= d("depth"))
      return { problem: "the hole is not inside the section" };
    if ((d("innerWidth") > 0) !== (d("innerDepth") > 0)) return { problem: "the hole has a width or a depth, not both" };
    const r = rectangularPipe(d("width"), d("depth"), d("innerWidth"), d("innerDepth"));
    return { area: r.area, inertiaZ: r.inertiaZ, inertiaY: r.inertiaY };
  }
  if (shape === "iSection" || shape === "hSection") {
    const [b, h, tf, tw] = [d("width"), d("depth"), d("flangeThickness"), d("webThickness")];
    if (!(b > 0 && h > 0 && tf > 0 && tw > 0)) return { problem: "the width, depth, flange and web thickness are not all given" };
    if (2 * tf >= h) return { problem: "the two flanges are as thick as the depth" };
    if (tw > b) return { problem: "the web is wider than the flanges" };
    const r = flanged(b, h, tf, tw);
    return { area: r.area, inertiaZ: r.inertiaZ, inertiaY: r.inertiaY };
  }
  return {};
}

/** True when a typed value differs from the computed one by more than the tolerance (1 %). */
export function differs(typed: number, computed: number, tolerance = 0.01): boolean {
  return Math.abs(typed - computed) > tolerance * Math.abs(computed);
}

// ------------------------------------------------------------ references

function objects(v: Json | undefined): Obj[] {
  return Array.isArray(v) ? (v as Json[]).map((x) => (x !== null && typeof x === "object" && !Array.isArray(x) ? (x as Obj) : {})) : [];
}

function rootOf(doc: Json): Obj {
  return doc !== null && typeof doc === "object" && !Array.isArray(doc) ? (doc as Obj) : {};
}

/** What deleting an entry does: the operations, or who uses it (then nothing is deleted). */
export interface Deletion {
  ops: Operation[];
  usedBy: string[];
}

/**
 * Deleting pile property i (from 0): refused while a pile group uses it
 * (a group without pileProperty uses the first) or a generated curve names
 * it; later numbers are renumbered.
 */
export function propertyDeleteOps(doc: Json, i: number): Deletion {
  const root = rootOf(doc);
  const n = i + 1;
  const ops: Operation[] = [];
  const usedBy: string[] = [];
  objects(root.pileGroups).forEach((g, k) => {
    const p = g.pileProperty === undefined || g.pileProperty === null ? 1 : g.pileProperty;
    if (p === n) usedBy.push(`pile group ${k + 1}`);
    else if (typeof p === "number" && p > n) ops.push({ op: "set", path: `/pileGroups/${k}/pileProperty`, value: p - 1 });
    for (const curve of ["loadSettlementCurve", "torqueRotationCurve"]) {
      const c = g[curve];
      if (c === null || typeof c !== "object" || Array.isArray(c)) continue;
      const q = (c as Obj).pileProperty;
      if (q === n) usedBy.push(`the ${curve === "loadSettlementCurve" ? "load-settlement" : "torque-rotation"} curve of pile group ${k + 1}`);
      else if (typeof q === "number" && q > n) ops.push({ op: "set", path: `/pileGroups/${k}/${curve}/pileProperty`, value: q - 1 });
    }
  });
  if (usedBy.length) return { ops: [], usedBy };
  return { ops: [{ op: "remove", path: `/pileProperties/${i}` }, ...ops], usedBy };
}

/**
 * Deleting cross section i (from 0): refused while a pile section names it
 * (by number, or by its name when no other has it); later numbers are
 * renumbered, names stay.
 */
export function crossSectionDeleteOps(doc: Json, i: number): Deletion {
  const root = rootOf(doc);
  const sections = objects(root.crossSections);
  const name = sections[i]?.name;
  const unique = typeof name === "string" && name !== "" && sections.filter((c) => c.name === name).length === 1;
  const ops: Operation[] = [];
  const usedBy: string[] = [];
  objects(root.pileProperties).forEach((p, k) => {
    objects(p.sections).forEach((s, j) => {
      const c = s.crossSection;
      if (c === i + 1 || (unique && c === name)) usedBy.push(`section ${j + 1} of pile property ${k + 1}`);
      else if (typeof c === "number" && c > i + 1) ops.push({ op: "set", path: `/pileProperties/${k}/sections/${j}/crossSection`, value: c - 1 });
    });
  });
  if (usedBy.length) return { ops: [], usedBy };
  return { ops: [{ op: "remove", path: `/crossSections/${i}` }, ...ops], usedBy };
}

/** A name not yet taken among names: "base (copy)", "base (copy 2)", ... */
export function copyName(base: string, names: string[]): string {
  const taken = new Set(names);
  const stem = (base || "cross section").slice(0, 66);
  let candidate = `${stem} (copy)`;
  for (let k = 2; taken.has(candidate); k++) candidate = `${stem} (copy ${k})`;
  return candidate;
}

/**
 * The value a pile section stores to name cross section i (from 0): its
 * name when that is unique, not empty and does not start with a blank,
 * its number otherwise.
 */
export function crossSectionRef(sections: Obj[], i: number): Json {
  const name = sections[i]?.name;
  const unique = typeof name === "string" && name !== "" && !/^\s/.test(name) && sections.filter((c) => c.name === name).length === 1;
  return unique ? name : i + 1;
}

/** The index (from 0) of the cross section a pile section names, or -1. */
export function crossSectionIndex(sections: Obj[], ref: Json | undefined): number {
  if (typeof ref === "number") return Number.isInteger(ref) && ref >= 1 && ref <= sections.length ? ref - 1 : -1;
  if (typeof ref !== "string") return -1;
  const found = sections.map((c, k) => (c.name === ref ? k : -1)).filter((k) => k >= 0);
  return found.length === 1 ? found[0] : -1;
}
