// The per-user settings store: each setting is a text value under application, section
// and key, kept by QSettings in the user's scope in a file of INI layout whose values are
// the raw text after "=" (no type deserialisation, no fallback files; every byte of a
// value, line breaks and bytes that are not UTF-8 included, comes back as written). The application
// name comes from the configuration file name ("Pixtrim.cfg" gives Pixtrim); no file of that name
// is read or written. Called only on the window's thread.
#pragma once

#include <QSettings>
#include <string>

#include "settings/Settings.h"

namespace pixtrim {

// Makes `folder` current, then reads every stored, non-empty value over `settings`.
// A stored number outside its field's range leaves the field as it is.
void LoadConfiguration(Settings& settings, const std::string& folder);

// What a write of the store answered: success, or why not (the system's words, or ours for
// a lock that could not be had).
struct [[nodiscard]] StoreOutcome {
    std::string reason;
    explicit operator bool() const { return reason.empty(); }
};

// Makes `folder` current, then writes every key, also unchanged and empty ones. Paths are
// kept exactly; other texts are trimmed of blanks. The file is written whole beside the old
// one and renamed over it, under a lock that is waited for a few seconds at most; a store
// that is a link is written through it (the link stays, its target is replaced beside
// itself), and the file keeps its permissions. What a killed write left beside it goes. On
// failure (a full disk, a lock that cannot be had) the old file is as it was.
StoreOutcome SaveConfiguration(const Settings& settings, const std::string& folder);

// Every setting as the store writes it.
std::string SettingsText(const Settings& settings);

// The file that holds the store (for messages).
std::string ConfigurationStoreFile();
// The store's file format, for pointing it elsewhere with QSettings::setPath (tests).
QSettings::Format ConfigurationFormat();

// The store's file text into keys ("SECTION/KEY") and raw byte values, and back. Any text
// parses; formatting what was parsed parses back to the same.
QSettings::SettingsMap ParseStoreText(const QByteArray& text);
QByteArray FormatStoreText(const QSettings::SettingsMap& map);

// The stored text, empty when absent. `configurationPath` names the configuration file,
// whose name without folder and extension is the application name.
std::string ReadConfigurationValue(const std::string& configurationPath, const std::string& section,
                                   const std::string& key);
StoreOutcome WriteConfigurationValue(const std::string& configurationPath,
                                     const std::string& section, const std::string& key,
                                     const std::string& value);

}  // namespace pixtrim
