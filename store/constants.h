// SPDX-License-Identifier: Apache-2.0
// Numeric constants of the engine's formulas.
//
// Every constant of a formula enters the computation as a single-precision
// value widened to double precision (0.418 enters as 0.4180000126361847), so
// the results match the established output to the last printed digit. Write
// such a constant as f32(0.418F); the arithmetic itself stays in double.
#pragma once

namespace pylora {

// A single-precision constant widened to double.
constexpr double f32(float v) {
    return v;
}

// An angle in degrees as radians: degrees x pi / 180, in that order, with pi
// taken as 3.14159 wherever degrees are converted.
constexpr double radiansFromDegrees(double degrees) {
    return degrees * f32(3.14159F) / f32(180.0F);
}

}  // namespace pylora
