// The output sub-folder, and the one home of its rule: only what the program wrote there is
// its own. It is opened once (never through a link) and locked for one run; every write
// and delete goes through that descriptor, so a rename or a link swapped in meanwhile
// sends nothing elsewhere. Its record (OutputRecord) lists each copy written there; a run
// refuses the names a file not the program's holds, deletes the earlier copies still as
// written and nothing else, writes each copy whole (recorded before it takes its name,
// never over another file), and removes what a killed run left: its temporaries and its
// parked copies. Called only on the run's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/OutputRecord.h"
#include "tools/HeldFolder.h"

namespace pixtrim {

class OutputFolder {
public:
    // Holds the sub-folder `name` of `parent` when it exists (not held then, and no error,
    // when it does not), locked for this run alone; checks that the name still leads to the
    // folder locked (else it was swapped meanwhile: again) and that it is not the image
    // folder `images` itself (ELOOP).
    IoOutcome Hold(const HeldFolder& parent, const std::string& name, const HeldFolder& images);
    // Holds it, made first when it does not exist.
    IoOutcome Make(const HeldFolder& parent, const std::string& name, const HeldFolder& images);
    bool IsHeld() const { return folder_.IsOpen(); }
    // Why `outcome` of Hold or Make, in the run's words (a link in the folder's place, a busy
    // folder, the image folder itself), else the system's.
    static std::string HoldFailure(const HeldFolder& parent, const std::string& name,
                                   const IoOutcome& outcome);

    // Tidies the held folder before a run that makes nothing: deletes its "Thumbs.db" (a
    // regular file only) and what a killed run left, then, when it holds nothing but the
    // record, deletes that, removes the folder and lets go of it. Never deletes recursively.
    // True when the folder is still there (and held) afterwards.
    bool RemoveFolderIfEmpty(const HeldFolder& parent, const std::string& name);

    // Reads the record and settles what a killed run parked. Answers in `foreign` the names
    // among `copyNames` held by files the program did not write; a run with any changes
    // nothing. `said`, for each parked file that was not a copy, says where it went.
    IoOutcome ReadRecord(const std::vector<std::string>& copyNames,
                         std::vector<std::string>& foreign, std::vector<std::string>& said);
    // What a run would delete (the names of the copies still as written, of copies a killed
    // run parked, of a "Thumbs.db") and the names among `copyNames` it could not take;
    // changes nothing, makes nothing.
    IoOutcome Plan(const std::vector<std::string>& copyNames, std::vector<std::string>& deleted,
                   std::vector<std::string>& foreign);

    // The name of the file in the folder that the last failure was about (the record's, when
    // it could not be read or written), empty when it was about the folder.
    const std::string& FailedFile() const { return failedFile_; }
    // Why `outcome` failed for a file the program reads or writes, in the run's words where
    // the system's would not say what to fix (a link, a FIFO, a folder in its place).
    static std::string FileFailure(const IoOutcome& outcome);
    // Deletes the earlier copies still as written, each one the very file checked: it is
    // set aside under a private name, checked there, and deleted, or put back (under a
    // recovery name when its own was taken meanwhile: said in `said`). Then deletes the
    // "Thumbs.db" and what a killed run left, and starts the record anew.
    IoOutcome ClearOwnCopies(std::vector<std::string>& said);
    // Writes the copy `name`: whole or not at all, on the record before it has its name (with
    // the time it ends with: `modifiedNs` unless kNoTime), never in the place of another
    // file.
    IoOutcome WriteCopy(const std::string& name, std::string_view bytes, uint64_t checksum,
                        int64_t modifiedNs = kNoTime);
    // Lets go of the folder and its lock.
    void Release();

    // Tests: called once a copy is parked, with its name, before it is checked.
    std::function<void(const std::string& name)> afterParking;

private:
    // Deletes the parked `parked` when it is the copy the record lists as `name`; else puts
    // it back, or under a recovery name. Adds to `said` where it went, when not deleted.
    IoOutcome SettleParked(const ParkedCopy& parked, std::vector<std::string>& said);
    void RemoveLeftovers();
    // The names among `copyNames` held by files the record does not own.
    std::vector<std::string> ForeignNames(const std::vector<std::string>& copyNames) const;

    HeldFolder folder_;
    OutputRecord record_;
    int64_t runStartNs_ = 0;
    std::string failedFile_;
};

// Why a run cannot go ahead when the names of copies to make are held by files the program
// did not write: the first few names, and how many more.
std::string ForeignFilesReason(const std::vector<std::string>& names);

}  // namespace pixtrim
