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

std::vector<size_t> StartOrder(const std::vector<uint64_t>& costs, size_t window) {
    std::vector<size_t> order;
    order.reserve(costs.size());
    std::vector<bool> started(costs.size(), false);
    size_t first = 0;  // the first job not yet started
    while (order.size() < costs.size()) {
        size_t pick = first;
        for (size_t i = first + 1; i < costs.size() && i < first + std::max<size_t>(window, 1); ++i)
            if (!started[i] && costs[i] > costs[pick]) pick = i;
        order.push_back(pick);
        started[pick] = true;
        while (first < costs.size() && started[first]) ++first;
    }
    return order;
}

int RunThreads() {
    const char* text = std::getenv("PIXTRIM_THREADS");
    if (const auto threads = text ? RoundToRange(NumericValue(text), 1, 64) : std::nullopt) {
        return *threads;
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace pixtrim
