#include "platform/process/Process.h"

#include "platform/text/Cp932.h"

#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace platform {

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return Utf8ToSjis(std::string_view(buffer, static_cast<size_t>(n)));
}

std::string ExecutableBaseName() {
    std::string path = ExecutablePath();
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> args;
    FILE* f = std::fopen("/proc/self/cmdline", "rb");
    if (!f) return args;
    std::string current;
    bool first = true;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        if (c != 0) {
            current += static_cast<char>(c);
            continue;
        }
        if (!first) args.push_back(Utf8ToSjis(current));
        first = false;
        current.clear();
    }
    std::fclose(f);
    return args;
}

bool StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder) {
    std::string path = SjisToUtf8(program);
    std::vector<std::string> native{path};
    for (const std::string& a : arguments)
        native.push_back(SjisToUtf8(a));
    std::vector<char*> argv;
    for (std::string& a : native)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string folder = SjisToUtf8(workingFolder);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid;
    int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0;
}

} // namespace platform

namespace platform {

Library::Library(const std::string& path) {
    handle_ = ::dlopen(SjisToUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* e = ::dlerror();
        error_ = e ? e : "cannot load";
    }
}

Library::~Library() {
    if (handle_) ::dlclose(handle_);
}

void Library::Unload(void* handle) {
    if (handle) ::dlclose(handle);
}

void* Library::Symbol(const char* name) const {
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

} // namespace platform
