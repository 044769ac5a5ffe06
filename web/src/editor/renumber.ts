// SPDX-License-Identifier: Apache-2.0
// Pile groups are named by their number (1 for the first) in the p-y curves
// to print and in the pile ranges of the distributed loads. Deleting groups
// renumbers those references so that each still names the same pile, and
// drops, with a note, what named a deleted group alone.

import type { Json, Operation } from "./document";

type Obj = { [key: string]: Json };

function objects(v: Json | undefined): Obj[] {
  return Array.isArray(v) ? (v.filter((x) => x !== null && typeof x === "object" && !Array.isArray(x)) as Obj[]) : [];
}

/** A pile range of a distributed load, as the document holds it. */
export interface PileRange {
  first: number;
  last: number;
  step: number;
}

/**
 * The pile groups a range loads (numbers from 1), among count groups:
 * last 0 is the first alone, step 0 every one from first to last.
 */
export function rangeGroups(r: PileRange, count: number): number[] {
  const last = r.last === 0 ? r.first : Math.min(r.last, count);
  const step = r.step === 0 ? 1 : Math.abs(r.step);
  const out: number[] = [];
  for (let g = r.first; g <= last && out.length <= count; g += step) out.push(g);
  return out;
}

/**
 * The fewest ranges that load exactly these groups (ascending, distinct):
 * runs of a common step, taken greedily from the first group on.
 */
export function rangesOf(groups: number[]): PileRange[] {
  const out: PileRange[] = [];
  let i = 0;
  while (i < groups.length) {
    if (i + 1 === groups.length) {
      out.push({ first: groups[i], last: 0, step: 0 });
      break;
    }
    const step = groups[i + 1] - groups[i];
    let j = i + 1;
    while (j + 1 < groups.length && groups[j + 1] - groups[j] === step) j++;
    out.push({ first: groups[i], last: groups[j], step: step === 1 ? 0 : step });
    i = j + 1;
  }
  return out;
}

function sameRange(a: PileRange, b: PileRange, count: number): boolean {
  const x = rangeGroups(a, count);
  const y = rangeGroups(b, count);
  return x.length === y.length && x.every((g, k) => g === y[k]);
}

/**
 * The operations that delete pile groups (indices from 0) and renumber what
 * names the groups after them; notes say what was dropped or split.
 */
export function groupDeleteOps(doc: Json, deleted: number[]): { ops: Operation[]; notes: string[] } {
  const root = (doc !== null && typeof doc === "object" && !Array.isArray(doc) ? doc : {}) as Obj;
  const count = Array.isArray(root.pileGroups) ? root.pileGroups.length : 0;
  const gone = new Set(deleted.filter((i) => Number.isInteger(i) && i >= 0 && i < count).map((i) => i + 1));
  const ops: Operation[] = [];
  const notes: string[] = [];
  if (!gone.size) return { ops, notes };
  // The new number of group g (from 1), or 0 when it is deleted.
  const renumber = (g: number): number => (gone.has(g) ? 0 : g - [...gone].filter((d) => d < g).length);

  // The p-y curves to print, from the last so that removals keep the indices.
  const printed = objects(root.printPyCurves);
  for (let k = printed.length - 1; k >= 0; k--) {
    const g = printed[k].pileGroup;
    if (typeof g !== "number") continue;
    const to = renumber(g);
    if (to === 0) {
      ops.push({ op: "remove", path: `/printPyCurves/${k}` });
      notes.push(`The p-y curve printed for pile group ${g} at X ${String(printed[k].x ?? "")} is removed with its pile group.`);
    } else if (to !== g) ops.push({ op: "set", path: `/printPyCurves/${k}/pileGroup`, value: to });
  }

  // The pile ranges of the distributed loads of every load case.
  objects(root.loadCases).forEach((c, ci) => {
    const loads = objects(c.distributedLoads);
    for (let k = loads.length - 1; k >= 0; k--) {
      const piles = (loads[k].piles ?? {}) as Obj;
      if (typeof piles.first !== "number") continue;
      const range: PileRange = { first: piles.first, last: Number(piles.last ?? 0), step: Number(piles.step ?? 0) };
      const before = rangeGroups(range, count);
      const after = before.map(renumber).filter((g) => g > 0);
      const where = `distributed load ${k + 1} of load case ${ci + 1}${c.name ? ` ("${String(c.name)}")` : ""}`;
      const path = `/loadCases/${ci}/distributedLoads/${k}`;
      if (!after.length) {
        ops.push({ op: "remove", path });
        notes.push(`The ${where} loaded only deleted pile groups and is removed.`);
        continue;
      }
      const ranges = rangesOf(after);
      if (ranges.length === 1 && sameRange(ranges[0], range, count) && before.length === after.length) continue;
      const pilesOf = (r: PileRange): Json => {
        const out: Obj = { ...piles, first: r.first };
        delete out.last;
        delete out.step;
        if (r.last) out.last = r.last;
        if (r.step) out.step = r.step;
        return out;
      };
      ops.push({ op: "set", path: `${path}/piles`, value: pilesOf(ranges[0]) });
      // A range the deletion breaks into pieces becomes a load for each piece.
      ranges.slice(1).forEach((r, n) => {
        const copy: Obj = { ...loads[k], piles: pilesOf(r) };
        delete copy.number;
        ops.push({ op: "insert", path: `${path.replace(/\/\d+$/, "")}/${k + 1 + n}`, value: copy });
      });
      if (ranges.length > 1) notes.push(`The ${where} now loads its remaining pile groups as ${ranges.length} loads.`);
    }
  });

  // The groups themselves, from the last.
  for (const g of [...gone].sort((a, b) => b - a)) ops.push({ op: "remove", path: `/pileGroups/${g - 1}` });
  return { ops, notes };
}
