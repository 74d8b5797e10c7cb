#include "settings/ConfigurationFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSettings>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <variant>

#include "tools/HeldFolder.h"
#include "tools/Language.h"
#include "tools/TextCase.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

using Field = std::variant<bool Settings::*, std::string Settings::*, uint8_t Settings::*,
                           int16_t Settings::*>;

struct KeyRow {
    const char* section;
    const char* key;
    Field field;
    bool path = false;  // kept exactly: blanks are part of a name
};

// Read and written in this order.
const KeyRow kKeys[] = {
    {"IHM", "EXIF", &Settings::KeepExif},
    {"IHM", "COPYRIGHT", &Settings::InsertCopyright},
    {"IHM", "IMAGE WIDTH", &Settings::ImageWidth},
    {"IHM", "IMAGE HEIGHT", &Settings::ImageHeight},
    {"IHM", "IMAGE CUSTOM WIDTH", &Settings::CustomWidth},
    {"IHM", "IMAGE CUSTOM HEIGHT", &Settings::CustomHeight},
    {"IHM", "TEXT COPYRIGHT", &Settings::CopyrightText},
    {"IHM", "COPYRIGHT POSITION", &Settings::CopyrightPlace},
    {"IHM", "COPYRIGHT SIZE", &Settings::CopyrightSize},
    {"IHM", "COPYRIGHT FONT", &Settings::CopyrightFont},
    {"IHM", "COPYRIGHT TRANSPARENT", &Settings::CopyrightTransparent},
    {"IHM", "COPYRIGHT OUTLINE", &Settings::CopyrightOutline},
    {"IHM", "COPYRIGHT COLOR", &Settings::CopyrightColor},
    {"IHM", "GPS", &Settings::KeepLocation},
    {"IHM", "KEEP DATES", &Settings::KeepDates},
    {"CONFIGURATION", "DIR RESIZED", &Settings::ResizedFolderName, true},
    {"CONFIGURATION", "FILTERS IMAGES", &Settings::ImageFilters},
    {"CONFIGURATION", "DESTINATION PATH", &Settings::ImageFolder, true},
};

std::string ConfigurationPath(const std::string& folder) {
    return JoinPath(folder, kConfigurationFileName);
}

// The store's file: INI sections and "KEY=value" lines, where the value is the raw text
// after "=" up to the end of the line. Only what the program's own writes need is escaped:
// "\\", line breaks and other control bytes, bytes that are not UTF-8, and trailing blanks
// (which editors drop), as \\, \n, \r, \xHH. Any other backslash stands for itself, so a
// hand-written value comes back as written, ";", ",", "\"", "@" and "#" included.
std::string EscapeValue(const QByteArray& value) {
    std::string text;
    size_t trailingBlanks = 0;
    while (trailingBlanks < size_t(value.size()) &&
           value[value.size() - 1 - qsizetype(trailingBlanks)] == ' ') {
        ++trailingBlanks;
    }
    const size_t end = size_t(value.size()) - trailingBlanks;
    for (size_t i = 0; i < size_t(value.size());) {
        const auto byte = static_cast<unsigned char>(value[qsizetype(i)]);
        const size_t valid =
            i < end ? Utf8SequenceLength(std::string_view(value.data() + i, end - i)) : 0;
        if (byte == '\\') {
            text += "\\\\";
        } else if (byte == '\n') {
            text += "\\n";
        } else if (byte == '\r') {
            text += "\\r";
        } else if (byte < 0x20 || byte == 0x7F || valid == 0) {
            static const char kHex[] = "0123456789ABCDEF";
            text += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
        } else {
            text.append(value.data() + i, valid);
            i += valid;
            continue;
        }
        ++i;
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

QByteArray UnescapeValue(std::string_view text) {
    QByteArray value;
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : 0;
        if (text[i] == '\\' && (next == '\\' || next == 'n' || next == 'r')) {
            value += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
            ++i;
        } else if (text[i] == '\\' && next == 'x' && i + 3 < text.size() &&
                   HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            value += char(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            value += text[i];
        }
    }
    return value;
}

// Keys and section names keep %XX for what would not read back: "%", "=", control bytes,
// blanks at either end, and a first ";", "#" or "[" (comments and sections). The
// toolkit's own INI files wrote blanks so too.
QByteArray EscapeKey(const QString& key) {
    const QByteArray bytes = key.toUtf8();
    QByteArray text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const bool edge = (i == 0 && (byte == ';' || byte == '#' || byte == '[')) ||
                          (byte == ' ' && (i == 0 || i == bytes.size() - 1));
        if (edge || byte == '%' || byte == '=' || byte < 0x20 || byte == 0x7F) {
            text += '%' + QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        } else {
            text += char(byte);
        }
    }
    return text;
}

QString UnescapeKey(std::string_view text) {
    QByteArray key;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            key += char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            key += text[i];
        }
    }
    // Every character kept: QString::fromUtf8 would drop a key's leading byte-order mark.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(key);
}

}  // namespace

