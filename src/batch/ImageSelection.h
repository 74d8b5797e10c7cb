// Which files a run processes (the size of each copy is in SizeRule.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/HeldFolder.h"

namespace pixtrim {

// The names (without folder) of the regular files of `folder`, links to regular files and
// hidden files included, that match the ";"-separated `imageFilters`, in the order a user
// reads them (letter case ignored). Names are kept as raw bytes. No limit on the count.
IoOutcome ListImages(const std::string& imageFilters, const HeldFolder& folder,
                     std::vector<std::string>& names);
std::vector<std::string> ListImages(const std::string& imageFilters, const std::string& folder);

}  // namespace pixtrim
