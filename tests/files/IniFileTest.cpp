#include "engine/files/TIniFileEx.h"

#include "tests/platform/RunAsNobody.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

using Lines = std::vector<std::string>;

TEST(IniFile, ReadsSectionsKeysAndValuesAsWritten) {
    testsupport::TempDir dir;
    // "[サイト]" with a Japanese key and value, in Shift_JIS.
    std::string path =
        dir.write("PLYXNews.ini", "; comment\r\nstray=ignored\r\n[PLYXNews]\r\n  Left = 10 \r\n"
                                  "Title=\"quoted, kept\"\nFlag=1\rHex=$1F\r\nNeg=-$10\r\n"
                                  "Big=2147483648\r\nTiny=-2147483648\r\nWide=0x7fffffff\r\n"
                                  "dup=first\r\nDUP=second\r\nnovalue\r\n\r\n"
                                  "[\x83\x54\x83\x43\x83\x67]\r\n\x96\xBC\x91\x4F=\x92\x6C\r\n");
    TIniFileEx ini(path);
    EXPECT_EQ(ini.FileName(), path);
    EXPECT_EQ(ini.ReadString("plyxnews", "LEFT", ""), "10");
    EXPECT_EQ(ini.ReadString("PLYXNews", "Title", ""), "\"quoted, kept\"");
    EXPECT_TRUE(ini.ReadBool("PLYXNews", "Flag", false));
    EXPECT_EQ(ini.ReadInteger("PLYXNews", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("PLYXNews", "Neg", 0), -16);
    EXPECT_EQ(ini.ReadInteger("PLYXNews", "Big", 7), 7);
    EXPECT_EQ(ini.ReadInteger("PLYXNews", "Tiny", 0), INT32_MIN);
    EXPECT_EQ(ini.ReadInteger("PLYXNews", "Wide", 0), INT32_MAX);
    EXPECT_EQ(ini.ReadInteger("PLYXNews", "Title", 5), 5);
    EXPECT_EQ(ini.ReadString("PLYXNews", "dup", ""), "first");
    EXPECT_EQ(ini.ReadString("\x83\x54\x83\x43\x83\x67", "\x96\xBC\x91\x4F", ""), "\x92\x6C");
    EXPECT_EQ(ini.ReadString("Nowhere", "x", "default"), "default");
    EXPECT_EQ(ini.ReadString("PLYXNews", "stray", "none"), "none")
        << "lines before a section are dropped";

    Lines list;
    ini.ReadSections(list);
    EXPECT_EQ(list, (Lines{"PLYXNews", "\x83\x54\x83\x43\x83\x67"}));
    ini.ReadSection("PLYXNews", list);
    EXPECT_EQ(list, (Lines{"Left", "Title", "Flag", "Hex", "Neg", "Big", "Tiny", "Wide", "dup",
                           "DUP", ""}));
    ini.ReadSectionValues("\x83\x54\x83\x43\x83\x67", list);
    EXPECT_EQ(list, (Lines{"\x96\xBC\x91\x4F=\x92\x6C"}));
}

TEST(IniFile, WritesStayInMemoryUntilFlushWhichWritesCrLfText) {
    testsupport::TempDir dir;
    std::string path = dir.write("s.ini", "[A]\r\nx=1\r\n");
    {
        TIniFileEx ini(path);
        ini.WriteString("A", "X", "2");
        ini.WriteInteger("B", "n", -5);
        ini.WriteBool("B", "on", true);
        ini.WritePoint("B", "Pos", 10, -20);
        ini.WriteString("B", "empty", "");
    }
    EXPECT_EQ(testsupport::ReadAll(path), "[A]\r\nx=1\r\n") << "no Flush, no change";

    TIniFileEx ini(path);
    ini.WriteString("A", "X", "2");
    ini.WriteString("C", "gone", "1");
    ini.EraseSection("c");
    ini.WriteString("A", "y", "3");
    ini.DeleteKey("A", "Y");
    ini.WritePoint("B", "Pos", 10, -20);
    ini.WriteString("B", "empty", "");
    ini.Flush();
    EXPECT_EQ(testsupport::ReadAll(path), "[A]\r\nX=2\r\n[B]\r\nPos=10,-20\r\nempty=\r\n");
    EXPECT_TRUE(TIniFileEx(path).ValueExists("b", "EMPTY"));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp" + std::to_string(getpid())));
}

TEST(IniFile, AMissingFileIsEmptyAndAFailedFlushKeepsTheImage) {
    testsupport::TempDir dir;
    TIniFileEx missing(dir.file("none.ini"));
    EXPECT_EQ(missing.ReadInteger("A", "x", 42), 42);
    Lines list{"stale"};
    missing.ReadSections(list);
    EXPECT_TRUE(list.empty());

    TIniFileEx nowhere(dir.file("no/such/folder/x.ini"));
    nowhere.WriteString("A", "x", "1");
    EXPECT_THROW(nowhere.Flush(), platform::EFCreateError);
    EXPECT_EQ(nowhere.ReadString("A", "x", ""), "1") << "the memory image is unchanged";
}

TEST(IniFile, FlushKeepsTheFilesModeLinksAndAReadOnlyFolder) {
    testsupport::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    std::string path = dir.write("settings.ini", "[A]\r\nx=old\r\n");
    ::chmod(path.c_str(), 0600);
    std::filesystem::create_symlink("settings.ini", dir.path() / "link.ini");
    for (const char* name : {"settings.ini", "link.ini"}) {
        TIniFileEx ini(dir.file(name));
        ini.WriteString("A", "x", name);
        ini.Flush();
        EXPECT_EQ(testsupport::ReadAll(path), "[A]\r\nx=" + std::string(name) + "\r\n");
        struct stat st {};
        ::stat(path.c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << name;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.ini"));

    // A writable file in a folder nobody may add to: written in place.
    std::string folder = dir.file("ro");
    std::filesystem::create_directories(folder);
    std::string kept = dir.write("ro/keep.ini", "[A]\r\nx=old\r\n");
    testsupport::GiveToChild(folder);
    testsupport::GiveToChild(kept);
    ::chmod(folder.c_str(), 0555);
    EXPECT_TRUE(testsupport::RunAsNobody([&] {
        TIniFileEx ini(kept);
        ini.WriteString("A", "x", "new");
        ini.Flush();
        return true;
    }));
    EXPECT_EQ(testsupport::ReadAll(kept), "[A]\r\nx=new\r\n");

    // A read-only file there: the error reaches the caller, the file stays.
    ::chmod(kept.c_str(), 0444);
    EXPECT_TRUE(testsupport::RunAsNobody([&] {
        TIniFileEx ini(kept);
        ini.WriteString("A", "x", "lost");
        try {
            ini.Flush();
        } catch (const platform::EFCreateError&) {
            return ini.ReadString("A", "x", "") == "lost";
        }
        return false;
    }));
    EXPECT_EQ(testsupport::ReadAll(kept), "[A]\r\nx=new\r\n");
    ::chmod(folder.c_str(), 0755);
}

TEST(IniFile, ReadPointSplitsCommaTextWithMinusOneForMissingHalves) {
    TIniFileEx ini("/nonexistent/for/points.ini");
    ini.WriteString("P", "two", "10,20");
    ini.WriteString("P", "one", "10");
    ini.WriteString("P", "empty", "");
    ini.WriteString("P", "three", "3,4,5");
    ini.WriteString("P", "blank", "7 8");
    ini.WriteString("P", "junk", "x,-9");
    ini.WriteString("P", "quoted", "\"5\",\"6\"");
    using P = std::pair<int, int>;
    EXPECT_EQ(ini.ReadPoint("P", "missing", "-1,-1"), (P{-1, -1}));
    EXPECT_EQ(ini.ReadPoint("P", "two", "-1,-1"), (P{10, 20}));
    EXPECT_EQ(ini.ReadPoint("P", "one", "-1,-1"), (P{10, -1}));
    EXPECT_EQ(ini.ReadPoint("P", "empty", "-1,-1"), (P{-1, -1}));
    EXPECT_EQ(ini.ReadPoint("P", "three", "-1,-1"), (P{3, 4}));
    EXPECT_EQ(ini.ReadPoint("P", "blank", "-1,-1"), (P{7, 8}));
    EXPECT_EQ(ini.ReadPoint("P", "junk", "-1,-1"), (P{-1, -9}));
    EXPECT_EQ(ini.ReadPoint("P", "quoted", "-1,-1"), (P{5, 6}));
    EXPECT_EQ(ini.ReadPoint("P", "missing", "4,5"), (P{4, 5}));
}

TEST(IniFile, ReadPointCostsNoMoreThanItsValueHoweverManyItemsFollow) {
    // A settings file may hold millions of empty items after a point.
    std::string tail(4 << 20, ',');
    TIniFileEx ini("");
    ini.WriteString("P", "many", "5,6" + tail);
    ini.WriteString("P", "one", "5" + tail);
    testsupport::AllocationCounter counter;
    EXPECT_EQ(ini.ReadPoint("P", "many", "-1,-1"), (std::pair{5, 6}));
    EXPECT_EQ(ini.ReadPoint("P", "one", "-1,-1"), (std::pair{5, -1}));
    EXPECT_LT(counter.Bytes(), 3 * tail.size());
}

TEST(IniFile, ExpandRelativePathResolvesAgainstTheBaseWithoutChangingTheCurrentFolder) {
    auto before = std::filesystem::current_path();
    EXPECT_EQ(ExpandRelativePath("images\\back.bmp", "/designs/"), "/designs/images/back.bmp");
    EXPECT_EQ(ExpandRelativePath("images/back.bmp", "/designs"), "/designs/images/back.bmp");
    EXPECT_EQ(ExpandRelativePath("../skins/./a.bmp", "/designs/blue"), "/designs/skins/a.bmp");
    EXPECT_EQ(ExpandRelativePath("/abs/a.bmp", "/designs"), "/abs/a.bmp");
    EXPECT_EQ(ExpandRelativePath("a.bmp", ""), "a.bmp");
    EXPECT_EQ(ExpandRelativePath("", "/designs"), "");
    // "表" is 0x95 0x5C: its trail byte is no separator.
    EXPECT_EQ(ExpandRelativePath("\x95\x5C.bmp", "/d"), "/d/\x95\x5C.bmp");
    EXPECT_EQ(ExpandRelativePath("a.bmp", "rel"), before.string() + "/rel/a.bmp");
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST(IniFile, ExpandRelativePathCostsAFewCopiesOfANameHoweverManyPartsItHas) {
    // A design's picture name may run to millions of folders.
    std::string name, want = "/d";
    for (int i = 0; i < 1 << 20; ++i) {
        name += "a/";
        if (i > 0) want += "/a";
    }
    name += "../b.bmp";
    want += "/b.bmp";
    testsupport::AllocationCounter counter;
    EXPECT_EQ(ExpandRelativePath(name, "/d"), want);
    EXPECT_LT(counter.Bytes(), 8 * name.size());
}

TEST(IniFile, DevicesFifosAndHugeFilesReadAsEmptyWithoutWaiting) {
    testsupport::TempDir dir;
    std::string fifo = dir.file("design.plyxd");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string huge = dir.file("huge.ini");
    {
        std::FILE* f = std::fopen(huge.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("[Form]\r\nGraphics=x.bmp\r\n", f);
        std::fclose(f);
        ASSERT_EQ(::truncate(huge.c_str(), (64 << 20) + 1), 0); // sparse: no real disk use
    }
    for (const std::string& name : {fifo, std::string("/dev/zero"), huge, dir.path().string()}) {
        TIniFileEx ini(name); // a FIFO would block here if it were opened
        std::vector<std::string> sections;
        ini.ReadSections(sections);
        EXPECT_TRUE(sections.empty()) << name;
        // What could not be read is never written over.
        EXPECT_FALSE(ini.ReadError().empty()) << name;
        ini.WriteString("Form", "Graphics", "lost.bmp");
        EXPECT_THROW(ini.Flush(), platform::EFCreateError) << name;
    }
    struct stat st {};
    ASSERT_EQ(::stat(huge.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, (64 << 20) + 1);
    EXPECT_EQ(testsupport::ReadAll(huge).substr(0, 8), "[Form]\r\n");
}

TEST(IniFile, WritesKeepCommentsOrderAndLineEndsAndJoinRepeatedSections) {
    struct Case {
        const char* name;
        std::string text;
        std::function<void(TIniFileEx&)> edit;
        std::string want;
    } cases[] = {
        {"comments, blank lines and order stay",
         "; mine\n[Notes]\nx=1\n\n[PLYXNews]\n; speed\nSpeed=5\n\n[Site]\nA=1\n",
         [](TIniFileEx& ini) {
             ini.WriteString("PLYXNews", "Speed", "7");
             ini.WriteString("PLYXNews", "Online", "1");
             ini.WriteSectionValues("Site", {"B=2", "A=1"});
         },
         "; mine\n[Notes]\nx=1\n\n[PLYXNews]\n; speed\nSpeed=7\nOnline=1\n\n[Site]\nB=2\nA=1\n"},
        {"a repeated section reads as one and is written as one",
         "[Site]\r\nA=1\r\n; between\r\n[Other]\r\no=1\r\n[site]\r\nB=2\r\nC=3",
         [](TIniFileEx& ini) {
             std::vector<std::string> values;
             ini.ReadSectionValues("Site", values);
             EXPECT_EQ(values, (Lines{"A=1", "B=2", "C=3"}));
             EXPECT_EQ(ini.ReadString("SITE", "c", ""), "3");
             ini.WriteSectionValues("Site", {"C=3", "A=1"});
         },
         "[Site]\r\nC=3\r\n; between\r\nA=1\r\n[Other]\r\no=1\r\n"},
        {"surplus values go, comments stay", "[S]\r\na=1\r\n;keep\r\nb=2\r\n",
         [](TIniFileEx& ini) { ini.WriteSectionValues("S", {}); }, "[S]\r\n;keep\r\n"},
        {"a UTF-8 file stays UTF-8, with its mark",
         "\xEF\xBB\xBF[Site]\n\xE6\x9C\x9D\xE6\x97\xA5=1\n\xF0\x9F\x93\xB0=2\n",
         [](TIniFileEx& ini) {
             EXPECT_EQ(ini.ReadString("Site", "\x92\xA9\x93\xFA", ""), "1"); // 朝日 in Shift_JIS
             ini.WriteString("Site", "\x96\x88\x93\xFA", "3");               // 毎日
         },
         "\xEF\xBB\xBF[Site]\n\xE6\x9C\x9D\xE6\x97\xA5=1\n\xF0\x9F\x93\xB0=2\n"
         "\xE6\xAF\x8E\xE6\x97\xA5=3\n"},
        {"a Shift_JIS file stays Shift_JIS", "[Site]\r\n\x92\xA9\x93\xFA=1\r\n",
         [](TIniFileEx& ini) { ini.WriteString("Site", "\x96\x88\x93\xFA", "3"); },
         "[Site]\r\n\x92\xA9\x93\xFA=1\r\n\x96\x88\x93\xFA=3\r\n"},
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        std::string path = dir.write("s.ini", c.text);
        TIniFileEx ini(path);
        EXPECT_EQ(ini.GetText(), c.text) << c.name << ": reading changes nothing";
        c.edit(ini);
        ini.Flush();
        EXPECT_EQ(testsupport::ReadAll(path), c.want) << c.name;
    }
}

TEST(IniFile, ReadsAFileOfShortLinesInLittleMoreThanItsSize) {
    testsupport::TempDir dir;
    std::string text = "[S]\n";
    while (text.size() < (16u << 20))
        text += "a\n";
    std::string path = dir.write("lines.ini", text);
    testsupport::AllocationCounter counter;
    TIniFileEx ini(path);
    EXPECT_LT(counter.Bytes(), 3 * text.size());
    EXPECT_EQ(ini.ReadString("S", "a", "none"), "none");
}
