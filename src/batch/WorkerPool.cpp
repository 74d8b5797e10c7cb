#include "batch/WorkerPool.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "tools/Tools.h"

namespace pixtrim {

WorkerPool::WorkerPool(int threads) {
    for (int i = 0; i < std::max(1, threads); ++i) threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        closing_ = true;
        tasks_.clear();  // their futures answer broken_promise; nobody waits for them
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::Work() {
    // The window's thread commits, draws and answers the user: it goes before its workers.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), getpriority(PRIO_PROCESS, 0) + 5);
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait(guard, [this] { return closing_ || !tasks_.empty(); });
            if (closing_) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

int RunThreads() {
    const char* text = std::getenv("PIXTRIM_THREADS");
    if (const auto threads = text ? RoundToRange(NumericValue(text), 1, 64) : std::nullopt) {
        return *threads;
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace pixtrim
