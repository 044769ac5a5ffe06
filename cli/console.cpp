// SPDX-License-Identifier: Apache-2.0
#include "cli/console.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>

namespace pylora::console {

namespace {

std::string collapse(std::string_view text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r') {
            space = !out.empty();
            continue;
        }
        if (space) out.push_back(' ');
        space = false;
        out.push_back(c);
    }
    return out;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == text.size()) break;
        begin = end + 1;
    }
    return lines;
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

constexpr std::string_view kShortMarker = "** WARNING **";
constexpr std::string_view kLongMarker = "**** WARNING ****";

bool startsBlock(std::string_view line) {
    const std::string text = collapse(line);
    return text.rfind(kShortMarker, 0) == 0 || text.rfind(kLongMarker, 0) == 0;
}

// The numbers of a line, and the line with each replaced by '\x01'.
const std::regex& numberPattern() {
    static const std::regex pattern(R"([-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)");
    return pattern;
}

std::string mask(const std::string& text, std::vector<std::string>& numbers) {
    std::string out;
    auto begin = std::sregex_iterator(text.begin(), text.end(), numberPattern());
    std::size_t at = 0;
    for (auto it = begin; it != std::sregex_iterator(); ++it) {
        out.append(text, at, static_cast<std::size_t>(it->position()) - at);
        out.push_back('\x01');
        numbers.push_back(it->str());
        at = static_cast<std::size_t>(it->position() + it->length());
    }
    out.append(text, at);
    return out;
}

std::string clock(double seconds) {
    const long total = std::lround(std::max(seconds, 0.0));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

Progress parseProgress(std::string_view message) {
    static const std::regex series(R"(LOAD (CASE|COMB\.?)\s+(\d+)\s*/\s*(\d+))");
    static const std::regex factor(R"(TCUR:\s*([-+]?[0-9.]+([eE][-+]?\d+)?))");
    static const std::regex iteration(R"(ITERATION:\s*(\d+))");
    const std::string text(message);
    Progress p;
    std::smatch m;
    if (!std::regex_search(text, m, series)) return p;
    p.combination = m[1].str() != "CASE";
    p.number = std::atoi(m[2].str().c_str());
    p.count = std::atoi(m[3].str().c_str());
    p.finished = text.find("FINISHED") != std::string::npos;
    p.estimating = text.find("DOF:") != std::string::npos;
    if (std::regex_search(text, m, factor)) p.loadFactor = std::strtod(m[1].str().c_str(), nullptr);
    if (std::regex_search(text, m, iteration)) p.iteration = std::atoi(m[1].str().c_str());
    return p;
}

std::string progressLine(const Progress& p, const RunSize& size, double seconds, int width,
                         bool bar) {
    if (p.number <= 0) return "starting " + clock(seconds);
    const int cases = size.cases > 0 ? size.cases : (p.combination ? 0 : p.count);
    const int combinations =
        size.combinations > 0 ? size.combinations : (p.combination ? p.count : 0);
    const int total = std::max(cases + combinations, 1);
    const int index = std::min((p.combination ? cases : 0) + p.number, total);
    // The share of the analysis done: its load factor, 1 once finished.
    const double within =
        p.finished ? 1.0
                   : std::clamp(p.estimating || p.loadFactor < 0 ? 0.0 : p.loadFactor, 0.0, 1.0);
    const double done = std::clamp((index - 1 + within) / total, 0.0, 1.0);

    std::string line;
    if (bar) {
        constexpr int kBar = 20;
        const int filled = static_cast<int>(std::floor(done * kBar + 1e-9));
        line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
               std::string(static_cast<std::size_t>(kBar - filled), '.') + "] ";
    }
    char text[160];
    std::snprintf(text, sizeof text, "analysis %d of %d (load %s %d of %d)", index, total,
                  p.combination ? "combination" : "case", p.number, p.count);
    line += text;
    if (p.finished) {
        line += ", finished";
    } else if (p.estimating) {
        line += ", estimating the stiffness";
    } else if (p.loadFactor >= 0) {
        std::snprintf(text, sizeof text, ", load factor %.3f", p.loadFactor);
        line += text;
    }
    if (p.iteration > 0 && !p.finished) line += ", iteration " + std::to_string(p.iteration);
    line += ", " + clock(seconds);
    if (width > 0 && line.size() > static_cast<std::size_t>(width))
        line.resize(static_cast<std::size_t>(width));
    return line;
}

std::vector<std::string> warningBlocks(std::string_view text) {
    std::vector<std::string> blocks;
    for (std::string_view line : linesOf(text)) {
        if (startsBlock(line) || blocks.empty()) blocks.emplace_back();
        std::string& block = blocks.back();
        if (!block.empty()) block.push_back('\n');
        block.append(line);
    }
    std::erase_if(blocks, [](const std::string& b) { return isBlank(b); });
    return blocks;
}

std::vector<WarningKind> warningKinds(const std::vector<std::string>& blocks) {
    struct Kind {
        std::string masked;
        std::vector<std::string> numbers;  // of the first block
        std::vector<bool> differ;
        int count = 0;
    };
    std::vector<Kind> kinds;
    for (const std::string& block : blocks) {
        const std::vector<std::string_view> lines = linesOf(block);
        std::string first;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string line = collapse(lines[i]);
            for (std::string_view marker : {kLongMarker, kShortMarker})
                if (line.rfind(marker, 0) == 0) {
                    line = collapse(std::string_view(line).substr(marker.size()));
                    break;
                }
            if (!line.empty()) {
                first = line;
                break;
            }
        }
        if (first.empty()) first = "WARNING";
        std::vector<std::string> numbers;
        const std::string masked = mask(first, numbers);
        auto kind = std::find_if(kinds.begin(), kinds.end(), [&](const Kind& k) {
            return k.masked == masked && k.numbers.size() == numbers.size();
        });
        if (kind == kinds.end()) {
            kinds.push_back({masked, numbers, std::vector<bool>(numbers.size(), false), 0});
            kind = std::prev(kinds.end());
        }
        for (std::size_t i = 0; i < numbers.size(); ++i)
            if (numbers[i] != kind->numbers[i]) kind->differ[i] = true;
        ++kind->count;
    }
    std::vector<WarningKind> out;
    for (const Kind& k : kinds) {
        std::string text;
        std::size_t n = 0;
        for (char c : k.masked) {
            if (c != '\x01') {
                text.push_back(c);
                continue;
            }
            text += k.differ[n] ? std::string("n") : k.numbers[n];
            ++n;
        }
        out.push_back({text, k.count});
    }
    return out;
}

std::vector<std::string> errorRecords(std::string_view report, std::size_t maxRecords) {
    std::vector<std::string> records;
    bool inBlock = false;
    for (std::string_view line : linesOf(report)) {
        const std::string text = collapse(line);
        if (text.find("**** INPUT ERROR ****") != std::string::npos) {
            records.push_back(text);
            inBlock = false;
        } else if (text.find("**** FATAL ERROR ****") != std::string::npos) {
            records.push_back(text);
            inBlock = true;
        } else if (inBlock) {
            if (text.empty()) {
                inBlock = false;
            } else {
                records.push_back(text);
            }
        }
    }
    if (records.size() > maxRecords)
        records.erase(records.begin(),
                      records.begin() + static_cast<std::ptrdiff_t>(records.size() - maxRecords));
    return records;
}

}  // namespace pylora::console
