#include "platform/fs/FileSystem.h"

#include "tests/support/TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace platform;

TEST(FileSystem, ShiftJisPathsBecomeUtf8NamesOnDisk) {
    testsupport::TempDir dir;
    // "ニュース.html" as the engine holds it.
    std::string sjisPath =
        PathFromNative(dir.path().string()) + "/\x83\x6A\x83\x85\x81\x5B\x83\x58.html";
    ASSERT_TRUE(WriteFileBytes(sjisPath, "page"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() /
                                        "\xE3\x83\x8B\xE3\x83\xA5\xE3\x83\xBC\xE3\x82\xB9.html"));
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(sjisPath, bytes));
    EXPECT_EQ(bytes, "page");
    EXPECT_TRUE(FileExists(sjisPath));
    EXPECT_TRUE(RemoveFile(sjisPath));
    EXPECT_FALSE(FileExists(sjisPath));
}

TEST(FileSystem, FailuresReportFalseWithTheReason) {
    testsupport::TempDir dir;
    std::string bytes = "stale";
    EXPECT_FALSE(ReadFileBytes(dir.file("missing"), bytes));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(ReadFileBytes(dir.path().string(), bytes));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(WriteFileBytes(dir.file("no/such/dir/file"), "x"));
    EXPECT_FALSE(RemoveFile(dir.file("missing")));
}

TEST(FileSystem, ReadsLargeFilesWhole) {
    testsupport::TempDir dir;
    std::string big(3 * 65536 + 17, 'x');
    big[70000] = '\0';
    std::string path = dir.write("big", big);
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    EXPECT_EQ(bytes, big);
}
