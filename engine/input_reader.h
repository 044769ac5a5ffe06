// SPDX-License-Identifier: Apache-2.0
// The reader of the input data file.
#pragma once

#include <string>

#include "store/model_store.h"

namespace pylora {

// Where and why the reader stopped, for a program that wrote the input data
// file itself and wants to point at the value it came from (the model
// document). Filled only when reading fails.
struct InputFailure {
    int code = 0;  // the return code: kReturnInputReadError or kReturnInputRefused
    int lineNo =
        0;  // 1-based line of the offending value (the last line read at the end of the file)
    int valueNo = 0;     // 1-based value of its record; 0 when the failure is not one value's
    bool atEnd = false;  // the file ended before the record was complete
    std::string reason;  // what is wrong, without the section, record and line
    std::string line;    // the whole error line as the report holds it
};

// Reads the whole input data file from store.files.input into the input groups
// of the store (title, control parameters, unit labels, cap, load cases and
// combinations, distributed-load sets, arrangement, pile properties, cross
// sections, soil layers, print requests, user curves). Every section header
// line is traced to the runtime file as it is read, committed to disk at once.
//
// Returns kReturnCompleted, kReturnInputReadError when a record cannot be read
// (a letter where a number belongs, the end of the file before the last
// record) or kReturnInputRefused when a value would index outside a table. On
// failure one line naming the section, record, input line and offending text
// goes to the report and to the runtime file; the store then holds what was
// read before the failure and must not be analysed. With failure given, the
// failure is also described there.
[[nodiscard]] int readInputFile(ModelStore& store, InputFailure* failure = nullptr);

}  // namespace pylora
