// SPDX-License-Identifier: Apache-2.0
// The user's curves of the model document: p-y sets, load-settlement and
// torque-rotation curves of the pile head, moment-curvature sets. What a
// plot draws from a point table, the order the analysis reads the points in,
// who uses a curve, and what deleting one does to the numbers that name the
// later ones.
//
// The analysis interpolates every curve along its second value (deflection,
// settlement, rotation, curvature), so that value must not fall from one
// point to the next; the curves of a set go by growing X (p-y) or axial load
// (moment-curvature).

import type { Json, Operation } from "./document";
import { parsePaste, type PasteColumn } from "./paste";

export type CurveKind = "py" | "ls" | "tr" | "mc";

/** A dimension of a value, labelled in the units system of the document. */
export type Dim = "force" | "length" | "moment" | "forcePerLength" | "perLength" | "radian";

export interface PointColumn extends PasteColumn {
  /** The name of the value in a sentence ("settlement"). */
  label: string;
  plural: string;
  unit: Dim;
}

export interface KindInfo {
  kind: CurveKind;
  /** The top-level key of the document. */
  key: string;
  title: string;
  /** What one entry of the list is called. */
  item: string;
  /** A set of curves (p-y, moment-curvature) rather than one curve. */
  sets: boolean;
  /** The field naming a curve of a set, its name and unit. */
  curveKey?: "x" | "axialLoad";
  curveKeyLabel?: string;
  curveKeyUnit?: Dim;
  /** The two values of a point; the analysis reads the curve along the second. */
  columns: [PointColumn, PointColumn];
}

export const MAX_ITEMS = 50;
export const MAX_CURVES = 20;
export const MAX_POINTS = 25;

export const KINDS: Record<CurveKind, KindInfo> = {
  py: {
    kind: "py", key: "userPyCurves", title: "p-y sets", item: "p-y set", sets: true,
    curveKey: "x", curveKeyLabel: "X", curveKeyUnit: "length",
    columns: [
      { key: "p", label: "p", plural: "values of p", unit: "forcePerLength", names: ["resistance", "soil resistance"] },
      { key: "y", label: "deflection", plural: "deflections", unit: "length", names: ["deflection"] },
    ],
  },
  ls: {
    kind: "ls", key: "userLoadSettlementCurves", title: "Load-settlement curves", item: "load-settlement curve", sets: false,
    columns: [
      { key: "load", label: "axial load", plural: "axial loads", unit: "force", names: ["axial load", "Q", "P", "force"] },
      { key: "settlement", label: "settlement", plural: "settlements", unit: "length", names: ["s", "displacement"] },
    ],
  },
  tr: {
    kind: "tr", key: "userTorqueRotationCurves", title: "Torque-rotation curves", item: "torque-rotation curve", sets: false,
    columns: [
      { key: "torque", label: "torsional moment", plural: "torsional moments", unit: "moment", names: ["torsional moment", "T", "moment"] },
      { key: "rotation", label: "rotation", plural: "rotations", unit: "radian", names: ["angle", "theta", "θ"] },
    ],
  },
  mc: {
    kind: "mc", key: "momentCurvatureSets", title: "Moment-curvature sets", item: "moment-curvature set", sets: true,
    curveKey: "axialLoad", curveKeyLabel: "axial load", curveKeyUnit: "force",
    columns: [
      { key: "moment", label: "moment", plural: "moments", unit: "moment", names: ["M"] },
      { key: "curvature", label: "curvature", plural: "curvatures", unit: "perLength", names: ["phi", "φ", "κ"] },
    ],
  },
};

/** The label of a dimension in a units system (lengths "m", forces "kN", moments "kN·m"). */
export function unitText(dim: Dim, u: Record<string, string>): string {
  switch (dim) {
    case "forcePerLength": return `${u.force}/${u.length}`;
    case "perLength": return `1/${u.length}`;
    case "radian": return "rad";
    default: return u[dim] ?? "";
  }
}

type Obj = { [key: string]: Json };

export function arr(v: Json | undefined): Json[] {
  return Array.isArray(v) ? v : [];
}

function obj(v: Json | undefined): Obj {
  return v !== null && typeof v === "object" && !Array.isArray(v) ? v : {};
}

