// SPDX-License-Identifier: Apache-2.0
// Real-number edit descriptors (F, E, 1PE, G, 1PG), laid out character for
// character as the Fortran run-time library of GCC 12 writes them.
//
// Digits always come from an exact decimal conversion of the binary value
// (std::to_chars), so rounding is correct and a value lying exactly half-way
// rounds to the even digit, as in the Fortran library: F5.2 of 0.125 is
// " 0.12", F4.0 of 2.5 is "  2.". A negative value, negative zero included,
// keeps its minus sign even when it rounds to zero: F8.3 of -0.0004 is
// "  -0.000". A field that cannot hold the value is filled with asterisks.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "format/format.h"

namespace pylora {

namespace {

void appendAsterisks(std::string& out, int w) {
    out.append(static_cast<std::size_t>(w), '*');
}

// Appends the text right-justified in w characters, or asterisks when it is
// longer.
void appendJustified(std::string& out, std::string_view s, int w) {
    const auto width = static_cast<std::size_t>(w);
    if (s.size() > width) {
        appendAsterisks(out, w);
        return;
    }
    out.append(width - s.size(), ' ');
    out.append(s);
}

// Infinity and not-a-number, whatever the descriptor: the longest of
// "Infinity", "Inf" (each after a minus sign when negative) or "NaN" that
// fits, right-justified; asterisks when none does.
void appendNonFinite(std::string& out, double v, int w) {
    if (std::isnan(v)) {
        appendJustified(out, "NaN", w);
        return;
    }
    const std::string sign = std::signbit(v) ? "-" : "";
    const std::string longForm = sign + "Infinity";
    if (static_cast<int>(longForm.size()) <= w) {
        appendJustified(out, longForm, w);
        return;
    }
    appendJustified(out, sign + "Inf", w);
}

// The decimal text of a nonnegative finite value with `precision` digits after
// the point, in fixed ("123.456") or scientific ("1.23456e+02") notation.
std::string toDecimal(double magnitude, std::chars_format notation, int precision) {
    // The largest double has 309 integer digits; the exponent needs 5 characters.
    constexpr int kSmallPrecision = 64;
    if (precision <= kSmallPrecision) {
        char buffer[kSmallPrecision + 320];
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, magnitude, notation, precision);
        return std::string(buffer, result.ptr);
    }
    std::string buffer(static_cast<std::size_t>(precision) + 320, '\0');
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude, notation, precision);
    buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));
    return buffer;
}

// Ew.dEe (scale 0) and 1PEw.dEe (scale 1); e = 0 is the default exponent:
// E and two digits, or three digits without the letter beyond 99.
void appendScientific(std::string& out, double v, int w, int d, int e, int scale) {
    if (w <= 0) return;
    if (!std::isfinite(v)) {
        appendNonFinite(out, v, w);
        return;
    }
    // Without a scale factor the mantissa 0.ddd needs d >= 1; the Fortran
    // library stops the run with an error there, which a report cannot do.
    // The point and d digits alone need d + 1 characters.
    if (d < 0 || (scale == 0 && d == 0) || d >= w) {
        appendAsterisks(out, w);
        return;
    }

    const double magnitude = std::fabs(v);
    const int digitCount = scale == 0 ? d : d + 1;
    std::string digits;
    int exponent = 0;
    if (magnitude == 0.0) {
        digits.assign(static_cast<std::size_t>(digitCount), '0');
    } else {
        const std::string s = toDecimal(magnitude, std::chars_format::scientific, digitCount - 1);
        const std::size_t mark = s.find('e');
        digits = s.substr(0, mark);
        if (digits.size() > 1) digits.erase(1, 1);  // the point after the first digit
        // d.ddd * 10^x reads 0.dddd * 10^(x+1) without a scale factor.
        exponent = std::atoi(s.c_str() + mark + 1) + (scale == 0 ? 1 : 0);
    }

    std::string body = std::signbit(v) ? "-" : "";
    if (scale == 0) {
        body += "0.";
        body += digits;
    } else {
        body += digits[0];
        body += '.';
        body.append(digits, 1);
    }

    const int absExponent = std::abs(exponent);
    char exponentText[8];
    const auto written =
        std::to_chars(exponentText, exponentText + sizeof exponentText, absExponent);
    std::string_view exponentDigits(exponentText,
                                    static_cast<std::size_t>(written.ptr - exponentText));
    const char exponentSign = exponent < 0 ? '-' : '+';
    if (e > 0) {
        if (static_cast<int>(exponentDigits.size()) > e) {
            appendAsterisks(out, w);
            return;
        }
        body += 'E';
        body += exponentSign;
        body.append(static_cast<std::size_t>(e) - exponentDigits.size(), '0');
    } else if (absExponent <= 99) {
        body += 'E';
        body += exponentSign;
        if (exponentDigits.size() < 2) body += '0';
    } else if (absExponent <= 999) {
        body += exponentSign;
    } else {
        appendAsterisks(out, w);
        return;
    }
    body += exponentDigits;

    // The zero before the point is optional; it goes only when the field is full.
    if (scale == 0 && static_cast<int>(body.size()) > w) {
        body.erase(body.find("0."), 1);
    }
    appendJustified(out, body, w);
}

