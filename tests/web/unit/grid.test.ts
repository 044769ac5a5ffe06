// SPDX-License-Identifier: Apache-2.0
// The grid generator against layouts worked out by hand. examples/group3d
// (docs/model-document.md) is a 2 x 3 grid at 1.8 m with its outer columns
// battered 1:6: heads Y -1.8, 0, 1.8 and Z -0.9, 0.9; corner piles ALPHA 180
// (towards -Y) or 0 (towards +Y) and BETA 80.54.
import { gridPiles, gridGroups, checkGrid, type GridOptions } from "../../../web/src/editor/grid";

const base: GridOptions = {
  rows: 2, columns: 3, spacingY: 1.8, spacingZ: 1.8, origin: "centre", y: 0, z: 0,
  batter: 6, outerRows: false, outerColumns: true,
};

describe("a 2 x 3 grid", () => {
  it("centred: the heads and batters of examples/group3d", () => {
    const piles = gridPiles(base);
    expect(piles.map((p) => [p.y, p.z])).toEqual([
      [-1.8, -0.9], [0, -0.9], [1.8, -0.9],
      [-1.8, 0.9], [0, 0.9], [1.8, 0.9],
    ]);
    // atan(6) = 80.5377 degrees.
    for (const i of [0, 3]) { expect(piles[i].alpha).toBe(180); expect(piles[i].beta).toBeCloseTo(80.5377, 4); }
    for (const i of [2, 5]) { expect(piles[i].alpha).toBe(0); expect(piles[i].beta).toBeCloseTo(80.5377, 4); }
    for (const i of [1, 4]) expect(piles[i].beta).toBe(90);
  });

  it("outer rows battered outward along Z, from the first pile at (1, 2)", () => {
    const piles = gridPiles({ ...base, origin: "first", y: 1, z: 2, spacingY: 2, spacingZ: 3, batter: 4, outerRows: true, outerColumns: false });
    expect(piles.map((p) => [p.y, p.z])).toEqual([
      [1, 2], [3, 2], [5, 2],
      [1, 5], [3, 5], [5, 5],
    ]);
    // Both rows are outer rows: the first leans towards -Z (ALPHA 270), the
    // second towards +Z (ALPHA 90); BETA = atan(4) = 75.9638 degrees.
    expect(piles.map((p) => p.alpha)).toEqual([270, 270, 270, 90, 90, 90]);
    for (const p of piles) expect(p.beta).toBeCloseTo(75.9638, 4);
  });

  it("rows and columns: the corners lean along the diagonal", () => {
    const piles = gridPiles({ ...base, outerRows: true });
    expect(piles.map((p) => p.alpha)).toEqual([225, 270, 315, 135, 90, 45]);
  });

  it("without a batter every pile is vertical", () => {
    for (const p of gridPiles({ ...base, batter: 0, outerRows: true })) expect([p.alpha, p.beta]).toEqual([0, 90]);
  });
});

describe("the pile groups of a grid", () => {
  it("three dimensions: one group a pile, vertical piles without a batter", () => {
    const groups = gridGroups(base, false, { connection: "fixed" });
    expect(groups).toHaveLength(6);
    expect(groups[0]).toEqual({ connection: "fixed", head: { y: -1.8, z: -0.9 }, batter: { alpha: 180, beta: Math.atan(6) * 180 / Math.PI } });
    expect(groups[1]).toEqual({ connection: "fixed", head: { y: 0, z: -0.9 } });
    expect(groups[2].batter).toEqual({ beta: Math.atan(6) * 180 / Math.PI });
  });

  it("two dimensions: one row of piles out of the plane for each Y, outer ones battered from the vertical", () => {
    const groups = gridGroups({ ...base, spacingZ: 2.5 }, true, { connection: "pinned" });
    expect(groups.map((g) => (g.head as { y: number }).y)).toEqual([-1.8, 0, 1.8]);
    for (const g of groups) expect([g.piles, g.rowSpacing]).toEqual([2, 2.5]);
    // 1:6 from the vertical: atan(1/6) = 9.4623 degrees, negative towards -Y.
    expect(groups[0].batter as number).toBeCloseTo(-9.4623, 4);
    expect(groups[1].batter).toBeUndefined();
    expect(groups[2].batter as number).toBeCloseTo(9.4623, 4);
  });
});

describe("grids that cannot be made", () => {
  it.each([
    [{ rows: 0 }, "rows"],
    [{ columns: 2.5 }, "piles in a row"],
    [{ spacingY: 0 }, "spacing along Y"],
    [{ spacingZ: -1 }, "spacing along Z"],
    [{ rows: 50, columns: 41 }, "2000"],
    [{ y: Number.NaN }, "Y"],
  ])("%o", (change, words) => {
    expect(checkGrid({ ...base, ...change })).toContain(words);
    expect(() => gridPiles({ ...base, ...change })).toThrow(RangeError);
  });

  it("a single row needs no spacing along Z", () => {
    expect(checkGrid({ ...base, rows: 1, spacingZ: 0 })).toBeNull();
  });
});
