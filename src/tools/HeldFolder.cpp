#include "tools/HeldFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <utility>

#include "tools/Tools.h"

namespace pixtrim {
namespace {

IoOutcome Failed() { return {errno != 0 ? errno : EIO}; }

// Calls `call` again while a signal interrupts it.
template <typename Call>
auto Retrying(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

void CloseDescriptor(int fd) {
    if (fd >= 0) close(fd);
}

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

bool HasKind(int folder, const dirent& entry, EntryKind kind) {
    unsigned char type = entry.d_type;
    if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat status;
        if (fstatat(folder, entry.d_name, &status, 0) != 0) return false;
        type = S_ISREG(status.st_mode) ? DT_REG : S_ISDIR(status.st_mode) ? DT_DIR : DT_UNKNOWN;
    }
    return type == (kind == EntryKind::RegularFile ? DT_REG : DT_DIR);
}

// The mode of `name` itself (a link is not followed); 0 when it cannot be read.
mode_t ModeOf(int folder, const char* name) {
    struct stat status;
    return fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0 ? status.st_mode : 0;
}

// The folder of `path` ("." for a bare name) held, and the name in it.
IoOutcome OpenFolderOf(const std::string& path, HeldFolder& folder, std::string& name) {
    const std::string parent = ParentFolder(path);
    name = GetTextAfterLast(path, "/");
    return HeldFolder::Open(parent.empty() ? "." : parent, folder);
}

// Calls `visit(folder descriptor, entry)` for each entry but "." and ".." until it answers
// false. The walk gets a descriptor of its own: closedir closes it, and `fd` stays open.
template <typename Visit>
IoOutcome WalkEntries(int fd, Visit visit) {
    const int own = Retrying([&] { return openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (own < 0) return Failed();
    DIR* folder = fdopendir(own);
    if (!folder) {
        const IoOutcome outcome = Failed();
        close(own);
        return outcome;
    }
    IoOutcome outcome;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(folder);
        if (!entry) {
            if (errno != 0) outcome = Failed();
            break;
        }
        if (!IsDotOrDotDot(entry->d_name) && !visit(own, *entry)) break;
    }
    closedir(folder);
    return outcome;
}

EntryStatus StatusOf(const struct stat& info) {
    // Nanoseconds hold 1678 to 2261; a time beyond (ext4 keeps up to 2446) is the nearest.
    constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 1000000000 - 1;
    const int64_t seconds = std::clamp<int64_t>(info.st_mtim.tv_sec, -kLimit, kLimit);
    return {S_ISREG(info.st_mode), static_cast<uint64_t>(info.st_size),
            seconds * 1000000000 + info.st_mtim.tv_nsec, info.st_dev, info.st_ino};
}

constexpr char kTemporaryPrefix[] = ".pixtrim-";
constexpr size_t kRandomDigits = 16;

// A temporary's name: the prefix, then 16 hexadecimal digits.
bool IsTemporaryName(std::string_view name) {
    const std::string_view prefix = kTemporaryPrefix;
    return name.size() == prefix.size() + kRandomDigits && name.starts_with(prefix) &&
           name.find_first_not_of("0123456789abcdef", prefix.size()) == std::string_view::npos;
}

IoOutcome RandomName(std::string& name) { return UnpredictableName(kTemporaryPrefix, name); }

// A temporary file under a random name, made with O_EXCL (a collision takes another).
IoOutcome MakeTemporary(int folder, std::string& name, int& fd) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (const IoOutcome named = RandomName(name); !named) return named;
        fd = Retrying([&] {
            return openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        });
        if (fd >= 0) return {};
        if (errno != EEXIST) return Failed();
    }
    return {EEXIST};
}

// Links the unnamed file `fd` as `name` in `folder`; EEXIST when the name is taken.
IoOutcome LinkUnnamedAs(int fd, int folder, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return {};
    if (errno != ENOENT) return Failed();
    // Without /proc mounted: the same through the descriptor (needs the privilege).
    return linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0 ? IoOutcome{} : Failed();
}

// Links the unnamed file `fd` under a fresh temporary name, answered in `name`.
IoOutcome LinkUnnamed(int fd, int folder, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (const IoOutcome named = RandomName(name); !named) return named;
        const IoOutcome linked = LinkUnnamedAs(fd, folder, name);
        if (linked.error != EEXIST) return linked;
    }
    return {EEXIST};
}

