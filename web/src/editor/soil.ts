// SPDX-License-Identifier: Apache-2.0
// The soil layers without the page: the values along depth, the joints
// between consecutive layers, the change of a layer's type, and the edits
// that add, split and move layers.

import type { Json, Operation } from "./document";
import { SAME_VALUE, SOIL_USES } from "./fields";

export type Layer = { type?: Json; top?: { [key: string]: Json }; bottom?: { [key: string]: Json }; [key: string]: Json | undefined };

const ROCK_NAMES: Record<string, string[]> = { compressiveStrength: ["vuggyLimestone", "weakRock"], krm: ["weakRock"] };
const SOIL_NAME_OF: Record<string, string> = SAME_VALUE;
const ROCK_NAME_OF: Record<string, string> = Object.fromEntries(Object.entries(SAME_VALUE).map(([rock, soil]) => [soil, rock]));

const num = (v: Json | undefined): number | null => (typeof v === "number" && Number.isFinite(v) ? v : null);
const side = (l: Layer, s: "top" | "bottom"): { [key: string]: Json } =>
  l[s] && typeof l[s] === "object" && !Array.isArray(l[s]) ? (l[s] as { [key: string]: Json }) : {};

/** Whether a layer of this type accepts the rock name of a value (compressiveStrength, krm). */
export function rockNameAccepted(type: string, key: string): boolean {
  return (ROCK_NAMES[key] ?? []).includes(type);
}

/**
 * Whether the criterion of this type reads the value held under key: a soil
 * name stands for the rock name in a layer that accepts both.
 */
export function soilUses(type: string, key: string): boolean {
  const uses = SOIL_USES[type] ?? [];
  if (uses.includes(key)) return !(key in ROCK_NAMES) || rockNameAccepted(type, key);
  const rock = ROCK_NAME_OF[key];
  return rock !== undefined && uses.includes(rock) && rockNameAccepted(type, rock);
}

/** The value of key at a boundary, under either of its names; a value left out is 0. */
function valueAt(l: Layer, s: "top" | "bottom", key: string): number | null {
  const b = side(l, s);
  const type = String(l.type ?? "");
  // The other name of the value, where the layer's type accepts both.
  const rock = key in SOIL_NAME_OF ? key : ROCK_NAME_OF[key];
  const other = rock !== undefined && rockNameAccepted(type, rock) ? (key === rock ? SOIL_NAME_OF[key] : rock) : undefined;
  const v = b[key] ?? (other !== undefined ? b[other] : undefined);
  return v === undefined || v === null ? 0 : num(v);
}

/** One layer's stretch of a property: [value, X] at its top and at its bottom. */
export interface Segment {
  layer: number;
  top: [number, number];
  bottom: [number, number];
}

/**
 * A property along depth as the layers hold it, linear within each layer;
 * key is the name the type reads (compressiveStrength for rock strength).
 * Layers whose type does not read it, or whose X or value is not a number,
 * leave a break.
 */
export function depthSeries(layers: Layer[], key: string): Segment[] {
  const out: Segment[] = [];
  layers.forEach((l, i) => {
    // By the name the type reads: a rock layer's strength is qu, under either name.
    if (!(SOIL_USES[String(l.type ?? "")] ?? []).includes(key)) return;
    const xt = num(side(l, "top").x), xb = num(side(l, "bottom").x);
    const vt = valueAt(l, "top", key), vb = valueAt(l, "bottom", key);
    if (xt === null || xb === null || vt === null || vb === null) return;
    out.push({ layer: i, top: [vt, xt], bottom: [vb, xb] });
  });
  return out;
}

/** A flaw between consecutive layers, or within one: reported at layer (0-based). */
export interface Joint {
  layer: number;
  kind: "gap" | "overlap" | "thickness";
  message: string;
}

const fmtX = (v: number): string => String(Number(v.toPrecision(6)));

/** Gaps and overlaps between consecutive layers, and layers whose bottom is not below their top. */
export function layerJoints(layers: Layer[], lengthUnit = ""): Joint[] {
  const out: Joint[] = [];
  const u = lengthUnit ? " " + lengthUnit : "";
  layers.forEach((l, i) => {
    const top = num(side(l, "top").x), bottom = num(side(l, "bottom").x);
    if (i > 0) {
      const above = num(side(layers[i - 1], "bottom").x);
      if (above !== null && top !== null) {
        const tol = 1e-9 * Math.max(1, Math.abs(above), Math.abs(top));
        if (top - above > tol)
          out.push({ layer: i, kind: "gap", message: `A gap of ${fmtX(top - above)}${u} above layer ${i + 1}: layer ${i} ends at X ${fmtX(above)}, layer ${i + 1} starts at X ${fmtX(top)}.` });
        else if (above - top > tol)
          out.push({ layer: i, kind: "overlap", message: `Layer ${i + 1} overlaps layer ${i} by ${fmtX(above - top)}${u}: layer ${i} ends at X ${fmtX(above)}, layer ${i + 1} starts at X ${fmtX(top)}.` });
      }
    }
    if (top !== null && bottom !== null && !(bottom > top))
      out.push({ layer: i, kind: "thickness", message: `Layer ${i + 1} has no thickness: its bottom X ${fmtX(bottom)} is not below its top X ${fmtX(top)}.` });
  });
  return out;
}

