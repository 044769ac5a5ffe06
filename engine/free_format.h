// SPDX-License-Identifier: Apache-2.0
// Reading the input data file: whole text lines, and free-format values taken
// the way a Fortran list-directed READ takes them.
//
// A free-format record starts on a new line. Its values are separated by
// blanks, tabs or a comma (with or without blanks around it); when a line
// holds too few values the record goes on to the next line, and a line with no
// values at all (an empty line) is passed over. What is left on the last line
// used is discarded when the record ends, so a comment may follow the last
// value. A value written r*c stands for r copies of the number c.
//
// Not accepted, each reported to the caller: a null value (two commas with
// nothing but blanks between them, or a comma before the first value of a
// record), a slash ending a record early (the slash is taken as part of a
// value, which then does not read as a number), a quoted text that is not
// closed on its own line.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace pylora {

// Where reading stands in the input data file.
struct InputCursor {
    std::FILE* file = nullptr;
    std::string line;           // the current line, without its end of line and carriage return
    int lineNo = 0;             // 1-based number of `line`; 0 before the first line is read
    std::size_t pos = 0;        // next character of `line` still to be scanned
    bool haveLine = false;      // `line` belongs to the record being read
    bool commaPending = false;  // a comma ended the last value, or the record has just begun
    int repeatLeft = 0;         // copies still to be delivered of a value written r*c
    std::string repeatText;     // c of that value
    int repeatLineNo = 0;       // the line it stood on
};

// What a value is read as: a number (integer or real) or a text value.
enum class ValueKind { number, text };

// One value of a free-format record as written in the file.
struct ValueToken {
    std::string text;  // the value's characters; a quoted text without its quotes
    int lineNo = 0;    // 1-based line of the input file it stands on
    bool quoted = false;
};

enum class ValueStatus {
    ok,
    endOfFile,  // the file ended before the value
    nullValue,  // a null value (see the file comment); token holds its line
    openQuote,  // a quoted text not closed on its line; token holds the text after the quote
};

enum class NumberStatus {
    ok,
    notNumber,   // not a number at all
    notInteger,  // a real number where an integer is expected
    outOfRange,  // too large for the type
};

// Reads the next physical line of cursor.file into cursor.line (a trailing
// carriage return removed) and counts it. Returns false at the end of the file
// (a last line without an end of line is still a line); the cursor's line is
// then empty and lineNo unchanged.
bool readPhysicalLine(InputCursor& cursor);

// Reads the next line whole into text, as a text line or section header line
// is read: the record starts on a new line and takes the whole of it, empty or
// not. Returns false at the end of the file.
bool readTextLine(InputCursor& cursor, std::string& text);

// Starts a free-format record: its first value is looked for on a new line.
void beginFreeRecord(InputCursor& cursor);

// Ends a free-format record: the rest of its last line is discarded.
void endFreeRecord(InputCursor& cursor);

// Takes the next value of the current record into token, going on to further
// lines as needed. A text value may be quoted with ' or " (a doubled quote
// inside stands for one); unquoted it ends at the first blank, tab or comma.
// Returns ok or the reason no value could be taken; the cursor then stays
// where the problem was found.
ValueStatus nextValue(InputCursor& cursor, ValueKind kind, ValueToken& token);

// Reads an integer: an optional sign and decimal digits, nothing else. A real
// written with a decimal point or an exponent gives notInteger. value is only
// written on ok.
NumberStatus parseInteger(std::string_view text, int& value);

// Reads a real in any decimal or exponent form: an optional sign, digits with
// an optional decimal point (at least one digit), and an optional exponent
// introduced by E, D or Q in either case, or by its own sign alone
// (0.15+101). A value too small for a double reads as zero; one too large
// gives outOfRange. Infinity and NaN are not numbers. value is only written on
// ok.
NumberStatus parseReal(std::string_view text, double& value);

}  // namespace pylora
