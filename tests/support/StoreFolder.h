// Points the per-user settings store at a temporary folder for the length of a test, so
// that tests never touch the real one.
#pragma once

#include <QSettings>

#include "settings/ConfigurationFile.h"

#include "support/TempFolder.h"

namespace pixtrim::test {

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