// Renames `from` to `to`; Replace::No refuses an existing `to` (EEXIST), also where the
// filesystem has no such rename (then by a check just before).
IoOutcome RenameInto(int folder, const std::string& from, const std::string& to, Replace replace) {
    if (replace == Replace::No) {
        if (renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return {};
        if (errno != EINVAL && errno != ENOSYS) return Failed();
        struct stat info;
        if (fstatat(folder, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) return {EEXIST};
    }
    return renameat(folder, from.c_str(), folder, to.c_str()) == 0 ? IoOutcome{} : Failed();
}

}  // namespace

std::string IoOutcome::Reason() const { return std::strerror(error); }

HeldFolder::~HeldFolder() { CloseDescriptor(fd_); }

HeldFolder::HeldFolder(HeldFolder&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

HeldFolder& HeldFolder::operator=(HeldFolder&& other) noexcept {
    if (this != &other) {
        CloseDescriptor(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

IoOutcome HeldFolder::Open(const std::string& path, HeldFolder& folder) {
    if (path.empty()) return {ENOENT};
    const int fd = Retrying([&] { return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0) return Failed();
    folder = HeldFolder(fd);
    return {};
}

IoOutcome HeldFolder::OpenChild(const std::string& name, HeldFolder& child) const {
    const int fd = Retrying(
        [&] { return openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); });
    if (fd < 0) return Failed();
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISDIR(status.st_mode)) {
        close(fd);
        return {ENOTDIR};
    }
    child = HeldFolder(fd);
    return {};
}

IoOutcome HeldFolder::MakeChild(const std::string& name) const {
    return mkdirat(fd_, name.c_str(), 0777) == 0 ? IoOutcome{} : Failed();
}

IoOutcome HeldFolder::RemoveChild(const std::string& name) const {
    return unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0 ? IoOutcome{} : Failed();
}

IoOutcome HeldFolder::RemoveFile(const std::string& name) const {
    return unlinkat(fd_, name.c_str(), 0) == 0 ? IoOutcome{} : Failed();
}

IoOutcome HeldFolder::Status(const std::string& name, EntryStatus& status) const {
    struct stat info;
    const int done =
        name.empty() ? fstat(fd_, &info) : fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW);
    if (done != 0) return Failed();
    status = StatusOf(info);
    return {};
}

IoOutcome HeldFolder::LockExclusive() const {
    return Retrying([&] { return flock(fd_, LOCK_EX | LOCK_NB); }) == 0 ? IoOutcome{} : Failed();
}

IoOutcome HeldFolder::List(EntryKind kind, std::vector<std::string>& names) const {
    names.clear();
    const IoOutcome outcome = WalkEntries(fd_, [&](int folder, const dirent& entry) {
        if (HasKind(folder, entry, kind)) names.emplace_back(entry.d_name);
        return true;
    });
    SortNamesIgnoringCase(names);
    return outcome;
}

bool HeldFolder::IsEmpty() const {
    bool empty = true;
    const IoOutcome outcome = WalkEntries(fd_, [&](int, const dirent&) { return empty = false; });
    return outcome && empty;
}

bool HeldFolder::HoldsOnly(const std::string& name) const {
    bool only = true;
    const IoOutcome outcome =
        WalkEntries(fd_, [&](int, const dirent& entry) { return only = name == entry.d_name; });
    return outcome && only;
}

bool HeldFolder::CanBeListed() const {
    return bool(WalkEntries(fd_, [](int, const dirent&) { return false; }));
}

bool HeldFolder::IsRegularFile(const std::string& name) const {
    return S_ISREG(ModeOf(fd_, name.c_str()));
}

bool HeldFolder::IsLink(const std::string& name) const {
    return S_ISLNK(ModeOf(fd_, name.c_str()));
}

OpenFile::~OpenFile() { CloseDescriptor(fd_); }

OpenFile::OpenFile(OpenFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), modifiedNs_(other.modifiedNs_) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        CloseDescriptor(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
        modifiedNs_ = other.modifiedNs_;
    }
    return *this;
}

size_t OpenFile::ReadAt(uint64_t offset, void* into, size_t count) const {
    size_t done = 0;
    while (done < count) {
        const ssize_t read = Retrying([&] {
            return pread(fd_, static_cast<char*>(into) + done, count - done, off_t(offset + done));
        });
        if (read <= 0) break;
        done += size_t(read);
    }
    return done;
}

IoOutcome OpenFile::ReadAll(std::string& bytes) const {
    bytes.resize(size_);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = Retrying(
            [&] { return pread(fd_, bytes.data() + done, bytes.size() - done, off_t(done)); });
        if (count < 0) {
            const IoOutcome failed = Failed();
            bytes.clear();
            return failed;
        }
        if (count == 0) break;  // shrank meanwhile: what is there is the file
        done += static_cast<size_t>(count);
    }
    bytes.resize(done);
    return {};
}

IoOutcome HeldFolder::OpenRegularFile(const std::string& name, OpenFile& file,
                                      bool followLink) const {
    // O_NONBLOCK: opening a FIFO must not wait for a writer that never comes.
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    OpenFile opened;
    opened.fd_ = Retrying([&] { return openat(fd_, name.c_str(), flags); });
    if (opened.fd_ < 0) return Failed();
    struct stat status;
    if (fstat(opened.fd_, &status) != 0) return Failed();
    if (!S_ISREG(status.st_mode)) return {EINVAL};
    opened.size_ = static_cast<uint64_t>(status.st_size);
    opened.modifiedNs_ = StatusOf(status).modifiedNs;
    file = std::move(opened);
    return {};
}

IoOutcome HeldFolder::ReadRegularFile(const std::string& name, std::string& bytes, size_t limit,
                                      bool followLink) const {
    bytes.clear();
    OpenFile file;
    if (const IoOutcome opened = OpenRegularFile(name, file, followLink); !opened) return opened;
    if (file.Size() > limit) return {EFBIG};
    return file.ReadAll(bytes);
}

IoOutcome HeldFolder::ReadFileStart(const std::string& name, size_t count, std::string& bytes,
                                    uint64_t* size) const {
    bytes.clear();
    OpenFile file;
    if (const IoOutcome opened = OpenRegularFile(name, file); !opened) return opened;
    if (size) *size = file.Size();
    bytes.resize(std::min<uint64_t>(count, file.Size()));
    bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()));
    return {};
}

