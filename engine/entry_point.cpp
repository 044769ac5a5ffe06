#include "engine/ipylora8.h"
#include "engine/model_store.h"
#include "engine/run_control.h"

extern "C" int IPYLORA8(int code) {
    return pylora::runEngine(pylora::processModelStore(), code, "Names.dat");
}
