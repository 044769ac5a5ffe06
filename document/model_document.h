// SPDX-License-Identifier: Apache-2.0
// The model document: the whole model with named fields (docs/model-document.md,
// docs/model.schema.json), read into the store's input groups and written from
// them, and the input data file written from the store.
//
// The store's input groups are the one model that the three forms share: an
// input data file is read into them by the engine's own reader; a document is
// read into them here, written as an input data file, and that file is read
// by the engine's reader again, so that every rule of the reader holds for a
// document too. A document is written from the store that the reader filled.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "document/document_text.h"
#include "store/model_store.h"

namespace pylora {

// The version of the document format, the value of its "pylora" field.
inline constexpr int kDocumentFormatVersion = 1;

// Reads the document into the input groups of store (cleared first; store
// holds a fresh model). Appends to diagnostics every problem found, each with
// the pointer, line and column of the value: an unknown key (with the nearest
// known one), a wrong type, a missing field, a value outside its choices or
// range, a reference that names nothing, a list longer than its table. The
// store must not be used when an error was appended; warnings (a value the
// analysis type does not use) leave it usable.
void readModelDocument(const SourceDocument& doc, ModelStore& store,
                       std::vector<Diagnostic>& diagnostics);

// An input data file as text, one record a line, and the document pointer of
// every value it holds, to show a refusal of the reader at its document value.
struct DataFileText {
    std::string text;
    // Per line (line n at n - 1): the pointer of the line's record and of
    // each of its values in order (value k at k - 1).
    std::vector<std::string> recordPointers;
    std::vector<std::vector<std::string>> valuePointers;

    // The pointer of value valueNo (1-based; 0 the record) of line lineNo, or
    // "" when the line holds no record.
    std::string pointerOf(int lineNo, int valueNo) const;
};

// Writes the input groups of store as an input data file: every record on a
// line of its own, followed by a comment naming the record and the document
// pointer it comes from, and section header lines with their captions.
// source names the document in the second title line.
void writeDataFile(const ModelStore& store, std::string_view source, DataFileText& out);

// The document of the input groups of store (as the reader of the input data
// file left them), in canonical form: every field that differs from its
// default, enumerations by name, references by name where the name is unique.
DocJson writeModelDocument(const ModelStore& store);

}  // namespace pylora
