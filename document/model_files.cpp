// SPDX-License-Identifier: Apache-2.0
#include "document/model_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "engine/input_reader.h"
#include "store/file_handle.h"
#include "store/file_path.h"
#include "store/return_codes.h"

namespace pylora {

namespace {

// The input data file (largest the capacity model, some 2 MB) is not read
// when it is larger than a model can be.
constexpr std::size_t kMaxDataFileBytes = kMaxDocumentBytes;

// The deepest part of pointer that names a value of root: a value left at
// its default has no place in the document, its enclosing mapping has.
std::string existingPart(const DocJson& root, const std::string& pointer) {
    const DocJson* node = &root;
    std::string kept;
    std::size_t start = 0;
    while (start < pointer.size() && pointer[start] == '/') {
        const std::size_t end = pointer.find('/', start + 1);
        const std::string token = pointer.substr(
            start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        std::string key;
        for (std::size_t i = 0; i < token.size(); ++i) {
            if (token[i] == '~' && i + 1 < token.size()) {
                key.push_back(token[i + 1] == '1' ? '/' : '~');
                ++i;
            } else {
                key.push_back(token[i]);
            }
        }
        const DocJson* next = nullptr;
        if (node->is_object()) {
            const auto it = node->find(key);
            if (it != node->end() && !it->is_null()) next = &*it;
        } else if (node->is_array()) {
            char* endNumber = nullptr;
            const unsigned long index = std::strtoul(key.c_str(), &endNumber, 10);
            if (!key.empty() && *endNumber == '\0' && index < node->size()) next = &(*node)[index];
        }
        if (!next) break;
        node = next;
        kept = pointer.substr(0, end == std::string::npos ? pointer.size() : end);
        if (end == std::string::npos) break;
        start = end;
    }
    return kept;
}

// Reads the input data file text into store with the engine's reader.
int readDataText(std::string_view text, ModelStore& store, InputFailure& failure) {
    clearModelStore(store);
    std::string copy(text);
    std::FILE* file = openTextInMemory(copy);
    if (file == nullptr) {
        failure.reason = failure.line = "cannot read the model's input data";
        return kReturnInputReadError;
    }
    store.files.input.reset(file);
    const int rc = readInputFile(store, &failure);
    store.files.input.reset();
    return rc;
}

// The reader's error line without its banner: "section C, record C2g (...), line 57: ...".
std::string readerMessage(const InputFailure& failure) {
    std::string line = failure.line;
    const std::string banner = "**** INPUT ERROR **** ";
    const std::size_t at = line.find(banner);
    return at == std::string::npos ? line : line.substr(at + banner.size());
}

// The model store (tens of megabytes) is only made for a document that
// could be read.
LoadedModel loadText(std::string_view text, ModelForm form, std::string_view source) {
    LoadedModel m;
    m.form = form;

    if (form == ModelForm::dataFile) {
        auto store = makeModelStore();
        InputFailure failure;
        m.code = readDataText(text, *store, failure);
        if (m.code != kReturnCompleted) {
            m.diagnostics.push_back(
                {Severity::error, "", failure.lineNo, 0, readerMessage(failure)});
            return m;
        }
        m.store = std::move(store);
        return m;
    }

    if (!parseDocumentText(text, form, m.document, m.diagnostics)) {
        m.code = kReturnInputReadError;
        return m;
    }
    auto store = makeModelStore();
    readModelDocument(m.document, *store, m.diagnostics);
    for (const Diagnostic& d : m.diagnostics) {
        if (d.severity == Severity::error) {
            m.code = kReturnInputRefused;
            return m;
        }
    }

    // The document's input data file, read by the engine's reader: its
    // refusals are the document's, shown at the value they came from.
    writeDataFile(*store, source, m.dataFile);
    InputFailure failure;
    m.code = readDataText(m.dataFile.text, *store, failure);
    if (m.code != kReturnCompleted) {
        Diagnostic d;
        d.pointer =
            existingPart(m.document.root, m.dataFile.pointerOf(failure.lineNo, failure.valueNo));
        const TextPosition at = m.document.positionOf(d.pointer);
        d.line = at.line;
        d.column = at.column;
        d.message = failure.reason;
        m.diagnostics.push_back(std::move(d));
        return m;
    }
    m.store = std::move(store);
    return m;
}

}  // namespace

LoadedModel loadModelText(std::string_view text, ModelForm form, std::string_view source) {
    LoadedModel m = loadText(text, form, source);
    // Every message shows the user's text printable, whatever it holds.
    for (Diagnostic& d : m.diagnostics) {
        d.message = printableText(d.message);
        d.pointer = printableText(d.pointer);
    }
    return m;
}

LoadedModel loadModelFile(const std::string& path) {
    LoadedModel m;
    m.form = modelFormOf(path);
    const auto refuse = [&](std::string message) {
        m.code = kReturnInputReadError;
        m.diagnostics.push_back({Severity::error, "", 0, 0, std::move(message)});
        return std::move(m);
    };
    if (m.form == ModelForm::unknown)
        return refuse("the model \"" + path +
                      "\" has no known suffix: .dat (input data file), .json or .yaml/.yml");
    std::ifstream in(filePath(path), std::ios::binary);
    if (!in) return refuse("cannot read the model \"" + path + "\": " + std::strerror(errno));
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    const std::size_t limit = m.form == ModelForm::dataFile ? kMaxDataFileBytes : kMaxDocumentBytes;
    if (size < 0 || static_cast<std::size_t>(size) > limit)
        return refuse("the model \"" + path + "\" has " + std::to_string(size) +
                      " bytes, more than the " + std::to_string(limit / (1024 * 1024)) +
                      " MB a model may have");
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), size);
    if (!in) return refuse("cannot read the model \"" + path + "\"");
    return loadModelText(text, m.form, filePath(path).filename().string());
}

std::string diagnosticsText(const std::vector<Diagnostic>& diagnostics, std::string_view file) {
    std::string out;
    for (const Diagnostic& d : diagnostics) {
        out += file;
        if (d.line > 0) {
            out += ":" + std::to_string(d.line);
            if (d.column > 0) out += ":" + std::to_string(d.column);
        }
        out += d.severity == Severity::error ? ": error: " : ": warning: ";
        out += d.message;
        if (!d.pointer.empty()) out += " (at " + d.pointer + ")";
        out += "\n";
    }
    return out;
}

DocJson diagnosticsJson(const LoadedModel& model) {
    DocJson out = DocJson::object();
    out["valid"] = model.valid();
    DocJson list = DocJson::array();
    for (const Diagnostic& d : model.diagnostics) {
        DocJson e = DocJson::object();
        e["severity"] = d.severity == Severity::error ? "error" : "warning";
        e["pointer"] = d.pointer;
        e["line"] = d.line;
        e["column"] = d.column;
        e["message"] = d.message;
        list.push_back(std::move(e));
    }
    out["diagnostics"] = std::move(list);
    return out;
}

}  // namespace pylora
