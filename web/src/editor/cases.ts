// SPDX-License-Identifier: Apache-2.0
// Load cases, combinations and distributed-load sets: their control options
// with defaults, the references between them (a combination names its cases,
// a distributed load its sets) and the edits that keep those references
// pointing at the same entries when one is renamed or deleted.

import type { Json, Operation } from "./document";
import { parseNumber } from "./paste";

type Obj = { [key: string]: Json };

export interface ControlOption {
  /** The path below the case or combination: "iterations/cap". */
  path: string;
  label: string;
  note: string;
  /** The value when left out, shown as the placeholder. */
  fallback: string;
  kind: "number" | "choice" | "flag";
  choices?: string[];
  names?: Record<string, string>;
  unit?: "length";
  /** Rarely changed: shown under "more options". */
  rare?: boolean;
  /** A load case's only, not a combination's. */
  caseOnly?: boolean;
}

export const PRINT_CHOICES = ["capOnly", "pileHeads", "alongPiles"];
export const PRINT_NAMES: Record<string, string> = { capOnly: "cap only", pileHeads: "cap and pile heads", alongPiles: "along the piles" };

export const CONTROL_OPTIONS: ControlOption[] = [
  { path: "loading", label: "Loading", kind: "choice", choices: ["static", "cyclic"], fallback: "static", note: "Static or cyclic soil response." },
  { path: "cycles", label: "Cycles", kind: "number", fallback: "0", note: "Number of load cycles (cyclic loading only)." },
  { path: "print", label: "Print", kind: "choice", choices: PRINT_CHOICES, names: PRINT_NAMES, fallback: "alongPiles", note: "Results printed: the cap only, also the pile heads, or also along the piles." },
  { path: "nodeStep", label: "Node step", kind: "number", fallback: "1", note: "Results along the piles every this many nodes." },
  { path: "axialLoadAtPileHead", label: "Axial load at pile head", kind: "flag", fallback: "false", caseOnly: true, note: "Global distributed loads: their axial component is collected at the pile head." },
  { path: "iterations/cap", label: "Iterations of the cap", kind: "number", fallback: "100", rare: true, note: "Most iterations of the foundation analysis (at most 10000)." },
  { path: "iterations/pile", label: "Iterations of a pile", kind: "number", fallback: "100", rare: true, note: "Most iterations of each pile analysis (at most 10000)." },
  { path: "tolerances/reaction", label: "Reaction tolerance", kind: "number", fallback: "0.001", rare: true, note: "Relative tolerance on the convergence of the foundation reaction." },
  { path: "tolerances/deflection", label: "Deflection tolerance", kind: "number", fallback: "1e-5", unit: "length", rare: true, note: "Tolerance on the deflections of a pile." },
  { path: "increments/factor", label: "Increment factor", kind: "number", fallback: "0.2", rare: true, note: "First load increment as a fraction of the load; not below the minimum." },
  { path: "increments/minimum", label: "Minimum increment", kind: "number", fallback: "0.01", rare: true, note: "A failed increment is halved down to this (at least 1e-6)." },
];

const list = (v: Json | undefined): Obj[] => (Array.isArray(v) ? (v as Obj[]) : []);

/** The names a combination may use: unique, not empty, not starting with a blank (else the number). */
export function caseRef(cases: Obj[], i: number): Json {
  const name = cases[i]?.name;
  const usable = typeof name === "string" && name !== "" && !/^\s/.test(name) && cases.filter((c) => c.name === name).length === 1;
  return usable ? name : i + 1;
}

/** The load case (from 0) a combination's `case` names, or null when it names none. */
export function caseIndex(cases: Obj[], ref: Json | undefined): number | null {
  if (typeof ref === "number") return Number.isInteger(ref) && ref >= 1 && ref <= cases.length ? ref - 1 : null;
  if (typeof ref !== "string" || ref === "") return null;
  const found = cases.flatMap((c, i) => (c.name === ref ? [i] : []));
  return found.length === 1 ? found[0] : null;
}

/**
 * Deleting load case i (from 0): refused while a combination names it; the
 * combinations that name later cases by number have them renumbered.
 */
export function deleteCaseOps(doc: Obj, i: number): { ops: Operation[]; usedBy: string[] } {
  const cases = list(doc.loadCases);
  const ops: Operation[] = [{ op: "remove", path: `/loadCases/${i}` }];
  const usedBy: string[] = [];
  list(doc.combinations).forEach((c, k) => {
    list(c.cases).forEach((x, j) => {
      if (caseIndex(cases, x.case) === i) usedBy.push(c.name ? `"${c.name}"` : `combination ${k + 1}`);
      else if (typeof x.case === "number" && x.case > i + 1) ops.push({ op: "set", path: `/combinations/${k}/cases/${j}/case`, value: x.case - 1 });
    });
  });
  return { ops, usedBy: [...new Set(usedBy)] };
}

