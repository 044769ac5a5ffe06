// SPDX-License-Identifier: Apache-2.0
// The formatting layer: every fixed-layout line the engine writes is built
// here, field by field, exactly as a Fortran formatted WRITE lays it out.
//
// A layout such as  5X 'READING ' A80  reads in the code as
//
//     ReportLine line;
//     line.X(5).text("READING ").A(header, 80);
//     writeLine(file, line);
//
// Each call appends one edit descriptor's field to the current record; slash()
// ends the record and starts the next one, as '/' does. Blanks of an nX that
// no field follows are not written, as positioning without data writes nothing.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace pylora {

class ReportLine {
  public:
    // Room for the widest tables' records from the start, so that a record
    // assembled field by field is not copied as it grows.
    ReportLine() { buffer_.reserve(kTypicalRecord); }

    // nX: n blanks (positioning; dropped at the end of a record).
    ReportLine& X(int n);
    // 'text': a quoted text, written unchanged.
    ReportLine& text(std::string_view s);
    // n('text'): a quoted text repeated n times.
    ReportLine& repeat(int n, std::string_view s);
    // A: a text in a field as wide as the text.
    ReportLine& A(std::string_view s);
    // Aw: the text right-justified in w characters when shorter (blanks on the
    // left), its first w characters when longer.
    ReportLine& A(std::string_view s, int w);
    // Iw and Iw.m: an integer right-justified in w characters, with at least m
    // digits; asterisks when it does not fit.
    ReportLine& I(long long v, int w);
    ReportLine& I(long long v, int w, int m);
    // Fw.d: fixed point with d decimals. In F, E and G fields a negative value
    // keeps its minus sign even when it rounds to zero ("-0.000"), the zero
    // before the point is dropped only when the field is otherwise too narrow,
    // and a value that does not fit fills the field with asterisks.
    ReportLine& F(double v, int w, int d);
    // Ew.d and Ew.dEe: 0.ddd mantissa, exponent of e digits (default: two, or
    // three without the letter E when the exponent needs them).
    ReportLine& E(double v, int w, int d, int e = 0);
    // 1PEw.d: one nonzero digit before the point, d after it.
    ReportLine& PE(double v, int w, int d, int e = 0);
    // Gw.d and 1PGw.d: fixed point when the magnitude allows, else Ew.d (1PEw.d).
    ReportLine& G(double v, int w, int d);
    ReportLine& PG(double v, int w, int d);
    // '/': ends the current record and starts the next one.
    ReportLine& slash();

    // The records assembled so far, separated by '\n', without the last end of line.
    std::string_view str() const { return buffer_; }
    bool empty() const { return buffer_.empty() && pendingBlanks_ == 0; }
    void clear();

  private:
    static constexpr std::size_t kTypicalRecord = 256;
    void flushBlanks();
    std::string buffer_;
    int pendingBlanks_ = 0;
};

// Writes the line's records and ends the last one. A null file drops the line.
void writeLine(std::FILE* file, const ReportLine& line);

// Appends the line's records and the end of the last one to out, as
// writeLine writes them to a file (text made ahead of its writing).
void appendLine(std::string& out, const ReportLine& line);

// Writes one empty record.
void writeEmptyLine(std::FILE* file);

// A list-directed (free-format) record of one text: a blank, then the text.
void writeListText(std::FILE* file, std::string_view text);

// Single fields as strings, for the rare line built outside a ReportLine.
// The same fields appended to a string (the report line's own buffer).
void appendF(std::string& out, double v, int w, int d);
void appendE(std::string& out, double v, int w, int d, int e = 0);
void appendPE(std::string& out, double v, int w, int d, int e = 0);
void appendG(std::string& out, double v, int w, int d);
void appendPG(std::string& out, double v, int w, int d);

std::string formatF(double v, int w, int d);
std::string formatE(double v, int w, int d, int e = 0);
std::string formatPE(double v, int w, int d, int e = 0);
std::string formatG(double v, int w, int d);
std::string formatPG(double v, int w, int d);
std::string formatI(long long v, int w, int m = 0);

}  // namespace pylora
