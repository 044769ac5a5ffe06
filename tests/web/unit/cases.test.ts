// SPDX-License-Identifier: Apache-2.0
// References between load cases, combinations and distributed-load sets kept
// through renames and deletions; points and load levels as typed or pasted.
// Each edit is applied to the document and the result compared with the
// document written out by hand.
import { applyAll, type Json } from "../../../web/src/editor/document";
import { caseIndex, caseRef, deleteCaseOps, deleteSetOps, levelsOf, pastePoints, renameCaseOps } from "../../../web/src/editor/cases";

type Obj = { [key: string]: Json };

const model = (): Obj => ({
  loadCases: [
    { name: "Dead load" },
    { name: "Wind" },
    { name: "Wind" },
    { name: " Live" },
    { name: "Snow" },
  ],
  combinations: [
    { name: "ULS", cases: [{ case: "Dead load", factor: 1.2 }, { case: 5, factor: 1.6 }] },
    { cases: [{ case: 4, factor: 1 }, { case: "Snow", factor: 0.5 }] },
  ],
});

describe("a combination's reference to a load case", () => {
  const cases = model().loadCases as Obj[];

  it("is the name when unique and not starting with a blank, else the number", () => {
    expect([0, 1, 2, 3, 4].map((i) => caseRef(cases, i))).toEqual(["Dead load", 2, 3, 4, "Snow"]);
  });

  it.each([
    ["Dead load", 0], [5, 4], [1, 0], ["Wind", null], [6, null], [0, null], [2.5, null], ["dead load", null], ["", null],
  ])("%j names case %j", (ref, index) => expect(caseIndex(cases, ref)).toBe(index));
});

describe("deleting and renaming a load case", () => {
  it("is refused while a combination names it, by name or by number", () => {
    expect(deleteCaseOps(model(), 0).usedBy).toEqual(['"ULS"']);
    expect(deleteCaseOps(model(), 4).usedBy).toEqual(['"ULS"', "combination 2"]);
    expect(deleteCaseOps(model(), 3).usedBy).toEqual(["combination 2"]);
  });

  it("renumbers the later cases named by number", () => {
    const r = deleteCaseOps(model(), 1);
    expect(r.usedBy).toEqual([]);
    const after = applyAll(model(), r.ops).doc as Obj;
    expect((after.loadCases as Obj[]).map((c) => c.name)).toEqual(["Dead load", "Wind", " Live", "Snow"]);
    // Case 5 (Snow) is now 4, case 4 (" Live") now 3; names are untouched.
    expect(after.combinations).toEqual([
      { name: "ULS", cases: [{ case: "Dead load", factor: 1.2 }, { case: 4, factor: 1.6 }] },
      { cases: [{ case: 3, factor: 1 }, { case: "Snow", factor: 0.5 }] },
    ]);
  });

  it("carries the new name to the combinations that named the old one", () => {
    const after = applyAll(model(), renameCaseOps(model(), 4, "Snow and ice")).doc as Obj;
    expect((after.loadCases as Obj[])[4].name).toBe("Snow and ice");
    expect((after.combinations as Obj[])[1].cases).toEqual([{ case: 4, factor: 1 }, { case: "Snow and ice", factor: 0.5 }]);
    // Numbers stay numbers.
    expect((after.combinations as Obj[])[0].cases).toEqual([{ case: "Dead load", factor: 1.2 }, { case: 5, factor: 1.6 }]);
  });

  it("names the case by its number when the new name is taken, blank or left out", () => {
    for (const name of ["Wind", "", undefined]) {
      const after = applyAll(model(), renameCaseOps(model(), 0, name)).doc as Obj;
      expect((after.combinations as Obj[])[0].cases).toEqual([{ case: 1, factor: 1.2 }, { case: 5, factor: 1.6 }]);
    }
  });
});

describe("deleting a distributed-load set", () => {
  const loads = (): Obj => ({
    distributedLoadSets: [{ points: [[0, 1]] }, { points: [[0, 2]] }, { points: [[0, 3]] }, { points: [[0, 4]] }],
    loadCases: [
      { name: "Current", distributedLoads: [{ piles: { first: 1 }, y: { set: 3 }, z: { set: 4, factor: 2 } }] },
      { distributedLoads: [{ piles: { first: 2 } }, { piles: { first: 1 }, z: { set: 2 } }] },
    ],
  });

  it("is refused while a distributed load names it, naming the case and the load", () => {
    expect(deleteSetOps(loads(), 1)).toEqual({ ops: [], usedBy: ["load case 2, distributed load 2 (z)"] });
    expect(deleteSetOps(loads(), 2).usedBy).toEqual(['load case 1 "Current", distributed load 1 (y)']);
  });

  it("moves the later sets up one, their numbers with them", () => {
    const r = deleteSetOps(loads(), 0);
    expect(r.usedBy).toEqual([]);
    const after = applyAll(loads(), r.ops).doc as Obj;
    expect(after.distributedLoadSets).toEqual([{ points: [[0, 2]] }, { points: [[0, 3]] }, { points: [[0, 4]] }]);
    expect((after.loadCases as Obj[]).map((c) => c.distributedLoads)).toEqual([
      [{ piles: { first: 1 }, y: { set: 2 }, z: { set: 3, factor: 2 } }],
      [{ piles: { first: 2 } }, { piles: { first: 1 }, z: { set: 1 } }],
    ]);
  });
});

describe("points of a set pasted", () => {
  it("takes a header row, tabs, CRLF, and blanks or semicolons without tabs", () => {
    expect(pastePoints("depth [m]\tload [kN/m]\r\n0\t12.5\r\n4.5\t-3\r\n\r\n").points).toEqual([[0, 12.5], [4.5, -3]]);
    expect(pastePoints("0 1\n2;3\n").points).toEqual([[0, 1], [2, 3]]);
  });

  it("names every row and column that is wrong and keeps no point", () => {
    const r = pastePoints("0\t1\n2\t\n3,5\t4\n5\t6\t7\n8\n");
    expect(r.points).toEqual([[0, 1]]);
    expect(r.errors.map((e) => [e.row, e.column])).toEqual([[2, 2], [3, 1], [4, 3], [5, 2]]);
    expect(r.errors[0].message).toBe("the load is missing");
    expect(r.errors[1].message).toContain('"3,5"');
  });
});

describe("load levels typed", () => {
  it.each([
    ["0.1, 0.5 1", [0.1, 0.5, 1]],
    ["", undefined],
    ["  ", undefined],
    ["0.2; x", [0.2, "x"]],
  ])("%j gives %j", (text, levels) => expect(levelsOf(text)).toEqual(levels));
});