const finite = (v: Json | undefined): v is number => typeof v === "number" && Number.isFinite(v);

/**
 * The points of a curve a plot can draw, each [second value, first value]
 * (deflection across, resistance up) with its index in the table, in the
 * order of the table so that a point out of order shows as a line turning
 * back. Points that are not two numbers are left out.
 */
export function plotPoints(points: Json | undefined): { at: [number, number]; index: number }[] {
  const out: { at: [number, number]; index: number }[] = [];
  arr(points).forEach((p, index) => {
    if (Array.isArray(p) && p.length === 2 && finite(p[0]) && finite(p[1])) out.push({ at: [p[1], p[0]], index });
  });
  return out;
}

/** The line of a plot through the points of a curve (see plotPoints). */
export function seriesOf(points: Json | undefined): [number, number][] {
  return plotPoints(points).map((p) => p.at);
}

export interface Problem {
  /** The point (or curve) from 0. */
  index: number;
  /** The value of the point, or null for the point (or curve) as a whole. */
  column: 0 | 1 | null;
  message: string;
}

function decimalComma(v: Json | undefined): boolean {
  return typeof v === "string" && /^\s*[+-]?\d+,\d+\s*$/.test(v);
}

function blank(v: Json | undefined): boolean {
  return v === undefined || v === null || (typeof v === "string" && v.trim() === "");
}

/** What is wrong with the points of a curve: values that are no numbers, and a second value that falls. */
export function pointProblems(points: Json | undefined, info: KindInfo): Problem[] {
  const list = arr(points);
  const out: Problem[] = [];
  const [a, b] = info.columns;
  let last: { value: number; index: number } | null = null;
  list.forEach((p, i) => {
    const n = i + 1;
    if (!Array.isArray(p) || p.length !== 2) {
      out.push({ index: i, column: null, message: `point ${n} must be a pair of numbers [${a.label}, ${b.label}], not ${JSON.stringify(p)}` });
      return;
    }
    [a, b].forEach((c, j) => {
      const v = p[j];
      if (blank(v)) out.push({ index: i, column: j as 0 | 1, message: `point ${n} has no ${c.label}` });
      else if (!finite(v)) out.push({ index: i, column: j as 0 | 1, message: `the ${c.label} "${typeof v === "string" ? v : JSON.stringify(v)}" of point ${n} is not a number${decimalComma(v) ? ": write the decimals after a point" : ""}` });
    });
    const v = p[1];
    if (!finite(v)) return;
    if (last && v < last.value)
      out.push({ index: i, column: 1, message: `the ${b.label} ${v} of point ${n} is below the ${last.value} of point ${last.index + 1}: the ${b.plural} must grow from point to point` });
    last = { value: v, index: i };
  });
  if (list.length > MAX_POINTS) out.push({ index: MAX_POINTS, column: null, message: `a curve holds at most ${MAX_POINTS} points, this one ${list.length}` });
  return out;
}

/** The curves of a set out of the order of their X (or axial load). */
export function curveProblems(curves: Json | undefined, info: KindInfo): Problem[] {
  const key = info.curveKey;
  if (!key) return [];
  const out: Problem[] = [];
  let last: { value: number; index: number } | null = null;
  arr(curves).forEach((c, i) => {
    const v = obj(c)[key];
    if (!finite(v)) return;
    if (last && v < last.value)
      out.push({ index: i, column: null, message: `the ${info.curveKeyLabel} ${v} of curve ${i + 1} is below the ${last.value} of curve ${last.index + 1}: the curves of a set go by growing ${info.curveKeyLabel}` });
    last = { value: v, index: i };
  });
  const n = arr(curves).length;
  if (n > MAX_CURVES) out.push({ index: MAX_CURVES, column: null, message: `a set holds at most ${MAX_CURVES} curves, this one ${n}` });
  return out;
}

/** Whole numbers as a short list: 1–3, 5, 8–9. */
export function numberList(ns: number[]): string {
  const s = [...new Set(ns)].sort((x, y) => x - y);
  const parts: string[] = [];
  for (let i = 0; i < s.length; ) {
    let j = i;
    while (j + 1 < s.length && s[j + 1] === s[j] + 1) j++;
    parts.push(j === i ? String(s[i]) : j === i + 1 ? `${s[i]}, ${s[j]}` : `${s[i]}–${s[j]}`);
    i = j + 1;
  }
  return parts.join(", ");
}