// 10^n for n >= 0 by repeated multiplication, exact up to 10^22.
double powerOfTen(int n) {
    double p = 1.0;
    for (int i = 0; i < n; ++i)
        p *= 10.0;
    return p;
}

// Gw.d (scale 0) and 1PGw.d (scale 1). A value that rounds to d significant
// digits within 0.1 <= |v| < 10^d is written F(w-4).(d-x) followed by four
// blanks, x being its exponent in 0.ddd form, so that the digits line up with
// the E form; zero is written F(w-4).(d-1). Other values take Ew.d (1PEw.d).
//
// The Fortran library does not round the value to find x: it compares the
// binary value with the rounding bounds 10^(x-1) (1 - 0.5 10^-d) computed in
// double precision, and a value equal to a bound after that rounding takes the
// upper range. So G12.4 of 9.9995 (binary 9.99949999999999939, equal to the
// bound 10 (1 - 0.00005) in double) prints "   10.00    ", although exact
// rounding to four digits would give 9.999.
void appendGeneral(std::string& out, double v, int w, int d, int scale) {
    constexpr int kExponentWidth = 4;  // the blanks standing for "E+dd"
    if (w <= 0) return;
    if (!std::isfinite(v)) {
        appendNonFinite(out, v, w);
        return;
    }
    // As for Ew.0, the Fortran library rejects d = 0 at run time.
    if (d <= 0) {
        appendAsterisks(out, w);
        return;
    }

    const double magnitude = std::fabs(v);
    int fixedDecimals = -1;
    if (magnitude == 0.0) {
        fixedDecimals = d - 1;
    } else {
        const double top = powerOfTen(d);
        const double shrink = 1.0 - 0.5 / top;
        if (magnitude >= 0.1 * shrink && 0.5 < top - magnitude) {
            for (int x = 0; x <= d; ++x) {
                if (magnitude < powerOfTen(x) * shrink) {
                    fixedDecimals = d - x;
                    break;
                }
            }
        }
    }
    if (fixedDecimals < 0) {
        appendScientific(out, v, w, d, 0, scale);
        return;
    }

    const int fixedWidth = w - kExponentWidth;
    if (fixedWidth <= 0) {
        appendAsterisks(out, w);
        return;
    }
    const std::string fixed = formatF(v, fixedWidth, fixedDecimals);
    if (fixed.find('*') != std::string::npos) {
        appendAsterisks(out, w);
        return;
    }
    out.append(fixed);
    out.append(static_cast<std::size_t>(kExponentWidth), ' ');
}

}  // namespace

void appendF(std::string& out, double v, int w, int d) {
    if (w <= 0) return;
    if (!std::isfinite(v)) {
        appendNonFinite(out, v, w);
        return;
    }
    if (d < 0 || d >= w) {  // the point and d digits alone need d + 1
        appendAsterisks(out, w);
        return;
    }

    std::string digits = toDecimal(std::fabs(v), std::chars_format::fixed, d);
    if (d == 0) digits += '.';
    const bool negative = std::signbit(v);
    // The zero before the point goes only when the field is full, and never
    // when it is the only digit (F1.0 of zero is "*", not ".").
    const int length = static_cast<int>(digits.size()) + (negative ? 1 : 0);
    std::string_view kept = digits;
    if (length > w && d > 0 && digits[0] == '0') kept.remove_prefix(1);
    const std::size_t size = kept.size() + (negative ? 1 : 0);
    const auto width = static_cast<std::size_t>(w);
    if (size > width) {
        appendAsterisks(out, w);
        return;
    }
    out.append(width - size, ' ');
    if (negative) out += '-';
    out.append(kept);
}

void appendE(std::string& out, double v, int w, int d, int e) {
    appendScientific(out, v, w, d, e, 0);
}

void appendPE(std::string& out, double v, int w, int d, int e) {
    appendScientific(out, v, w, d, e, 1);
}

void appendG(std::string& out, double v, int w, int d) {
    appendGeneral(out, v, w, d, 0);
}

void appendPG(std::string& out, double v, int w, int d) {
    appendGeneral(out, v, w, d, 1);
}

std::string formatF(double v, int w, int d) {
    std::string s;
    appendF(s, v, w, d);
    return s;
}

std::string formatE(double v, int w, int d, int e) {
    std::string s;
    appendE(s, v, w, d, e);
    return s;
}

std::string formatPE(double v, int w, int d, int e) {
    std::string s;
    appendPE(s, v, w, d, e);
    return s;
}

std::string formatG(double v, int w, int d) {
    std::string s;
    appendG(s, v, w, d);
    return s;
}

std::string formatPG(double v, int w, int d) {
    std::string s;
    appendPG(s, v, w, d);
    return s;
}

}  // namespace pylora
