// A plug-in that registers under the engine's name but is no engine: its
// answer to the attach message points nowhere.

#include "engine/host/PluginHost.h"
#include "engine/host/TPLYX.h"

#include <memory>

namespace {
std::unique_ptr<TPLYX> plyx;
}

extern "C" __attribute__((visibility("default"))) intptr_t _pinRun(PluginHost*) {
    plyx = std::make_unique<TPLYX>();
    plyx->Loaded();
    plyx->SetPluginName("Talo+");
    plyx->OnReceive = [](TObject*, uint16_t, intptr_t) -> intptr_t { return 0x7ff000000000; };
    return 1;
}

extern "C" __attribute__((visibility("default"))) void _pinAbort() {
    plyx.reset();
}
