// Which files a run processes, and the pixel size of each copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/HeldFolder.h"

namespace pixtrim {

// Fits a source of `width` x `height` into the box `maxWidth` x `maxHeight` (in place).
// Never enlarges. Wide panoramas (at least 4500 wide, at least 2.2 times wider than high)
// take the box's height, tall ones (at least 3300 high, 2.2 times higher than wide) its
// width; everything else fits inside the box. Sides are rounded half to even and never
// fall below 1. A side or box of 0 or less leaves the size unchanged.
void FitImageSize(int32_t& width, int32_t& height, int32_t maxWidth, int32_t maxHeight);

// The names (without folder) of the regular files of `folder`, links to regular files and
// hidden files included, that match the ";"-separated `imageFilters`, in the order a user
// reads them (letter case ignored). Names are kept as raw bytes. No limit on the count.
IoOutcome ListImages(const std::string& imageFilters, const HeldFolder& folder,
                     std::vector<std::string>& names);
std::vector<std::string> ListImages(const std::string& imageFilters, const std::string& folder);

}  // namespace pixtrim
