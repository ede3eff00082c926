#include "platform/fs/WritableFolder.h"

#include "tests/platform/RunAsNobody.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace {

using platform::WritableFolder;
using platform::WritableKind;

// A folder the checks' user may not write (an installed player's) and a
// home of that user's own.
struct Folders {
    Folders() {
        ::chmod(dir.path().c_str(), 0755);
        std::filesystem::create_directories(installed);
        std::filesystem::create_directories(home);
        testsupport::GiveToChild(home);
        if (::geteuid() != 0) ::chmod(installed.c_str(), 0555);
    }
    ~Folders() { ::chmod(installed.c_str(), 0755); }
    testsupport::TempDir dir;
    std::string installed = dir.file("usr/lib/plyx");
    std::string home = dir.file("home");
};

} // namespace

TEST(WritableFolder, AWritableProgramFolderKeepsEverything) {
    testsupport::TempDir dir;
    std::string folder = dir.path().string();
    for (WritableKind kind : {WritableKind::Settings, WritableKind::Cache}) {
        EXPECT_EQ(WritableFolder(folder, kind), folder + "/");
        EXPECT_EQ(WritableFolder(folder + "/", kind), folder + "/");
    }
    EXPECT_EQ(WritableFolder("", WritableKind::Settings), "");
}

TEST(WritableFolder, AReadOnlyProgramFolderWritesUnderTheXdgFolders) {
    Folders f;
    EXPECT_TRUE(testsupport::RunAsNobody([&] {
        std::string config = f.home + "/config", cache = f.home + "/cache";
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
        return WritableFolder(f.installed, WritableKind::Settings) == config + "/plyx/" &&
               WritableFolder(f.installed, WritableKind::Cache) == cache + "/plyx/" &&
               std::filesystem::is_directory(config + "/plyx") &&
               std::filesystem::is_directory(cache + "/plyx");
    }));
}

TEST(WritableFolder, UnsetOrRelativeXdgFoldersFallBackToHome) {
    Folders f;
    EXPECT_TRUE(testsupport::RunAsNobody([&] {
        ::setenv("HOME", f.home.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("XDG_CACHE_HOME", "relative/cache", 1);
        return WritableFolder(f.installed, WritableKind::Settings) == f.home + "/.config/plyx/" &&
               WritableFolder(f.installed, WritableKind::Cache) == f.home + "/.cache/plyx/";
    }));
}
