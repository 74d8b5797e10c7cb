#include "batch/OutputRecord.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>

namespace pixtrim {
namespace {

const char kHeader[] = "# Pixtrim: the copies written here (checksum size mtime-ns name)\n";
constexpr int64_t kTimeToleranceNs = int64_t{2} * 1000000000;  // FAT keeps even seconds

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// The record's whole lines, each without its line end; a line holding a control byte (a
// name's are escaped) reads as nothing.
std::vector<std::string_view> WholeLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t end; (end = text.find('\n')) != std::string_view::npos;) {
        const std::string_view line = text.substr(0, end);
        if (std::none_of(line.begin(), line.end(), [](char c) { return uint8_t(c) < 0x20; }))
            lines.push_back(line);
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Names keep every byte: "%", line breaks and control bytes as %XX.
std::string EscapeName(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || byte == '%') {
            text += {'%', kHex[byte >> 4], kHex[byte & 15]};
        } else {
            text += c;
        }
    }
    return text;
}

bool UnescapeName(std::string_view text, std::string& name) {
    name.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            name += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= text.size()) return false;
        const auto [end, error] =
            std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
        if (error != std::errc() || end != text.data() + i + 3) return false;
        name += char(value);
        i += 2;
    }
    return true;
}

template <typename Number>
bool ReadField(std::string_view& line, Number& value, int base) {
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return false;
    const auto [end, error] = std::from_chars(line.data(), line.data() + blank, value, base);
    line.remove_prefix(blank + 1);
    return error == std::errc() && end == line.data() - 1;
}

}  // namespace

uint64_t Checksum(std::string_view bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string FormatRecordEntry(const RecordEntry& entry) {
    char checksum[17];
    const auto [end, error] = std::to_chars(checksum, checksum + 16, entry.checksum, 16);
    return std::string(checksum, end) + " " + std::to_string(entry.size) + " " +
           std::to_string(entry.modifiedNs) + " " + EscapeName(entry.name) + "\n";
}

std::vector<RecordEntry> ParseRecord(std::string_view text) {
    std::vector<RecordEntry> entries;
    for (std::string_view line : WholeLines(text)) {
        RecordEntry entry;
        if (!line.starts_with('#') && ReadField(line, entry.checksum, 16) &&
            ReadField(line, entry.size, 10) && ReadField(line, entry.modifiedNs, 10) &&
            UnescapeName(line, entry.name) && IsPlainName(entry.name)) {
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

std::string FormatParkedCopy(const ParkedCopy& parked) {
    return "> " + EscapeName(parked.parked) + " " + EscapeName(parked.name) + "\n";
}

std::vector<ParkedCopy> ParseParkedCopies(std::string_view text) {
    std::vector<ParkedCopy> parked;
    for (std::string_view line : WholeLines(text)) {
        if (!line.starts_with("> ")) continue;
        line.remove_prefix(2);
        const size_t blank = line.find(' ');
        ParkedCopy copy;
        // The parked name is the program's own, and holds no blank: the line's first one
        // ends it.
        if (blank != std::string_view::npos && UnescapeName(line.substr(0, blank), copy.parked) &&
            UnescapeName(line.substr(blank + 1), copy.name) && IsPlainName(copy.parked) &&
            copy.parked.find(' ') == std::string::npos && IsPlainName(copy.name)) {
            parked.push_back(std::move(copy));
        }
    }
    return parked;
}

OutputRecord::~OutputRecord() { Close(); }

void OutputRecord::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    entries_.clear();
    owned_.clear();
    parked_.clear();
}

bool OutputRecord::IsRecordedCopy(const HeldFolder& folder, const std::string& name,
                                  const std::string& listed) const {
    EntryStatus status;
    if (!folder.Status(name, status) || !status.regular) return false;
    std::string bytes;
    bool read = false;
    for (const RecordEntry& entry : entries_) {
        if (entry.name != listed || status.size != entry.size ||
            std::llabs(status.modifiedNs - entry.modifiedNs) > kTimeToleranceNs) {
            continue;
        }
        if (!read && !folder.ReadRegularFile(name, bytes, kMaxFileBytes, false)) return false;
        read = true;
        if (Checksum(bytes) == entry.checksum) return true;
    }
    return false;
}

IoOutcome OutputRecord::Read(const HeldFolder& folder, bool forAppending) {
    Close();
    std::string text;
    IoOutcome outcome = folder.ReadRegularFile(kOutputRecordName, text, kMaxFileBytes, false);
    if (outcome.error == ENOENT) return {};
    if (!outcome) return outcome;
    entries_ = ParseRecord(text);
    parked_ = ParseParkedCopies(text);
    for (const RecordEntry& entry : entries_) {
        if (IsRecordedCopy(folder, entry.name, entry.name)) owned_.push_back(entry.name);
    }
    std::sort(owned_.begin(), owned_.end());
    owned_.erase(std::unique(owned_.begin(), owned_.end()), owned_.end());
    return forAppending ? folder.OpenForAppend(kOutputRecordName, fd_) : IoOutcome{};
}

IoOutcome OutputRecord::Restart(const HeldFolder& folder) {
    Close();
    if (const IoOutcome written = folder.WriteFileAtomically(kOutputRecordName, kHeader);
        !written) {
        return written;
    }
    return folder.OpenForAppend(kOutputRecordName, fd_);
}

IoOutcome OutputRecord::Append(const std::string& name, uint64_t checksum,
                               const EntryStatus& status) {
    return AppendLine(FormatRecordEntry({name, status.size, status.modifiedNs, checksum}));
}

IoOutcome OutputRecord::AppendParked(const ParkedCopy& parked) {
    return AppendLine(FormatParkedCopy(parked));
}

IoOutcome OutputRecord::AppendLine(const std::string& line) {
    if (fd_ < 0) return {EBADF};
    struct stat before;
    if (fstat(fd_, &before) != 0) return {errno};
    const IoOutcome written = WriteAll(fd_, line);
    // A full disk took part of the line: cut it off, so the next line starts a line.
    if (!written && ftruncate(fd_, before.st_size) != 0) {
        close(fd_);
        fd_ = -1;  // a record that cannot be mended takes no more lines
    }
    return written;
}

}  // namespace pixtrim
