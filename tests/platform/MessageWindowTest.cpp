#include "platform/messages/MessageWindow.h"
#include "platform/errors/LastError.h"

#include "tests/support/EventPump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace platform;

namespace {

struct Received {
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Received&) const = default;
};

} // namespace

TEST(MessageWindow, PostsFromOtherThreadsArriveInOrderOnTheOwningThread) {
    std::vector<Received> received;
    std::thread::id runsOn;
    MessageWindow window([&](uint32_t m, WPARAM w, LPARAM l) -> LRESULT {
        received.push_back({m, w, l});
        runsOn = std::this_thread::get_id();
        return 0;
    });
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(PostMessage(window.Handle(), WM_USER, i, -i));
    });
    poster.join();
    ASSERT_TRUE(testsupport::PumpUntil([&] { return received.size() == 100; }));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(received[i], (Received{WM_USER, WPARAM(i), LPARAM(-i)}));
    EXPECT_EQ(runsOn, std::this_thread::get_id());
}

TEST(MessageWindow, APostToAWindowThatIsGoneFailsAndQueuedPostsAreDropped) {
    int calls = 0;
    HWND handle;
    {
        MessageWindow window([&](uint32_t, WPARAM, LPARAM) -> LRESULT { return ++calls; });
        handle = window.Handle();
        EXPECT_TRUE(IsWindow(handle));
        EXPECT_TRUE(PostMessage(handle, WM_USER, 0, 0));
    }
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(PostMessage(handle, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ErrorInvalidWindowHandle);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
}

TEST(MessageWindow, SendRunsTheProcedureAndReturnsItsResult) {
    MessageWindow window([](uint32_t m, WPARAM w, LPARAM l) -> LRESULT {
        return m == WM_USER ? LRESULT(w) + l : 0;
    });
    EXPECT_EQ(SendMessage(window.Handle(), WM_USER, 40, 2), 42);

    // From another thread the caller waits for the owning thread.
    std::atomic<LRESULT> fromThread{0};
    std::atomic<bool> sent{false};
    std::thread caller([&] {
        LRESULT value = 0;
        sent = SendMessageTimeout(window.Handle(), WM_USER, 1, 2, 5000, &value);
        fromThread = value;
    });
    ASSERT_TRUE(testsupport::PumpUntil([&] { return fromThread == 3; }));
    caller.join();
    EXPECT_TRUE(sent);

    // Nobody pumps: the caller gives up.
    LRESULT ignored;
    std::thread impatient(
        [&] { sent = SendMessageTimeout(window.Handle(), WM_USER, 1, 2, 50, &ignored); });
    impatient.join();
    EXPECT_FALSE(sent);
    QCoreApplication::processEvents();
}

TEST(MessageWindow, ExceptionsStayInsideTheProcedure) {
    MessageWindow window(
        [](uint32_t, WPARAM, LPARAM) -> LRESULT { throw std::runtime_error("boom"); });
    EXPECT_EQ(SendMessage(window.Handle(), WM_USER, 0, 0), 0);
}

TEST(MessageWindow, WindowsAreFoundByClassNameAndTitle) {
    MessageWindow player(nullptr, "TFormPLYX", "PLYX");
    MessageWindow other(nullptr, "TFormPLYX", "Other");
    EXPECT_EQ(FindWindow("TFormPLYX"), player.Handle());
    EXPECT_EQ(FindWindow("TFormPLYX", "Other"), other.Handle());
    EXPECT_EQ(FindWindow("TApplication"), HWND(0));
}

TEST(MessageWindow, RegisteredMessagesShareOneIdPerNameIgnoringCase) {
    uint32_t id = RegisterWindowMessage("WM_PLYX");
    EXPECT_GE(id, 0xC000u);
    EXPECT_EQ(RegisterWindowMessage("wm_plyx"), id);
    EXPECT_NE(RegisterWindowMessage("WM_OTHER"), id);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
}
