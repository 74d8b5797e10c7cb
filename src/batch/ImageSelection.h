// Which files a run processes, and the name of each one's copy (the size of each copy is in
// SizeRule.h).
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

// Whether each of the files `names` of `folder` keeps its name for its copy: a JPEG, or a
// file of no format the codec knows (whose decode says what it is), told by its first
// bytes; a file that cannot be read keeps its name too (its read says why). With `costs`,
// answers there what decoding each file costs (DecodeCost; 0 for one that cannot be read).
std::vector<bool> KeepOwnNames(const HeldFolder& folder, const std::vector<std::string>& names,
                               std::vector<uint64_t>* costs = nullptr);

// The name of each image's copy, in the order of `names`: its own name where `keepsName`
// says so (a JPEG's), else its name with the last extension replaced by ".jpg"
// ("IMG_0001.HEIC" gives "IMG_0001.jpg"). Where two images would give the same copy name,
// letter case ignored (cards are FAT or exFAT), every one of them that does not keep its
// name gets its whole name plus ".jpg" ("IMG_0001.HEIC.jpg"). A name that still meets
// another then is numbered, " (2).jpg" and on, all but the one that keeps its name or else
// the first by bytes. The same names give the same copy names, in any order.
std::vector<std::string> CopyNames(const std::vector<std::string>& names,
                                   const std::vector<bool>& keepsName);

}  // namespace pixtrim
