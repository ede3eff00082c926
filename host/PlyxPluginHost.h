#pragma once

// The player's side of the plug-in interface, and the loading of every
// library in its Plugin folder that exports _pinRun.

#include "engine/host/PluginHost.h"
#include "platform/process/Process.h"

#include <memory>
#include <string>
#include <vector>

class PlyxPlayer;

class PlyxPluginHost final : public PluginHost {
public:
    // mainControl: the main window object handed to plug-ins (may be null).
    PlyxPluginHost(PlyxPlayer& player, void* mainControl);
    ~PlyxPluginHost();
    PlyxPluginHost(const PlyxPluginHost&) = delete;
    PlyxPluginHost& operator=(const PlyxPluginHost&) = delete;

    int32_t GetVersion() override;
    bool CheckVersion(int32_t required) override;
    int32_t Abort() override;
    const char* GetHostPath() override;
    void* GetMainControl() override { return mainControl_; }
    bool FindPlugin(const char* name, uintptr_t* window, int32_t reserved) override;
    intptr_t SendPlugin(uintptr_t window, uint32_t cmd, intptr_t param) override;
    void Reserved3() override {}
    void Reserved4() override {}
    void Reserved5() override {}
    void Reserved6() override {}
    void Reserved7() override {}
    void Reserved9() override {}
    void Reserved10() override {}
    void Reserved11() override {}
    void Reserved12() override {}
    void Reserved13() override {}
    void Reserved14() override {}
    void Reserved16() override {}
    void Reserved17() override {}
    void Reserved18() override {}
    void Reserved19() override {}
    void Reserved20() override {}
    void Reserved21() override {}
    void Reserved22() override {}
    void Reserved23() override {}
    void Reserved24() override {}
    void Reserved25() override {}

    // Loads each library of folder (Shift_JIS) that exports _pinRun, in
    // name order, and runs it; a file that cannot be loaded gets one line on
    // stderr. Returns how many run.
    int LoadPlugins(const std::string& folder);
    // Calls each _pinAbort, last loaded first, and unloads the libraries.
    void UnloadPlugins();
    // How many plug-ins asked to be stopped through Abort.
    int Aborts() const { return aborts_; }

private:
    struct Plugin {
        std::unique_ptr<platform::Library> library;
        PinAbortFunction abort;
    };
    PlyxPlayer& player_;
    void* mainControl_;
    std::vector<Plugin> plugins_;
    int aborts_ = 0;
};
