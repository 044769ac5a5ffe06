#include "engine/model_store.h"
