#include "platform/ini/FileReplace.h"
#include "platform/fs/UniqueFd.h"

#include "tests/platform/RunAsNobody.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::ReplaceFileBytes;
using testsupport::ReadAll;

namespace {

struct stat statOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(FileReplace, KeepsModeAndOwnerAndLeavesNoTemporaryFile) {
    testsupport::TempDir dir;
    std::string path = dir.write("a.ini", "old");
    ::chmod(path.c_str(), 0600);
    testsupport::GiveToChild(path); // as root: someone else's file
    ASSERT_TRUE(ReplaceFileBytes(path, "new text"));
    EXPECT_EQ(ReadAll(path), "new text");
    struct stat st = statOf(path);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_uid, testsupport::ChildUid());
    EXPECT_EQ(st.st_gid, testsupport::ChildGid());
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"a.ini"});

    std::string fresh = dir.file("new.ini");
    ASSERT_TRUE(ReplaceFileBytes(fresh, "made"));
    EXPECT_EQ(ReadAll(fresh), "made");

    EXPECT_FALSE(ReplaceFileBytes(dir.file("no/such/folder.ini"), "x"));
    EXPECT_EQ(errno, ENOENT);
}

TEST(FileReplace, TemporaryFilesOfKilledSavesGoButOneBeingWrittenStays) {
    testsupport::TempDir dir;
    std::string path = dir.write("PLYXNews.ini", "old");
    dir.write(".PLYXNews.ini.Ab12Cd", "left by a killed save");
    dir.write(".other.ini.Ab12Cd", "another file's");
    dir.write(".PLYXNews.ini.long.name", "not one of ours");
    std::string busy = dir.write(".PLYXNews.ini.Zz99Yy", "being written");
    platform::UniqueFd held(::open(busy.c_str(), O_RDONLY));
    ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);
    platform::RemoveStaleReplacements(path);
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{".PLYXNews.ini.Zz99Yy", ".PLYXNews.ini.long.name",
                                        ".other.ini.Ab12Cd", "PLYXNews.ini"}));
    dir.write(".PLYXNews.ini.Ab12Cd", "left again");
    ASSERT_TRUE(ReplaceFileBytes(path, "new"));
    EXPECT_FALSE(std::filesystem::exists(dir.file(".PLYXNews.ini.Ab12Cd")));
}

TEST(FileReplace, WritesThroughSymbolicLinksAndHardLinks) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.path() / "real");
    std::string target = dir.write("real/plyx.ini", "old");
    std::filesystem::create_symlink("real/plyx.ini", dir.path() / "relative.ini");
    std::filesystem::create_symlink(dir.path() / "relative.ini", dir.path() / "chain.ini");
    std::filesystem::create_symlink(dir.path() / "real/later.ini", dir.path() / "dangling.ini");
    std::filesystem::create_hard_link(target, dir.path() / "hard.ini");

    struct Case {
        const char* link;
        const char* text;
    } cases[] = {{"relative.ini", "one"}, {"chain.ini", "two"}, {"hard.ini", "three"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(ReplaceFileBytes(dir.file(c.link), c.text)) << c.link;
        EXPECT_EQ(ReadAll(target), c.text) << c.link;
        EXPECT_EQ(ReadAll(dir.file("hard.ini")), c.text) << c.link;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "relative.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "chain.ini"));

    ASSERT_TRUE(ReplaceFileBytes(dir.file("dangling.ini"), "made"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "dangling.ini"));
    EXPECT_EQ(ReadAll(dir.file("real/later.ini")), "made");
}

TEST(FileReplace, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
    testsupport::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    std::string folder = dir.file("ro");
    std::filesystem::create_directories(folder);
    std::string writable = dir.write("ro/writable.ini", "old text that is longer");
    std::string readOnly = dir.write("ro/readonly.ini", "keep");
    ::chmod(writable.c_str(), 0640);
    ::chmod(readOnly.c_str(), 0444);
    for (const std::string& p : {folder, writable, readOnly})
        testsupport::GiveToChild(p);
    ::chmod(folder.c_str(), 0555);

    EXPECT_TRUE(testsupport::RunAsNobody([&] { return ReplaceFileBytes(writable, "new"); }));
    EXPECT_EQ(ReadAll(writable), "new");
    EXPECT_EQ(statOf(writable).st_mode & 07777, 0640u);
    EXPECT_TRUE(testsupport::RunAsNobody(
        [&] { return !ReplaceFileBytes(readOnly, "lost") && errno == EACCES; }));
    EXPECT_EQ(ReadAll(readOnly), "keep");
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"readonly.ini", "writable.ini"}));
    ::chmod(folder.c_str(), 0755);
}

TEST(FileReplace, AFileOfAnotherOwnerKeepsItsOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs two users: runs as root, writes as nobody";
    testsupport::TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    std::string path = dir.write("shared.ini", "old");
    ::chmod(path.c_str(), 0666);
    EXPECT_TRUE(testsupport::RunAsNobody([&] { return ReplaceFileBytes(path, "new"); }));
    EXPECT_EQ(ReadAll(path), "new");
    EXPECT_EQ(statOf(path).st_uid, 0u) << "written in place, not replaced by nobody's file";
    EXPECT_EQ(statOf(path).st_mode & 07777, 0666u);
}