function several(word: string, ns: number[]): string {
  return `${word}${ns.length > 1 ? "s" : ""} ${numberList(ns)}`;
}

const integer = (v: Json | undefined): v is number => typeof v === "number" && Number.isInteger(v);

function isUserLayer(l: Json): boolean {
  const t = obj(l).type;
  return t === "userCurves" || t === 5;
}

/** The soil layers (from 1) whose p-y curves are those of a user set. */
export function userCurveLayers(doc: Json): number[] {
  const out: number[] = [];
  arr(obj(doc).soilLayers).forEach((l, i) => isUserLayer(l) && out.push(i + 1));
  return out;
}

/** A reference to an entry of a list of curves: where it is written and the number it holds. */
interface Reference {
  path: string;
  value: number;
  /** The number it names (the absolute value of a user p-y set). */
  names: number;
  /** Who it is: "pile group 3". */
  owner: string;
  /** How it is used, grouped on: "the whole pile". */
  how: string;
  /** The number of the owner, for a short list. */
  at: number;
}

function referencesOf(doc: Json, kind: CurveKind): Reference[] {
  const d = obj(doc);
  const out: Reference[] = [];
  if (kind === "py") {
    const layers = userCurveLayers(doc);
    const inLayers = layers.length ? `in its ${layers.length > 1 ? "soil layers" : "soil layer"} ${numberList(layers)} of user curves` : "for a soil layer of user curves (there is none)";
    arr(d.pileGroups).forEach((g, i) => {
      const v = obj(g).userPySet;
      if (integer(v) && v !== 0)
        out.push({ path: `/pileGroups/${i}/userPySet`, value: v, names: Math.abs(v), owner: `pile group ${i + 1}`, how: v > 0 ? "the whole pile" : inLayers, at: i + 1 });
    });
  } else if (kind === "ls" || kind === "tr") {
    const field = kind === "ls" ? "loadSettlementCurve" : "torqueRotationCurve";
    arr(d.pileGroups).forEach((g, i) => {
      const v = obj(obj(g)[field]).userCurve;
      if (integer(v)) out.push({ path: `/pileGroups/${i}/${field}/userCurve`, value: v, names: v, owner: `pile group ${i + 1}`, how: "", at: i + 1 });
    });
  } else {
    arr(d.pileProperties).forEach((p, i) =>
      arr(obj(p).sections).forEach((s, j) => {
        const sets = obj(obj(s).momentCurvatureSets);
        for (const axis of ["aboutY", "aboutZ"]) {
          const v = sets[axis];
          if (integer(v) && v !== 0)
            out.push({ path: `/pileProperties/${i}/sections/${j}/momentCurvatureSets/${axis}`, value: v, names: v, owner: `pile property ${i + 1}, section ${j + 1}`, how: axis === "aboutY" ? "about Y" : "about Z", at: j + 1 });
        }
      }));
  }
  return out;
}

/**
 * Who uses entry n (from 1) of the list of a kind, or any entry when n is
 * null: short phrases such as "pile groups 1–3 (the whole pile)".
 */
export function usersOf(doc: Json, kind: CurveKind, n: number | null): string[] {
  const refs = referencesOf(doc, kind).filter((r) => n === null || r.names === n);
  if (kind === "mc") {
    // By pile property: "pile property 1: sections 1, 2 about Y".
    const by = new Map<string, number[]>();
    for (const r of refs) {
      const prop = r.owner.split(",")[0];
      const k = `${prop}\u0000${r.how}`;
      by.set(k, [...(by.get(k) ?? []), r.at]);
    }
    return [...by].map(([k, at]) => {
      const [prop, how] = k.split("\u0000");
      return `${prop}: ${several("section", at)} ${how}`;
    });
  }
  const by = new Map<string, number[]>();
  for (const r of refs) by.set(r.how, [...(by.get(r.how) ?? []), r.at]);
  const out = [...by].map(([how, at]) => several("pile group", at) + (how ? ` (${how})` : ""));
  if (kind === "py" && n === null) {
    const layers = userCurveLayers(doc);
    if (layers.length) out.push(`${several("soil layer", layers)} of user curves`);
  }
  return out;
}

