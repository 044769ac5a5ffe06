// SPDX-License-Identifier: Apache-2.0
// The free-format rules of the input data file, on small inputs written here.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/free_format.h"
#include "store/file_handle.h"

namespace pylora {
namespace {

// A cursor over a temporary file holding text.
struct TextInput {
    explicit TextInput(const std::string& text) : file(std::tmpfile()) {
        std::fputs(text.c_str(), file.get());
        std::rewind(file.get());
        cursor.file = file.get();
    }
    FileHandle file;
    InputCursor cursor;
};

// The values of one record of count values, or the status that stopped it.
struct Record {
    std::vector<std::string> values;
    std::vector<int> lines;
    ValueStatus status = ValueStatus::ok;
};

Record readRecord(InputCursor& cursor, int count, ValueKind kind = ValueKind::number) {
    Record r;
    beginFreeRecord(cursor);
    for (int k = 0; k < count; ++k) {
        ValueToken t;
        r.status = nextValue(cursor, kind, t);
        if (r.status != ValueStatus::ok) break;
        r.values.push_back(t.text);
        r.lines.push_back(t.lineNo);
    }
    endFreeRecord(cursor);
    return r;
}

using Strings = std::vector<std::string>;
using Lines = std::vector<int>;

TEST(FreeFormat, NumbersInEveryWrittenForm) {
    struct Case {
        const char* text;
        NumberStatus asInteger;
        NumberStatus asReal;
        double value;  // the decimal value of the text; the nearest double compares exact
    };
    using N = NumberStatus;
    const Case cases[] = {
        {"1500", N::ok, N::ok, 1500},
        {"+7", N::ok, N::ok, 7},
        {"-12", N::ok, N::ok, -12},
        {"2147483647", N::ok, N::ok, 2147483647.0},
        {"-2147483648", N::ok, N::ok, -2147483648.0},
        {"2147483648", N::outOfRange, N::ok, 2147483648.0},
        {"1.0", N::notInteger, N::ok, 1.0},
        {"5.", N::notInteger, N::ok, 5.0},
        {"-.5", N::notInteger, N::ok, -0.5},
        {"+2.0E8", N::notInteger, N::ok, 2.0e8},
        {"1.5D3", N::notInteger, N::ok, 1500},
        {"1.5d-3", N::notInteger, N::ok, 0.0015},
        {"2.5q1", N::notInteger, N::ok, 25},
        {"1.0e+02", N::notInteger, N::ok, 100},
        {"0.15+101", N::notInteger, N::ok, 1.5e100},  // three-digit exponent without E
        {"1.5-3", N::notInteger, N::ok, 0.0015},
        {"1e-400", N::notInteger, N::ok, 0.0},  // below the smallest double
        {"1e999", N::notInteger, N::outOfRange, 0},
        {"inf", N::notNumber, N::notNumber, 0},
        {"nan", N::notNumber, N::notNumber, 0},
        {".", N::notNumber, N::notNumber, 0},
        {"1.0x", N::notNumber, N::notNumber, 0},
        {"1e", N::notNumber, N::notNumber, 0},
        {"1.2.3", N::notNumber, N::notNumber, 0},
        {"--1", N::notNumber, N::notNumber, 0},
        {"0x10", N::notNumber, N::notNumber, 0},
        {"1,5", N::notNumber, N::notNumber, 0},
        {"'3'", N::notNumber, N::notNumber, 0},
        {"", N::notNumber, N::notNumber, 0},
    };
    for (const Case& c : cases) {
        int i = -99;
        double r = -99.0;
        EXPECT_EQ(parseInteger(c.text, i), c.asInteger) << c.text;
        EXPECT_EQ(parseReal(c.text, r), c.asReal) << c.text;
        EXPECT_EQ(i, c.asInteger == N::ok ? static_cast<int>(c.value) : -99) << c.text;
        EXPECT_DOUBLE_EQ(r, c.asReal == N::ok ? c.value : -99.0) << c.text;
    }
}

TEST(FreeFormat, RecordsGoOnToFurtherLinesAndDropWhatIsLeft) {
    TextInput in(
        "1 2\n"
        "\n"
        "   3, 4 comment\n"
        "5\r\n"
        "6,7 , 8\t9\n"
        "3*2.5 1 2*4\n"
        "last\n");
    InputCursor& c = in.cursor;

    Record a = readRecord(c, 3);
    EXPECT_EQ(a.values, (Strings{"1", "2", "3"}));
    EXPECT_EQ(a.lines, (Lines{1, 1, 3}));  // the empty line 2 is passed over

    Record b = readRecord(c, 1);          // "4 comment" was discarded with line 3
    EXPECT_EQ(b.values, (Strings{"5"}));  // the carriage return is gone
    EXPECT_EQ(b.lines, (Lines{4}));

    Record d = readRecord(c, 4);
    EXPECT_EQ(d.values, (Strings{"6", "7", "8", "9"}));

    Record e = readRecord(c, 4);  // r*c: r copies of c; the rest of the line is dropped
    EXPECT_EQ(e.values, (Strings{"2.5", "2.5", "2.5", "1"}));
    EXPECT_EQ(e.lines, (Lines{6, 6, 6, 6}));

    Record f = readRecord(c, 2);
    EXPECT_EQ(f.values, (Strings{"last"}));
    EXPECT_EQ(f.status, ValueStatus::endOfFile);
    EXPECT_EQ(c.lineNo, 7);
}

TEST(FreeFormat, NullValuesAreReportedNotSkipped) {
    struct Case {
        const char* text;
        int valuesBefore;  // values taken before the null value
    };
    const Case cases[] = {
        {",5\n", 0}, {"1,,2\n", 1}, {"1, ,2\n", 1}, {"1,\n,2\n", 1}, {"1 3* 2\n", 1},
    };
    for (const Case& k : cases) {
        TextInput in(k.text);
        Record r = readRecord(in.cursor, 3);
        EXPECT_EQ(r.status, ValueStatus::nullValue) << k.text;
        EXPECT_EQ(static_cast<int>(r.values.size()), k.valuesBefore) << k.text;
    }
    // A comma at the end of a line only separates.
    TextInput in("1,\n2, 3\n");
    EXPECT_EQ(readRecord(in.cursor, 3).values, (Strings{"1", "2", "3"}));
}

TEST(FreeFormat, TextValuesQuotedOrEndingAtBlankOrComma) {
    TextInput in(
        "'PIPE 600 x 20, top' rest\n"
        "\"it's\"\n"
        "'O''Neil'\n"
        "HP14x73,more\n"
        "  W14x90 more\n"
        "'not closed\n");
    InputCursor& c = in.cursor;
    const Strings expected = {"PIPE 600 x 20, top", "it's", "O'Neil", "HP14x73", "W14x90"};
    for (const std::string& name : expected) {
        Record r = readRecord(c, 1, ValueKind::text);
        ASSERT_EQ(r.status, ValueStatus::ok) << name;
        EXPECT_EQ(r.values, (Strings{name}));
    }
    EXPECT_EQ(readRecord(c, 1, ValueKind::text).status, ValueStatus::openQuote);
}

TEST(FreeFormat, TextLinesAreTakenWhole) {
    TextInput in("  Title, with 'quotes'  \r\n\nlast line without end of line");
    InputCursor& c = in.cursor;
    std::string text;
    ASSERT_TRUE(readTextLine(c, text));
    EXPECT_EQ(text, "  Title, with 'quotes'  ");
    ASSERT_TRUE(readTextLine(c, text));
    EXPECT_EQ(text, "");
    ASSERT_TRUE(readTextLine(c, text));
    EXPECT_EQ(text, "last line without end of line");
    EXPECT_FALSE(readTextLine(c, text));
    EXPECT_EQ(c.lineNo, 3);
}

}  // namespace
}  // namespace pylora
