#include "platform/sync/NamedMutex.h"
#include "platform/errors/LastError.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

class NamedMutexTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("NEWS_LOCK_DIR", dir.path().c_str(), 1); }
    testsupport::TempDir dir;
};

} // namespace

TEST_F(NamedMutexTest, ANameIsHeldByOneObjectAtATime) {
    auto first = std::make_unique<NamedMutex>("agent0");
    EXPECT_TRUE(first->created());
    NamedMutex second("agent0");
    EXPECT_FALSE(second.created());
    EXPECT_EQ(GetLastError(), ErrorAlreadyExists);
    NamedMutex other("agent1");
    EXPECT_TRUE(other.created());
    first.reset();
    NamedMutex third("agent0");
    EXPECT_TRUE(third.created());
}

TEST_F(NamedMutexTest, NamesSpanProcessesAndVanishWithTheirHolder) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        NamedMutex held("shared");
        char ok = held.created() ? 1 : 0;
        (void)!write(ready[1], &ok, 1);
        pause(); // until killed
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, 1);
    EXPECT_FALSE(NamedMutex("shared").created());
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(NamedMutex("shared").created());
    close(ready[0]);
    close(ready[1]);
}

TEST_F(NamedMutexTest, NamesBecomeOneFileInTheLockFolder) {
    EXPECT_EQ(NamedMutex::LockPath("a/b\x01"), dir.path().string() + "/news-mutex-a_b_.lock");
    NamedMutex weird("../x");
    EXPECT_TRUE(weird.created());
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "news-mutex-.._x.lock"));
}
