// A fixed set of threads that run submitted tasks in the order they come. Destroying the
// pool drops the tasks not yet started and waits for the running ones. Submit from one
// thread at a time (the window's).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace pixtrim {

class WorkerPool {
public:
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    template <typename Task>
    auto Submit(Task task) -> std::future<decltype(task())> {
        auto packaged = std::make_shared<std::packaged_task<decltype(task())()>>(std::move(task));
        auto future = packaged->get_future();
        {
            const std::lock_guard<std::mutex> guard(lock_);
            tasks_.emplace_back([packaged] { (*packaged)(); });
        }
        wake_.notify_one();
        return future;
    }

private:
    void Work();

    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

// The order in which to start jobs given in listing order with their `costs`: at each step,
// the costliest (the first of equals) of the jobs not yet started among the `window`
// listing places from the first one not yet started. The costly jobs start early, so a run
// does not end on a long one alone, and a job never starts after one `window` places or
// more behind it: its answer waits for at most `window` - 1 later ones to be committed.
std::vector<size_t> StartOrder(const std::vector<uint64_t>& costs, size_t window);

// The number of worker threads for a run: PIXTRIM_THREADS when it holds a number from 1 to
// 64, else the number of cores.
int RunThreads();

}  // namespace pixtrim
