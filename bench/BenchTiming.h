// Timing helpers shared by the benchmarks: the best of several runs, since this machine is
// shared and noisy; figures are reported as ratios against a baseline of the same run.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <limits>

namespace pixtrim::bench {

// Seconds of the fastest of `repeat` calls of `work`.
inline double BestSeconds(int repeat, const std::function<void()>& work) {
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < repeat; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

}  // namespace pixtrim::bench
