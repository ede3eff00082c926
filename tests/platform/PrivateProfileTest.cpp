#include "platform/ini/PrivateProfile.h"
#include "platform/ini/TMemIniFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace platform;

namespace {

std::string imageOf(std::string_view text) {
    TMemIniFile ini("");
    ini.SetText(text);
    return ini.GetText();
}

} // namespace

TEST(PrivateProfile, ChangesOneLineAndKeepsEveryOtherByte) {
    const std::string file = "; notes\r\n"
                             "Key=before any section\r\n"
                             "[A]\r\n"
                             "  x = 1 \r\n"
                             ";y=commented\r\n"
                             "z=2\r\n"
                             "\r\n"
                             "[B]\r\n"
                             "x=3\r\n"
                             "[a]\r\n"
                             "y=in a second A\r\n";
    struct Case {
        const char* name;
        std::string text, section, key;
        std::optional<std::string> value;
        std::string want;
    } cases[] = {
        // A section that comes twice is written back as one.
        {"replaced", file, "A", "X", "10",
         "; notes\r\nKey=before any section\r\n[A]\r\nX=10\r\n;y=commented\r\nz=2\r\n"
         "y=in a second A\r\n\r\n[B]\r\nx=3\r\n"},
        {"replaced in the section's second part", file, "a", "y", "new",
         "; notes\r\nKey=before any section\r\n[A]\r\n  x = 1 \r\n;y=commented\r\nz=2\r\n"
         "y=new\r\n\r\n[B]\r\nx=3\r\n"},
        {"added after the section's last line", file, "B", "y", "new",
         "; notes\r\nKey=before any section\r\n[A]\r\n  x = 1 \r\n;y=commented\r\nz=2\r\n\r\n"
         "[B]\r\nx=3\r\ny=new\r\n[a]\r\ny=in a second A\r\n"},
        {"deleted", file, "B", "x", std::nullopt,
         "; notes\r\nKey=before any section\r\n[A]\r\n  x = 1 \r\n;y=commented\r\nz=2\r\n\r\n"
         "[B]\r\n[a]\r\ny=in a second A\r\n"},
        {"a missing key is no change", file, "B", "nothing", std::nullopt, file},
        {"a new section at the end", file, "C", "k", "v", file + "[C]\r\nk=v\r\n"},
        {"an empty file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"a last line without an end", "[S]\r\na=1", "S", "b", "2", "[S]\r\na=1\r\nb=2"},
        {"a new section after a last line without an end", "[S]\na=1", "T", "b", "2",
         "[S]\na=1\n[T]\nb=2\n"},
        {"line feeds stay line feeds", "[S]\na=1\n\n[T]\n", "S", "b", "2",
         "[S]\na=1\nb=2\n\n[T]\n"},
        {"an empty section", "[S]\r\n\r\n[T]\r\n", "S", "k", "v", "[S]\r\nk=v\r\n\r\n[T]\r\n"},
        {"an empty value", "[S]\r\nk=v\r\n", "S", "k", "", "[S]\r\nk=\r\n"},
        // "表" ends in 0x5C, "ソ" in 0x5C as well: neither is anything but text.
        {"Shift_JIS names", "[\x95\x5C]\r\n\x83\x5C=1\r\n", "\x95\x5C", "\x83\x5C", "2",
         "[\x95\x5C]\r\n\x83\x5C=2\r\n"},
    };
    for (const Case& c : cases) {
        std::optional<std::string> out = EditProfileText(c.text, c.section, c.key, c.value);
        ASSERT_TRUE(out) << c.name;
        EXPECT_EQ(*out, c.want) << c.name;

        // What the in-memory file reads from the result is what its own
        // write would have made.
        TMemIniFile expected("");
        expected.SetText(c.text);
        if (c.value)
            expected.WriteString(c.section, c.key, *c.value);
        else
            expected.DeleteKey(c.section, c.key);
        EXPECT_EQ(imageOf(*out), expected.GetText()) << c.name;
    }
}

TEST(PrivateProfile, RefusesNamesAndValuesThatAreNotOneLine) {
    struct Case {
        std::string section, key, value;
    } cases[] = {
        {"S", "k", "two\r\nlines"}, {"S", "k", "a\rb"}, {"S\n[T]", "k", "v"},
        {"S", "a=b", "v"},          {"S", "", "v"},     {"", "k", "v"},
        {"S", " k", "v"},           {" S", "k", "v"},   {"S", ";k", "v"},
        {"S", "[k]", "v"},          {"S", "[k", "]"},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(EditProfileText("[S]\r\n", c.section, c.key, c.value))
            << c.section << "/" << c.key << "/" << c.value;
}

TEST(PrivateProfile, ReadsWithoutSurroundingQuotes) {
    testsupport::TempDir dir;
    std::string path = dir.write("p.ini", "[S]\r\nd=\"a b\"\r\ns='c'\r\none=\"\r\nmixed=\"d'\r\n"
                                          "inner=e\"f\"\r\nempty=\r\n");
    struct Case {
        const char* key;
        const char* want;
    } cases[] = {{"d", "a b"},        {"s", "c"},    {"one", "\""},     {"mixed", "\"d'"},
                 {"inner", "e\"f\""}, {"empty", ""}, {"missing", "def"}};
    for (const Case& c : cases)
        EXPECT_EQ(GetPrivateProfileString("S", c.key, "def", path), c.want) << c.key;
    EXPECT_EQ(GetPrivateProfileString("S", "d", "def", dir.file("none.ini")), "def");
}

TEST(PrivateProfile, WritesTheFileOnlyWhenItChanges) {
    testsupport::TempDir dir;
    std::string path = dir.write("p.ini", "[S]\r\nk=v\r\n");
    ::chmod(path.c_str(), 0600);
    struct stat before {};
    ::stat(path.c_str(), &before);

    EXPECT_TRUE(WritePrivateProfileString("S", "k", "v", path));
    EXPECT_TRUE(DeletePrivateProfileKey("S", "other", path));
    struct stat same {};
    ::stat(path.c_str(), &same);
    EXPECT_EQ(same.st_ino, before.st_ino) << "no change, no new file";

    EXPECT_TRUE(WritePrivateProfileString("S", "k", "w", path));
    EXPECT_EQ(testsupport::ReadAll(path), "[S]\r\nk=w\r\n");
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, 0600u);

    EXPECT_FALSE(WritePrivateProfileString("S", "k", "a\nb", path));
    EXPECT_EQ(testsupport::ReadAll(path), "[S]\r\nk=w\r\n");

    std::string fresh = dir.file("fresh.ini");
    EXPECT_TRUE(DeletePrivateProfileKey("S", "k", fresh));
    EXPECT_FALSE(std::filesystem::exists(fresh)) << "deleting from nothing makes nothing";
    EXPECT_TRUE(WritePrivateProfileString("S", "k", "v", fresh));
    EXPECT_EQ(testsupport::ReadAll(fresh), "[S]\r\nk=v\r\n");
}
