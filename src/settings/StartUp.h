// Start-up steps that come before the window: defaults, stored values, an existing folder.
#pragma once

#include <string>

#include "settings/Settings.h"

namespace pixtrim {

// Start-up before the window exists: the defaults, the stored values over them, and an
// image folder that exists. `startFolder` is the process's current folder at start-up.
// Climbs from a lost or unreadable image folder to its nearest ancestor that can be opened
// and listed; the climb ends at the
// root folder, and a relative folder that leads nowhere gives `startFolder`.
// Leaves `AppFolder` as the current folder. Called only on the window's thread.
void PrepareSettings(Settings& settings, const std::string& startFolder);

// The nearest readable folder of `folder` and its ancestors, as above.
std::string FindExistingImageFolder(const std::string& folder, const std::string& startFolder);

}  // namespace pixtrim
