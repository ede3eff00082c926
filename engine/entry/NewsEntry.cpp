// The engine library's entry points. The loaders reach the engine only
// through these and through the record whose address answers their attach.

#include "engine/entry/NewsPluginRecord.h"
#include "engine/news/NewsGlobals.h"
#include "engine/news/NewsWindowLink.h"
#include "engine/news/TPLYXNews.h"
#include "engine/property/TFormProperty.h"
#include "engine/window/TPLYXNewsWindow.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/fs/PathNames.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#define NEWS_EXPORT extern "C" __attribute__((visibility("default")))

NEWS_EXPORT uintptr_t _newsRun(uintptr_t module, PluginHost* host);
NEWS_EXPORT uintptr_t _newsAbort();

namespace {

NewsPluginRecord record;
std::unique_ptr<TPLYXNews> engine;
// The library stays mapped between runs: one exit handler serves them all.
bool stopAtExitRegistered = false;

// A player that ends without stopping its plug-ins (its display went away
// and the toolkit called exit) still gets the engine stopped, before the
// objects the engine was built with are destroyed: exit handlers run in the
// reverse order of their registration. Unloading runs it too, as a no-op.
void stopAtExit() {
    _newsAbort();
}

// A loader attaches (4) or detaches (8); flag 1 brings the skin panels.
intptr_t attach(uint32_t code, intptr_t flag) {
    if (code == kAttachCode) {
        ++record.Attached;
        if (flag && engine) engine->BuildSkinPanels();
    } else if (code == kDetachCode) {
        if (flag && engine) engine->RemoveSkinPanels();
        --record.Attached;
    } else {
        return 1;
    }
    return reinterpret_cast<intptr_t>(&record);
}

} // namespace

NEWS_EXPORT uintptr_t _newsRun(uintptr_t module, PluginHost* host) {
    if (module == 0 || !host || engine) return 0;
    record = {module, reinterpret_cast<uintptr_t>(&_newsRun),
              reinterpret_cast<uintptr_t>(&_newsAbort), 0, 0};
    // Nothing may escape into the player.
    try {
        if (!PlayerSupported(host)) {
            platform::ShowMessage(kRefusedVersionText, platform::MessageKind::Warning);
            host->Abort();
            return 0;
        }
        auto* owner = static_cast<QWidget*>(host->GetMainControl());
        const char* path = host->GetHostPath();
        std::string base = platform::ExtractFileDir(path ? path : "");
        if (!base.empty()) base += '/';

        NewsGlobals& g = Globals();
        RegisterNewsWindow();
        RegisterPropertyDialog();
        g.AttachMessage = [](uint32_t code, platform::LPARAM flag) -> platform::LRESULT {
            return attach(code, flag);
        };
        engine = std::make_unique<TPLYXNews>(owner, base);
        engine->PLYX()->OnReceive = [](TObject*, uint16_t code, intptr_t flag) {
            return attach(code, flag);
        };
        if (engine->CreateNewsWindow()) record.Window = g.PLYXNewsWindow->Handle();
        if (!stopAtExitRegistered) stopAtExitRegistered = std::atexit(stopAtExit) == 0;
        return engine->PLYX()->ClientWindow;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "news: cannot start: %s\n", e.what());
        engine.reset();
        ResetGlobals();
        return 0;
    }
}

NEWS_EXPORT uintptr_t _newsAbort() {
    if (!engine) return 0;
    try {
        engine.reset();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "news: stopping: %s\n", e.what());
    }
    ResetGlobals();
    return record.Module;
}
