// SPDX-License-Identifier: Apache-2.0
// The p-y curve of one node in closed form (filled by the criteria of soil/,
// read at any deflection by the evaluation), and the curves of every pile
// group kept for a load case: all of a curve that does not depend on the
// deflection is built once per pile group, layer and node, and the
// evaluations of the load case only read it at the node deflections.
//
// Units are those of the run: p is a force per length, y a length, and the
// moduli p / y a force per length per length.
#pragma once

#include <array>
#include <vector>

#include "store/limits.h"

namespace pylora {

struct UserPyCurve;

enum class PyCurveKind {
    none,                 // no resistance: p = 0
    softClay,             // type 1 and unknown types
    stiffClayBelowWater,  // type 2
    stiffClayAboveWater,  // types 3 and 10
    userCurves,           // type 5 and piles with their own curves
    weakRock,             // type 9
    vuggyLimestone,       // type 6
    sand,                 // types 4 and 7: straight line, parabola, linear rise, pu
    apiSand,              // type 8: hyperbolic tangent of K x y / (A pu)
    liquefiedSand,        // type 11: power curve in millimetres and kN/m
};

struct PyCurve {
    PyCurveKind kind = PyCurveKind::none;
    bool cyclic = false;
    double depth = 0.0;           // x, the depth the ultimate resistance is built on
    double pu = 0.0;              // ultimate resistance; pc for stiff clay below the water table
    double y50 = 0.0;             // deflection at half the ultimate resistance
    double xr = 0.0;              // soft clay: depth below which the flow-around resistance governs
    double AS = 0.0;              // stiff clay below the water table: static coefficient at x/b
    double AC = 0.0;              // the same, cyclic
    double cycles = 1.0;          // N, stiff clay above the water table
    bool initialLine = false;     // p never above initialModulus x y (types 2 and 10)
    double initialModulus = 0.0;  // K x depth of the straight initial line; Mir or Es1 for rock
    // Rock: weak rock's yrm = KRM b and the end yA of its straight initial
    // line; vuggy limestone's branch limits y1 and y2.
    double yrm = 0.0;
    double yA = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;
    // User curves: p is interpolated in X between two curves of a set with
    // the weight of the lower one (upper alone when weight is 0).
    const UserPyCurve* upperCurve = nullptr;
    const UserPyCurve* lowerCurve = nullptr;
    double weight = 0.0;
    // Sand and silt: the line (K x) y up to yk, the parabola C y^(1/n) up to
    // (ym, pm), the straight line on to (yu, pu), pu beyond. API sand keeps
    // b, ym and yu for its printed deflections; pu is its asymptote A pu.
    double diameter = 0.0;  // b
    double pm = 0.0;
    double ym = 0.0;
    double yu = 0.0;
    double slope = 0.0;      // m = (pu - pm) / (yu - ym); vuggy limestone: 100 su
    double inverseN = 0.0;   // 1 / n = m ym / pm, the exponent of the parabola
    double parabolaC = 0.0;  // C = pm / ym^(1/n)
    double yk = 0.0;         // where the straight initial line meets the parabola
    double apiFactor = 0.0;  // A of API sand
    // Liquefied sand: p = A (B y)^C with y in millimetres and p in kN/m, times
    // the diameter factor, converted to the run's force per length, capped.
    double liquefiedA = 0.0;
    double liquefiedB = 0.0;
    double liquefiedC = 0.0;
    double diameterFactor = 0.0;        // 3.81 ln(b) + 5.6, b in metres, not below 0
    double millimetresPerLength = 0.0;  // 25.4 (inches) or 1000 (metres)
    double forcePerLengthPerKNm = 0.0;  // 5.7143 (lb/in) or 1 (kN/m)
    double resistanceCap = 0.0;         // 85 lb/in or 15 kN/m
    // The node deflection is divided by the y-multiplier before the curve is
    // read (liquefied sand), and the modulus is p pm / (y / ym) / ym.
    bool deflectionOverYMultiplier = false;
};

// The curves of one layer of a pile group as one pass of the node loop built
// them: the node i of the layer at [i - first] (built 0: above the ground,
// left without a curve), the embedded cap's curve, the layer's resistance
// PULT the pass left, and the equivalent depth it was built on.
struct PyLayerCurves {
    int ready = 0;
    double XEQ = 0.0;
    double PULT = 0.0;
    int capBuilt = 0;
    PyCurve cap{};
    std::vector<PyCurve> curves;
    std::vector<unsigned char> built;
};

// The curves of one pile group and what they were built for: its pile
// property set, head and ground, nodes and the nodes of each layer.
struct PyGroupCurves {
    int ready = 0;
    int IPROP = 0;
    double XHEAD = 0.0;
    double groundBelowHead = 0.0;
    std::vector<double> nodeX;
    std::array<int, kMaxSoilLayers> layerFirstNode{};
    std::array<int, kMaxSoilLayers> layerLastNode{};
    std::vector<PyLayerCurves> layers;  // layer L at [L - 1], sized on first use
};

// The curves of the load case in progress, pile group g at groups[g - 1].
// Sized when the pile analyses of a load case begin and only then: the
// analysis of pile group g (one task of the worker threads at a time) is
// the only one to read and write its row. Off (active 0) outside the pile
// analyses of a load case, where every evaluation builds its curves.
struct PyCurveCache {
    int active = 0;
    // Set by the caller of the engine: the curves are never kept, every
    // evaluation builds its own (the comparison runs).
    int off = 0;
    std::vector<PyGroupCurves> groups;
};

}  // namespace pylora
