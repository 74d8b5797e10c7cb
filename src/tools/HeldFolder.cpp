#include "tools/HeldFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
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

IoOutcome HeldFolder::RemoveAllFiles() const {
    std::vector<std::string> files;
    IoOutcome outcome = WalkEntries(fd_, [&](int folder, const dirent& entry) {
        const bool isFolder = entry.d_type == DT_DIR ||
                              (entry.d_type == DT_UNKNOWN && S_ISDIR(ModeOf(folder, entry.d_name)));
        if (!isFolder) files.emplace_back(entry.d_name);
        return true;
    });
    for (size_t i = 0; outcome && i < files.size(); ++i) outcome = RemoveFile(files[i]);
    return outcome;
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

bool HeldFolder::CanBeListed() const {
    return bool(WalkEntries(fd_, [](int, const dirent&) { return false; }));
}

bool HeldFolder::IsRegularFile(const std::string& name) const {
    return S_ISREG(ModeOf(fd_, name.c_str()));
}

bool HeldFolder::IsLink(const std::string& name) const {
    return S_ISLNK(ModeOf(fd_, name.c_str()));
}

IoOutcome HeldFolder::ReadRegularFile(const std::string& name, std::string& bytes,
                                      size_t limit) const {
    bytes.clear();
    // O_NONBLOCK: opening a FIFO must not wait for a writer that never comes.
    const int fd = Retrying(
        [&] { return openat(fd_, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); });
    if (fd < 0) return Failed();
    struct stat status;
    IoOutcome outcome;
    if (fstat(fd, &status) != 0) {
        outcome = Failed();
    } else if (!S_ISREG(status.st_mode)) {
        outcome = {EINVAL};
    } else if (static_cast<unsigned long long>(status.st_size) > limit) {
        outcome = {EFBIG};
    } else {
        bytes.resize(static_cast<size_t>(status.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t count =
                Retrying([&] { return read(fd, bytes.data() + done, bytes.size() - done); });
            if (count < 0) {
                outcome = Failed();
                break;
            }
            if (count == 0) break;  // shrank meanwhile: what is there is the file
            done += static_cast<size_t>(count);
        }
        bytes.resize(done);
    }
    close(fd);
    if (!outcome) bytes.clear();
    return outcome;
}

IoOutcome HeldFolder::WriteFileAtomically(const std::string& name, std::string_view bytes) const {
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = ".pixtrim-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = Retrying([&] {
            return openat(fd_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        });
        if (fd < 0 && errno != EEXIST) return Failed();
    }
    if (fd < 0) return {EEXIST};
    IoOutcome outcome;
    for (size_t done = 0; outcome && done < bytes.size();) {
        const ssize_t count =
            Retrying([&] { return write(fd, bytes.data() + done, bytes.size() - done); });
        if (count <= 0) {
            outcome = count < 0 ? Failed() : IoOutcome{EIO};
        } else {
            done += static_cast<size_t>(count);
        }
    }
    if (close(fd) != 0 && outcome) outcome = Failed();
    if (outcome && renameat(fd_, temporary.c_str(), fd_, name.c_str()) != 0) outcome = Failed();
    if (!outcome) unlinkat(fd_, temporary.c_str(), 0);
    return outcome;
}

IoOutcome ReadRegularFile(const std::string& path, std::string& bytes, size_t limit) {
    HeldFolder folder;
    std::string name;
    if (const IoOutcome opened = OpenFolderOf(path, folder, name); !opened) return opened;
    return folder.ReadRegularFile(name, bytes, limit);
}

IoOutcome WriteFileAtomically(const std::string& path, std::string_view bytes) {
    HeldFolder folder;
    std::string name;
    if (const IoOutcome opened = OpenFolderOf(path, folder, name); !opened) return opened;
    if (name.empty()) return {EISDIR};
    return folder.WriteFileAtomically(name, bytes);
}

std::vector<std::string> ListFolder(const std::string& folder, EntryKind kind) {
    std::vector<std::string> names;
    HeldFolder held;
    if (HeldFolder::Open(folder, held)) held.List(kind, names);
    return names;
}

bool IsReadableFolder(const std::string& path) {
    HeldFolder folder;
    return HeldFolder::Open(path, folder) && folder.CanBeListed();
}

bool RemoveFolderIfEmpty(const HeldFolder& parent, const std::string& name, HeldFolder& folder) {
    if (!folder.IsOpen()) return false;
    if (folder.IsRegularFile("Thumbs.db")) folder.RemoveFile("Thumbs.db");
    // By name, but harmless: rmdir never follows a link and never removes what holds files.
    if (!folder.IsEmpty() || !parent.RemoveChild(name)) return true;
    folder = HeldFolder();
    return false;
}

}  // namespace pixtrim
