#include "batch/MemoryBudget.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tools/Tools.h"

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

namespace {

// A limit file's text: a number of bytes, or "max" (none).
std::optional<uint64_t> LimitIn(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const size_t end = text->find_last_not_of(" \n");
    const std::string digits = text->substr(0, end == std::string::npos ? 0 : end + 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const double value = NumericValue(digits);
    // v1 says "no limit" with a huge number; past 2^62 bytes nothing is a limit.
    if (value <= 0 || value >= 4.6e18) return std::nullopt;
    return uint64_t(value);
}

std::optional<std::string> ReadSystemFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::string text;
    std::getline(file, text, '\0');
    return text;
}

}  // namespace

std::optional<uint64_t> ControlGroupLimit(std::string_view selfCgroup,
                                          const ReadTextFile& readFile) {
    std::optional<uint64_t> lowest;
    const auto consider = [&](const std::string& root, std::string group, const char* file) {
        // The group, then each one above it, up to the hierarchy's root.
        for (;;) {
            if (const auto limit = LimitIn(readFile(root + group + "/" + file)))
                lowest = std::min(lowest.value_or(*limit), *limit);
            if (group.empty() || group == "/") break;
            group = group.substr(0, group.rfind('/'));
        }
    };
    // Lines "ID:CONTROLLERS:PATH": v2's has no controllers, v1's memory line names "memory".
    for (std::string_view rest = selfCgroup; !rest.empty();) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos) continue;
        const std::string controllers(line.substr(first + 1, second - first - 1));
        std::string group(line.substr(second + 1));
        if (group.ends_with('/')) group.pop_back();
        if (controllers.empty()) {
            consider("/sys/fs/cgroup", group, "memory.max");
        } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
            consider("/sys/fs/cgroup/memory", group, "memory.limit_in_bytes");
        }
    }
    return lowest;
}

uint64_t AvailableMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    uint64_t memory =
        pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : uint64_t{1} << 32;
    if (const auto self = ReadSystemFile("/proc/self/cgroup")) {
        if (const auto limit = ControlGroupLimit(*self, ReadSystemFile)) {
            memory = std::min(memory, *limit);
        }
    }
    return memory;
}

std::optional<uint64_t> MemoryBudgetFrom(const char* variable, uint64_t available) {
    if (!variable) return available / 4;
    const auto megabytes = WholeNumber(variable, 1, INT32_MAX);
    if (!megabytes) return std::nullopt;
    return uint64_t(*megabytes) << 20;
}

uint64_t RunMemoryBudget() {
    const uint64_t available = AvailableMemory();
    return MemoryBudgetFrom(std::getenv(kMemoryVariable), available).value_or(available / 4);
}

}  // namespace pixtrim
