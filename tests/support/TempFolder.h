// A fresh temporary folder per test, removed with everything in it afterwards; and the
// per-user settings store pointed at one, so that tests never touch the real store.
#pragma once

#include <sys/resource.h>

#include <QSettings>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/ConfigurationFile.h"
#include "support/Files.h"

namespace pixtrim::test {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pixtrim-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    // A folder of a fixed name in /tmp, made anew: for outputs that show its path.
    explicit TempFolder(const std::string& name) : path_("/tmp/" + name) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::string String() const { return path_.string(); }

    // Writes `content` into the file `name` (folders are created as needed).
    std::string WriteFile(const std::string& name, const std::string& content = "x") const {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }
    std::string MakeFolder(const std::string& name) const {
        std::filesystem::create_directories(path_ / name);
        return (path_ / name).string();
    }
    // Copies the test photo `data` (tests/data) into this folder as `name`.
    void AddPhoto(const std::string& data, const std::string& name) const {
        std::filesystem::copy_file(DataFile(data), path_ / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }

private:
    std::filesystem::path path_;
};

// The names of the entries of `folder`, sorted by bytes; none when it does not exist.
inline std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Puts the current folder back as it was: the code under test changes it on purpose.
class CurrentFolderGuard {
public:
    CurrentFolderGuard() : folder_(std::filesystem::current_path()) {}
    ~CurrentFolderGuard() {
        std::error_code error;
        std::filesystem::current_path(folder_, error);
    }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

private:
    std::filesystem::path folder_;
};

// A disk that fills at `bytes` for this process (a file-size limit, with SIGXFSZ ignored so
// that a write fails with EFBIG instead of ending the test), lifted on destruction.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &original_);
        signal(SIGXFSZ, SIG_IGN);
        rlimit limited = original_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &original_);
        signal(SIGXFSZ, SIG_DFL);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit original_{};
};

// A FUSE view (bindfs) of the folder `under` at the empty folder `at`, with bindfs's
// `options` ("-r": read-only), taken down on destruction. False where FUSE is not allowed.
class FuseView {
public:
    FuseView(const std::string& under, const std::string& at, const std::string& options = "")
        : at_(at) {
        const std::string command =
            "bindfs " + options + " " + ShellQuote(under) + " " + ShellQuote(at) + " 2>/dev/null";
        mounted_ = std::system(command.c_str()) == 0;
    }
    ~FuseView() {
        // Nothing to do when the unmount fails: the temporary folder is left to the system.
        if (mounted_ && std::system(("fusermount -u " + ShellQuote(at_)).c_str()) != 0) return;
    }
    FuseView(const FuseView&) = delete;
    FuseView& operator=(const FuseView&) = delete;
    explicit operator bool() const { return mounted_; }

private:
    std::string at_;
    bool mounted_ = false;
};

class StoreFolder {
public:
    StoreFolder() {
        QSettings::setPath(ConfigurationFormat(), QSettings::UserScope,
                           QString::fromStdString(folder_.String()));
    }
    // The INI file QSettings keeps for the application Pixtrim.
    std::string IniPath() const { return folder_ / "Pixtrim/Pixtrim.ini"; }

private:
    TempFolder folder_;
};

}  // namespace pixtrim::test