QSettings::SettingsMap ParseStoreText(const QByteArray& all) {
    QSettings::SettingsMap map;
    QString section;
    // An editor's UTF-8 byte-order mark is no part of the first line.
    const QByteArray text = all.startsWith("\xEF\xBB\xBF") ? all.mid(3) : all;
    for (const QByteArray& rawLine : text.split('\n')) {
        std::string_view line(rawLine.data(), size_t(rawLine.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string trimmed = TrimBlanks(line);
        if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
        if (trimmed.front() == '[' && trimmed.back() == ']') {
            section = UnescapeKey(std::string_view(trimmed).substr(1, trimmed.size() - 2));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const QString key = UnescapeKey(TrimBlanks(line.substr(0, equals)));
        // As the toolkit holds keys: no empty part between, before or after the "/"s.
        const QString full = (section + "/" + key).split('/', Qt::SkipEmptyParts).join('/');
        map.insert(full, UnescapeValue(line.substr(equals + 1)));
    }
    return map;
}

QByteArray FormatStoreText(const QSettings::SettingsMap& map) {
    QString section;
    QByteArray text;
    for (auto it = map.begin(); it != map.end(); ++it) {
        const qsizetype slash = it.key().indexOf('/');
        const QString keySection = slash < 0 ? QString() : it.key().left(slash);
        if (text.isEmpty() || keySection != section) {
            if (!text.isEmpty()) text += '\n';
            text += '[' + EscapeKey(keySection) + "]\n";
            section = keySection;
        }
        text += EscapeKey(it.key().mid(slash + 1)) + '=' +
                QByteArray::fromStdString(EscapeValue(it.value().toByteArray())) + '\n';
    }
    return text;
}

namespace {

bool ReadStoreDevice(QIODevice& device, QSettings::SettingsMap& map) {
    map = ParseStoreText(device.readAll());
    return true;
}

bool WriteStore(QIODevice& device, const QSettings::SettingsMap& map) {
    const QByteArray text = FormatStoreText(map);
    return device.write(text) == text.size();
}

QSettings::Format StoreFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat("ini", ReadStoreDevice, WriteStore, Qt::CaseSensitive);
    return format;
}

// The application's name is the configuration file's name ("Pixtrim.cfg" gives Pixtrim):
// the store was always found by it, so a renamed program keeps a store of its own.
std::unique_ptr<QSettings> OpenStore(const std::string& configurationPath) {
    const std::string application =
        GetTextBeforeLast(GetTextAfterLast(configurationPath, "/"), ".");
    const QString name = QString::fromUtf8(application);
    auto store = std::make_unique<QSettings>(StoreFormat(), QSettings::UserScope, name, name);
    // Only the user's own file: no system-wide or organisation-wide file is read.
    store->setFallbacksEnabled(false);
    return store;
}

QString StoreKey(const std::string& section, const std::string& key) {
    return QString::fromUtf8(section + "/" + key);
}

// The store's file for the configuration file `configurationPath`, where the toolkit keeps
// a user's INI file for that application.
std::string StorePath(const std::string& configurationPath) {
    return QFile::encodeName(OpenStore(configurationPath)->fileName()).toStdString();
}

// With `bytes`, answers there the file's bytes as read.
QSettings::SettingsMap ReadStore(const std::string& path, std::string* bytes = nullptr) {
    std::string read;
    std::string& text = bytes ? *bytes : read;
    if (!ReadRegularFile(path, text)) text.clear();  // none or unreadable: nothing stored
    return ParseStoreText(QByteArray::fromStdString(text));
}

// The store's lock: a file of ours beside it, locked with flock (released by the system
// even when a process dies). Waits a few seconds at most: a lock that cannot be had is a
// failed write, never a hang.
class StoreLock {
public:
    explicit StoreLock(const std::string& path) : name_(path + ".lock") {
        const char* why = Take();
        if (why) failure_ = Arg(Tr("verrou %1 : %2"), {name_, Tr(why)});
    }
    ~StoreLock() {
        if (fd_ >= 0) close(fd_);
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    // Why the lock could not be had (its file named); empty when it is held.
    const std::string& Failure() const { return failure_; }

private:
    // Why the lock could not be had; nullptr when it is held.
    const char* Take() {
        fd_ = open(name_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd_ < 0) fd_ = open(name_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        struct stat status;
        if (fd_ < 0 || fstat(fd_, &status) != 0) return std::strerror(errno);
        if (!S_ISREG(status.st_mode))
            return QT_TRANSLATE_NOOP("pixtrim", "ce n'est pas un fichier ordinaire");
        for (int wait = 0; wait < 60; ++wait) {
            if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return nullptr;
            if (errno != EWOULDBLOCK && errno != EINTR) return std::strerror(errno);
            usleep(50000);
        }
        return QT_TRANSLATE_NOOP("pixtrim", "un autre programme le tient depuis 3 secondes");
    }

    std::string name_;
    std::string failure_;
    int fd_ = -1;
};

// The file a write of the store at `path` replaces: the store itself, or the file its link
// leads to (a dotfiles setup keeps its link).
std::string WrittenFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    if (!error) return target.string();
    const std::filesystem::path link = std::filesystem::read_symlink(path, error);
    return link.is_absolute() ? link.string() : (ParentFolder(path) + "/" + link.string());
}

// Changes the stored values by `edit`: the whole file is written beside the old one, every
// write checked and on the disk, then renamed over it. Any failure leaves the old file. A
// store that already says the same is left alone: the window stores its settings at every
// run, and waiting on the disk then held up the run's first copy (1 to 12 ms).
template <typename Edit>
StoreOutcome EditStore(const std::string& configurationPath, Edit edit) {
    const std::string path = StorePath(configurationPath);
    std::error_code error;
    std::filesystem::create_directories(ParentFolder(path), error);
    const StoreLock lock(path);
    if (!lock.Failure().empty()) return {lock.Failure()};
    std::string stored;
    QSettings::SettingsMap map = ReadStore(path, &stored);
    edit(map);
    const std::string text = FormatStoreText(map).toStdString();
    if (text == stored && !stored.empty()) return {};
    const std::string file = WrittenFile(path);
    struct stat status;
    const int mode = stat(file.c_str(), &status) == 0 ? int(status.st_mode & 07777) : -1;
    HeldFolder folder;
    if (HeldFolder::Open(ParentFolder(file), folder)) {
        folder.RemoveStaleTemporaries(FileTimeNow());  // what a killed write left, under our lock
    }
    if (const IoOutcome written = WriteFileAtomically(file, text, true, mode); !written) {
        return {written.Reason()};
    }
    return {};
}

std::string ReadValue(const QSettings::SettingsMap& map, const std::string& section,
                      const std::string& key) {
    return map.value(StoreKey(section, key)).toByteArray().toStdString();
}

template <typename Integer>
void ReadNumber(const std::string& text, Integer& field) {
    const auto number = RoundToRange(NumericValue(text), std::numeric_limits<Integer>::min(),
                                     std::numeric_limits<Integer>::max());
    if (number) field = static_cast<Integer>(*number);
}

void ReadField(Settings& settings, const Field& field, const std::string& text) {
    std::visit(
        [&](auto member) {
            auto& target = settings.*member;
            using Type = std::decay_t<decltype(target)>;
            if constexpr (std::is_same_v<Type, bool>) {
                target = text == "1";
            } else if constexpr (std::is_same_v<Type, std::string>) {
                target = text;
            } else {
                ReadNumber(text, target);
            }
        },
        field);
}

std::string FormatField(const Settings& settings, const KeyRow& row) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& source = settings.*member;
            using Type = std::decay_t<decltype(source)>;
            if constexpr (std::is_same_v<Type, bool>) {
                return source ? "1" : "0";
            } else if constexpr (std::is_same_v<Type, std::string>) {
                return row.path ? source : TrimBlanks(source);
            } else {
                return std::to_string(source);
            }
        },
        row.field);
}

}  // namespace

