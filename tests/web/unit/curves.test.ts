// SPDX-License-Identifier: Apache-2.0
// The user's curves: what a plot draws, the order the analysis reads the
// points in, who names a curve and what deleting one does to the others.
import { applyAll, type Json } from "../../../web/src/editor/document";
import {
  KINDS, curveProblems, deflectionProblems, deleteOps, mergePoints, numberList, parseDeflections, pastePoints, pointProblems,
  seriesOf, unitText, usersOf,
} from "../../../web/src/editor/curves";

const metric = { length: "m", force: "kN", moment: "kN·m" };

describe("the plot of a point table", () => {
  it("draws [settlement, load] in the table's order and leaves out what is no pair of numbers", () => {
    const points: Json = [[100, 0.002], [250, 0.006], ["x", 0.01], [400], [300, 0.004], [500, ""]];
    expect(seriesOf(points)).toEqual([[0.002, 100], [0.006, 250], [0.004, 300]]);
    expect(seriesOf(undefined)).toEqual([]);
  });

  it("labels the axes in the units system of the document", () => {
    expect(unitText("forcePerLength", metric)).toBe("kN/m");
    expect(unitText("perLength", { length: "in" })).toBe("1/in");
    expect(unitText("moment", metric)).toBe("kN·m");
    expect(unitText("radian", metric)).toBe("rad");
  });
});

describe("points in the order the analysis reads them", () => {
  it("a settlement that falls is flagged at that point, against the one before", () => {
    const p = pointProblems([[0, 0], [100, 0.02], [150, 0.01], [200, 0.03]], KINDS.ls);
    expect(p).toHaveLength(1);
    expect(p[0]).toMatchObject({ index: 2, column: 1 });
    expect(p[0].message).toBe("the settlement 0.01 of point 3 is below the 0.02 of point 2: the settlements must grow from point to point");
  });

  it("equal deflections and a falling p are read as given", () => {
    expect(pointProblems([[0, 0], [50, 0.01], [50, 0.01], [40, 0.05]], KINDS.py)).toEqual([]);
  });

  it("a blank, a text and a broken pair are named at their value", () => {
    const p = pointProblems([["", 0.1], [2, "1,5"], [3], [4, 0.3]], KINDS.tr);
    expect(p.map((x) => [x.index, x.column])).toEqual([[0, 0], [1, 1], [2, null]]);
    expect(p[0].message).toBe("point 1 has no torsional moment");
    expect(p[1].message).toBe('the rotation "1,5" of point 2 is not a number: write the decimals after a point');
    expect(p[2].message).toBe("point 3 must be a pair of numbers [torsional moment, rotation], not [3]");
  });

  it("more than 25 points", () => {
    const points = Array.from({ length: 26 }, (_, i) => [i, i]);
    expect(pointProblems(points, KINDS.mc).map((x) => x.message)).toEqual(["a curve holds at most 25 points, this one 26"]);
  });

  it("the curves of a set by growing X or axial load", () => {
    expect(curveProblems([{ x: 0 }, { x: 5 }, { x: 3 }, { points: [] }, { x: 8 }], KINDS.py).map((x) => x.index)).toEqual([2]);
    expect(curveProblems([{ axialLoad: 500 }, { axialLoad: -100 }], KINDS.mc)[0].message)
      .toBe("the axial load -100 of curve 2 is below the 500 of curve 1: the curves of a set go by growing axial load");
  });
});

