#pragma once

// A default web browser that only writes down the arguments it was started
// with, one per line: a fake xdg-settings naming it first in PATH, and its
// desktop entry in a data folder of its own. Lives as long as the object.

#include "tests/support/TempDir.h"

#include <filesystem>
#include <string>

namespace testsupport {

class RecordingBrowser {
public:
    // exec: the Exec line, "%BROWSER%" standing for the recording program.
    explicit RecordingBrowser(const std::string& exec = "%BROWSER% --new-window %u") {
        std::string bin = dir_.file("bin");
        std::filesystem::create_directories(bin);
        std::filesystem::create_directories(dir_.file("data/applications"));
        std::string browser =
            dir_.write("bin/recording-browser",
                       "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                           dir_.file("argv.tmp") + "\"\nmv \"" + dir_.file("argv.tmp") + "\" \"" +
                           log() + "\"\n");
        dir_.write("bin/xdg-settings", "#!/bin/sh\necho recording.desktop\n");
        dir_.write("bin/xdg-open",
                   "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"" + dir_.file("opened.tmp") + "\"\nmv \"" +
                       dir_.file("opened.tmp") + "\" \"" + dir_.file("opened") + "\"\n");
        for (const char* f : {"bin/recording-browser", "bin/xdg-settings", "bin/xdg-open"})
            std::filesystem::permissions(dir_.file(f), std::filesystem::perms::owner_all);
        std::string line = exec;
        if (auto at = line.find("%BROWSER%"); at != std::string::npos) line.replace(at, 9, browser);
        dir_.write("data/applications/recording.desktop",
                   "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + line + "\n");
        oldPath_ = getenv("PATH") ? getenv("PATH") : "";
        oldData_ = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
        setenv("PATH", (bin + ":" + oldPath_).c_str(), 1);
        setenv("XDG_DATA_HOME", dir_.file("data").c_str(), 1);
    }
    ~RecordingBrowser() {
        setenv("PATH", oldPath_.c_str(), 1);
        if (oldData_.empty())
            unsetenv("XDG_DATA_HOME");
        else
            setenv("XDG_DATA_HOME", oldData_.c_str(), 1);
    }
    RecordingBrowser(const RecordingBrowser&) = delete;
    RecordingBrowser& operator=(const RecordingBrowser&) = delete;

    std::string log() const { return dir_.file("argv"); }
    bool started() const { return std::filesystem::exists(log()); }
    std::string arguments() const { return ReadAll(log()); }
    void forget() const { std::filesystem::remove(log()); }
    // What the desktop's default handler (xdg-open) was asked to open.
    bool opened() const { return std::filesystem::exists(dir_.file("opened")); }
    std::string openedTarget() const { return ReadAll(dir_.file("opened")); }

private:
    TempDir dir_;
    std::string oldPath_, oldData_;
};

} // namespace testsupport
