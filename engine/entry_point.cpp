#include "engine/return_codes.h"
extern "C" int IPYLORA8(int code);
extern "C" int IPYLORA8(int code) { return code == pylora::kRunAnalysisCode ? 0 : 1; }
