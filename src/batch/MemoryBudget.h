// The memory a run's jobs may hold at once. Jobs ask in listing order, each for what its
// header says it will hold; a job starts when it fits beside the jobs in flight, and one
// larger than the whole budget starts alone. Granting in order means no job waits on a
// later one, so the run never stalls. Safe to call from any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace pixtrim {

class MemoryBudget {
public:
    explicit MemoryBudget(uint64_t bytes) : budget_(bytes) {}

    // Waits for the turn of job `index` (0, 1, 2, ... each once) and for room for `bytes`,
    // then holds them. Answers false when the run ends meanwhile (Close).
    bool Acquire(uint64_t index, uint64_t bytes);
    // Job `index` holds nothing: its turn passes once the jobs before it have had theirs.
    void Pass(uint64_t index);
    void Release(uint64_t bytes);
    // Wakes every waiter with false: the run is ending.
    void Close();

    // The most held at once so far.
    uint64_t Peak() const;

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    const uint64_t budget_;
    uint64_t used_ = 0;
    uint64_t peak_ = 0;
    uint64_t next_ = 0;
    bool closed_ = false;
};

// The machine's memory, or the control group's limit where that is lower.
uint64_t AvailableMemory();
// The run's budget: PIXTRIM_MEMORY_MB when it holds a whole number of at least 1, else a
// quarter of AvailableMemory().
uint64_t RunMemoryBudget();

}  // namespace pixtrim
