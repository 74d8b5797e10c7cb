#include "batch/MemoryBudget.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

namespace pixtrim {

bool MemoryBudget::Acquire(uint64_t index, uint64_t bytes) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [&] {
        return closed_ || (next_ == index && (used_ == 0 || used_ + bytes <= budget_));
    });
    if (closed_) return false;
    ++next_;
    used_ += bytes;
    peak_ = std::max(peak_, used_);
    changed_.notify_all();
    return true;
}

void MemoryBudget::Pass(uint64_t index) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [&] { return closed_ || next_ == index; });
    if (!closed_) ++next_;
    changed_.notify_all();
}

void MemoryBudget::Release(uint64_t bytes) {
    const std::lock_guard<std::mutex> guard(lock_);
    used_ -= std::min(used_, bytes);
    changed_.notify_all();
}

void MemoryBudget::Close() {
    const std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
    changed_.notify_all();
}

uint64_t MemoryBudget::Peak() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return peak_;
}

uint64_t AvailableMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    uint64_t memory =
        pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : uint64_t{1} << 32;
    // cgroup v2, then v1; "max" or an absurd number means no limit.
    for (const char* file :
         {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory/memory.limit_in_bytes"}) {
        std::ifstream limitFile(file);
        std::string text;
        if (limitFile >> text && !text.empty() &&
            text.find_first_not_of("0123456789") == std::string::npos) {
            const uint64_t limit = std::strtoull(text.c_str(), nullptr, 10);
            if (limit > 0) memory = std::min(memory, limit);
        }
    }
    return memory;
}

uint64_t RunMemoryBudget() {
    if (const char* text = std::getenv("PIXTRIM_MEMORY_MB")) {
        const std::string value = text;
        if (!value.empty() && value.size() < 10 &&
            value.find_first_not_of("0123456789") == std::string::npos) {
            const uint64_t megabytes = std::strtoull(text, nullptr, 10);
            if (megabytes > 0) return megabytes << 20;
        }
    }
    return AvailableMemory() / 4;
}

}  // namespace pixtrim
