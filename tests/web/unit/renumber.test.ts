// SPDX-License-Identifier: Apache-2.0
import { describe, expect, it } from "vitest";
import { applyAll, type Json } from "../../../web/src/editor/document";
import { groupDeleteOps, rangeGroups, rangesOf } from "../../../web/src/editor/renumber";

const groups = (n: number): Json[] => Array.from({ length: n }, (_, i) => ({ head: { y: i } }));

function after(doc: Json, deleted: number[]): { doc: Json; notes: string[] } {
  const r = groupDeleteOps(doc, deleted);
  return { doc: applyAll(doc, r.ops).doc, notes: r.notes };
}

describe("pile ranges", () => {
  it("reads last 0 as the first alone and step 0 as every group", () => {
    expect(rangeGroups({ first: 3, last: 0, step: 0 }, 9)).toEqual([3]);
    expect(rangeGroups({ first: 2, last: 5, step: 0 }, 9)).toEqual([2, 3, 4, 5]);
    expect(rangeGroups({ first: 1, last: 9, step: 4 }, 9)).toEqual([1, 5, 9]);
  });

  it("writes the fewest ranges of a set of groups", () => {
    expect(rangesOf([4])).toEqual([{ first: 4, last: 0, step: 0 }]);
    expect(rangesOf([1, 2, 3, 4])).toEqual([{ first: 1, last: 4, step: 0 }]);
    expect(rangesOf([1, 3, 5, 6])).toEqual([{ first: 1, last: 5, step: 2 }, { first: 6, last: 0, step: 0 }]);
  });
});

describe("deleting pile groups", () => {
  it("renumbers and drops the printed p-y curves", () => {
    const doc: Json = { pileGroups: groups(5), printPyCurves: [{ pileGroup: 1, x: 0 }, { pileGroup: 2, x: 1 }, { pileGroup: 5, x: 2 }] };
    const r = after(doc, [1]);
    expect((r.doc as { pileGroups: Json[] }).pileGroups).toHaveLength(4);
    expect((r.doc as { printPyCurves: Json }).printPyCurves).toEqual([{ pileGroup: 1, x: 0 }, { pileGroup: 4, x: 2 }]);
    expect(r.notes.join(" ")).toContain("pile group 2");
  });

  it("keeps a distributed load on the same piles", () => {
    // Groups 2 to 6 loaded; group 4 deleted: the old 2, 3, 5, 6 are the new 2 to 5.
    const load = { axis: "local", piles: { first: 2, last: 6 }, y: { set: 1 } };
    const doc: Json = { pileGroups: groups(6), loadCases: [{ name: "a", distributedLoads: [load] }] };
    const r = after(doc, [3]);
    expect((r.doc as { loadCases: { distributedLoads: Json[] }[] }).loadCases[0].distributedLoads).toEqual([
      { axis: "local", piles: { first: 2, last: 5 }, y: { set: 1 } },
    ]);
    expect(r.notes).toEqual([]);
  });

  it("splits a stepped range the deletion breaks and removes one left without piles", () => {
    // Every second group of 1..7 (1, 3, 5, 7), group 1 and 3 of 7 deleted: 5 and 7 become 3 and 5.
    const doc: Json = {
      pileGroups: groups(7),
      loadCases: [{ distributedLoads: [{ piles: { first: 1, last: 7, step: 2 }, number: 1 }, { piles: { first: 3 } }] }],
    };
    let r = after(doc, [2]);
    // 1, 5, 7 become 1, 4, 6: no one step; 1 and 4 by 3, then 6 alone, as two loads.
    expect((r.doc as { loadCases: { distributedLoads: Json[] }[] }).loadCases[0].distributedLoads).toEqual([
      { piles: { first: 1, last: 4, step: 3 }, number: 1 },
      { piles: { first: 6 } },
    ]);
    expect(r.notes.join(" ")).toMatch(/removed/);
    r = after(doc, [0, 2, 4, 6]);
    expect((r.doc as { loadCases: { distributedLoads: Json[] }[] }).loadCases[0].distributedLoads).toEqual([]);
  });
});
