// SPDX-License-Identifier: Apache-2.0
// The named choices of the model document and the codes of the input data
// file they stand for, shared by the document's reader and writer.
#pragma once

#include <array>
#include <string_view>

namespace pylora {

struct Choice {
    std::string_view name;
    int code = 0;
};

inline constexpr std::array<Choice, 3> kUnitsChoices{{{"english", 1}, {"metric", 2}, {"open", 3}}};
inline constexpr std::array<Choice, 2> kAnalysisChoices{
    {{"twoDimensional", 2}, {"threeDimensional", 3}}};
inline constexpr std::array<Choice, 3> kGroupFactorChoices{
    {{"none", 0}, {"fromLayout", 1}, {"given", 2}}};
// The p-y curve switch without curves to print (with them, KPYOP is 1):
// analysis only, or the printed curves only. A code of 2 or more is kept as
// written (a two-dimensional model then also prints its echo twice).
inline constexpr std::array<Choice, 2> kPyCurveOptionChoices{
    {{"analysisOnly", 0}, {"printedCurvesOnly", -1}}};
inline constexpr std::array<Choice, 2> kLoadingChoices{{{"cyclic", 0}, {"static", 1}}};
inline constexpr std::array<Choice, 13> kLoadTypeChoices{{{"dead", 0},
                                                          {"live", 1},
                                                          {"seismic", 2},
                                                          {"impact", 3},
                                                          {"wind", 4},
                                                          {"water", 5},
                                                          {"ice", 6},
                                                          {"soils", 7},
                                                          {"roofLive", 8},
                                                          {"rain", 9},
                                                          {"snow", 10},
                                                          {"temperature", 11},
                                                          {"special", 12}}};
inline constexpr std::array<Choice, 3> kPrintChoices{
    {{"capOnly", 0}, {"pileHeads", 1}, {"alongPiles", 2}}};
inline constexpr std::array<Choice, 2> kAxisChoices{{{"local", 0}, {"global", 1}}};
inline constexpr std::array<Choice, 3> kConnectionChoices{
    {{"pinned", 1}, {"fixed", 2}, {"restrained", 3}}};
inline constexpr std::array<Choice, 2> kPileTypeChoices{{{"driven", 1}, {"drilledShaft", 2}}};
inline constexpr std::array<Choice, 5> kShapeChoices{{{"general", 0},
                                                      {"circularPipe", 1},
                                                      {"rectangularPipe", 2},
                                                      {"iSection", 3},
                                                      {"hSection", 4}}};
inline constexpr std::array<Choice, 11> kSoilTypeChoices{{{"softClay", 1},
                                                          {"stiffClayBelowWaterTable", 2},
                                                          {"stiffClayAboveWaterTable", 3},
                                                          {"sand", 4},
                                                          {"userCurves", 5},
                                                          {"vuggyLimestone", 6},
                                                          {"silt", 7},
                                                          {"apiSand", 8},
                                                          {"weakRock", 9},
                                                          {"stiffClayWithInitialK", 10},
                                                          {"liquefiedSand", 11}}};

// The nine soil properties of a layer boundary (F5), in the file's order.
inline constexpr std::array<std::string_view, 9> kSoilPropertyNames{"effectiveUnitWeight",
                                                                    "undrainedShearStrength",
                                                                    "frictionAngle",
                                                                    "subgradeModulus",
                                                                    "rockModulus",
                                                                    "eps50",
                                                                    "rqd",
                                                                    "unitSideFriction",
                                                                    "unitTipResistance"};
// A rock layer names two of them after what they hold there.
inline constexpr std::string_view kRockStrengthName = "compressiveStrength";  // property 2
inline constexpr std::string_view kWeakRockKrmName = "krm";                   // property 6
inline constexpr int kSoilTypeVuggyLimestone = 6;
inline constexpr int kSoilTypeWeakRock = 9;

// The cross-section dimensions (E8) by name, in the file's order.
inline constexpr std::array<std::string_view, 8> kDimensionNames{
    "diameter",   "innerDiameter", "width",           "depth",
    "innerWidth", "innerDepth",    "flangeThickness", "webThickness"};

// The loads of a concentrated load (C3) by name, in the file's order c1..c6.
inline constexpr std::array<std::string_view, 6> kLoadComponentNames{"Fx", "Fy", "Mz",
                                                                     "Fz", "My", "Mx"};

}  // namespace pylora
