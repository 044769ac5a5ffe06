// SPDX-License-Identifier: Apache-2.0
// Rows pasted from a spreadsheet, as a person copies them.
import { parsePaste, parseNumber } from "../../../web/src/editor/paste";

const LOADS = [
  { key: "Fx" }, { key: "Fy" }, { key: "Fz" }, { key: "Mx" }, { key: "My" }, { key: "Mz" },
  { key: "at.x", names: ["x"] }, { key: "at.y", names: ["y"] }, { key: "at.z", names: ["z"] },
];

describe("numbers of a cell", () => {
  it.each([
    ["1800", 1800], ["-350.5", -350.5], [" 0.25 ", 0.25], [".5", 0.5], ["2.0e+08", 2e8], ["1E-3", 0.001],
    ["\u2212350", -350], ['"42"', 42], ["", null], ["   ", null],
  ])("%j is %j", (text, value) => expect(parseNumber(text)).toBe(value));

  it.each(["1,5", "12a", "1 500", "--2", "Infinity", "NaN", "1e999", "0x10"])("%j is no number", (text) => {
    expect(parseNumber(text)).toBeUndefined();
  });
});

describe("pasted rows", () => {
  it("cells in the order of the table, blank cells left out, CRLF and a trailing line end", () => {
    const r = parsePaste("1800\t420\t260\t95\t180\t-350\r\n\t35\t20\t\t\t\t-0.6\t2.4\r\n", LOADS);
    expect(r.errors).toEqual([]);
    expect(r.header).toBe(false);
    expect(r.rows).toEqual([
      { line: 1, values: { Fx: 1800, Fy: 420, Fz: 260, Mx: 95, My: 180, Mz: -350 } },
      { line: 2, values: { Fx: null, Fy: 35, Fz: 20, Mx: null, My: null, Mz: null, "at.x": -0.6, "at.y": 2.4 } },
    ]);
  });

  it("a header row with units names the columns in its own order", () => {
    const r = parsePaste("Mz [kN·m]\tFx [kN]\tx [m]\n-350\t6000\t1.5\n", LOADS);
    expect(r.errors).toEqual([]);
    expect(r.header).toBe(true);
    expect(r.columns).toEqual(["Mz", "Fx", "at.x"]);
    expect(r.rows).toEqual([{ line: 2, values: { Mz: -350, Fx: 6000, "at.x": 1.5 } }]);
  });

  it("a bad number is reported at its row and column; blank lines still count", () => {
    const r = parsePaste("Fx\tFy\n100\t5\n\n200\t1,5\n300\tabc\n", LOADS);
    expect(r.errors.map((e) => [e.row, e.column, e.text])).toEqual([[4, 2, "1,5"], [5, 2, "abc"]]);
    expect(r.errors[0].message).toContain("1.5");
  });

  it("a first row with a typo is data, not a header", () => {
    const r = parsePaste("100\t5x\n", LOADS);
    expect(r.header).toBe(false);
    expect(r.errors.map((e) => [e.row, e.column])).toEqual([[1, 2]]);
  });

  it("an unknown or repeated column name, and values beyond the columns", () => {
    expect(parsePaste("Fx\tFq\tFx\n1\t2\t3\n", LOADS).errors.map((e) => [e.row, e.column])).toEqual([[1, 2], [1, 3]]);
    const wide = parsePaste("1\t2\n", [{ key: "Fx" }]);
    expect(wide.errors.map((e) => [e.row, e.column])).toEqual([[1, 2]]);
  });

  it("nothing pasted gives no rows", () => {
    expect(parsePaste(" \n\n", LOADS).rows).toEqual([]);
  });
});
