// SPDX-License-Identifier: Apache-2.0
#include "engine/free_format.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <system_error>

namespace pylora {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool endsUnquotedValue(char c) {
    return isBlank(c) || c == ',';
}

// Number of decimal digits starting at text[i].
std::size_t digitRun(std::string_view text, std::size_t i) {
    std::size_t n = 0;
    while (i + n < text.size() && isDigit(text[i + n]))
        ++n;
    return n;
}

// A value written r*c: r decimal digits, a star, then c. Returns the repeat
// count r (saturated at INT_MAX), or 0 when the text is not of that form.
int repeatCount(std::string_view text, std::size_t& star) {
    const std::size_t digits = digitRun(text, 0);
    if (digits == 0 || digits >= text.size() || text[digits] != '*') return 0;
    long long r = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        r = r * 10 + (text[i] - '0');
        if (r > INT_MAX) r = INT_MAX;
    }
    star = digits;
    return static_cast<int>(r);
}

}  // namespace

bool readPhysicalLine(InputCursor& cursor) {
    cursor.line.clear();
    cursor.pos = 0;
    if (!cursor.file) return false;
    bool gotAny = false;
    for (;;) {
        const int c = std::getc(cursor.file);
        if (c == EOF) break;
        gotAny = true;
        if (c == '\n') break;
        cursor.line.push_back(static_cast<char>(c));
    }
    if (!gotAny) return false;
    // A file written on Windows ends its lines with a carriage return too.
    if (!cursor.line.empty() && cursor.line.back() == '\r') cursor.line.pop_back();
    cursor.lineNo += 1;
    return true;
}

bool readTextLine(InputCursor& cursor, std::string& text) {
    cursor.haveLine = false;
    cursor.repeatLeft = 0;
    if (!readPhysicalLine(cursor)) return false;
    text = cursor.line;
    cursor.pos = cursor.line.size();
    return true;
}

void beginFreeRecord(InputCursor& cursor) {
    cursor.haveLine = false;
    cursor.commaPending = true;
    cursor.repeatLeft = 0;
}

void endFreeRecord(InputCursor& cursor) {
    cursor.haveLine = false;
    cursor.repeatLeft = 0;
}

ValueStatus nextValue(InputCursor& cursor, ValueKind kind, ValueToken& token) {
    if (cursor.repeatLeft > 0) {
        cursor.repeatLeft -= 1;
        token.text = cursor.repeatText;
        token.lineNo = cursor.repeatLineNo;
        token.quoted = false;
        cursor.commaPending = false;
        return ValueStatus::ok;
    }

    // Find the first character of the value, passing separators and the ends
    // of lines (an end of line separates like a blank).
    for (;;) {
        if (!cursor.haveLine) {
            if (!readPhysicalLine(cursor)) return ValueStatus::endOfFile;
            cursor.haveLine = true;
        }
        const std::string& line = cursor.line;
        while (cursor.pos < line.size() && isBlank(line[cursor.pos]))
            ++cursor.pos;
        if (cursor.pos == line.size()) {
            cursor.haveLine = false;
            continue;
        }
        if (line[cursor.pos] != ',') break;
        if (cursor.commaPending) {
            token.text.assign(1, ',');  // assign(1, c): GCC 12 warns wrongly on = ","
            token.lineNo = cursor.lineNo;
            token.quoted = false;
            return ValueStatus::nullValue;
        }
        cursor.commaPending = true;
        ++cursor.pos;
    }

    const std::string& line = cursor.line;
    token.lineNo = cursor.lineNo;
    token.quoted = false;
    token.text.clear();
    const char first = line[cursor.pos];

    if (kind == ValueKind::text && (first == '\'' || first == '"')) {
        // Quoted text: a doubled quote stands for one quote character.
        std::size_t i = cursor.pos + 1;
        for (;;) {
            if (i >= line.size()) {
                token.text = line.substr(cursor.pos + 1);
                return ValueStatus::openQuote;
            }
            if (line[i] == first) {
                if (i + 1 < line.size() && line[i + 1] == first) {
                    token.text.push_back(first);
                    i += 2;
                    continue;
                }
                break;
            }
            token.text.push_back(line[i]);
            ++i;
        }
        cursor.pos = i + 1;
        token.quoted = true;
        cursor.commaPending = false;
        return ValueStatus::ok;
    }

    std::size_t end = cursor.pos;
    while (end < line.size() && !endsUnquotedValue(line[end]))
        ++end;
    token.text = line.substr(cursor.pos, end - cursor.pos);
    cursor.pos = end;
    cursor.commaPending = false;

    if (kind == ValueKind::number) {
        std::size_t star = 0;
        const int r = repeatCount(token.text, star);
        if (r > 0) {
            if (star + 1 == token.text.size()) return ValueStatus::nullValue;  // r* alone
            token.text.erase(0, star + 1);
            cursor.repeatLeft = r - 1;
            cursor.repeatText = token.text;
            cursor.repeatLineNo = token.lineNo;
        }
    }
    return ValueStatus::ok;
}

NumberStatus parseReal(std::string_view text, double& value) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    const std::size_t before = digitRun(text, i);
    i += before;
    std::size_t after = 0;
    if (i < n && text[i] == '.') {
        ++i;
        after = digitRun(text, i);
        i += after;
    }
    if (before + after == 0) return NumberStatus::notNumber;
    const std::string_view mantissa = text.substr(mantissaStart, i - mantissaStart);

    // Exponent: a letter E, D or Q (any case) with an optional sign, or a sign alone.
    std::string exponent;
    if (i < n) {
        const char c = text[i];
        const bool letter = c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q';
        if (letter) ++i;
        if (!letter && c != '+' && c != '-') return NumberStatus::notNumber;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            if (text[i] == '-') exponent.push_back('-');
            ++i;
        }
        const std::size_t digits = digitRun(text, i);
        if (digits == 0) return NumberStatus::notNumber;
        exponent.append(text.substr(i, digits));
        i += digits;
        if (i != n) return NumberStatus::notNumber;
    }

    std::string normal(mantissa);
    if (!exponent.empty()) normal += "e" + exponent;
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large cannot be kept.
        double m = 0.0;
        const auto mr = std::from_chars(mantissa.data(), mantissa.data() + mantissa.size(), m);
        const bool underflow = mr.ec == std::errc() && !exponent.empty() && exponent[0] == '-';
        if (!underflow) return NumberStatus::outOfRange;
        v = 0.0;
    } else if (ec != std::errc() || ptr != normal.data() + normal.size()) {
        return NumberStatus::notNumber;
    }
    if (!std::isfinite(v)) return NumberStatus::outOfRange;
    value = negative ? -v : v;
    return NumberStatus::ok;
}

NumberStatus parseInteger(std::string_view text, int& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t digits = digitRun(text, i);
    if (digits == 0 || i + digits != text.size()) {
        double ignored = 0.0;
        return parseReal(text, ignored) == NumberStatus::notNumber ? NumberStatus::notNumber
                                                                   : NumberStatus::notInteger;
    }
    long long v = 0;
    for (std::size_t k = i; k < text.size(); ++k) {
        v = v * 10 + (text[k] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return NumberStatus::outOfRange;
    }
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return NumberStatus::outOfRange;
    value = static_cast<int>(v);
    return NumberStatus::ok;
}

}  // namespace pylora
