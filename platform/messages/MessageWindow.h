#pragma once

// Stands in for window handles, hidden message windows, PostMessage,
// SendMessage and registered window messages, on the Qt event loop. A
// message window belongs to the thread that creates it; its procedure runs
// there. Posting works from any thread; a post to a window that no longer
// exists fails cleanly, and posts still queued when a window goes are
// dropped.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

using HWND = std::uintptr_t; // 0 is no window
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t ErrorInvalidWindowHandle = 1400;
constexpr uint32_t ErrorTimeout = 1460;

using WindowProcedure = std::function<LRESULT(uint32_t message, WPARAM wParam, LPARAM lParam)>;

class MessageWindowReceiver;

class MessageWindow {
public:
    // className and title make the window findable with FindWindow.
    explicit MessageWindow(WindowProcedure procedure, std::string className = {},
                           std::string title = {});
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND Handle() const { return handle_; }

private:
    HWND handle_;
    std::unique_ptr<MessageWindowReceiver> receiver_;
};

// Queues the message for the window's thread. False (GetLastError
// ErrorInvalidWindowHandle) when there is no such window.
bool PostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

// Runs the window's procedure and returns its result: directly on the
// window's own thread, otherwise by waiting for that thread (up to
// timeoutMs; false with ErrorTimeout when it does not answer in time).
bool SendMessageTimeout(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam, int timeoutMs,
                        LRESULT* result);
LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

// Runs the procedure of a window of the calling thread before returning,
// and posts to a window of another thread, so the caller never waits.
bool SendNotifyMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

bool IsWindow(HWND window);

// Posts to every message window (they all count as top-level windows).
void BroadcastMessage(uint32_t message, WPARAM wParam, LPARAM lParam);

// The first window with that class name (and title, when one is given).
HWND FindWindow(std::string_view className, std::string_view title = {});

// The same id (from 0xC000 up) for the same name, letter case ignored.
uint32_t RegisterWindowMessage(std::string_view name);

// What a procedure returns for messages it does not handle.
inline LRESULT DefWindowProc(uint32_t, WPARAM, LPARAM) {
    return 0;
}

} // namespace platform
