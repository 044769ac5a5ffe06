// SPDX-License-Identifier: Apache-2.0
#include "format/format.h"

#include "store/file_handle.h"

#include <cstdlib>
#include <string>

namespace pylora {

ReportLine& ReportLine::X(int n) {
    if (n > 0) pendingBlanks_ += n;
    return *this;
}

void ReportLine::flushBlanks() {
    buffer_.append(static_cast<std::size_t>(pendingBlanks_), ' ');
    pendingBlanks_ = 0;
}

ReportLine& ReportLine::text(std::string_view s) {
    flushBlanks();
    buffer_.append(s);
    return *this;
}

ReportLine& ReportLine::repeat(int n, std::string_view s) {
    flushBlanks();
    for (int i = 0; i < n; ++i)
        buffer_.append(s);
    return *this;
}

ReportLine& ReportLine::A(std::string_view s) {
    return text(s);
}

ReportLine& ReportLine::A(std::string_view s, int w) {
    flushBlanks();
    if (w <= 0) return *this;
    const auto width = static_cast<std::size_t>(w);
    if (s.size() >= width) {
        buffer_.append(s.substr(0, width));
    } else {
        buffer_.append(width - s.size(), ' ');
        buffer_.append(s);
    }
    return *this;
}

ReportLine& ReportLine::I(long long v, int w) {
    return I(v, w, 0);
}

ReportLine& ReportLine::I(long long v, int w, int m) {
    return text(formatI(v, w, m));
}

ReportLine& ReportLine::F(double v, int w, int d) {
    flushBlanks();
    appendF(buffer_, v, w, d);
    return *this;
}

ReportLine& ReportLine::E(double v, int w, int d, int e) {
    flushBlanks();
    appendE(buffer_, v, w, d, e);
    return *this;
}

ReportLine& ReportLine::PE(double v, int w, int d, int e) {
    flushBlanks();
    appendPE(buffer_, v, w, d, e);
    return *this;
}

ReportLine& ReportLine::G(double v, int w, int d) {
    flushBlanks();
    appendG(buffer_, v, w, d);
    return *this;
}

ReportLine& ReportLine::PG(double v, int w, int d) {
    flushBlanks();
    appendPG(buffer_, v, w, d);
    return *this;
}

ReportLine& ReportLine::slash() {
    pendingBlanks_ = 0;
    buffer_.push_back('\n');
    return *this;
}

void ReportLine::clear() {
    buffer_.clear();
    pendingBlanks_ = 0;
}

void writeLine(std::FILE* file, const ReportLine& line) {
    if (!file) return;
    const std::string_view s = line.str();
    if (writeText(file, s)) writeText(file, "\n");
}

void appendLine(std::string& out, const ReportLine& line) {
    out += line.str();
    out += '\n';
}

void writeEmptyLine(std::FILE* file) {
    writeText(file, "\n");
}

void writeListText(std::FILE* file, std::string_view text) {
    ReportLine line;
    line.text(" ").text(text);
    writeLine(file, line);
}

std::string formatI(long long v, int w, int m) {
    if (w <= 0) return {};
    std::string digits = std::to_string(v < 0 ? -static_cast<unsigned long long>(v)
                                              : static_cast<unsigned long long>(v));
    if (static_cast<int>(digits.size()) < m)
        digits.insert(0, static_cast<std::size_t>(m) - digits.size(), '0');
    if (v < 0) digits.insert(0, 1, '-');
    const auto width = static_cast<std::size_t>(w);
    if (digits.size() > width) return std::string(width, '*');
    return std::string(width - digits.size(), ' ') + digits;
}

}  // namespace pylora
