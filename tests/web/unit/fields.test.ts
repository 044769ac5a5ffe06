// SPDX-License-Identifier: Apache-2.0
// Where a diagnostic is shown, how the switches read the document, and the
// soil properties a layer shows.
import { placeDiagnostic, SWITCHES, switchValue, switchJson, soilFieldsOf, SOIL_USES } from "../../../web/src/editor/fields";

describe("a diagnostic at its field", () => {
  const bound = ["/title", "/cap/length", "/cap/width", "/loadCases/0/loads/0/Fx", "/pileGroups/0/head/y", "/pileGroups/0/batter/beta"];

  it("the input of its own pointer", () => {
    expect(placeDiagnostic("/loadCases/0/loads/0/Fx", bound)).toBe("/loadCases/0/loads/0/Fx");
  });

  it("a missing field is reported at the mapping that lacks it: its first input", () => {
    expect(placeDiagnostic("/cap", bound)).toBe("/cap/length");
    expect(placeDiagnostic("/pileGroups/0", bound)).toBe("/pileGroups/0/head/y");
  });

  it("an unknown key inside a field is shown at the field", () => {
    expect(placeDiagnostic("/title/extra", bound)).toBe("/title");
  });

  it("one pointer is not the start of another that only shares its letters", () => {
    expect(placeDiagnostic("/cap/len", bound)).toBeNull();
    expect(placeDiagnostic("/pileGroups/1", bound)).toBeNull();
  });

  it("the whole document has no field", () => {
    expect(placeDiagnostic("", bound)).toBeNull();
  });
});

describe("the switches of the document", () => {
  const by = (key: string) => SWITCHES.find((s) => s.key === key)!;

  it("a code of the input data file reads as its name", () => {
    expect(switchValue(by("units"), 2)).toBe("metric");
    expect(switchValue(by("analysis"), 2)).toBe("twoDimensional");
    expect(switchValue(by("groupFactors"), 1)).toBe("fromLayout");
  });

  it("a field left out shows its default; a required one shows nothing", () => {
    expect(switchValue(by("groupFactors"), undefined)).toBe("none");
    expect(switchValue(by("embeddedCap"), undefined)).toBe("false");
    expect(switchValue(by("units"), undefined)).toBe("");
  });

  it("the default is written by leaving the field out; a switch is true or false", () => {
    expect(switchJson(by("groupFactors"), "none")).toBeUndefined();
    expect(switchJson(by("groupFactors"), "given")).toBe("given");
    expect(switchJson(by("embeddedCap"), "true")).toBe(true);
    expect(switchJson(by("units"), "open")).toBe("open");
  });
});

describe("the soil properties of a layer", () => {
  const keys = (type: string, top?: Record<string, number>, bottom?: Record<string, number>) => soilFieldsOf(type, top, bottom).map((f) => f.key);

  it("sand reads the friction angle and k, no strength", () => {
    expect(keys("sand")).toEqual(["effectiveUnitWeight", "frictionAngle", "subgradeModulus", "unitSideFriction", "unitTipResistance"]);
  });

  it("a value the layer holds is shown even when its type does not read it", () => {
    expect(keys("sand", { x: 0, undrainedShearStrength: 20 })).toContain("undrainedShearStrength");
  });

  it("weak rock written with the soil names shows them once, not the rock names beside them", () => {
    const k = keys("weakRock", { x: 0, undrainedShearStrength: 5000, eps50: 0.0005 });
    expect(k).toContain("undrainedShearStrength");
    expect(k).not.toContain("compressiveStrength");
    expect(k).toContain("eps50");
    expect(k).not.toContain("krm");
  });
});

// Read from the engine: the values each criterion looks up (soil/*_criteria.cpp)
// and those the profile keeps for its type (soil_profile.cpp); every layer's
// γ' enters the overburden of the layers below; every type takes the axial
// resistances.
describe("the properties each soil type reads", () => {
  const axial = ["unitSideFriction", "unitTipResistance"];
  const expected: Record<string, string[]> = {
    softClay: ["effectiveUnitWeight", "undrainedShearStrength", "eps50"],
    stiffClayBelowWaterTable: ["effectiveUnitWeight", "undrainedShearStrength", "subgradeModulus", "eps50"],
    stiffClayAboveWaterTable: ["effectiveUnitWeight", "undrainedShearStrength", "eps50"],
    sand: ["effectiveUnitWeight", "frictionAngle", "subgradeModulus"],
    userCurves: ["effectiveUnitWeight"],
    vuggyLimestone: ["effectiveUnitWeight", "compressiveStrength"],
    silt: ["effectiveUnitWeight", "undrainedShearStrength", "frictionAngle", "subgradeModulus"],
    apiSand: ["effectiveUnitWeight", "frictionAngle", "subgradeModulus"],
    weakRock: ["effectiveUnitWeight", "compressiveStrength", "rockModulus", "krm", "rqd"],
    stiffClayWithInitialK: ["effectiveUnitWeight", "undrainedShearStrength", "subgradeModulus", "eps50"],
    liquefiedSand: ["effectiveUnitWeight"],
  };

  it.each(Object.entries(expected))("%s", (type, fields) => {
    expect(new Set(soilFieldsOf(type, undefined, undefined).map((f) => f.key))).toEqual(new Set([...fields, ...axial]));
  });

  it("every soil type of the document is listed", () => {
    expect(Object.keys(SOIL_USES).sort()).toEqual(Object.keys(expected).sort());
  });
});
