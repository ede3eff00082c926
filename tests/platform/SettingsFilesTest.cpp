// Settings and designs are named by untrusted text (a dropped file, a
// settings value): a FIFO, a device or an endless file among them must fail
// at once instead of hanging the player or filling its memory, and odd text
// inside them must not lose or inject settings.

#include "platform/fs/FileSystem.h"
#include "platform/ini/PrivateProfile.h"
#include "platform/ini/TMemIniFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

namespace {

// Runs what on another thread; true when it is done within seconds. A call
// stuck opening the FIFO is freed by a writer that comes and goes.
bool endsSoon(const std::string& fifo, std::function<void()> what) {
    auto done = std::async(std::launch::async, std::move(what));
    if (done.wait_for(10s) == std::future_status::ready) return true;
    int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    done.wait();
    return false;
}

std::vector<std::string> sectionsOf(const TMemIniFile& ini) {
    std::vector<std::string> list;
    ini.ReadSections(list);
    return list;
}

class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); }

    testsupport::TempDir dir;
    std::string fifo = dir.file("fifo.ini");
};

} // namespace

TEST_F(SettingsFiles, OnlyRegularFilesWithinTheLimitAreRead) {
    std::string bytes = "stale";
    EXPECT_TRUE(endsSoon(fifo, [&] { EXPECT_FALSE(ReadRegularFile(fifo, bytes, 1 << 20)); }));
    EXPECT_TRUE(bytes.empty());
    // Sized as empty by the kernel, and endless.
    EXPECT_FALSE(ReadRegularFile("/proc/self/pagemap", bytes, 1 << 20));
    EXPECT_FALSE(ReadRegularFile("/dev/zero", bytes, 1 << 20));
    EXPECT_FALSE(ReadRegularFile(dir.path().string(), bytes, 1 << 20));
    std::string file = dir.write("small.ini", "[S]\r\nk=v\r\n");
    EXPECT_FALSE(ReadRegularFile(file, bytes, 4));
    EXPECT_EQ(errno, EFBIG);
    ASSERT_TRUE(ReadRegularFile(file, bytes, 1 << 20));
    EXPECT_EQ(bytes, "[S]\r\nk=v\r\n");
    EXPECT_FALSE(ReadRegularFile(dir.file("missing.ini"), bytes, 1 << 20));
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(SettingsFiles, AFifoOrAnEndlessFileReadsAsAnEmptyImageAndTakesNoWrite) {
    EXPECT_TRUE(endsSoon(fifo, [&] { EXPECT_TRUE(sectionsOf(TMemIniFile(fifo)).empty()); }));
    EXPECT_TRUE(sectionsOf(TMemIniFile("/proc/self/pagemap")).empty());
    EXPECT_TRUE(
        endsSoon(fifo, [&] { EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", fifo)); }));
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced by a file";
}

TEST_F(SettingsFiles, AByteOrderMarkKeepsTheFirstSection) {
    // An editor may save the file with one.
    TMemIniFile ini("");
    ini.SetText("\xEF\xBB\xBF[PLYXNews]\r\nVersion=6320\r\n[Site]\r\nA=x\r\n");
    EXPECT_EQ(ini.ReadInteger("PLYXNews", "Version", 0), 6320);
    EXPECT_EQ(sectionsOf(ini), (std::vector<std::string>{"PLYXNews", "Site"}));
    // The one-key writer reads it alike and leaves the mark in place.
    EXPECT_EQ(EditProfileText("\xEF\xBB\xBF[PLYXNews]\r\nVersion=6320\r\n", "PLYXNews", "Version",
                              "6321"),
              "\xEF\xBB\xBF[PLYXNews]\r\nVersion=6321\r\n");
}

TEST_F(SettingsFiles, AValueWithLineBreaksAddsNoSectionsOrKeys) {
    // A dropped design's file name may hold line breaks.
    TMemIniFile ini("");
    ini.WriteString("PLYXNews", "Design", "/d/a\r\n[Site]\r\nEvil=\"http://x/\",1,1\nb.plyxd");
    ini.WriteString("PLYXNews", "Online", "1");
    TMemIniFile back("");
    back.SetText(ini.GetText());
    EXPECT_EQ(sectionsOf(back), std::vector<std::string>{"PLYXNews"});
    EXPECT_EQ(back.ReadString("PLYXNews", "Online", ""), "1");
    EXPECT_EQ(back.ReadString("PLYXNews", "Design", ""),
              "/d/a  [Site]  Evil=\"http://x/\",1,1 b.plyxd");
}
