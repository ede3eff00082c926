#include "engine/inet/DownloadPool.h"

#include <algorithm>
#include <atomic>
#include <system_error>

namespace {

std::atomic<int> limit{DownloadPool::kDefaultLimit};

std::mutex sharedMutex;
std::weak_ptr<DownloadPool> sharedPool;
DownloadPool::ThreadMaker threadMaker;

} // namespace

std::shared_ptr<DownloadPool> DownloadPool::Shared() {
    std::lock_guard lock(sharedMutex);
    std::shared_ptr<DownloadPool> pool = sharedPool.lock();
    if (!pool) {
        pool = std::make_shared<DownloadPool>();
        sharedPool = pool;
    }
    return pool;
}

void DownloadPool::SetLimit(int value) {
    limit = std::clamp(value, 1, kMaxLimit);
}

int DownloadPool::Limit() {
    return limit;
}

void DownloadPool::SetThreadMaker(ThreadMaker maker) {
    std::lock_guard lock(sharedMutex);
    threadMaker = std::move(maker);
}

DownloadPool::~DownloadPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

int DownloadPool::Workers() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(workers_.size());
}

bool DownloadPool::grow() {
    if (idle_ >= static_cast<int>(queue_.size()) || static_cast<int>(workers_.size()) >= limit)
        return true;
    ThreadMaker maker;
    {
        std::lock_guard lock(sharedMutex);
        maker = threadMaker;
    }
    std::function<void()> body = [this] { work(); };
    try {
        workers_.push_back(maker ? maker(body) : std::thread(body));
        if (!workers_.back().joinable()) workers_.pop_back();
    } catch (const std::system_error&) {
        // The thread or memory limit: the workers there are take the job.
    }
    return !workers_.empty();
}

bool DownloadPool::Submit(Job& job) {
    {
        std::lock_guard lock(mutex_);
        job.place_ = queue_.insert(queue_.end(), &job);
        job.queued_ = true;
        if (!grow()) {
            queue_.erase(job.place_);
            job.queued_ = false;
            return false;
        }
    }
    wake_.notify_one();
    return true;
}

bool DownloadPool::Withdraw(Job& job) {
    std::lock_guard lock(mutex_);
    if (!job.queued_) return false;
    queue_.erase(job.place_);
    job.queued_ = false;
    return true;
}

void DownloadPool::work() {
    std::unique_lock lock(mutex_);
    while (true) {
        ++idle_;
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        --idle_;
        if (queue_.empty()) return;
        Job* job = queue_.front();
        queue_.pop_front();
        job->queued_ = false;
        lock.unlock();
        job->Run();
        lock.lock();
    }
}
