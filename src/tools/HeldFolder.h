// Files and folders by raw-byte name. A folder that the program writes into is held open by
// descriptor, and every create, delete and rename goes through that descriptor: another
// process that renames the folder or swaps a link in its place meanwhile can never redirect
// a write or a delete to somewhere else. Nothing here throws.
// Threading: a HeldFolder may be used from several threads at once (the calls are the
// system's own); moving or destroying it may not overlap with its use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace pixtrim {

// What a system call answered: success, or the errno that says why not.
struct [[nodiscard]] IoOutcome {
    int error = 0;
    explicit operator bool() const { return error == 0; }
    // The system's own wording of the error, in the user's language where it has one.
    std::string Reason() const;
};

enum class EntryKind { RegularFile, Folder };

// No modification time given: the system's own.
constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();

// What the system says of one entry itself (a link is not followed).
struct EntryStatus {
    bool regular = false;
    uint64_t size = 0;
    int64_t modifiedNs = 0;  // modification time, nanoseconds since 1970 (1678 to 2261)
    uint64_t device = 0;
    uint64_t inode = 0;
};

// How a finished file takes its name.
enum class Replace { Yes, No };

// Source files larger than this are not read (no real JPEG comes close).
inline constexpr size_t kMaxFileBytes = size_t{1} << 30;

// A regular file opened once for reading, closed with the object. Threading: one user at
// a time.
class OpenFile {
public:
    OpenFile() = default;
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept;
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // The file's size, and its modification time (nanoseconds since 1970), when it was
    // opened.
    uint64_t Size() const { return size_; }
    int64_t ModifiedNs() const { return modifiedNs_; }
    // Reads at most `count` bytes from `offset` into `into`; how many it read (0 at the end,
    // or on failure).
    size_t ReadAt(uint64_t offset, void* into, size_t count) const;
    // Reads the file whole, as it is now: one that shrank meanwhile gives what is there.
    IoOutcome ReadAll(std::string& bytes) const;

private:
    friend class HeldFolder;
    int fd_ = -1;
    uint64_t size_ = 0;
    int64_t modifiedNs_ = 0;
};

class HeldFolder {
public:
    HeldFolder() = default;
    ~HeldFolder();
    HeldFolder(HeldFolder&& other) noexcept;
    HeldFolder& operator=(HeldFolder&& other) noexcept;
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    // Holds the folder `path` (a link to a folder is followed: it is the user's choice).
    static IoOutcome Open(const std::string& path, HeldFolder& folder);
    bool IsOpen() const { return fd_ >= 0; }

    // Holds the sub-folder `name`, never through a link: ELOOP or ENOTDIR when `name` is a
    // link or not a folder.
    IoOutcome OpenChild(const std::string& name, HeldFolder& child) const;
    IoOutcome MakeChild(const std::string& name) const;
    // Removes the sub-folder `name` when it is empty; never recurses, never follows a link.
    IoOutcome RemoveChild(const std::string& name) const;
    // Deletes the entry `name` when it is not a folder (a link itself, not its target).
    IoOutcome RemoveFile(const std::string& name) const;
    // The entry `name` itself; with an empty name, the held folder.
    IoOutcome Status(const std::string& name, EntryStatus& status) const;
    // Takes an exclusive lock on the held folder without waiting: EWOULDBLOCK when another
    // process holds it. Released when the folder is let go of.
    IoOutcome LockExclusive() const;

    // The names of the entries of one kind (links followed to decide), hidden ones
    // included, sorted as a user reads them (letter case ignored, then by bytes).
    IoOutcome List(EntryKind kind, std::vector<std::string>& names) const;
    // True when the folder holds no entry at all (and could be read).
    bool IsEmpty() const;
    // True when the folder holds no entry but `name` (and could be read).
    bool HoldsOnly(const std::string& name) const;
    // True when the folder's entries can be read (only the first is).
    bool CanBeListed() const;
    // True when `name` is a regular file itself, not a link to one.
    bool IsRegularFile(const std::string& name) const;
    // True when `name` is a symbolic link.
    bool IsLink(const std::string& name) const;

