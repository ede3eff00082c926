// A loader plug-in: starts the engine library, or attaches to the one the
// other loader started, and the last one to detach stops and unloads it.
// Built twice: with NEWS_ATTACH_FLAG 1 (news in the player's skin) and 0
// (the news window only).

#include "engine/entry/NewsPluginRecord.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/process/Process.h"

#include <cstdio>

#include <dlfcn.h>

#ifndef NEWS_ATTACH_FLAG
#error "NEWS_ATTACH_FLAG must be 0 or 1"
#endif

#define LOADER_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

PluginHost* host = nullptr;
uintptr_t engineWindow = 0;
NewsPluginRecord* record = nullptr;
// This loader's own hold on the engine library, so that the record stays
// readable until this loader is done with it, whichever loader unloads.
void* engineHold = nullptr;

// An answer that cannot be the engine's record (another plug-in under the
// engine's name, or nobody) is never read as one.
NewsPluginRecord* recordOf(intptr_t answer) {
    auto address = static_cast<uintptr_t>(answer);
    if (address < 0x10000 || address % alignof(NewsPluginRecord) != 0) return nullptr;
    return reinterpret_cast<NewsPluginRecord*>(address);
}

// Loads the engine and starts it; its plug-in window, or 0.
uintptr_t startEngine() {
    const char* hostPath = host->GetHostPath();
    std::string folder = platform::ExtractFileDir(hostPath ? hostPath : "");
    if (!folder.empty()) folder += '/';
    std::string path = folder + "News.so";
    if (!platform::FileExists(path)) path = folder + "Plugin/News.so";
    platform::Library library(path);
    if (!library.Loaded()) {
        std::fprintf(stderr, "news loader: %s\n", library.Error().c_str());
        return 0;
    }
    auto run = reinterpret_cast<NewsRunFunction>(library.Symbol("_newsRun"));
    auto abort = library.Symbol("_newsAbort");
    if (!run || !abort) return 0; // unloaded as the library goes
    void* module = library.Release();
    return run(reinterpret_cast<uintptr_t>(module), host);
}

} // namespace

LOADER_EXPORT intptr_t _pinRun(PluginHost* pluginHost) {
    host = pluginHost;
    if (!PlayerSupported(host)) {
        platform::ShowMessage(kRefusedVersionText, platform::MessageKind::Warning);
        host->Abort();
        return 0;
    }
    uintptr_t window = 0;
    host->FindPlugin(kEngineName, &window, 0);
    if (window == 0) {
        window = startEngine();
        if (window == 0) return 0;
    }
    engineWindow = window;
    intptr_t answer = host->SendPlugin(window, kAttachCode, NEWS_ATTACH_FLAG);
    record = recordOf(answer);
    Dl_info info;
    if (record && dladdr(reinterpret_cast<void*>(record->RunEntry), &info) && info.dli_fname)
        engineHold = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    if (!engineHold) record = nullptr; // not an engine this loader can vouch for
    return answer;
}

LOADER_EXPORT void _pinAbort() {
    if (!host) return;
    uintptr_t window = 0;
    if (host->FindPlugin(kEngineName, &window, 0))
        host->SendPlugin(window, kDetachCode, NEWS_ATTACH_FLAG);
    else if (record)
        record->Attached = 0; // gone from the player: nothing else holds it
    if (record && record->Attached == 0) {
        // Whoever gets here first stops the engine and lets go of the handle
        // it was started with; a second loader finds no engine and no handle.
        auto abort = reinterpret_cast<NewsAbortFunction>(record->AbortEntry);
        void* module = reinterpret_cast<void*>(record->Module);
        record->Module = 0;
        abort();
        platform::Library::Unload(module);
    }
    record = nullptr;
    platform::Library::Unload(engineHold);
    engineHold = nullptr;
    engineWindow = 0;
}
