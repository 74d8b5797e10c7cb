// The per-user settings store: each setting is a text value under application, section
// and key, kept by QSettings in INI format in the user's scope. The application name comes
// from the configuration file name ("Pixtrim.cfg" gives Pixtrim); no file of that name is
// read or written. Called only on the window's thread.
#pragma once

#include <string>

#include "app/Settings.h"

namespace pixtrim {

// Makes `folder` current, then reads every stored, non-empty value over `settings`.
// A stored number outside its field's range leaves the field as it is.
void LoadConfiguration(Settings& settings, const std::string& folder);

// Makes `folder` current, then writes every key, also unchanged and empty ones.
void SaveConfiguration(const Settings& settings, const std::string& folder);

// The stored text, empty when absent. `configurationPath` names the configuration file,
// whose name without folder and extension is the application name.
std::string ReadConfigurationValue(const std::string& configurationPath, const std::string& section,
                                   const std::string& key);
void WriteConfigurationValue(const std::string& configurationPath, const std::string& section,
                             const std::string& key, const std::string& value);

}  // namespace pixtrim
