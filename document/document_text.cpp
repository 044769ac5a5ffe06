// SPDX-License-Identifier: Apache-2.0
#include "document/document_text.h"

#include <yaml-cpp/depthguard.h>
#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include <array>
#include <sstream>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_set>

namespace pylora {

namespace {

// The length of the well-formed UTF-8 sequence at s[i], or 0 when there is none.
std::size_t sequenceAt(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned int code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        code = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        code = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        code = c & 0x07u;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b >> 6) != 0x2) return 0;
        code = (code << 6) | (b & 0x3Fu);
    }
    // Overlong forms, surrogates and code points beyond U+10FFFF.
    if ((n == 3 && code < 0x800) || (n == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// Line and column (1-based) of a byte offset of text.
TextPosition positionOfOffset(std::string_view text, std::size_t offset) {
    TextPosition p{1, 1};
    offset = std::min(offset, text.size());
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            p.line += 1;
            p.column = 1;
        } else {
            p.column += 1;
        }
    }
    return p;
}

Diagnostic errorAt(const std::string& pointer, TextPosition at, std::string message) {
    Diagnostic d;
    d.pointer = pointer;
    d.line = at.line;
    d.column = at.column;
    d.message = std::move(message);
    return d;
}

// ---------------------------------------------------------------------------
// Building the tree. Both readers hand their values to one builder, which
// keeps the path of the value being read, refuses a key given twice and
// nesting beyond the limit, and records every position.

struct TreeError {
    std::string pointer;
    TextPosition at;
    std::string message;
};

class TreeBuilder {
  public:
    explicit TreeBuilder(SourceDocument& doc) : doc_(doc) {}

    // A scalar or the start of a mapping or list at position at.
    void value(DocJson v, TextPosition at) {
        if (!stack_.empty() && stack_.back().isMap && !stack_.back().key) {
            // A mapping's key.
            if (!v.is_string()) {
                if (v.is_null())
                    v = "";
                else
                    v = v.dump();
            }
            Frame& f = stack_.back();
            const std::string key = v.get<std::string>();
            const std::string pointer = childPointer(f.pointer, key);
            if (!f.keys.insert(key).second) {
                const TextPosition first = doc_.keyAt[pointer];
                throw TreeError{pointer, at,
                                "the key \"" + key +
                                    "\" is given twice in one mapping (first on line " +
                                    std::to_string(first.line) + ")"};
            }
            doc_.keyAt[pointer] = at;
            f.key = key;
            return;
        }
        place(std::move(v), at);
    }

    void beginContainer(bool isMap, TextPosition at) {
        if (static_cast<int>(stack_.size()) >= kMaxDocumentDepth)
            throw TreeError{currentPointer(), at,
                            "the document is nested deeper than " +
                                std::to_string(kMaxDocumentDepth) + " levels"};
        if (!stack_.empty() && stack_.back().isMap && !stack_.back().key)
            throw TreeError{
                currentPointer(), at,
                "a mapping or list stands where a key belongs (is a bracket [ or { left open?)"};
        const std::string pointer = nextPointer();
        DocJson* node = place(isMap ? DocJson::object() : DocJson::array(), at);
        stack_.push_back(Frame{node, isMap, pointer, std::nullopt, {}});
    }

    void endContainer() {
        if (!stack_.empty()) stack_.pop_back();
    }

    bool complete() const { return stack_.empty() && started_; }

  private:
    struct Frame {
        DocJson* node = nullptr;
        bool isMap = false;
        std::string pointer;
        std::optional<std::string> key;        // a mapping's key waiting for its value
        std::unordered_set<std::string> keys;  // the keys of a mapping so far
    };

    std::string currentPointer() const { return stack_.empty() ? "" : stack_.back().pointer; }

    std::string nextPointer() const {
        if (stack_.empty()) return "";
        const Frame& f = stack_.back();
        if (f.isMap) return childPointer(f.pointer, f.key.value_or(""));
        return childPointer(f.pointer, f.node->size());
    }

