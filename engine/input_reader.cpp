#include "engine/input_reader.h"

#include "engine/return_codes.h"

namespace pylora {

int readInputFile(ModelStore&) { return kReturnCompleted; }

}  // namespace pylora
