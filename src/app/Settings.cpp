#include "app/Settings.h"

#include "app/ConfigurationFile.h"
#include "tools/Tools.h"

namespace pixtrim {

std::string FindExistingImageFolder(const std::string& folder, const std::string& startFolder) {
    std::string candidate = folder;
    while (!candidate.empty() && !IsExistingFolder(candidate)) {
        std::string parent = GetTextBeforeLast(candidate, "/");
        // "/Photos" climbs to the root, which always exists, not to an empty text.
        if (parent.empty() && candidate.front() == '/') parent = "/";
        candidate = parent;
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