IoOutcome HeldFolder::WriteFileAtomically(const std::string& name, std::string_view bytes,
                                          Replace replace, const BeforeName& beforeName, bool sync,
                                          int mode, int64_t modifiedNs) const {
    // Unnamed where the filesystem can (nothing to leave behind, even after kill -9).
    int fd = Retrying([&] { return openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); });
    const bool unnamed = fd >= 0;
    std::string temporary;  // the name the file has before `name`, when it has one
    if (!unnamed) {
        if (const IoOutcome made = MakeTemporary(fd_, temporary, fd); !made) return made;
    }
    IoOutcome outcome = WriteAll(fd, bytes);
    if (outcome && mode != -1 && fchmod(fd, mode_t(mode)) != 0) outcome = Failed();
    if (outcome && modifiedNs != kNoTime) {
        // Access time now, not left out: bindfs drops the whole change when one is left out.
        // Seconds rounded down: a time before 1970 has its nanoseconds counted forward.
        const int64_t seconds = modifiedNs / 1000000000 - (modifiedNs % 1000000000 < 0 ? 1 : 0);
        const timespec times[2] = {{0, UTIME_NOW}, {seconds, modifiedNs - seconds * 1000000000}};
        if (futimens(fd, times) != 0) outcome = Failed();
    }
    if (outcome && sync && fsync(fd) != 0) outcome = Failed();
    if (outcome && beforeName) {
        struct stat info;
        outcome = fstat(fd, &info) == 0 ? beforeName(StatusOf(info)) : Failed();
    }
    if (outcome && unnamed) {
        // The unnamed file gets a name: `name` itself, or a temporary one to rename over it.
        if (replace == Replace::Yes) {
            outcome = LinkUnnamed(fd, fd_, temporary);
            if (!outcome) temporary.clear();
        } else {
            outcome = LinkUnnamedAs(fd, fd_, name);
        }
    }
    if (close(fd) != 0 && outcome) outcome = Failed();
    if (outcome && !temporary.empty()) outcome = RenameInto(fd_, temporary, name, replace);
    if (!outcome && !temporary.empty()) unlinkat(fd_, temporary.c_str(), 0);
    return outcome;
}