    // Reads the whole file `name` once; it must be a regular file (a FIFO or a device is
    // refused with EINVAL without blocking) of at most `limit` bytes (EFBIG beyond). With
    // `followLink` false a link in its place is refused (ELOOP).
    IoOutcome ReadRegularFile(const std::string& name, std::string& bytes,
                              size_t limit = kMaxFileBytes, bool followLink = true) const;
    // Reads at most the first `count` bytes of the regular file `name` (links followed), as
    // ReadRegularFile does: a FIFO or a device is refused (EINVAL) without blocking. With
    // `size`, answers the whole file's size there.
    IoOutcome ReadFileStart(const std::string& name, size_t count, std::string& bytes,
                            uint64_t* size = nullptr) const;
    // Opens the regular file `name` for reading, as ReadRegularFile does (EINVAL for a FIFO
    // or a device; with `followLink` false, ELOOP for a link).
    IoOutcome OpenRegularFile(const std::string& name, OpenFile& file,
                              bool followLink = true) const;

    // Writes `bytes` as the file `name`, whole or not at all. The file is made unnamed
    // (O_TMPFILE) where the filesystem can, else under a hidden name with an unpredictable
    // part; either way a kill at any moment leaves no half file under `name`. `beforeName`
    // is told the finished file's status just before it takes its name, and may veto it.
    // Replace::No never takes the place of an existing entry (EEXIST). `sync` waits for the
    // bytes to reach the disk first; `mode`, when not -1, is given to the file before it
    // takes its name, and so is `modifiedNs` (nanoseconds since 1970, before it too), unless
    // kNoTime, as its modification time (the status `beforeName` is told has it). On
    // failure no temporary file is left and an existing file `name` is as it was.
    using BeforeName = std::function<IoOutcome(const EntryStatus&)>;
    IoOutcome WriteFileAtomically(const std::string& name, std::string_view bytes,
                                  Replace replace = Replace::Yes, const BeforeName& beforeName = {},
                                  bool sync = false, int mode = -1,
                                  int64_t modifiedNs = kNoTime) const;
    // Opens `name` for appending, made when missing, never through a link. The descriptor
    // is the caller's to close.
    IoOutcome OpenForAppend(const std::string& name, int& fd) const;
    // Renames the entry `from` to `to` in the folder (a link itself, never followed);
    // Replace::No never takes the place of an existing entry (EEXIST).
    IoOutcome Rename(const std::string& from, const std::string& to, Replace replace) const;
    // Removes what a write of this program left behind when it was killed: the regular
    // files named as its temporaries are (".pixtrim-" and 16 hexadecimal digits) and last
    // changed before `beforeNs` (nanoseconds since 1970), so that no other run's write in
    // progress is touched. Links and everything else stay.
    void RemoveStaleTemporaries(int64_t beforeNs) const;

private:
    explicit HeldFolder(int fd) : fd_(fd) {}
    IoOutcome ReadFile(const std::string& name, std::string& bytes, size_t limit, bool followLink,
                       bool start) const;
    int fd_ = -1;
};

// The same operations for callers that have a path: the folder of `path` is held for the
// length of the call.
IoOutcome ReadRegularFile(const std::string& path, std::string& bytes,
                          size_t limit = kMaxFileBytes);
IoOutcome WriteFileAtomically(const std::string& path, std::string_view bytes, bool sync = false,
                              int mode = -1);
// Writes all of `bytes` to the descriptor `fd`, retrying short writes.
IoOutcome WriteAll(int fd, std::string_view bytes);
// A hidden name no other process can predict: `prefix` and 16 hexadecimal digits.
IoOutcome UnpredictableName(const std::string& prefix, std::string& name);
// The time now, as a file's modification time counts it (nanoseconds since 1970).
int64_t FileTimeNow();
// The sorted names of the entries of one kind of `folder`; empty when it cannot be read.
std::vector<std::string> ListFolder(const std::string& folder, EntryKind kind);
// True when `path` names a folder that can be opened and listed.
bool IsReadableFolder(const std::string& path);

}  // namespace pixtrim
