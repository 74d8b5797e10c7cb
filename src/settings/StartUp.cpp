#include "settings/StartUp.h"

#include "settings/ConfigurationFile.h"
#include "tools/HeldFolder.h"
#include "tools/Tools.h"

namespace pixtrim {

std::string FindExistingImageFolder(const std::string& folder, const std::string& startFolder) {
    std::string candidate = folder;
    while (!candidate.empty() && !IsReadableFolder(candidate)) {
        // "/Photos" climbs to the root, which always exists, not to an empty text.
        candidate = ParentFolder(candidate);
    }
    return candidate.empty() ? startFolder : candidate;
}

void PrepareSettings(Settings& settings, const std::string& startFolder) {
    settings = Settings{};
    settings.AppFolder = startFolder;
    settings.ImageFolder = startFolder;
    LoadConfiguration(settings, settings.AppFolder);
    settings.ImageFolder = FindExistingImageFolder(settings.ImageFolder, settings.AppFolder);
}

}  // namespace pixtrim