/**
 * The edits that give layer i a new type: the type, and each value held under
 * a name the new type does not accept moved to the name it does (the soil
 * and rock names of one value). Every other value stays where it is.
 */
export function typeChangeOps(layer: Layer, i: number, type: string): Operation[] {
  const ops: Operation[] = [{ op: "set", path: `/soilLayers/${i}/type`, value: type }];
  for (const s of ["top", "bottom"] as const) {
    const b = side(layer, s);
    for (const [rock, soil] of Object.entries(SAME_VALUE)) {
      const [from, to] = rockNameAccepted(type, rock) ? [soil, rock] : [rock, soil];
      if (!(from in b) || to in b) continue;
      ops.push({ op: "set", path: `/soilLayers/${i}/${s}/${to}`, value: b[from] }, { op: "remove", path: `/soilLayers/${i}/${s}/${from}` });
    }
  }
  return ops;
}

/** A layer below the last: its type and bottom values carried down, as thick as the last one (else 5). */
export function layerBelow(layers: Layer[]): Layer {
  const last = layers[layers.length - 1];
  if (!last) return { type: "softClay", top: { x: 0 }, bottom: { x: 5 } };
  const b = side(last, "bottom");
  const top = num(b.x) ?? 0;
  const thick = (num(b.x) ?? 0) - (num(side(last, "top").x) ?? 0);
  const values = Object.fromEntries(Object.entries(b).filter(([k]) => k !== "x"));
  return { type: last.type ?? "softClay", top: { ...values, x: top }, bottom: { ...values, x: top + (thick > 0 ? thick : 5) } };
}

/**
 * Splits layer i at its mid-depth: the upper half becomes a new layer above
 * it, of the same type, with the values interpolated at the split, so that
 * the profile stays as it was until the new layer is edited.
 */
export function splitOps(layers: Layer[], i: number): Operation[] {
  const l = layers[i];
  const t = side(l, "top"), b = side(l, "bottom");
  const xt = num(t.x), xb = num(b.x);
  if (xt === null || xb === null || !(xb > xt)) {
    const copy: Layer = { type: l.type ?? "softClay", top: { ...t }, bottom: { ...t } };
    return [{ op: "insert", path: `/soilLayers/${i}`, value: copy as Json }];
  }
  const xm = (xt + xb) / 2;
  const mid: { [key: string]: Json } = { x: xm };
  for (const k of new Set([...Object.keys(t), ...Object.keys(b)])) {
    if (k === "x") continue;
    const a = t[k] === undefined ? 0 : num(t[k]);
    const c = b[k] === undefined ? 0 : num(b[k]);
    if (a !== null && c !== null) mid[k] = (a + c) / 2;
  }
  const upper: Layer = { type: l.type ?? "softClay", top: { ...t }, bottom: { ...mid } };
  return [
    { op: "insert", path: `/soilLayers/${i}`, value: upper as Json },
    { op: "set", path: `/soilLayers/${i + 1}/top`, value: { ...mid } },
  ];
}

/**
 * Swaps layers i and i + 1, keeping the stretch they span: the lower one
 * moves up with its thickness, the upper one follows it down to the old
 * bottom. Values other than X move with their layer.
 */
export function swapOps(layers: Layer[], i: number): Operation[] {
  const a = layers[i], b = layers[i + 1];
  if (!a || !b) return [];
  const at = num(side(a, "top").x), bt = num(side(b, "top").x), bb = num(side(b, "bottom").x), ab = num(side(a, "bottom").x);
  const upper: Layer = { ...b, top: { ...side(b, "top") }, bottom: { ...side(b, "bottom") } };
  const lower: Layer = { ...a, top: { ...side(a, "top") }, bottom: { ...side(a, "bottom") } };
  if (at !== null && bt !== null && bb !== null && ab !== null) {
    const split = at + (bb - bt);
    upper.top!.x = at;
    upper.bottom!.x = split;
    lower.top!.x = split;
    lower.bottom!.x = bb;
  }
  return [
    { op: "set", path: `/soilLayers/${i}`, value: upper as Json },
    { op: "set", path: `/soilLayers/${i + 1}`, value: lower as Json },
  ];
}

/** The pile drawn beside the soil: from the highest pile head down the longest pile property. */
export function pileReach(doc: { [key: string]: Json | undefined }): { head: number; tip: number } | null {
  const props = Array.isArray(doc.pileProperties) ? doc.pileProperties : [];
  const lengths = props.map((p) => (p && typeof p === "object" && !Array.isArray(p) ? num(p.length) : null)).filter((v): v is number => v !== null && v > 0);
  if (!lengths.length) return null;
  const groups = Array.isArray(doc.pileGroups) ? doc.pileGroups : [];
  const heads = groups.map((g) => {
    const h = g && typeof g === "object" && !Array.isArray(g) ? g.head : undefined;
    return h && typeof h === "object" && !Array.isArray(h) ? (h.x === undefined ? 0 : num(h.x)) : 0;
  }).filter((v): v is number => v !== null);
  const head = heads.length ? Math.min(...heads) : 0;
  return { head, tip: head + Math.max(...lengths) };
}
