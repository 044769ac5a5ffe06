// SPDX-License-Identifier: Apache-2.0
#include "engine/ipylora8.h"
#include "engine/run_control.h"
#include "store/model_store.h"

extern "C" int IPYLORA8(int code) {
    return pylora::runEngine(pylora::processModelStore(), code, "Names.dat", nullptr,
                             pylora::optionsFromEnvironment());
}