/**
 * Renaming load case i: the combinations that named it by its old name
 * follow it, by the new name or, when that is not usable, by its number.
 */
export function renameCaseOps(doc: Obj, i: number, name: string | undefined): Operation[] {
  const cases = list(doc.loadCases);
  const ops: Operation[] = [{ op: "set", path: `/loadCases/${i}/name`, value: name }];
  const old = cases[i]?.name;
  if (typeof old !== "string" || caseIndex(cases, old) !== i) return ops;
  const renamed = cases.map((c, k) => (k === i ? { ...c, name: name ?? "" } : c));
  const ref = caseRef(renamed, i);
  list(doc.combinations).forEach((c, k) =>
    list(c.cases).forEach((x, j) => {
      if (x.case === old) ops.push({ op: "set", path: `/combinations/${k}/cases/${j}/case`, value: ref });
    }));
  return ops;
}

/** Where distributed loads name a set: "load case 1, distributed load 2 (y)". */
export function setUses(doc: Obj, set: number): string[] {
  const uses: string[] = [];
  list(doc.loadCases).forEach((c, i) =>
    list(c.distributedLoads).forEach((d, j) => {
      const axes = ["y", "z"].filter((a) => (d[a] as Obj | undefined)?.set === set);
      if (axes.length) uses.push(`load case ${i + 1}${c.name ? ` "${c.name}"` : ""}, distributed load ${j + 1} (${axes.join(", ")})`);
    }));
  return uses;
}

/**
 * Deleting distributed-load set s (from 0): refused while a distributed
 * load names it; the later sets move up one, and so do their numbers.
 */
export function deleteSetOps(doc: Obj, s: number): { ops: Operation[]; usedBy: string[] } {
  const usedBy = setUses(doc, s + 1);
  if (usedBy.length) return { ops: [], usedBy };
  const ops: Operation[] = [{ op: "remove", path: `/distributedLoadSets/${s}` }];
  list(doc.loadCases).forEach((c, i) =>
    list(c.distributedLoads).forEach((d, j) => {
      for (const a of ["y", "z"]) {
        const v = (d[a] as Obj | undefined)?.set;
        if (typeof v === "number" && v > s + 1) ops.push({ op: "set", path: `/loadCases/${i}/distributedLoads/${j}/${a}/set`, value: v - 1 });
      }
    }));
  return { ops, usedBy };
}

export interface PointsPaste {
  points: [number, number][];
  errors: { row: number; column: number; message: string }[];
}

/** Points [depth, load] pasted as two columns; a header row is taken as one. Both values are needed. */
export function pastePoints(text: string): PointsPaste {
  const out: PointsPaste = { points: [], errors: [] };
  const lines = text.replace(/\r\n?/g, "\n").split("\n");
  let header = true;
  lines.forEach((line, i) => {
    if (!line.trim()) return;
    const cells = (line.includes("\t") ? line.split("\t") : line.trim().split(/\s*;\s*|\s+/)).map((c) => c.trim());
    const values = cells.map(parseNumber);
    if (header && values.every((v) => v === undefined || v === null)) {
      header = false;
      return;
    }
    header = false;
    const before = out.errors.length;
    values.forEach((v, j) => {
      if (j >= 2 && v !== null) out.errors.push({ row: i + 1, column: j + 1, message: `a value beyond the 2 columns (depth, load)` });
      else if (j < 2 && v === undefined) out.errors.push({ row: i + 1, column: j + 1, message: `"${cells[j]}" is not a number` });
    });
    for (let j = 0; j < 2; j++)
      if (values[j] === null || j >= values.length)
        out.errors.push({ row: i + 1, column: j + 1, message: `the ${j ? "load" : "depth"} is missing` });
    if (out.errors.length === before) out.points.push([values[0] as number, values[1] as number]);
  });
  return out;
}

/** Load levels typed as a list ("0.1, 0.3 0.5"): numbers kept, anything else kept as typed for the check to name. */
export function levelsOf(text: string): Json[] | undefined {
  const cells = text.split(/[,;\s]+/).filter((c) => c !== "");
  if (!cells.length) return undefined;
  return cells.map((c) => {
    const v = parseNumber(c);
    return typeof v === "number" ? v : c;
  });
}
