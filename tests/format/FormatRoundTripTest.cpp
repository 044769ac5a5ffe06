// SPDX-License-Identifier: Apache-2.0
// Random values over the magnitudes of the reports: what F and E editing print
// must read back within half a unit of the last printed place of the value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "format/format.h"

namespace pylora {
namespace {

constexpr unsigned kSeed = 20240611u;

// The allowed gap between the value and the printed text read back: half a
// unit of the last printed place, widened by the rounding of the read-back
// double and of the subtraction (one ulp of the value).
double halfUnit(double value, int placeExponent) {
    return 0.5 * std::pow(10.0, placeExponent) * (1.0 + 1e-12) +
           std::fabs(std::nextafter(value, 0.0) - value);
}

// Reads an E field back; a three-digit exponent has no letter (0.1234+100).
double readExponentField(std::string s, int& exponent) {
    const std::size_t sign = s.find_last_of("+-");
    if (s.find('E') == std::string::npos) s.insert(sign, 1, 'E');
    exponent = std::atoi(s.c_str() + s.find('E') + 1);
    return std::strtod(s.c_str(), nullptr);
}

TEST(RealEditing, RandomValuesReadBackWithinHalfAUnitOfTheLastPlace) {
    SCOPED_TRACE("seed " + std::to_string(kSeed));
    std::mt19937 rng(kSeed);
    std::uniform_int_distribution<int> decade(-60, 60);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> decimals(1, 15);
    std::bernoulli_distribution negative(0.5);

    for (int i = 0; i < 20000; ++i) {
        const double magnitude = mantissa(rng) * std::pow(10.0, decade(rng));
        const double v = negative(rng) ? -magnitude : magnitude;
        const int d = decimals(rng);

        // Fw.d in a field wide enough for 1e61.
        const std::string f = formatF(v, 80, d);
        ASSERT_EQ(f.size(), 80u) << f;
        ASSERT_EQ(f.size() - f.find('.') - 1, static_cast<std::size_t>(d)) << f;
        EXPECT_LE(std::fabs(std::strtod(f.c_str(), nullptr) - v), halfUnit(v, -d))
            << "F80." << d << " of " << v << ": " << f;

        // Ew.d: mantissa 0.1 <= m < 1 with d digits.
        int exponent = 0;
        const std::string e = formatE(v, d + 8, d);
        const double readE = readExponentField(e, exponent);
        EXPECT_LE(std::fabs(readE - v), halfUnit(v, exponent - d))
            << "E" << d + 8 << "." << d << " of " << v << ": " << e;
        const double mantissaE = std::fabs(readE) / std::pow(10.0, exponent);
        EXPECT_TRUE(mantissaE >= 0.1 * (1 - 1e-12) && mantissaE < 1.0) << e;

        // 1PEw.d: 1 <= m < 10 with d + 1 digits.
        const std::string pe = formatPE(v, d + 8, d);
        const double readPE = readExponentField(pe, exponent);
        EXPECT_LE(std::fabs(readPE - v), halfUnit(v, exponent - d))
            << "1PE" << d + 8 << "." << d << " of " << v << ": " << pe;
        const double mantissaPE = std::fabs(readPE) / std::pow(10.0, exponent);
        EXPECT_TRUE(mantissaPE >= 1.0 * (1 - 1e-12) && mantissaPE < 10.0) << pe;
    }
}

}  // namespace
}  // namespace pylora
