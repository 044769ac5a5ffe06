// SPDX-License-Identifier: Apache-2.0
#include "format/number_fields.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

namespace pylora {

namespace {

// 10^n as the double nearest to it, so that a value read as "0.1" from the
// input equals the bound 10^(-1) and the equality cases behave as written.
// strtod rounds the decimal text correctly for every n, where a power computed
// in floating point (or a single-precision bound widened to double, 0.1F >
// 0.1) may be one unit off.
double powerOfTenFromText(int n) {
    const std::string text = "1e" + std::to_string(n);
    return std::strtod(text.c_str(), nullptr);
}

// The powers that report fields use, converted once: every field asks for two.
constexpr int kTabledPowers = 40;

double powerOfTen(int n) {
    static const std::array<double, 2 * kTabledPowers + 1> table = [] {
        std::array<double, 2 * kTabledPowers + 1> powers{};
        for (int i = -kTabledPowers; i <= kTabledPowers; ++i)
            powers[static_cast<std::size_t>(i + kTabledPowers)] = powerOfTenFromText(i);
        return powers;
    }();
    if (n < -kTabledPowers || n > kTabledPowers) return powerOfTenFromText(n);
    return table[static_cast<std::size_t>(n + kTabledPowers)];
}

}  // namespace

void writeRealField(ReportLine& line, int w, int d, double value) {
    // Magnitudes below this are printed as zero. It is far below the range of
    // single precision, so unlike the other constants of the report formulas
    // it cannot be a single-precision value widened to double: it is the
    // double 1.0E-50 itself.
    constexpr double kZeroBelow = 1.0e-50;

    const double lo = powerOfTen(3 - d);
    const double hi = powerOfTen(d);
    const double magnitude = std::fabs(value);

    if (value == 0.0 || magnitude < kZeroBelow) {
        line.F(0.0, w, d);
        return;
    }
    if (magnitude <= lo || magnitude >= hi) {
        line.PE(value, w, d);
        return;
    }
    // lo < |value| < hi. k is log10 |value| truncated towards zero, one lower
    // when negative: 0 for 0.1 < |value| < 10, -2 for 0.01 < |value| <= 0.1, so
    // that values above 1 show d + 1 significant digits. As |value| < hi = 10^d,
    // log10 |value| <= d and the decimals are never negative (0 only when log10
    // rounds up to d just below hi).
    int k = static_cast<int>(std::log10(magnitude));  // truncated towards zero
    if (k < 0) k -= 1;
    const int decimals = d - k;
    if (decimals > d + 2) {
        line.PE(value, w, d);
    } else {
        line.F(value, w, decimals);
    }
}

void writeIntegerField(ReportLine& line, int w, long long value) {
    line.I(value, w);
}

void writeBlanks(ReportLine& line, int n) {
    for (int i = 0; i < n; ++i)
        line.text(" ");
}

void endLine(std::FILE* file, ReportLine& line) {
    line.text(" ");
    writeLine(file, line);
    line.clear();
}

void endLine(std::string& out, ReportLine& line) {
    line.text(" ");
    appendLine(out, line);
    line.clear();
}

}  // namespace pylora
