#include "platform/fs/FileSystem.h"

#include "tests/support/TempDir.h"

#include <cerrno>
#include <filesystem>
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

TEST(FileSystem, NamesShiftJisCannotHoldSurviveTheWayInAndOut) {
    // A home such as /home/renée, a name in a character Shift_JIS lacks, a
    // name that is no UTF-8 at all, one in the private-use characters that
    // Shift_JIS's own user area maps to, the ordinary Japanese one, and a
    // wave dash, which Shift_JIS would bring back as a full-width tilde.
    for (std::string name :
         {"ren\xC3\xA9"
          "e",
          "\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6", "bad\xFF\xFE\xC3", "\xEE\x80\x80\xEE\x9D\x97",
          "\xE5\xA4\xAA\xE9\x83\x8E", "a?b", "\xE3\x80\x9C"}) {
        testsupport::TempDir dir;
        std::filesystem::path native = dir.path() / name;
        std::filesystem::create_directory(native);
        std::string sjis = PathFromNative(native.string());
        EXPECT_EQ(NativePath(sjis), native.string()) << name;
        ASSERT_TRUE(WriteFileBytes(sjis + "/page.html", "page")) << name;
        EXPECT_TRUE(std::filesystem::exists(native / "page.html")) << name;
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(sjis + "/page.html", bytes)) << name;
    }
    // A user-area character never comes out as a separator or a line break.
    for (std::string sjis : {"a\xF0\x6F..\xF0\x6F"
                             "b",
                             "a\xF0\x4A"
                             "b"}) {
        std::string native = NativePath(sjis);
        EXPECT_EQ(native.find_first_of("/\n"), std::string::npos) << native;
        EXPECT_EQ(PathFromNative(native), sjis);
    }
    // Text Shift_JIS can hold is converted as before.
    EXPECT_EQ(PathFromNative("/home/\xE5\xA4\xAA\xE9\x83\x8E"), "/home/\x91\xBE\x98\x59");
}

TEST(FileSystem, FailuresReportFalseWithTheReason) {
    testsupport::TempDir dir;
    std::string bytes = "stale";
    EXPECT_FALSE(ReadFileBytes(dir.file("missing"), bytes));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(ReadFileBytes(dir.path().string(), bytes));
    EXPECT_EQ(errno, EISDIR);
    std::string five = dir.write("five", "12345");
    EXPECT_FALSE(ReadFileBytes(five, bytes, nullptr, 4));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_TRUE(ReadFileBytes(five, bytes, nullptr, 5));
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
