// SPDX-License-Identifier: Apache-2.0
// Every case of the reference table written by the Fortran compiler's own
// run-time library (tools/fortran/format_table.f90) must come out of the
// formatting layer character for character.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "format/format.h"
#include "format/number_fields.h"

namespace pylora {
namespace {

// One table line: "descriptor value |field|".
struct TableCase {
    int lineNo = 0;
    std::string descriptor;
    std::string value;
    std::string expected;
};

const std::vector<TableCase>& tableCases() {
    static const std::vector<TableCase> cases = [] {
        std::vector<TableCase> result;
        std::ifstream in(PYLORA_FORMAT_TABLE);
        std::string text;
        for (int lineNo = 1; std::getline(in, text); ++lineNo) {
            if (text.empty() || text[0] == '#') continue;
            const std::size_t open = text.find('|');
            TableCase c{lineNo, {}, {}, text.substr(open + 1, text.rfind('|') - open - 1)};
            std::istringstream(text.substr(0, open)) >> c.descriptor >> c.value;
            result.push_back(c);
        }
        EXPECT_FALSE(result.empty()) << "cannot read " << PYLORA_FORMAT_TABLE;
        return result;
    }();
    return cases;
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// Writes the case with the formatting layer. The descriptor is a kind, then
// "w", "w.d" or "w.dEe" (w.m for integers).
std::string formatCase(const TableCase& c) {
    const double v = std::strtod(c.value.c_str(), nullptr);
    const std::string& desc = c.descriptor;
    const std::string kind =
        desc.substr(0, desc.find_first_of("0123456789", startsWith(desc, "1P") ? 2 : 0));
    char* next = nullptr;
    const int w = static_cast<int>(std::strtol(desc.c_str() + kind.size(), &next, 10));
    const int d = *next == '.' ? static_cast<int>(std::strtol(next + 1, &next, 10)) : 0;
    const int e = *next == 'E' ? static_cast<int>(std::strtol(next + 1, &next, 10)) : 0;

    ReportLine line;
    if (kind == "F") return formatF(v, w, d);
    if (kind == "E") return formatE(v, w, d, e);
    if (kind == "1PE") return formatPE(v, w, d, e);
    if (kind == "G") return formatG(v, w, d);
    if (kind == "1PG") return formatPG(v, w, d);
    if (kind == "I") return formatI(std::strtoll(c.value.c_str(), nullptr, 10), w, d);
    if (kind == "A" && w == 0) line.A(c.value);
    if (kind == "A" && w > 0) line.A(c.value, w);
    if (kind == "RF") writeRealField(line, w, d, v);
    return std::string(line.str());
}

// Checks the cases whose descriptor starts with one of the prefixes and
// returns how many there were.
int checkFamily(const std::vector<std::string>& prefixes) {
    int count = 0;
    for (const TableCase& c : tableCases()) {
        bool member = false;
        for (const std::string& p : prefixes)
            member = member || startsWith(c.descriptor, p);
        if (!member) continue;
        ++count;
        const std::string actual = formatCase(c);
        EXPECT_EQ(actual, c.expected)
            << "table line " << c.lineNo << ": " << c.descriptor << " of " << c.value;
    }
    return count;
}

TEST(FixedEditing, MatchesGfortranTable) {
    // Ties, negative zero, the leading zero in full fields, overflow, and
    // infinities in every width from 1 to 10.
    EXPECT_GT(checkFamily({"F"}), 1500);
}

TEST(ExponentEditing, MatchesGfortranTable) {
    // 0.ddd and 1P mantissas, two- and three-digit exponents, Ee forms.
    EXPECT_GT(checkFamily({"E", "1PE"}), 1500);
}

TEST(GeneralEditing, MatchesGfortranTable) {
    // Fixed form with four trailing blanks, zero, the scientific form, and the
    // bounds between the ranges, without and with the 1P scale factor.
    EXPECT_GT(checkFamily({"G", "1PG"}), 800);
}

TEST(IntegerAndTextEditing, MatchesGfortranTable) {
    EXPECT_GT(checkFamily({"I", "A"}), 200);
}

TEST(NumberFields, RealFieldMatchesGfortranRunTimeFormats) {
    // The field built the way the report writer builds it in Fortran, for the
    // solver and table widths, at and beside both bounds and every power of ten.
    EXPECT_GT(checkFamily({"RF"}), 1500);
}

}  // namespace
}  // namespace pylora