IoOutcome HeldFolder::Rename(const std::string& from, const std::string& to,
                             Replace replace) const {
    return RenameInto(fd_, from, to, replace);
}

void HeldFolder::RemoveStaleTemporaries(int64_t beforeNs) const {
    std::vector<std::string> stale;
    (void)WalkEntries(fd_, [&](int folder, const dirent& entry) {
        struct stat info;
        if (IsTemporaryName(entry.d_name) &&
            fstatat(folder, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && StatusOf(info).modifiedNs < beforeNs) {
            stale.emplace_back(entry.d_name);
        }
        return true;
    });
    for (const std::string& name : stale) (void)RemoveFile(name);
}

IoOutcome HeldFolder::OpenForAppend(const std::string& name, int& fd) const {
    fd = Retrying([&] {
        return openat(fd_, name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                      0666);
    });
    return fd >= 0 ? IoOutcome{} : Failed();
}

IoOutcome UnpredictableName(const std::string& prefix, std::string& name) {
    uint64_t random = 0;
    if (getrandom(&random, sizeof random, 0) != sizeof random) return Failed();
    static const char kHex[] = "0123456789abcdef";
    name = prefix;
    for (size_t i = 0; i < kRandomDigits; ++i, random >>= 4) name += kHex[random & 15];
    return {};
}

int64_t FileTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

IoOutcome WriteAll(int fd, std::string_view bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t count =
            Retrying([&] { return write(fd, bytes.data() + done, bytes.size() - done); });
        if (count < 0) return Failed();
        if (count == 0) return {EIO};
        done += static_cast<size_t>(count);
    }
    return {};
}

IoOutcome ReadRegularFile(const std::string& path, std::string& bytes, size_t limit) {
    HeldFolder folder;
    std::string name;
    if (const IoOutcome opened = OpenFolderOf(path, folder, name); !opened) return opened;
    return folder.ReadRegularFile(name, bytes, limit);
}

IoOutcome WriteFileAtomically(const std::string& path, std::string_view bytes, bool sync,
                              int mode) {
    HeldFolder folder;
    std::string name;
    if (const IoOutcome opened = OpenFolderOf(path, folder, name); !opened) return opened;
    if (name.empty()) return {EISDIR};
    return folder.WriteFileAtomically(name, bytes, Replace::Yes, {}, sync, mode);
}

std::vector<std::string> ListFolder(const std::string& folder, EntryKind kind) {
    std::vector<std::string> names;
    HeldFolder held;
    if (HeldFolder::Open(folder, held)) (void)held.List(kind, names);
    return names;
}

bool IsReadableFolder(const std::string& path) {
    HeldFolder folder;
    return HeldFolder::Open(path, folder) && folder.CanBeListed();
}

}  // namespace pixtrim
