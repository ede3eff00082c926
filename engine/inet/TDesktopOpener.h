#pragma once

// Opens links and documents with the desktop's programs without making the
// user-interface thread wait: the default browser is looked up (a helper
// program that may take seconds), started, or the desktop's opener run and
// waited for, on a thread of this object's own. The browser's command is
// kept and looked up again only when the desktop's settings change. What
// could not be opened is reported with what is missing and what to install.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class TDesktopOpener {
public:
    // Called on the opener's thread with a message (Shift_JIS) for the user.
    using Failure = std::function<void(const std::string& message)>;

    explicit TDesktopOpener(Failure failed);
    // Waits for the opening under way, if any, at most a moment.
    ~TDesktopOpener();
    TDesktopOpener(const TDesktopOpener&) = delete;
    TDesktopOpener& operator=(const TDesktopOpener&) = delete;

    // The default browser, else the desktop's opener (Shift_JIS).
    void OpenLink(const std::string& url);
    // The desktop's opener only: a help page, a file.
    void OpenDocument(const std::string& path);

private:
    struct Job {
        std::string target;
        bool link;
    };
    void run();
    void open(const Job& job);
    std::string browserExec();
    // The desktop's opener on target, waited for; "" or why it failed.
    std::string runOpener(const std::string& target);

    Failure failed_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::string exec_, execStamp_; // the browser's Exec line, and what it was read under
    bool execKnown_ = false;
    std::thread worker_;
};
