#include "engine/inet/TDownloadThread.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>

TDownloadThread::~TDownloadThread() {
    Aborted = true;
    {
        std::lock_guard lock(inetMutex_);
        if (Inet) Inet->Abort();
    }
    if (thread_.joinable()) thread_.join();
}

void TDownloadThread::Join() {
    if (thread_.joinable()) thread_.join();
}

std::string TDownloadThread::AgentName() const {
    std::lock_guard lock(inetMutex_);
    return agent_;
}

std::string TDownloadThread::EffectiveURL() const {
    std::lock_guard lock(inetMutex_);
    return effectiveUrl_.empty() ? URL : effectiveUrl_;
}

bool TDownloadThread::Start(const std::string& url, const std::string& file, bool wait) {
    URL = url;
    FileName = file;
    Wait = wait;
    if (URL.empty() || FileName.empty() || thread_.joinable()) {
        State = TWinInet::EventFailed;
        return false;
    }
    Running = true;
    thread_ = std::thread(&TDownloadThread::Execute, this);
    if (!Wait) return true;
    while (Running && !Aborted) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            20);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return State == TWinInet::EventSucceeded;
}

void TDownloadThread::Execute() {
    State = TWinInet::EventBegin;
    {
        std::lock_guard lock(inetMutex_);
        Inet = std::make_unique<TWinInet>();
        Inet->UseCache = UseCache;
        Inet->OnEvent = [this](TWinInet* inet, uint8_t kind, int32_t value) {
            if (kind == TWinInet::EventProgress && value == 0) {
                std::lock_guard agentLock(inetMutex_);
                agent_ = inet->AgentName();
                effectiveUrl_ = inet->EffectiveURL;
            }
            State = kind;
            if (OnProgress) OnProgress(this, kind, value);
        };
        // An abort that came before Inet existed still counts.
        if (Aborted) Inet->Abort();
    }
    bool ok = Inet->Download(URL, FileName);
    {
        std::lock_guard lock(inetMutex_);
        lastError_ = Inet->LastError;
        Inet.reset();
    }
    State = ok ? TWinInet::EventSucceeded : TWinInet::EventFailed;
    Running = false;
}
