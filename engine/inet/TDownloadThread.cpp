#include "engine/inet/TDownloadThread.h"

#include "platform/errors/LastError.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <thread>

TDownloadThread::TDownloadThread() : pool_(DownloadPool::Shared()) {}

TDownloadThread::~TDownloadThread() {
    Abort();
    if (pool_->Withdraw(*this)) {
        std::lock_guard lock(doneMutex_);
        pending_ = false;
    }
    Join();
}

void TDownloadThread::Abort() {
    Aborted = true;
    std::lock_guard lock(inetMutex_);
    if (Inet) Inet->Abort();
}

void TDownloadThread::Join() {
    std::unique_lock lock(doneMutex_);
    doneSignal_.wait(lock, [this] { return !pending_; });
}

std::string TDownloadThread::AgentName() const {
    std::lock_guard lock(inetMutex_);
    return agent_;
}

std::string TDownloadThread::EffectiveURL() const {
    std::lock_guard lock(inetMutex_);
    return effectiveUrl_.empty() ? URL : effectiveUrl_;
}

bool TDownloadThread::NotModified() const {
    std::lock_guard lock(inetMutex_);
    return notModified_;
}

std::pair<std::string, std::string> TDownloadThread::Validators() const {
    std::lock_guard lock(inetMutex_);
    return validators_;
}

bool TDownloadThread::Start(const std::string& url, const std::string& file, bool wait) {
    URL = url;
    FileName = file;
    Wait = wait;
    {
        std::lock_guard lock(doneMutex_);
        if (URL.empty() || FileName.empty() || pending_ || State != 0) {
            State = TWinInet::EventFailed;
            return false;
        }
        pending_ = true;
    }
    Running = true;
    if (!pool_->Submit(*this)) {
        {
            std::lock_guard lock(doneMutex_);
            pending_ = false;
        }
        lastError_ = platform::ErrorNotEnoughMemory;
        State = TWinInet::EventFailed;
        Running = false;
        return false;
    }
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

void TDownloadThread::Run() {
    Execute();
    // Last: the owner may destroy this object as soon as it sees the end.
    std::lock_guard lock(doneMutex_);
    pending_ = false;
    doneSignal_.notify_all();
}

void TDownloadThread::Execute() {
    if (Aborted) {
        // Given up while it waited its turn: no connection is worth making.
        lastError_ = platform::ErrorInternetOperationCancelled;
        State = TWinInet::EventFailed;
        if (OnProgress) OnProgress(this, TWinInet::EventFailed, 0);
        Running = false;
        return;
    }
    State = TWinInet::EventBegin;
    startedAt_ = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(inetMutex_);
        Inet = std::make_unique<TWinInet>();
        Inet->UseCache = UseCache;
        Inet->Deadline = Deadline;
        if (TimeLimit) {
            auto end = *startedAt_ + *TimeLimit;
            Inet->Deadline = Deadline ? std::min(*Deadline, end) : end;
        }
        Inet->ETag = ETag;
        Inet->LastModified = LastModified;
        Inet->OnEvent = [this](TWinInet* inet, uint8_t kind, int32_t value) {
            if (kind == TWinInet::EventProgress && value == 0) {
                std::lock_guard agentLock(inetMutex_);
                agent_ = inet->AgentName();
                effectiveUrl_ = inet->EffectiveURL;
                notModified_ = inet->NotModified;
                validators_ = {inet->ETag, inet->LastModified};
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
