#include "app/ConfigurationFile.h"

#include <QSettings>
#include <QStringList>
#include <memory>
#include <variant>

#include "tools/Tools.h"

namespace pixtrim {
namespace {

using Field = std::variant<bool Settings::*, std::string Settings::*, uint8_t Settings::*,
                           int16_t Settings::*>;

struct KeyRow {
    const char* section;
    const char* key;
    Field field;
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
    {"CONFIGURATION", "DIR RESIZED", &Settings::ResizedFolderName},
    {"CONFIGURATION", "FILTERS IMAGES", &Settings::ImageFilters},
    {"CONFIGURATION", "DESTINATION PATH", &Settings::ImageFolder},
};

std::string ConfigurationPath(const std::string& folder) {
    return folder + "/" + kConfigurationFileName;
}

std::unique_ptr<QSettings> OpenStore(const std::string& configurationPath) {
    const std::string application =
        GetTextBeforeLast(GetTextAfterLast(configurationPath, "/"), ".");
    const QString name = QString::fromStdString(application);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, name, name);
}

QString StoreKey(const std::string& section, const std::string& key) {
    return QString::fromStdString(section + "/" + key);
}

std::string ReadValue(QSettings& store, const std::string& section, const std::string& key) {
    const QVariant value = store.value(StoreKey(section, key), QString());
    // A hand-edited INI value with unquoted commas reads as a list: keep it as one text.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(", ").toStdString();
    }
    return value.toString().toStdString();
}

void WriteValue(QSettings& store, const std::string& section, const std::string& key,
                const std::string& value) {
    store.setValue(StoreKey(section, key), QString::fromStdString(value));
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

std::string FormatField(const Settings& settings, const Field& field) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& source = settings.*member;
            using Type = std::decay_t<decltype(source)>;
            if constexpr (std::is_same_v<Type, bool>) {
                return source ? "1" : "0";
            } else if constexpr (std::is_same_v<Type, std::string>) {
                return TrimBlanks(source);
            } else {
                return std::to_string(source);
            }
        },
        field);
}

}  // namespace

void LoadConfiguration(Settings& settings, const std::string& folder) {
    ChangeCurrentFolder(folder);
    const auto store = OpenStore(ConfigurationPath(folder));
    for (const KeyRow& row : kKeys) {
        const std::string value = ReadValue(*store, row.section, row.key);
        if (!value.empty()) ReadField(settings, row.field, value);
    }
}

void SaveConfiguration(const Settings& settings, const std::string& folder) {
    ChangeCurrentFolder(folder);
    const auto store = OpenStore(ConfigurationPath(folder));
    for (const KeyRow& row : kKeys) {
        WriteValue(*store, row.section, row.key, FormatField(settings, row.field));
    }
    store->sync();
}

std::string ReadConfigurationValue(const std::string& configurationPath, const std::string& section,
                                   const std::string& key) {
    return ReadValue(*OpenStore(configurationPath), section, key);
}

void WriteConfigurationValue(const std::string& configurationPath, const std::string& section,
                             const std::string& key, const std::string& value) {
    WriteValue(*OpenStore(configurationPath), section, key, value);
}

}  // namespace pixtrim
