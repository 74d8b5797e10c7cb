// The transfer between the Settings record and the window's controls, both ways. Setting a
// control runs its reaction, as the user's own change would. Window's thread only.
#pragma once

#include "settings/Settings.h"
#include "window/fIHM.h"

namespace pixtrim {

void ReadSettingsFromWindow(Settings& settings, const fIHM& window);
void ApplySettingsToWindow(const Settings& settings, fIHM& window);

}  // namespace pixtrim