/**
 * Deleting entry i (from 0) of the list of a kind: refused (usedBy names
 * who) while something names it; otherwise the entry goes and the numbers
 * naming later entries go down by one, a user p-y set keeping its sign.
 */
export function deleteOps(doc: Json, kind: CurveKind, i: number): { ops: Operation[]; usedBy: string[] } {
  const usedBy = usersOf(doc, kind, i + 1);
  if (usedBy.length) return { ops: [], usedBy };
  const ops: Operation[] = [{ op: "remove", path: `/${KINDS[kind].key}/${i}` }];
  for (const r of referencesOf(doc, kind))
    if (r.names > i + 1) ops.push({ op: "set", path: r.path, value: r.value > 0 ? r.value - 1 : r.value + 1 });
  return { ops, usedBy: [] };
}

/**
 * Rows pasted from a spreadsheet as points: each row its two values (null
 * for a blank cell). With `complete` a row must give both; errors name the
 * row and column of the text.
 */
export function pastePoints(text: string, columns: PointColumn[], complete: boolean): { rows: (number | null)[][]; errors: string[] } {
  const r = parsePaste(text, columns.map((c) => ({ key: c.key, names: c.names })));
  const errors = r.errors.map((e) => `row ${e.row}, column ${e.column}: ${e.message}`);
  const rows = r.rows.map((row) => columns.map((c) => row.values[c.key] ?? null));
  if (complete)
    for (const row of r.rows)
      for (const c of columns) {
        const v = row.values[c.key];
        const at = r.columns.indexOf(c.key) + 1;
        const told = r.errors.some((e) => e.row === row.line && e.column === at);
        if ((v === null || v === undefined) && !told) errors.push(`row ${row.line}: the ${c.label} is missing`);
      }
  return { rows, errors };
}

/**
 * The points with pasted rows written from point `row`, value `column` on:
 * a blank cell keeps the value there, a row beyond the last adds a point
 * (its unwritten value left blank).
 */
export function mergePoints(old: Json[], rows: (number | null)[][], row: number, column: number): Json[] {
  const out: Json[] = old.map((p) => (Array.isArray(p) ? p.slice() : p));
  rows.forEach((cells, k) => {
    const i = row + k;
    while (out.length <= i) out.push(["", ""]);
    const p = Array.isArray(out[i]) ? (out[i] as Json[]) : ["", ""];
    cells.forEach((v, j) => {
      if (v !== null && column + j < 2) p[column + j] = v;
    });
    out[i] = p;
  });
  return out;
}

/**
 * Deflections as typed: numbers separated by blanks, semicolons or a comma
 * and a blank. A word that is no number is kept as typed (the check shows
 * it); nothing typed leaves the field out.
 */
export function parseDeflections(text: string): Json[] | undefined {
  const words = text.split(/[\s;]+|,(?=\s|$)/).map((w) => w.trim()).filter(Boolean);
  if (!words.length) return undefined;
  return words.map((w) => {
    const t = w.replace(/\u2212/g, "-");
    return /^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(t) && Number.isFinite(Number(t)) ? Number(t) : w;
  });
}

export function deflectionsText(v: Json | undefined): string {
  return Array.isArray(v) ? v.map((x) => (typeof x === "string" ? x : JSON.stringify(x))).join(", ") : v === undefined ? "" : JSON.stringify(v);
}

/** The deflections that are not numbers, as messages. */
export function deflectionProblems(v: Json | undefined): string[] {
  if (v === undefined) return [];
  if (!Array.isArray(v)) return ["the deflections must be a list of numbers"];
  const out = v.flatMap((x, k) => (finite(x) ? [] : [`deflection ${k + 1} "${typeof x === "string" ? x : JSON.stringify(x)}" is not a number${decimalComma(x) ? ": write the decimals after a point" : ""}`]));
  if (v.length > 50) out.push(`at most 50 deflections, here ${v.length}`);
  return out;
}
