// SPDX-License-Identifier: Apache-2.0
// Status codes of the soil lookups and the p-y criteria.
//
// A routine with a status argument sets it only on failure and never clears
// it. A nonzero status ends the analysis: the criterion stops at once, the
// evaluation and the pile solver return it, and the run ends with it as its
// stop code.
#pragma once

namespace pylora {

inline constexpr int kSoilOk = 0;
inline constexpr int kStatusWeakRockNoStrength = 21;  // weak rock with zero compressive strength
inline constexpr int kStatusUnitWeightBeyondProfile = 22;  // depth below the unit-weight profile
inline constexpr int kStatusStrengthBeyondProfile = 23;    // depth below the strength profile
inline constexpr int kStatusFrictionBeyondProfile = 24;    // depth below the friction-angle profile
inline constexpr int kStatusSiltNoFriction = 28;           // silt with zero friction angle
inline constexpr int kStatusSiltSlope = 29;                // ground slope check of silt
inline constexpr int kStatusApiSandNoFriction = 30;        // API sand with zero friction angle

}  // namespace pylora