describe("who uses a curve, and deleting one", () => {
  const groups = (...g: Json[]): Json[] => g.map((x) => ({ connection: "fixed", ...(x as object) }));

  it("short lists of numbers", () => {
    expect(numberList([9, 1, 2, 3, 5, 8, 2])).toBe("1–3, 5, 8, 9");
    expect(numberList([])).toBe("");
  });

  it("a load-settlement curve in use is kept; deleting another renumbers the later references", () => {
    const doc: Json = {
      userLoadSettlementCurves: [{ points: [] }, { points: [] }, { points: [] }],
      pileGroups: groups({ loadSettlementCurve: { userCurve: 1 } }, { loadSettlementCurve: { userCurve: 3 } },
        { loadSettlementCurve: { pileProperty: 3 } }, { loadSettlementCurve: { userCurve: 1 } }, { loadSettlementCurve: { userCurve: 1 } }),
    };
    expect(deleteOps(doc, "ls", 0)).toEqual({ ops: [], usedBy: ["pile groups 1, 4, 5"] });
    const r = deleteOps(doc, "ls", 1);
    expect(r.usedBy).toEqual([]);
    const after = applyAll(doc, r.ops).doc as { userLoadSettlementCurves: Json[]; pileGroups: { loadSettlementCurve: Json }[] };
    expect(after.userLoadSettlementCurves).toHaveLength(2);
    expect(after.pileGroups.map((g) => g.loadSettlementCurve)).toEqual([
      { userCurve: 1 }, { userCurve: 2 }, { pileProperty: 3 }, { userCurve: 1 }, { userCurve: 1 },
    ]);
  });

  it("a p-y set keeps the sign of a group's number; the soil layers of user curves are named", () => {
    const doc: Json = {
      userPyCurves: [{}, {}, {}],
      soilLayers: [{ type: "softClay" }, { type: "userCurves" }, { type: 5 }],
      pileGroups: groups({ userPySet: 2 }, { userPySet: -3 }, { userPySet: 0 }, { userPySet: -1 }),
    };
    expect(usersOf(doc, "py", 2)).toEqual(["pile group 1 (the whole pile)"]);
    expect(usersOf(doc, "py", 3)).toEqual(["pile group 2 (in its soil layers 2, 3 of user curves)"]);
    expect(usersOf(doc, "py", null)).toEqual([
      "pile group 1 (the whole pile)", "pile groups 2, 4 (in its soil layers 2, 3 of user curves)", "soil layers 2, 3 of user curves",
    ]);
    expect(deleteOps(doc, "py", 1).usedBy).toEqual(["pile group 1 (the whole pile)"]);
    const emptied: Json = { ...(doc as object), pileGroups: groups({ userPySet: 3 }, { userPySet: -3 }, { userPySet: -1 }) };
    const after = applyAll(emptied, deleteOps(emptied, "py", 1).ops).doc as { pileGroups: { userPySet: number }[]; userPyCurves: Json[] };
    expect(after.pileGroups.map((g) => g.userPySet)).toEqual([2, -2, -1]);
    expect(after.userPyCurves).toHaveLength(2);
  });

  it("a moment-curvature set is named by the pile sections, about Y and Z", () => {
    const doc: Json = {
      momentCurvatureSets: [{}, {}],
      pileProperties: [
        { sections: [{ to: 5, momentCurvatureSets: { aboutY: 1, aboutZ: 2 } }, { to: 10, momentCurvatureSets: { aboutY: 1 } }] },
        { sections: [{ to: 8, momentCurvatureSets: { aboutZ: 2 } }] },
      ],
    };
    expect(usersOf(doc, "mc", 1)).toEqual(["pile property 1: sections 1, 2 about Y"]);
    expect(deleteOps(doc, "mc", 1).usedBy).toEqual(["pile property 1: section 1 about Z", "pile property 2: section 1 about Z"]);
    const free: Json = { momentCurvatureSets: [{}, {}], pileProperties: [{ sections: [{ to: 5, momentCurvatureSets: { aboutY: 0, aboutZ: 2 } }] }] };
    expect(applyAll(free, deleteOps(free, "mc", 0).ops).doc).toEqual({
      momentCurvatureSets: [{}], pileProperties: [{ sections: [{ to: 5, momentCurvatureSets: { aboutY: 0, aboutZ: 1 } }] }],
    });
  });
});

describe("points pasted from a spreadsheet", () => {
  it("a header names the columns in its own order; a missing value is reported with its row", () => {
    const r = pastePoints("Settlement [m]\tAxial load [kN]\n0.005\t400\n0.012\t\n", KINDS.ls.columns, true);
    expect(r.rows).toEqual([[400, 0.005], [null, 0.012]]);
    expect(r.errors).toEqual(["row 3: the axial load is missing"]);
    expect(pastePoints("0\t0\n1,5\t0.01\n", KINDS.ls.columns, true).errors).toEqual([
      'row 2, column 1: "1,5" is not a number: write the decimals after a point (1.5)',
    ]);
  });

  it("rows pasted into a cell overwrite from there and add points beyond the last", () => {
    const old: Json[] = [[0, 0], [10, 0.1]];
    expect(mergePoints(old, [[0.15], [0.3]], 1, 1)).toEqual([[0, 0], [10, 0.15], ["", 0.3]]);
    expect(mergePoints(old, [[null, 0.2], [30, 0.3]], 2, 0)).toEqual([[0, 0], [10, 0.1], ["", 0.2], [30, 0.3]]);
    expect(old).toEqual([[0, 0], [10, 0.1]]);
  });
});

describe("deflections of a p-y curve to print", () => {
  it("read from blanks, semicolons and commas with a blank; a decimal comma is kept to be corrected", () => {
    expect(parseDeflections("0.001, 0.002 0.005;0.01,")).toEqual([0.001, 0.002, 0.005, 0.01]);
    expect(parseDeflections("  ")).toBeUndefined();
    const v = parseDeflections("0.001 0,002");
    expect(v).toEqual([0.001, "0,002"]);
    expect(deflectionProblems(v)).toEqual(['deflection 2 "0,002" is not a number: write the decimals after a point']);
  });
});
