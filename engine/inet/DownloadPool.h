#pragma once

// The worker threads every transfer of the process runs on: at most Limit()
// at once, the rest wait their turn in the order they came. Workers are made
// as the queue needs them and joined when the last user lets go of the pool.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class DownloadPool {
public:
    // One queued transfer. Run is called once, on a worker.
    class Job {
    public:
        virtual ~Job() = default;
        virtual void Run() = 0;

    private:
        friend class DownloadPool;
        bool queued_ = false;
        std::list<Job*>::iterator place_;
    };

    static constexpr int kDefaultLimit = 8;
    static constexpr int kMaxLimit = 16;

    // The pool shared by every transfer; made on first use, its workers
    // joined once no holder is left.
    static std::shared_ptr<DownloadPool> Shared();
    // How many transfers run at once (1 to kMaxLimit); takes effect for
    // workers made from then on.
    static void SetLimit(int limit);
    static int Limit();

    // Makes the workers' threads; tests put one here that fails.
    using ThreadMaker = std::function<std::thread(std::function<void()> body)>;
    static void SetThreadMaker(ThreadMaker maker);

    DownloadPool() = default;
    ~DownloadPool();
    DownloadPool(const DownloadPool&) = delete;
    DownloadPool& operator=(const DownloadPool&) = delete;

    // Queues the job. False when no worker exists and none can be made: the
    // job would never run.
    bool Submit(Job& job);
    // Takes a job out of the queue; false when it has already started (or
    // was never queued).
    bool Withdraw(Job& job);

    // Worker threads alive now.
    int Workers() const;

private:
    void work();
    // Under mutex_: one more worker if the queue needs it; false when none
    // could be made.
    bool grow();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::list<Job*> queue_;
    std::vector<std::thread> workers_;
    int idle_ = 0;
    bool stopping_ = false;
};
