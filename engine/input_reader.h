// The reader of the input data file.
#pragma once

#include "store/model_store.h"

namespace pylora {

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
// read before the failure and must not be analysed.
[[nodiscard]] int readInputFile(ModelStore& store);

}  // namespace pylora
