// SPDX-License-Identifier: Apache-2.0
// The magnitude-chosen fields of the result rows. Expected strings are worked
// out by hand from the field rules: first the notation, then the layout of
// Fw.d or 1PEw.d.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "format/number_fields.h"

namespace pylora {
namespace {

struct FieldCase {
    int w;
    int d;
    double value;
    const char* expected;
};

void expectFields(const std::vector<FieldCase>& cases) {
    for (const FieldCase& c : cases) {
        ReportLine line;
        writeRealField(line, c.w, c.d, c.value);
        EXPECT_EQ(line.str(), c.expected) << c.w << "/" << c.d << " of " << c.value;
    }
}

TEST(NumberFields, WorkedValuesAndSolverWidths) {
    expectFields({
        {12, 4, 123.456, "      123.46"},  // k = 2: two decimals
        {12, 4, 1.5, "      1.5000"},
        {12, 4, 0.5, "      0.5000"},      // truncation gives k = 0 below 1 as well
        {12, 4, 0.05, "  5.0000E-02"},     // below lo = 0.1
        {12, 4, 25000.0, "  2.5000E+04"},  // above hi = 10 000
        {12, 4, 1.5e100, "  1.5000+100"},
        {9, 4, 2.5, "   2.5000"},
        {17, 8, 12345678.9, "       12345678.9"},  // k = 7
        {13, 8, 12.5, "   12.5000000"},
        {16, 8, -1234.5678, "     -1234.56780"},
        {19, 5, 0.05, "          0.0500000"},  // k = -2: d + 2 decimals
    });
}

TEST(NumberFields, ZeroUnderflowAndBounds) {
    expectFields({
        {12, 4, 0.0, "      0.0000"},
        {12, 4, -0.0, "      0.0000"},  // the zero written is +0.0
        {12, 4, -1.0e-60, "      0.0000"},
        {17, 8, 1.0e-60, "       0.00000000"},
        {12, 4, 1.0e-50, "  1.0000E-50"},   // not below the limit, hence small
        {12, 4, 0.1, "  1.0000E-01"},       // lo itself
        {12, 4, -10000.0, " -1.0000E+04"},  // hi itself
        {17, 8, 1.0e-5, "   1.00000000E-05"},
        {17, 8, -1.0e8, "  -1.00000000E+08"},
        {12, 4, -std::nextafter(0.1, 1.0), "     -0.1000"},  // just inside lo
        {10, 3, 1.0, " 1.000E+00"},                          // d = 3: lo = 1
    });
}

TEST(NumberFields, DecimalsBeyondDPlusTwoAndDegenerateDecimals) {
    expectFields({
        {17, 8, 0.011, "     0.0110000000"},   // k = -2: 10 decimals, fixed
        {17, 8, 0.0099, "   9.90000000E-03"},  // k = -3 would need 11
        {17, 8, -0.0011, "  -1.10000000E-03"},
        {8, 2, 50.0, "    50.0"},     // d = 2: fixed only between 10 and 100
        {8, 1, 50.0, " 5.0E+01"},     // d = 1: lo = 100 > hi = 10, never fixed
        {9, 4, -1.0e5, "*********"},  // too wide for its field
    });
}

TEST(NumberFields, RowsOfFieldsEndWithOneBlank) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ReportLine line;
    // A group-factor row: 12 blanks, group number, 5 blanks, two 12/4 values.
    writeBlanks(line, 12);
    writeIntegerField(line, 5, 3);
    writeBlanks(line, 5);
    writeRealField(line, 12, 4, 0.85);
    writeBlanks(line, 1);
    writeRealField(line, 12, 4, 1.0);
    endLine(file, line);
    EXPECT_TRUE(line.empty());
    writeBlanks(line, 0);
    writeBlanks(line, -2);
    writeIntegerField(line, 5, 123456);
    endLine(file, line);
    // The blanks are data: written even with nothing after them.
    writeBlanks(line, 3);
    writeLine(file, line);
    endLine(nullptr, line);  // a null file drops the row
    EXPECT_TRUE(line.empty());

    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        text.push_back(static_cast<char>(c));
    }
    std::fclose(file);
    EXPECT_EQ(text,
              "                3           0.8500       1.0000 \n"
              "***** \n"
              "   \n");
}

}  // namespace
}  // namespace pylora
