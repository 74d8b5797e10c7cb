// A fresh temporary folder per test, removed with everything in it afterwards; and the
// per-user settings store pointed at one, so that tests never touch the real store.
#pragma once

#include <QSettings>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/ConfigurationFile.h"

namespace pixtrim::test {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pixtrim-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
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

private:
    std::filesystem::path path_;
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