    DocJson* place(DocJson v, TextPosition at) {
        const std::string pointer = nextPointer();
        if (stack_.empty()) {
            // A model is a mapping: anything else is refused at its first
            // token, before a list of any length is read.
            if (!v.is_object())
                throw TreeError{"", at, "a model document must be a mapping of named fields"};
            doc_.valueAt[pointer] = at;
            doc_.root = std::move(v);
            started_ = true;
            return &doc_.root;
        }
        Frame& f = stack_.back();
        if (!f.isMap && f.node->size() >= kMaxListEntries)
            throw TreeError{f.pointer, at,
                            "the list has more than " + std::to_string(kMaxListEntries) +
                                " entries; no list of a model holds more than 2000"};
        doc_.valueAt[pointer] = at;
        if (f.isMap) {
            // Appended without a search: the key set has refused a key
            // given twice.
            auto& entries =
                static_cast<DocJson::object_t::Container&>(f.node->get_ref<DocJson::object_t&>());
            entries.emplace_back(std::move(*f.key), std::move(v));
            f.key.reset();
            return &entries.back().second;
        }
        f.node->push_back(std::move(v));
        return &f.node->back();
    }

    SourceDocument& doc_;
    std::vector<Frame> stack_;
    bool started_ = false;
};

// ---------------------------------------------------------------------------
// JSON: nlohmann's parser, with an iterator that counts the characters it
// has taken, so that each value's end (and from it, its start) is known.

struct CountingIterator {
    using iterator_category = std::forward_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    const char* p = nullptr;
    const char* base = nullptr;
    std::size_t* taken = nullptr;

    reference operator*() const { return *p; }
    CountingIterator& operator++() {
        ++p;
        *taken = static_cast<std::size_t>(p - base);
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator old = *this;
        ++*this;
        return old;
    }
    bool operator==(const CountingIterator& o) const { return p == o.p; }
    bool operator!=(const CountingIterator& o) const { return p != o.p; }
};

// Line and column of any offset of a text, found by a search of its line
// starts rather than a scan from the beginning.
class LineIndex {
  public:
    explicit LineIndex(std::string_view text) {
        starts_.push_back(0);
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') starts_.push_back(i + 1);
    }
    TextPosition at(std::size_t offset) const {
        const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
        const auto line = static_cast<std::size_t>(it - starts_.begin());
        return TextPosition{static_cast<int>(line),
                            static_cast<int>(offset - starts_[line - 1]) + 1};
    }

  private:
    std::vector<std::size_t> starts_;
};

class JsonReader final : public nlohmann::json_sax<DocJson> {
  public:
    JsonReader(std::string_view text, TreeBuilder& builder, const std::size_t& taken)
        : text_(text), lines_(text), builder_(builder), taken_(taken) {}

    bool null() override { return scalar(nullptr); }
    bool boolean(bool v) override { return scalar(v); }
    bool number_integer(number_integer_t v) override { return scalar(v); }
    bool number_unsigned(number_unsigned_t v) override { return scalar(v); }
    bool number_float(number_float_t v, const string_t&) override { return scalar(v); }
    bool string(string_t& v) override { return scalar(v, true); }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return begin(true); }
    bool key(string_t& v) override { return scalar(v, true); }
    bool end_object() override {
        builder_.endContainer();
        return true;
    }
    bool start_array(std::size_t) override { return begin(false); }
    bool end_array() override {
        builder_.endContainer();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& ex) override {
        std::string what = ex.what();
        // "[json.exception.parse_error.101] parse error at line 1, column 5: syntax error
        // while parsing value - invalid literal; last read: 'tru,'": keep what follows the
        // position, which says what was wrong.
        const std::size_t colon = what.find(": ");
        if (colon != std::string::npos) what = what.substr(colon + 2);
        error = TreeError{"", lines_.at(position == 0 ? 0 : position - 1),
                          "JSON syntax error: " + what};
        return false;
    }

    std::optional<TreeError> error;

  private:
    // Where the value just read starts: the lexer has taken it whole, and at
    // most one character after it.
    TextPosition startOfLast(bool isString) const {
        std::size_t end = std::min(taken_, text_.size());
        if (isString) {
            // Back to the closing quote, then to the quote that opens it.
            while (end > 0 && text_[end - 1] != '"')
                --end;
            std::size_t k = end >= 1 ? end - 1 : 0;
            while (k > 0) {
                --k;
                if (text_[k] != '"') continue;
                std::size_t slashes = 0;
                while (k >= slashes + 1 && text_[k - slashes - 1] == '\\')
                    ++slashes;
                if (slashes % 2 == 0) break;
            }
            return lines_.at(k);
        }
        // A number or a literal: back over its characters.
        while (end > 0 && !std::isalnum(static_cast<unsigned char>(text_[end - 1])) &&
               text_[end - 1] != '.')
            --end;
        std::size_t k = end;
        while (k > 0 && (std::isalnum(static_cast<unsigned char>(text_[k - 1])) ||
                         text_[k - 1] == '.' || text_[k - 1] == '-' || text_[k - 1] == '+'))
            --k;
        return lines_.at(k);
    }

    bool scalar(DocJson v, bool isString = false) {
        try {
            builder_.value(std::move(v), startOfLast(isString));
        } catch (const TreeError& e) {
            error = e;
            return false;
        }
        return true;
    }

    bool begin(bool isMap) {
        try {
            const std::size_t at = taken_ == 0 ? 0 : taken_ - 1;
            builder_.beginContainer(isMap, lines_.at(at));
        } catch (const TreeError& e) {
            error = e;
            return false;
        }
        return true;
    }

    std::string_view text_;
    LineIndex lines_;
    TreeBuilder& builder_;
    const std::size_t& taken_;
};

