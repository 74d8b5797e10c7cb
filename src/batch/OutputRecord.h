// The output sub-folder's record of the copies the program wrote there: the only files a
// run may ever delete. Each entry holds a copy's plain name and what identifies that very
// file: its size, its modification time and a checksum of its bytes (never the inode,
// which FAT and exFAT cards renumber at every mount). An entry is appended before its copy
// takes its name, so no copy exists that the record does not know; an entry whose file
// never appeared is harmless. A file the user replaced or edited no longer matches and is
// the user's. OutputFolder is its one user; called only on the run's thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/HeldFolder.h"

namespace pixtrim {

// The record's name inside the output sub-folder.
inline constexpr char kOutputRecordName[] = ".pixtrim-copies";

struct RecordEntry {
    std::string name;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    uint64_t checksum = 0;
};

// 64-bit FNV-1a of `bytes`: enough to tell a copy from a file that replaced it.
uint64_t Checksum(std::string_view bytes);

// A copy set aside under a private name while it is checked and deleted (see OutputFolder).
struct ParkedCopy {
    std::string parked;
    std::string name;
};

// One entry as a line of the record, and the entries of a record's text. Lines that do not
// read as an entry are left out: a last line without its line end (an append cut short), a
// line holding a control byte, and names that are not plain (empty, ".", "..", holding "/"
// or a NUL): they can name nothing of the folder's own.
std::string FormatRecordEntry(const RecordEntry& entry);
std::vector<RecordEntry> ParseRecord(std::string_view text);
// The parked copies a record's text names, by the same rules (a line "> PARKED NAME").
std::string FormatParkedCopy(const ParkedCopy& parked);
std::vector<ParkedCopy> ParseParkedCopies(std::string_view text);

class OutputRecord {
public:
    OutputRecord() = default;
    ~OutputRecord();
    OutputRecord(const OutputRecord&) = delete;
    OutputRecord& operator=(const OutputRecord&) = delete;

    // Reads the record of `folder` (none: nothing there is the program's) and finds which
    // recorded files still are the ones written: regular files, not links, of the same
    // size, checksum and modification time (within the 2 s that FAT keeps). With
    // `forAppending`, the record then stays open for appending (made when missing).
    IoOutcome Read(const HeldFolder& folder, bool forAppending = true);
    // Sorted by bytes.
    const std::vector<std::string>& OwnedFiles() const { return owned_; }
    // The copies an earlier run parked and did not get to delete.
    const std::vector<ParkedCopy>& ParkedCopies() const { return parked_; }
    // True when the file `name` of `folder` is the copy the record lists under `listed`.
    bool IsRecordedCopy(const HeldFolder& folder, const std::string& name,
                        const std::string& listed) const;

    // Rewrites the record empty, atomically, and keeps it open for appending.
    IoOutcome Restart(const HeldFolder& folder);
    // Lets go of the record.
    void Close();
    // Appends the entry of the copy `name`, whose bytes have `checksum` (Checksum) and whose
    // file has `status`.
    IoOutcome Append(const std::string& name, uint64_t checksum, const EntryStatus& status);
    // Appends that the copy `name` is parked as `parked`.
    IoOutcome AppendParked(const ParkedCopy& parked);

private:
    // Appends one line whole, or nothing: what a failed write left is cut off again.
    IoOutcome AppendLine(const std::string& line);

    std::vector<RecordEntry> entries_;
    std::vector<std::string> owned_;
    std::vector<ParkedCopy> parked_;
    int fd_ = -1;
};

}  // namespace pixtrim
