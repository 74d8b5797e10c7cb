// A fixed set of threads that run submitted tasks in the order they come. Destroying the
// pool drops the tasks not yet started and waits for the running ones. Submit from one
// thread at a time (the window's).
#pragma once

#include <condition_variable>
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

// The number of worker threads for a run: PIXTRIM_THREADS when it holds a number from 1 to
// 64, else the number of cores.
int RunThreads();

}  // namespace pixtrim