bool parseJson(std::string_view text, SourceDocument& doc, std::vector<Diagnostic>& diagnostics) {
    std::size_t taken = 0;
    TreeBuilder builder(doc);
    JsonReader reader(text, builder, taken);
    CountingIterator first{text.data(), text.data(), &taken};
    CountingIterator last{text.data() + text.size(), text.data(), &taken};
    const bool ok = DocJson::sax_parse(first, last, &reader);
    if (!ok || reader.error) {
        const TreeError e = reader.error.value_or(
            TreeError{"", positionOfOffset(text, taken), "JSON syntax error"});
        diagnostics.push_back(errorAt(e.pointer, e.at, e.message));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// YAML: yaml-cpp's event parser, so that no alias is ever expanded.

// A plain YAML scalar typed as YAML 1.2's core schema types it.
DocJson typedScalar(const std::string& s) {
    if (s.empty() || s == "~" || s == "null" || s == "Null" || s == "NULL") return nullptr;
    if (s == "true" || s == "True" || s == "TRUE") return true;
    if (s == "false" || s == "False" || s == "FALSE") return false;
    const char* b = s.data();
    const char* e = s.data() + s.size();
    const char* digits = (*b == '+' && s.size() > 1 && s[1] != '-') ? b + 1 : b;
    const bool integerLike =
        std::all_of(*digits == '-' ? digits + 1 : digits, e,
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) &&
        (e - digits) > (*digits == '-' ? 1 : 0);
    if (integerLike) {
        std::int64_t v = 0;
        const auto r = std::from_chars(digits, e, v);
        if (r.ec == std::errc{} && r.ptr == e) return v;
    }
    // A real: digits with a point and an exponent, as the core schema's
    // float; no hexadecimal forms.
    bool sawDigit = false;
    bool numeric = true;
    for (const char* p = digits; p != e; ++p) {
        const char c = *p;
        if (std::isdigit(static_cast<unsigned char>(c)))
            sawDigit = true;
        else if (c != '.' && c != 'e' && c != 'E' && c != '-' && c != '+')
            numeric = false;
    }
    if (numeric && sawDigit) {
        double v = 0.0;
        const auto r = std::from_chars(digits, e, v);
        if (r.ptr == e && r.ec == std::errc{}) return v;
        if (r.ptr == e && r.ec == std::errc::result_out_of_range) return s;  // reported by type
    }
    // Anything else is text, .inf and .nan included: not finite numbers, they
    // are refused where a number belongs.
    return s;
}

TextPosition positionOfMark(const YAML::Mark& m) {
    return TextPosition{m.line + 1, m.column + 1};
}

class YamlReader final : public YAML::EventHandler {
  public:
    explicit YamlReader(TreeBuilder& builder) : builder_(builder) {}

    void OnDocumentStart(const YAML::Mark& mark) override {
        documents_ += 1;
        if (documents_ > 1)
            throw TreeError{"", positionOfMark(mark),
                            "the file holds a second YAML document; a model is one document"};
    }
    void OnDocumentEnd() override {}
    void OnNull(const YAML::Mark& mark, YAML::anchor_t) override {
        builder_.value(nullptr, positionOfMark(mark));
    }
    void OnAlias(const YAML::Mark& mark, YAML::anchor_t) override {
        throw TreeError{"", positionOfMark(mark),
                        "YAML aliases (*name) are not accepted in a model document: write the "
                        "value out"};
    }
    void OnScalar(const YAML::Mark& mark, const std::string& tag, YAML::anchor_t,
                  const std::string& value) override {
        // "!" marks a quoted scalar: always a string.
        const bool text = tag == "!" || tag == "tag:yaml.org,2002:str";
        builder_.value(text ? DocJson(value) : typedScalar(value), positionOfMark(mark));
    }
    void OnSequenceStart(const YAML::Mark& mark, const std::string&, YAML::anchor_t,
                         YAML::EmitterStyle::value) override {
        builder_.beginContainer(false, positionOfMark(mark));
    }
    void OnSequenceEnd() override { builder_.endContainer(); }
    void OnMapStart(const YAML::Mark& mark, const std::string&, YAML::anchor_t,
                    YAML::EmitterStyle::value) override {
        builder_.beginContainer(true, positionOfMark(mark));
    }
    void OnMapEnd() override { builder_.endContainer(); }

  private:
    TreeBuilder& builder_;
    int documents_ = 0;
};

bool parseYaml(std::string_view text, SourceDocument& doc, std::vector<Diagnostic>& diagnostics) {
    TreeBuilder builder(doc);
    YamlReader reader(builder);
    try {
        std::string copy(text);
        std::istringstream in(copy);
        YAML::Parser parser(in);
        while (parser.HandleNextDocument(reader)) {
        }
    } catch (const TreeError& e) {
        diagnostics.push_back(errorAt(e.pointer, e.at, e.message));
        return false;
    } catch (const YAML::DeepRecursion& e) {
        diagnostics.push_back(errorAt(
            "", positionOfMark(e.mark),
            "the document is nested deeper than " + std::to_string(kMaxDocumentDepth) + " levels"));
        return false;
    } catch (const YAML::Exception& e) {
        diagnostics.push_back(errorAt("", positionOfMark(e.mark), "YAML syntax error: " + e.msg));
        return false;
    }
    if (!builder.complete()) doc.root = nullptr;
    return true;
}

// ---------------------------------------------------------------------------
// Writing YAML.

// Short mappings and lists of plain values read best on one line.
bool inFlow(const DocJson& v) {
    if (v.is_array()) {
        if (v.empty()) return true;
        if (std::all_of(v.begin(), v.end(), [](const DocJson& e) { return e.is_number(); }))
            return true;
        // A list of points: pairs of numbers.
        return false;
    }
    if (v.is_object()) {
        if (v.empty()) return true;
        if (v.size() > 6) return false;
        for (const auto& [key, value] : v.items()) {
            if (value.is_string()) return false;
            if (value.is_object() && !inFlow(value)) return false;
            if (value.is_array() && !inFlow(value)) return false;
        }
        return true;
    }
    return true;
}

void emitValue(YAML::Emitter& out, const DocJson& v, bool flow);

void emitScalar(YAML::Emitter& out, const DocJson& v) {
    if (v.is_null()) {
        out << YAML::Null;
    } else if (v.is_boolean()) {
        out << (v.get<bool>() ? "true" : "false");
    } else if (v.is_number_integer()) {
        out << std::to_string(v.get<std::int64_t>());
    } else if (v.is_number_unsigned()) {
        out << std::to_string(v.get<std::uint64_t>());
    } else if (v.is_number_float()) {
        out << shortestReal(v.get<double>());
    } else {
        const std::string s = v.get<std::string>();
        // A text that would read back as another type is quoted.
        const DocJson back = typedScalar(s);
        if (!back.is_string() || s != back.get<std::string>() || s.empty())
            out << YAML::DoubleQuoted << s;
        else
            out << s;
    }
}

void emitValue(YAML::Emitter& out, const DocJson& v, bool flow) {
    if (v.is_object()) {
        const bool here = flow || inFlow(v);
        if (here) out << YAML::Flow;
        out << YAML::BeginMap;
        for (const auto& [key, value] : v.items()) {
            out << YAML::Key << key << YAML::Value;
            emitValue(out, value, here);
        }
        out << YAML::EndMap;
    } else if (v.is_array()) {
        const bool here = flow || inFlow(v);
        if (here) out << YAML::Flow;
        out << YAML::BeginSeq;
        for (const DocJson& e : v) {
            // A pair or a short mapping in a block list: on one line.
            const bool elementFlow =
                here || (e.is_array() && inFlow(e)) || (e.is_object() && inFlow(e));
            emitValue(out, e, elementFlow);
        }
        out << YAML::EndSeq;
    } else {
        emitScalar(out, v);
    }
}

}  // namespace

// ---------------------------------------------------------------------------

ModelForm modelFormOf(std::string_view path) {
    const std::string low = lowered(path);
    if (endsWith(low, ".dat")) return ModelForm::dataFile;
    if (endsWith(low, ".json")) return ModelForm::json;
    if (endsWith(low, ".yaml") || endsWith(low, ".yml")) return ModelForm::yaml;
    return ModelForm::unknown;
}

TextPosition SourceDocument::positionOf(const std::string& pointer) const {
    std::string p = pointer;
    while (true) {
        const auto it = valueAt.find(p);
        if (it != valueAt.end()) return it->second;
        if (p.empty()) return {};
        p = p.substr(0, p.rfind('/'));
    }
}

std::string childPointer(const std::string& pointer, std::string_view key) {
    std::string out = pointer;
    out.push_back('/');
    for (const char c : key) {
        if (c == '~')
            out += "~0";
        else if (c == '/')
            out += "~1";
        else
            out.push_back(c);
    }
    return out;
}

std::string childPointer(const std::string& pointer, std::size_t index) {
    return pointer + "/" + std::to_string(index);
}

bool parseDocumentText(std::string_view text, ModelForm form, SourceDocument& doc,
                       std::vector<Diagnostic>& diagnostics) {
    doc = SourceDocument{};
    if (text.size() > kMaxDocumentBytes) {
        diagnostics.push_back(errorAt("", {1, 1},
                                      "the document has " + std::to_string(text.size()) +
                                          " bytes, more than the " +
                                          std::to_string(kMaxDocumentBytes / (1024 * 1024)) +
                                          " MB a model document may have"));
        return false;
    }
    std::size_t bad = 0;
    if (!isUtf8(text, &bad)) {
        const LineIndex lines(text);
        diagnostics.push_back(errorAt(
            "", lines.at(bad),
            "the document is not UTF-8 text (byte " + printableText(text.substr(bad, 1)) + ")"));
        return false;
    }
    const bool ok = form == ModelForm::json ? parseJson(text, doc, diagnostics)
                                            : parseYaml(text, doc, diagnostics);
    if (!ok) doc.root = nullptr;
    return ok;
}

std::string writeJsonText(const DocJson& root) {
    // A text read from an input data file need not be UTF-8 (a title typed
    // in a Windows code page): its stray bytes are written as U+FFFD rather
    // than stopping the conversion.
    return root.dump(2, ' ', false, DocJson::error_handler_t::replace) + "\n";
}

std::string writeYamlText(const DocJson& root, std::string_view header) {
    YAML::Emitter out;
    out.SetIndent(2);
    out.SetMapFormat(YAML::Block);
    emitValue(out, root, false);
    std::string text(header);
    text += out.c_str();
    text += "\n";
    return text;
}

bool isUtf8(std::string_view s, std::size_t* badOffset) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = sequenceAt(s, i);
        if (n == 0) {
            if (badOffset) *badOffset = i;
            return false;
        }
        i += n;
    }
    return true;
}

std::string utf8Text(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = sequenceAt(s, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            i += 1;
        } else {
            out.append(s.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string printableText(std::string_view s, std::size_t maxBytes) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (i >= maxBytes) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = sequenceAt(s, i);
        if (n == 1 && c >= 32 && c != 127) {
            out.push_back(static_cast<char>(c));
        } else if (n > 1) {
            out.append(s.substr(i, n));
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xFu]);
        }
        i += n == 0 ? 1 : n;
    }
    return out;
}

std::string shortestReal(double value) {
    std::array<char, 64> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string s(buffer.data(), r.ptr);
    if (s.find_first_of(".en") == std::string::npos) {
        s += ".0";
    } else if (s.find('.') == std::string::npos && s.find('e') != std::string::npos) {
        // 1e-05: a mantissa with a point reads as a real in every YAML reader.
        s.insert(s.find('e'), ".0");
    }
    return s;
}

}  // namespace pylora
