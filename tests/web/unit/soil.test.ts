// SPDX-License-Identifier: Apache-2.0
// The soil layers along depth, the joints between them, and the edits of the
// Soil page, against profiles worked out by hand.
import { applyAll, type Json } from "../../../web/src/editor/document";
import { depthSeries, layerJoints, pileReach, splitOps, swapOps, typeChangeOps, type Layer } from "../../../web/src/editor/soil";

const clay: Layer[] = [
  { type: "softClay", top: { x: 0, effectiveUnitWeight: 7, undrainedShearStrength: 15 }, bottom: { x: 5, undrainedShearStrength: 25 } },
  { type: "stiffClayBelowWaterTable", top: { x: 5, effectiveUnitWeight: 9, undrainedShearStrength: 60 }, bottom: { x: 12, effectiveUnitWeight: 9, undrainedShearStrength: 90 } },
  { type: "sand", top: { x: 12, effectiveUnitWeight: 10, frictionAngle: 32 }, bottom: { x: 20, effectiveUnitWeight: 10, frictionAngle: 36 } },
];
const pairs = (layers: Layer[], key: string) => depthSeries(layers, key).map((s) => [s.layer, s.top, s.bottom]);

describe("a property along depth", () => {
  it("strength from the clay layers only, [value, X] at each layer's top and bottom", () => {
    expect(pairs(clay, "undrainedShearStrength")).toEqual([[0, [15, 0], [25, 5]], [1, [60, 5], [90, 12]]]);
    expect(pairs(clay, "frictionAngle")).toEqual([[2, [32, 12], [36, 20]]]);
  });

  it("a value left out is the default 0; every type carries γ'", () => {
    expect(pairs(clay, "effectiveUnitWeight")).toEqual([[0, [7, 0], [0, 5]], [1, [9, 5], [9, 12]], [2, [10, 12], [10, 20]]]);
  });

  it("rock strength under either name in a rock layer; the rock name is not read in clay", () => {
    const rock: Layer[] = [
      { type: "weakRock", top: { x: 0, undrainedShearStrength: 5000 }, bottom: { x: 3, compressiveStrength: 6000 } },
      { type: "softClay", top: { x: 3, compressiveStrength: 40 }, bottom: { x: 6, undrainedShearStrength: 50 } },
    ];
    expect(pairs(rock, "compressiveStrength")).toEqual([[0, [5000, 0], [6000, 3]]]);
    expect(pairs(rock, "undrainedShearStrength")).toEqual([[1, [0, 3], [50, 6]]]);
  });

  it("a layer whose X or value is not a number leaves a break", () => {
    const bad: Layer[] = [clay[0], { ...clay[1], top: { x: "5m", undrainedShearStrength: 60 } }];
    expect(pairs(bad, "undrainedShearStrength")).toEqual([[0, [15, 0], [25, 5]]]);
  });
});

describe("the joints of the layers", () => {
  it("a gap, an overlap and a layer without thickness, each at its layer", () => {
    const layers: Layer[] = [
      { type: "softClay", top: { x: 0 }, bottom: { x: 5 } },
      { type: "softClay", top: { x: 7 }, bottom: { x: 12 } },
      { type: "sand", top: { x: 11 }, bottom: { x: 20 } },
      { type: "sand", top: { x: 20 }, bottom: { x: 20 } },
    ];
    const j = layerJoints(layers, "m");
    expect(j.map((x) => [x.layer, x.kind])).toEqual([[1, "gap"], [2, "overlap"], [3, "thickness"]]);
    expect(j[0].message).toContain("gap of 2 m");
    expect(j[1].message).toContain("by 1 m");
  });

  it("layers that meet are not flagged, nor rounding of decimal X", () => {
    expect(layerJoints(clay)).toEqual([]);
    expect(layerJoints([{ top: { x: 0 }, bottom: { x: 0.1 + 0.2 } }, { top: { x: 0.3 }, bottom: { x: 1 } }])).toEqual([]);
  });
});

describe("the edits of the layers", () => {
  const doc = (layers: Layer[]) => ({ soilLayers: layers }) as unknown as Json;
  const run = (layers: Layer[], ops: ReturnType<typeof swapOps>) => (applyAll(doc(layers), ops).doc as { soilLayers: Layer[] }).soilLayers;

  it("clay to weak rock: c and ε50 take the rock names; the other values stay", () => {
    const l: Layer = { type: "softClay", top: { x: 0, undrainedShearStrength: 20, eps50: 0.02, frictionAngle: 30 }, bottom: { x: 4, undrainedShearStrength: 30 } };
    const [r] = run([l], typeChangeOps(l, 0, "weakRock"));
    expect(r).toEqual({ type: "weakRock", top: { x: 0, compressiveStrength: 20, krm: 0.02, frictionAngle: 30 }, bottom: { x: 4, compressiveStrength: 30 } });
    // Back to clay: the soil names again, nothing lost.
    expect(run([r], typeChangeOps(r, 0, "softClay"))[0]).toEqual({ ...l, top: { x: 0, frictionAngle: 30, undrainedShearStrength: 20, eps50: 0.02 } });
  });

  it("to vuggy limestone: qu, and ε50 keeps its soil name (krm is weak rock's)", () => {
    const l: Layer = { type: "weakRock", top: { x: 0, compressiveStrength: 9000, krm: 0.0005 }, bottom: { x: 2 } };
    expect(run([l], typeChangeOps(l, 0, "vuggyLimestone"))[0].top).toEqual({ x: 0, compressiveStrength: 9000, eps50: 0.0005 });
  });

  it("both names held: nothing is moved over the other", () => {
    const l: Layer = { type: "softClay", top: { x: 0, undrainedShearStrength: 1, compressiveStrength: 2 }, bottom: { x: 1 } };
    expect(typeChangeOps(l, 0, "sand")).toEqual([{ op: "set", path: "/soilLayers/0/type", value: "sand" }]);
  });

  it("moving a layer up keeps the stretch the two span", () => {
    const [a, b] = run(clay.slice(0, 2), swapOps(clay, 0));
    expect([a.type, a.top!.x, a.bottom!.x, a.top!.undrainedShearStrength]).toEqual(["stiffClayBelowWaterTable", 0, 7, 60]);
    expect([b.type, b.top!.x, b.bottom!.x, b.top!.undrainedShearStrength]).toEqual(["softClay", 7, 12, 15]);
  });

  it("inserting above splits the layer at mid-depth, the profile unchanged", () => {
    const l: Layer = { type: "softClay", top: { x: 0, undrainedShearStrength: 10, eps50: 0.02 }, bottom: { x: 10, undrainedShearStrength: 30 } };
    const [upper, lower] = run([l], splitOps([l], 0));
    expect(upper).toEqual({ type: "softClay", top: { x: 0, undrainedShearStrength: 10, eps50: 0.02 }, bottom: { x: 5, undrainedShearStrength: 20, eps50: 0.01 } });
    expect(lower.top).toEqual({ x: 5, undrainedShearStrength: 20, eps50: 0.01 });
    expect(lower.bottom).toEqual(l.bottom);
  });

  it("the pile: the longest pile property from the highest head (a head left out is at 0)", () => {
    expect(pileReach({ pileGroups: [{ head: { x: 1 } }, { head: { x: 0.5 } }], pileProperties: [{ length: 20 }, { length: 22 }] })).toEqual({ head: 0.5, tip: 22.5 });
    expect(pileReach({ pileGroups: [{ connection: "fixed" }], pileProperties: [{ length: 20 }] })).toEqual({ head: 0, tip: 20 });
    expect(pileReach({ pileProperties: [] })).toBeNull();
  });
});
