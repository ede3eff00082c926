// A plug-in for the player's loader tests: it binds a TPLYX, registers a
// plug-in name, answers plug-in messages and unbinds when stopped.

#include "engine/host/PluginHost.h"
#include "engine/host/TPLYX.h"

#include <memory>

namespace {
std::unique_ptr<TPLYX> plyx;
}

extern "C" __attribute__((visibility("default"))) intptr_t _pinRun(PluginHost* host) {
    if (!host->CheckVersion(6000) || host->GetVersion() < 6320) return host->Abort();
    plyx = std::make_unique<TPLYX>();
    plyx->Loaded();
    if (plyx->Bound) {
        platform::BStr name = platform::BStr::FromSjis("TestPlugin");
        plyx->Control()->SetPluginName(static_cast<platform::LONG>(plyx->ClientWindow), name.get());
    }
    plyx->OnReceive = [](TObject*, uint16_t cmd, uint32_t param) { return cmd * 1000u + param; };
    return 1;
}

extern "C" __attribute__((visibility("default"))) void _pinAbort() {
    plyx.reset();
}
