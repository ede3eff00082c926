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

TEST(WritableFolder, AUserWithoutAHomeGetsAPrivateFolderOrNone) {
    // nobody's home in the password database does not exist.
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to become a user without a home";
    Folders f;
    std::string tmp = f.dir.file("tmp");
    std::filesystem::create_directories(tmp);
    ::chmod(tmp.c_str(), 01777);
    std::string own = tmp + "/plyx-" + std::to_string(testsupport::ChildUid());
    auto run = [&] {
        return testsupport::RunAsNobody([&] {
            ::unsetenv("HOME");
            ::unsetenv("XDG_CONFIG_HOME");
            ::unsetenv("XDG_CACHE_HOME");
            ::setenv("TMPDIR", tmp.c_str(), 1);
            struct stat st {};
            return WritableFolder(f.installed, WritableKind::Settings) == own + "/config/" &&
                   WritableFolder(f.installed, WritableKind::Cache) == own + "/cache/" &&
                   ::lstat(own.c_str(), &st) == 0 && (st.st_mode & 0777) == 0700;
        });
    };
    EXPECT_TRUE(run());

    // Planted by someone else: a link to their folder, or a folder of theirs.
    std::filesystem::remove_all(own);
    std::filesystem::create_directory_symlink(f.home, own);
    EXPECT_FALSE(run());
    std::filesystem::remove(own);
    std::filesystem::create_directory(own);
    ::chmod(own.c_str(), 0777);
    EXPECT_FALSE(run());
    EXPECT_TRUE(testsupport::RunAsNobody([&] {
        ::unsetenv("HOME");
        ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("TMPDIR", tmp.c_str(), 1);
        return WritableFolder(f.installed, WritableKind::Settings) == f.installed + "/";
    })) << "no folder of one's own: the program's, where writes fail with their reason";
}
