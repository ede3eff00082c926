#include "engine/news/NewsGlobals.h"

namespace {
NewsGlobals globals;
}

NewsGlobals& Globals() {
    return globals;
}

void ResetGlobals() {
    globals = NewsGlobals{};
}
