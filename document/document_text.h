// SPDX-License-Identifier: Apache-2.0
// The text of a model document: JSON or YAML read into one tree that knows
// where every value stood in the file, and the tree written back as text.
//
// Both forms are read into the same tree (nlohmann::ordered_json, keys kept in
// the order written) with a map from the JSON Pointer (RFC 6901) of every
// value and key to its line and column, so that a problem found anywhere
// later can be shown where the person wrote it. The reading is bounded: a
// document above kMaxDocumentBytes, nested deeper than kMaxDocumentDepth, or
// (YAML) holding an alias is refused with one diagnostic, before the tree can
// grow.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

namespace pylora {

using DocJson = nlohmann::ordered_json;

// The largest document read. The capacity model (2000 pile groups, 200 load
// cases and combinations) takes some 1.5 MB of YAML; a file of 64 MB is not a
// model a person wrote.
inline constexpr std::size_t kMaxDocumentBytes = 64u * 1024u * 1024u;
// The deepest nesting read. The model document nests six levels at most.
inline constexpr int kMaxDocumentDepth = 64;
// The longest list read. The longest lists of a model (pile groups,
// distributed-load sets) hold 2000 entries; a longer list is refused as it is
// read, before it can grow.
inline constexpr std::size_t kMaxListEntries = 10000;
// The most diagnostics kept of one model; the rest are counted.
inline constexpr std::size_t kMaxDiagnostics = 200;

enum class Severity { error, warning };

// One problem of a model: where it is (a JSON Pointer into the document, and
// the line and column in its file; 0 when not known) and what it is.
struct Diagnostic {
    Severity severity = Severity::error;
    std::string pointer;  // "" is the whole document
    int line = 0;         // 1-based
    int column = 0;       // 1-based
    std::string message;
};

// The three forms of a model, chosen by a file's suffix.
enum class ModelForm { dataFile, json, yaml, unknown };

// .dat (any case) is an input data file, .json a JSON document, .yaml and
// .yml a YAML document; anything else is unknown.
ModelForm modelFormOf(std::string_view path);

struct TextPosition {
    int line = 0;
    int column = 0;
};

// A document as read: the tree, and where its values and keys stood.
struct SourceDocument {
    DocJson root;
    std::unordered_map<std::string, TextPosition> valueAt;  // pointer -> the value
    std::unordered_map<std::string, TextPosition> keyAt;    // pointer -> the key naming it

    // The position of the value at pointer, else of the nearest enclosing
    // value that has one.
    TextPosition positionOf(const std::string& pointer) const;
};

// Appends key to pointer, escaped as RFC 6901 asks ("~" as "~0", "/" as "~1").
std::string childPointer(const std::string& pointer, std::string_view key);
std::string childPointer(const std::string& pointer, std::size_t index);

// Reads text as a JSON (form json) or YAML (form yaml) document into doc.
// Returns false, with the reasons in diagnostics, when the text is not a
// readable document: a syntax error (with its line and column), a document
// too large or too deeply nested, a YAML alias, several YAML documents in one
// file, or a key given twice in one mapping. YAML scalars are typed as YAML
// 1.2's core schema types them (quoted scalars are always strings).
bool parseDocumentText(std::string_view text, ModelForm form, SourceDocument& doc,
                       std::vector<Diagnostic>& diagnostics);

// The document as JSON text, indented by two blanks, with a final line end.
std::string writeJsonText(const DocJson& root);

// The document as YAML text: mappings in block style, short lists and
// mappings of plain values in flow style, reals always with a decimal point
// or an exponent so that they read back as reals; header (comment lines, each
// starting with "# ") first.
std::string writeYamlText(const DocJson& root, std::string_view header = {});

// Whether s is well-formed UTF-8 (no stray continuation bytes, no truncated,
// overlong or surrogate sequences). badOffset, when given, receives the
// offset of the first byte that is not.
bool isUtf8(std::string_view s, std::size_t* badOffset = nullptr);

// s with every byte that is not part of well-formed UTF-8 replaced by U+FFFD,
// as a text of a document must be.
std::string utf8Text(std::string_view s);

// s as a diagnostic may show it: control characters written as \n, \r, \t
// or \xNN, bytes that are not UTF-8 as \xNN, cut (between characters, with
// "...") after maxBytes bytes of s.
std::string printableText(std::string_view s, std::size_t maxBytes = std::string_view::npos);

// A real as the shortest text that reads back as the same double, always
// with a decimal point or an exponent ("6000.0", "1e-05" becomes "1.0e-05").
std::string shortestReal(double value);

}  // namespace pylora
