#include "host/PlyxPluginHost.h"

#include "host/PlyxPlayer.h"
#include "platform/fs/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

using namespace platform;

PlyxPluginHost::PlyxPluginHost(PlyxPlayer& player, void* mainControl)
    : player_(player), mainControl_(mainControl) {}

PlyxPluginHost::~PlyxPluginHost() {
    UnloadPlugins();
}

int32_t PlyxPluginHost::GetVersion() {
    return player_.GetOptions().version;
}

bool PlyxPluginHost::CheckVersion(int32_t required) {
    return player_.GetOptions().version >= required;
}

int32_t PlyxPluginHost::Abort() {
    return ++aborts_;
}

const char* PlyxPluginHost::GetHostPath() {
    return player_.GetOptions().path.c_str();
}

bool PlyxPluginHost::FindPlugin(const char* name, uintptr_t* window, int32_t) {
    HWND found = name ? player_.FindPlugin(name) : 0;
    if (window) *window = found;
    return found != 0;
}

intptr_t PlyxPluginHost::SendPlugin(uintptr_t window, uint32_t cmd, intptr_t param) {
    LRESULT answer = 0;
    SendMessageTimeout(window, player_.MessageId(), pcReceive | (cmd & 0xFFFF), param,
                       kPLYXRequestTimeoutMs, &answer);
    return answer;
}

int PlyxPluginHost::LoadPlugins(const std::string& folder) {
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(NativePath(folder), ec))
        if (!entry.is_directory() && entry.path().extension() == ".so")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    int started = 0;
    for (const auto& file : files) {
        auto library = std::make_unique<Library>(PathFromNative(file.string()));
        if (!library->Loaded()) {
            std::fprintf(stderr, "plyx: %s\n", library->Error().c_str());
            continue;
        }
        auto run = reinterpret_cast<PinRunFunction>(library->Symbol("_pinRun"));
        auto abort = reinterpret_cast<PinAbortFunction>(library->Symbol("_pinAbort"));
        if (!run) continue;
        run(this);
        plugins_.push_back({std::move(library), abort});
        ++started;
    }
    return started;
}

void PlyxPluginHost::UnloadPlugins() {
    while (!plugins_.empty()) {
        Plugin plugin = std::move(plugins_.back());
        plugins_.pop_back();
        if (plugin.abort) plugin.abort();
    }
}