void LoadConfiguration(Settings& settings, const std::string& folder) {
    ChangeCurrentFolder(folder);
    const QSettings::SettingsMap map = ReadStore(StorePath(ConfigurationPath(folder)));
    for (const KeyRow& row : kKeys) {
        const std::string value = ReadValue(map, row.section, row.key);
        if (!value.empty()) ReadField(settings, row.field, value);
    }
}

namespace {

void InsertSettings(const Settings& settings, QSettings::SettingsMap& map) {
    for (const KeyRow& row : kKeys) {
        map.insert(StoreKey(row.section, row.key),
                   QByteArray::fromStdString(FormatField(settings, row)));
    }
}

}  // namespace

StoreOutcome SaveConfiguration(const Settings& settings, const std::string& folder) {
    ChangeCurrentFolder(folder);
    return EditStore(ConfigurationPath(folder),
                     [&](QSettings::SettingsMap& map) { InsertSettings(settings, map); });
}

std::string SettingsText(const Settings& settings) {
    QSettings::SettingsMap map;
    InsertSettings(settings, map);
    return FormatStoreText(map).toStdString();
}

std::string ConfigurationStoreFile() { return StorePath(kConfigurationFileName); }

QSettings::Format ConfigurationFormat() { return StoreFormat(); }

std::string ReadConfigurationValue(const std::string& configurationPath, const std::string& section,
                                   const std::string& key) {
    return ReadValue(ReadStore(StorePath(configurationPath)), section, key);
}

StoreOutcome WriteConfigurationValue(const std::string& configurationPath,
                                     const std::string& section, const std::string& key,
                                     const std::string& value) {
    return EditStore(configurationPath, [&](QSettings::SettingsMap& map) {
        map.insert(StoreKey(section, key), QByteArray::fromStdString(value));
    });
}

}  // namespace pixtrim
