// SPDX-License-Identifier: Apache-2.0
// A model in any of its three forms, read and checked the way a run reads it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_text.h"
#include "document/model_document.h"
#include "store/model_store.h"

namespace pylora {

// A model as read: its form, the problems found, and (when none is an error)
// the store as the engine's reader of the input data file filled it.
struct LoadedModel {
    ModelForm form = ModelForm::unknown;
    // kReturnCompleted, kReturnInputReadError (the file or its syntax cannot be
    // read) or kReturnInputRefused (a value that cannot be used).
    int code = 0;
    std::vector<Diagnostic> diagnostics;  // errors and warnings, in the order found
    std::unique_ptr<ModelStore> store;    // the model; null unless code is kReturnCompleted
    DataFileText dataFile;                // a document's input data file, as the engine reads it
    SourceDocument document;              // a document as written (empty for an input data file)

    bool valid() const { return code == 0; }
};

// Reads and checks a model given as text. form chooses how it is read;
// source names it in the input data file written from a document. Nothing is
// written anywhere.
LoadedModel loadModelText(std::string_view text, ModelForm form, std::string_view source);

// Reads and checks the model file at path, its form chosen by its suffix. A
// file that cannot be read, an unknown suffix or a file larger than a model
// can be gives one diagnostic and kReturnInputReadError.
LoadedModel loadModelFile(const std::string& path);

// The diagnostics as a person reads them, one a line:
// "FILE:LINE:COLUMN: error: MESSAGE (at /pointer)".
std::string diagnosticsText(const std::vector<Diagnostic>& diagnostics, std::string_view file);

// The outcome as a program reads it:
// {"valid": bool, "diagnostics": [{"severity", "pointer", "line", "column", "message"}]}.
DocJson diagnosticsJson(const LoadedModel& model);

}  // namespace pylora
