#include "platform/messages/MessageWindow.h"

#include "platform/HotPath.h"
#include "platform/errors/LastError.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// A SendMessage from another thread waits on this until the window's
// thread has run the procedure, or the message is dropped.
struct Reply {
    std::mutex mutex;
    std::condition_variable done;
    bool answered = false;
    bool dropped = false;
    LRESULT result = 0;
};

class MessageEvent : public QEvent {
public:
    static QEvent::Type type() {
        static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
        return t;
    }
    MessageEvent(uint32_t message, WPARAM wParam, LPARAM lParam, std::shared_ptr<Reply> reply)
        : QEvent(type()), message(message), wParam(wParam), lParam(lParam),
          reply(std::move(reply)) {}
    ~MessageEvent() override {
        if (!reply) return;
        std::lock_guard lock(reply->mutex);
        if (!reply->answered) {
            reply->dropped = true;
            reply->done.notify_all();
        }
    }
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    std::shared_ptr<Reply> reply;
};

// Qt hands posted events over under its own futex-based locks, which
// ThreadSanitizer cannot see; this release/acquire pair states the same
// hand-over in terms it understands. (It costs one atomic add a post.)
std::atomic<uint64_t> handOffs{0};

void publish() {
    handOffs.fetch_add(1, std::memory_order_release);
}
void receive() {
    handOffs.load(std::memory_order_acquire);
}

// Queues a message for a receiver; the registry lock is held by the caller.
void postTo(QObject* receiver, uint32_t message, WPARAM wParam, LPARAM lParam,
            std::shared_ptr<Reply> reply) {
    auto* event = new MessageEvent(message, wParam, lParam, std::move(reply));
    publish();
    QCoreApplication::postEvent(receiver, event); // takes the event over
}

HOT_PATH LRESULT callProcedure(const WindowProcedure& procedure, uint32_t message, WPARAM wParam,
                               LPARAM lParam) {
    // No exception may leave a Qt event handler.
    try {
        return procedure ? procedure(message, wParam, lParam) : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "message %#x: %s\n", message, e.what());
    } catch (...) {
        std::fprintf(stderr, "message %#x: unknown exception\n", message);
    }
    return 0;
}

} // namespace

class MessageWindowReceiver : public QObject {
public:
    explicit MessageWindowReceiver(WindowProcedure procedure) : procedure_(std::move(procedure)) {}

    LRESULT call(uint32_t message, WPARAM wParam, LPARAM lParam) {
        return callProcedure(procedure_, message, wParam, lParam);
    }

protected:
    bool event(QEvent* e) override {
        receive();
        if (e->type() != MessageEvent::type()) return QObject::event(e);
        auto* m = static_cast<MessageEvent*>(e);
        LRESULT result = call(m->message, m->wParam, m->lParam);
        if (m->reply) {
            std::lock_guard lock(m->reply->mutex);
            m->reply->result = result;
            m->reply->answered = true;
            m->reply->done.notify_all();
        }
        return true;
    }

private:
    WindowProcedure procedure_;
};

namespace {

using Receiver = MessageWindowReceiver;

struct Entry {
    Receiver* receiver; // owned by its MessageWindow
    std::string className;
    std::string title;
};

struct Registry {
    std::mutex mutex;
    std::map<HWND, Entry> windows; // ordered: FindWindow finds the oldest
    HWND next = 0x10000;
    std::map<std::string, uint32_t> messages;
    uint32_t nextMessage = 0xC000;
};

HOT_PATH Registry& registry() {
    static Registry r;
    return r;
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

} // namespace

MessageWindow::MessageWindow(WindowProcedure procedure, std::string className, std::string title)
    : receiver_(std::make_unique<Receiver>(std::move(procedure))) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    handle_ = r.next++;
    r.windows.emplace(handle_, Entry{receiver_.get(), std::move(className), std::move(title)});
}

MessageWindow::~MessageWindow() {
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        r.windows.erase(handle_);
    }
    // Out of the registry first, so no post can reach it any more; the
    // receiver then goes, dropping whatever was still queued for it.
    receiver_.reset();
}

namespace {

// The window's receiver, under the registry's lock; null (and the error
// set) when there is no such window.
HOT_PATH Receiver* receiverOf(Registry& r, HWND window) {
    auto it = r.windows.find(window);
    if (it != r.windows.end()) return it->second.receiver;
    SetLastError(ErrorInvalidWindowHandle);
    return nullptr;
}

} // namespace

bool PostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Receiver* receiver = receiverOf(r, window);
    if (receiver) postTo(receiver, message, wParam, lParam, nullptr);
    return receiver != nullptr;
}

HOT_PATH bool SendNotifyMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    Receiver* receiver = receiverOf(r, window);
    if (!receiver) return false;
    if (receiver->thread() != QThread::currentThread()) {
        postTo(receiver, message, wParam, lParam, nullptr);
        return true;
    }
    lock.unlock();
    receiver->call(message, wParam, lParam);
    return true;
}

bool SendMessageTimeout(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam, int timeoutMs,
                        LRESULT* result) {
    auto reply = std::make_shared<Reply>();
    {
        Registry& r = registry();
        std::unique_lock lock(r.mutex);
        Receiver* receiver = receiverOf(r, window);
        if (!receiver) return false;
        if (receiver->thread() == QThread::currentThread()) {
            lock.unlock();
            // The window cannot go away under its own thread's feet here.
            LRESULT value = receiver->call(message, wParam, lParam);
            if (result) *result = value;
            return true;
        }
        postTo(receiver, message, wParam, lParam, reply);
    }
    std::unique_lock wait(reply->mutex);
    if (!reply->done.wait_for(wait, std::chrono::milliseconds(timeoutMs),
                              [&] { return reply->answered || reply->dropped; }) ||
        !reply->answered) {
        SetLastError(reply->dropped ? ErrorInvalidWindowHandle : ErrorTimeout);
        return false;
    }
    if (result) *result = reply->result;
    return true;
}

LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    SendMessageTimeout(window, message, wParam, lParam, 5000, &result);
    return result;
}

void BroadcastMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (auto& [handle, entry] : r.windows) {
        postTo(entry.receiver, message, wParam, lParam, nullptr);
    }
}

bool IsWindow(HWND window) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.windows.count(window) != 0;
}

HWND FindWindow(std::string_view className, std::string_view title) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const auto& [handle, entry] : r.windows) {
        if (entry.className == className && (title.empty() || entry.title == title)) return handle;
    }
    return 0;
}

uint32_t RegisterWindowMessage(std::string_view name) {
    if (name.empty()) return 0;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto [it, added] = r.messages.emplace(lowerAscii(name), r.nextMessage);
    if (added) ++r.nextMessage;
    return it->second;
}

} // namespace platform
