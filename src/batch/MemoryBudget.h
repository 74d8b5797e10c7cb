// The memory a run's jobs may hold at once. Jobs ask in listing order, each for what its
// header says it will hold; a job starts when it fits beside the jobs in flight, and one
// larger than the whole budget starts alone. Granting in order means no job waits on a
// later one, so the run never stalls. Safe to call from any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

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

// The machine's memory, or the lowest limit of the process's control group and the groups
// above it where that is lower.
uint64_t AvailableMemory();
// The lowest memory limit of the control group that `selfCgroup` (the text of
// /proc/self/cgroup) names and of the groups above it, up to the root of the hierarchy:
// cgroup v2's memory.max, v1's memory.limit_in_bytes; nothing without one. `readFile`
// answers a file's text, or nothing.
using ReadTextFile = std::function<std::optional<std::string>(const std::string& path)>;
std::optional<uint64_t> ControlGroupLimit(std::string_view selfCgroup,
                                          const ReadTextFile& readFile);
// The name of the variable that sets a run's budget in MiB.
inline constexpr char kMemoryVariable[] = "PIXTRIM_MEMORY_MB";
// A run's budget from that variable's text (`variable`, nullptr when unset): its whole
// number of MiB (at least 1), or a quarter of `available` when unset; nothing when it is set
// to anything else (a usage error).
std::optional<uint64_t> MemoryBudgetFrom(const char* variable, uint64_t available);
// The run's budget: MemoryBudgetFrom the environment and AvailableMemory(), a quarter of the
// memory when the variable is wrong (the command line refuses it before).
uint64_t RunMemoryBudget();

}  // namespace pixtrim
