// SPDX-License-Identifier: Apache-2.0
// Fuzzing target: the reader and converter of model documents. The first
// byte of an input chooses how the rest is read: even JSON, odd YAML. The
// rest is the document text, read and checked as `pylora check` reads it
// (loadModelText), its diagnostics shown as `pylora check` shows them, as
// text (one line each, no control character but a tab: a key or value of the
// document quoted in a message must not cut or garble it) and as JSON
// (diagnosticsJson). A model found valid is written back as a document
// (writeModelDocument) and as JSON and YAML text, and must survive the trip:
//
//   - the JSON text parses to the very tree written;
//   - that text is a valid model, and the document written from its store is
//     the same document again (the written form is a fixed point);
//   - the YAML text parses to the same tree too (and so reads as the same
//     model as the JSON text).
//
// Every reading of a model builds a store of some 60 MB (a valid input two);
// a new store takes the memory of one that went (makeModelStore), so that
// only the first ones are faulted in page by page.
//
// A crash, a sanitizer report, an exception that escapes, a leak, an input
// slower than the per-input limit, or a model that does not survive the trip
// (reported on the standard error, then abort) is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_text.h"
#include "document/model_document.h"
#include "document/model_files.h"

namespace {

using namespace pylora;

// Whether the text of the diagnostics is one line for each, with no other
// control character than a tab.
bool oneLineEach(const std::string& text, std::size_t count) {
    std::size_t lines = 0;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n')
            ++lines;
        else if ((u < 0x20 && c != '\t') || u == 0x7F)
            return false;
    }
    return lines == count;
}

// The report of a failure, every control character but line ends and tabs
// shown as \xNN (a NUL would cut it short).
[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::string printable;
    for (const char c : detail) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\t') || u == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", u);
            printable += code;
        } else {
            printable.push_back(c);
        }
    }
    std::fprintf(stderr, "document_fuzzer: %s\n%s\n", what, printable.c_str());
    std::fflush(stderr);
    std::abort();
}

// The written text and the reader's complaint, for the report of a failure.
std::string shown(const std::string& text, const LoadedModel* model) {
    std::string out = "--- written text:\n" + text;
    if (model != nullptr)
        out += "--- diagnostics:\n" + diagnosticsText(model->diagnostics, "written");
    return out;
}

// The written text must parse to the tree it was written from.
void checkParsesBack(const std::string& text, ModelForm form, const DocJson& written,
                     const char* what) {
    SourceDocument back;
    std::vector<Diagnostic> diagnostics;
    if (!parseDocumentText(text, form, back, diagnostics))
        fail(what,
             "--- not readable\n" + diagnosticsText(diagnostics, "written") + shown(text, nullptr));
    if (back.root != written)
        fail(what, "--- reads back as\n" + writeJsonText(back.root) + shown(text, nullptr));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t choice = data[0];
    const ModelForm form = (choice & 1u) != 0 ? ModelForm::yaml : ModelForm::json;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const LoadedModel model = loadModelText(text, form, "fuzz");
    // What `pylora check` and `pylora check --format json` print.
    const std::string shownText = diagnosticsText(model.diagnostics, "fuzz.yaml");
    const std::string shownJson = diagnosticsJson(model).dump(2);
    if (!oneLineEach(shownText, model.diagnostics.size()))
        fail("a diagnostic is not one line of text", shownText);
    if (!model.valid()) {
        // A refusal says why.
        if (model.diagnostics.empty()) fail("a model refused without a diagnostic", "");
        return 0;
    }
    if (!model.store) fail("a valid model without its store", "");

    const DocJson written = writeModelDocument(*model.store);
    const std::string json = writeJsonText(written);

    checkParsesBack(json, ModelForm::json, written, "the written JSON text does not read back");
    const LoadedModel again = loadModelText(json, ModelForm::json, "fuzz");
    if (!again.valid() || !again.store)
        fail("the written JSON document is not a valid model", shown(json, &again));
    const DocJson rewritten = writeModelDocument(*again.store);
    if (rewritten != written)
        fail("the written document changes when read and written again",
             "--- written again:\n" + writeJsonText(rewritten) + shown(json, nullptr));

    const std::string yaml = writeYamlText(written);
    checkParsesBack(yaml, ModelForm::yaml, written, "the written YAML text does not read back");
    return 0;
}
