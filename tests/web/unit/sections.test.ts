// SPDX-License-Identifier: Apache-2.0
// Cross sections from their dimensions against values worked out by hand
// (an H section as the sum of its plates, with the parallel-axis term), and
// against the example pipes of docs/model-document.md; the references kept
// right when a pile property or a cross section is deleted.
import { applyAll, type Json } from "../../../web/src/editor/document";
import {
  computeSection, copyName, crossSectionDeleteOps, crossSectionIndex, crossSectionRef, differs, propertyDeleteOps, shapeOf,
} from "../../../web/src/editor/sections";

const close = (got: number | undefined, want: number, rel = 1e-4) => {
  expect(got).toBeDefined();
  expect(Math.abs((got as number) - want)).toBeLessThanOrEqual(rel * Math.abs(want));
};

describe("values from the dimensions", () => {
  it("a 600 x 12 mm pipe: A = π/4 (0.6² − 0.576²), I = π/64 (0.6⁴ − 0.576⁴), GJ as examples/group3d", () => {
    const c = computeSection({ shape: "circularPipe", diameter: 0.6, innerDiameter: 0.576, shearModulus: 7.7e7 });
    close(c.area, 0.022167);
    close(c.inertiaZ, 9.5842e-4);
    close(c.inertiaY, 9.5842e-4);
    close(c.torsionalStiffness, 147600, 1e-3);
  });

  it("the 600 x 20 mm pipe of examples/group3d, given by its code", () => {
    const c = computeSection({ shape: 1, diameter: 0.6, innerDiameter: 0.56, shearModulus: 7.7e7 });
    close(c.area, 0.036443);
    close(c.inertiaZ, 0.0015342);
    close(c.torsionalStiffness, 236270, 1e-3);
  });

  it("a solid circle of 1 m: π/4 and π/64; no GJ without G", () => {
    const c = computeSection({ shape: "circularPipe", diameter: 1 });
    close(c.area, 0.785398);
    close(c.inertiaZ, 0.0490874);
    expect(c.torsionalStiffness).toBeUndefined();
  });

  it("a rectangular pipe 0.4 wide, 0.3 deep, hole 0.36 x 0.26", () => {
    // A = 0.12 − 0.0936; Iz = (0.4·0.3³ − 0.36·0.26³)/12; Iy = (0.3·0.4³ − 0.26·0.36³)/12.
    const c = computeSection({ shape: "rectangularPipe", width: 0.4, depth: 0.3, innerWidth: 0.36, innerDepth: 0.26 });
    close(c.area, 0.0264);
    close(c.inertiaZ, 3.7272e-4);
    close(c.inertiaY, 5.8912e-4);
  });

  it("a solid rectangle 0.3 wide, 0.5 deep: b h³/12 about z, h b³/12 about y", () => {
    const c = computeSection({ shape: "rectangularPipe", width: 0.3, depth: 0.5 });
    close(c.area, 0.15);
    close(c.inertiaZ, 0.003125);
    close(c.inertiaY, 0.001125);
  });

  it.each(["hSection", "iSection"])("an %s 300 x 300, flanges 20, web 10: the sum of its plates", (shape) => {
    // Flanges 0.3 x 0.02 at ±0.14: 2 (0.3·0.02³/12 + 0.006·0.14²) = 2.356e-4; web 0.01·0.26³/12 = 1.46467e-5.
    // About y: 2·0.02·0.3³/12 + 0.26·0.01³/12 = 9.0e-5 + 2.17e-8.
    const c = computeSection({ shape, width: 0.3, depth: 0.3, flangeThickness: 0.02, webThickness: 0.01 });
    close(c.area, 0.0146);
    close(c.inertiaZ, 2.356e-4 + 1.46467e-5);
    close(c.inertiaY, 9.0e-5 + 2.1667e-8);
    expect(c.torsionalStiffness).toBeUndefined();
  });

  it("impossible or missing dimensions say why, and give nothing", () => {
    for (const cs of [
      { shape: "circularPipe", diameter: 0.6, innerDiameter: 0.6 },
      { shape: "circularPipe" },
      { shape: "rectangularPipe", width: 0.4, depth: 0.3, innerWidth: 0.36 },
      { shape: "hSection", width: 0.3, depth: 0.3, flangeThickness: 0.15, webThickness: 0.01 },
      { shape: "hSection", width: 0.3, depth: 0.3, flangeThickness: 0.02 },
    ]) {
      const c = computeSection(cs);
      expect(c.problem).toBeTruthy();
      expect(c.area).toBeUndefined();
    }
    expect(computeSection({ diameter: 0.6 })).toEqual({});
    expect(shapeOf(7)).toBeNull();
  });

  it("a typed value is marked beyond 1 % either way", () => {
    expect(differs(1.0099, 1)).toBe(false);
    expect(differs(0.991, 1)).toBe(false);
    expect(differs(1.011, 1)).toBe(true);
    expect(differs(0.98, 1)).toBe(true);
    expect(differs(0.22167, 0.022167)).toBe(true);
  });
});

