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
#include <string>

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

// The record an attach answered with, when it is one: an address inside a
// loaded library that exports the engine's entries, with room there for the
// whole record, which names those entries. Anything else (another plug-in
// under the engine's name) is never read. On success *hold keeps the
// library loaded until this loader lets go.
NewsPluginRecord* recordOf(intptr_t answer, void** hold) {
    auto address = static_cast<uintptr_t>(answer);
    if (address == 0 || address % alignof(NewsPluginRecord) != 0) return nullptr;
    Dl_info first, last, entry;
    if (!dladdr(reinterpret_cast<void*>(address), &first) || !first.dli_fname ||
        !dladdr(reinterpret_cast<void*>(address + sizeof(NewsPluginRecord) - 1), &last) ||
        last.dli_fbase != first.dli_fbase)
        return nullptr;
    void* library = dlopen(first.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    if (!library) return nullptr;
    void* run = dlsym(library, "_newsRun");
    void* abort = dlsym(library, "_newsAbort");
    auto* found = reinterpret_cast<NewsPluginRecord*>(address);
    if (!run || !abort || !dladdr(run, &entry) || entry.dli_fbase != first.dli_fbase ||
        found->RunEntry != reinterpret_cast<uintptr_t>(run) ||
        found->AbortEntry != reinterpret_cast<uintptr_t>(abort)) {
        dlclose(library);
        return nullptr;
    }
    *hold = library;
    return found;
}

// Loads the engine (beside the player, else in Plugin) and starts it; its
// plug-in window, or 0. A file there that cannot be the engine is named and
// passed over.
uintptr_t startEngine() {
    const char* hostPath = host->GetHostPath();
    std::string folder = platform::ExtractFileDir(hostPath ? hostPath : "");
    if (!folder.empty()) folder += '/';
    for (const std::string& path : {folder + "News.so", folder + "Plugin/News.so"}) {
        if (!platform::FileExists(path)) continue;
        platform::Library library(path);
        if (!library.Loaded()) {
            std::fprintf(stderr, "news loader: %s\n", library.Error().c_str());
            continue;
        }
        auto run = reinterpret_cast<NewsRunFunction>(library.Symbol("_newsRun"));
        if (!run || !library.Symbol("_newsAbort")) {
            std::fprintf(stderr, "news loader: %s: no engine entries\n",
                         platform::NativePath(path).c_str());
            continue;
        }
        void* module = library.Release();
        uintptr_t window = run(reinterpret_cast<uintptr_t>(module), host);
        // An engine that did not start holds nothing: let go of it.
        if (window == 0) platform::Library::Unload(module);
        return window;
    }
    return 0;
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
    intptr_t answer = host->SendPlugin(window, kAttachCode, NEWS_ATTACH_FLAG);
    record = recordOf(answer, &engineHold);
    if (!record) {
        std::fprintf(stderr, "news loader: the plug-in named %s is no engine\n", kEngineName);
        return 0;
    }
    engineWindow = window;
    return answer;
}

LOADER_EXPORT void _pinAbort() {
    if (!host || !record) return;
    uintptr_t window = 0;
    if (host->FindPlugin(kEngineName, &window, 0) && window == engineWindow)
        host->SendPlugin(window, kDetachCode, NEWS_ATTACH_FLAG);
    else
        record->Attached = 0; // gone from the player: nothing else holds it
    if (record->Attached == 0) {
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
