// The user's choices: one record owned by the application and passed by reference.
// Sizes are decimal texts ("800"), turned into integers where they are used.
#pragma once

#include <cstdint>
#include <string>

namespace pixtrim {

inline constexpr const char* kVersion = PIXTRIM_VERSION;  // from CMake's project()
inline constexpr const char* kConfigurationFileName = "Pixtrim.cfg";

struct Settings {
    std::string AppFolder;
    std::string ImageFolder;
    bool KeepExif = true;
    bool InsertCopyright = false;
    std::string ImageWidth = "800";
    std::string ImageHeight = "600";
    // Half the smallest preset, 320 x 240.
    std::string CustomWidth = std::to_string(320 / 2);
    std::string CustomHeight = std::to_string(240 / 2);
    std::string CopyrightText;
    uint8_t CopyrightPlace = 0;
    uint8_t CopyrightSize = 1;
    std::string CopyrightFont = "Comic Sans MS";
    bool CopyrightTransparent = true;
    bool CopyrightOutline = false;
    int16_t CopyrightColor = 0;
    // Choices the window has no control for: its runs apply them, its saves keep them.
    bool KeepLocation = true;  // the carried EXIF keeps its GPS position
    bool KeepDates = false;    // each copy takes its photo's modification time
    std::string ResizedFolderName = "Resized";
    std::string ImageFilters = "*.jpg;*.jpeg;*.heic;*.heif;*.avif;*.png;*.webp;*.tif;*.tiff";

    bool operator==(const Settings&) const = default;
};

}  // namespace pixtrim