describe("references on deleting", () => {
  const props = [{ length: 10 }, { length: 20 }, { length: 30 }];

  it("a pile property in use is refused, naming its users; the default property 1 counts", () => {
    const doc: Json = { pileProperties: props, pileGroups: [{ pileProperty: 3 }, {}, { pileProperty: 2, loadSettlementCurve: { pileProperty: 2 } }] };
    expect(propertyDeleteOps(doc, 0)).toEqual({ ops: [], usedBy: ["pile group 2"] });
    expect(propertyDeleteOps(doc, 1).usedBy).toEqual(["pile group 3", "the load-settlement curve of pile group 3"]);
  });

  it("an unused pile property goes, the later numbers move down", () => {
    const doc: Json = { pileProperties: props, pileGroups: [{ pileProperty: 3, torqueRotationCurve: { pileProperty: 3 } }, { loadSettlementCurve: { userCurve: 2 } }] };
    const r = propertyDeleteOps(doc, 1);
    expect(r.usedBy).toEqual([]);
    const after = applyAll(doc, r.ops).doc as { [k: string]: Json };
    expect(after.pileProperties).toEqual([{ length: 10 }, { length: 30 }]);
    expect(after.pileGroups).toEqual([{ pileProperty: 2, torqueRotationCurve: { pileProperty: 2 } }, { loadSettlementCurve: { userCurve: 2 } }]);
  });

  it("a cross section named by a unique name or by number is refused; later numbers move down, names stay", () => {
    const crossSections = [{ name: "A" }, { name: "B" }, { name: "B" }, { name: "D" }];
    const sections = [{ to: 5, crossSection: "A" }, { to: 10, crossSection: 4 }, { to: 12, crossSection: "D" }];
    const doc: Json = { crossSections, pileProperties: [{ sections }] };
    expect(crossSectionDeleteOps(doc, 0).usedBy).toEqual(["section 1 of pile property 1"]);
    expect(crossSectionDeleteOps(doc, 3).usedBy).toEqual(["section 2 of pile property 1", "section 3 of pile property 1"]);
    // "B" is shared: no section can name either by it.
    const r = crossSectionDeleteOps(doc, 1);
    expect(r.usedBy).toEqual([]);
    const after = applyAll(doc, r.ops).doc as { [k: string]: Json };
    expect(after.crossSections).toEqual([{ name: "A" }, { name: "B" }, { name: "D" }]);
    expect(after.pileProperties).toEqual([{ sections: [{ to: 5, crossSection: "A" }, { to: 10, crossSection: 3 }, { to: 12, crossSection: "D" }] }]);
  });

  it("a pile section names a cross section by its unique name, by number otherwise", () => {
    const all = [{ name: "PIPE600x12" }, { name: "X" }, { name: "X" }, { name: " lead" }, {}];
    expect([0, 1, 3, 4].map((i) => crossSectionRef(all, i))).toEqual(["PIPE600x12", 2, 4, 5]);
    expect([crossSectionIndex(all, "PIPE600x12"), crossSectionIndex(all, "X"), crossSectionIndex(all, 5), crossSectionIndex(all, 6)]).toEqual([0, -1, 4, -1]);
    expect(copyName("X", ["X", "X (copy)"])).toBe("X (copy 2)");
  });
});
