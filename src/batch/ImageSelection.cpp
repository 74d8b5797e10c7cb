#include "batch/ImageSelection.h"

#include "tools/Filters.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

std::vector<std::string> KeepMatching(std::vector<std::string> names, const std::string& filters) {
    std::erase_if(names, [&](const std::string& name) { return !MatchesFilters(name, filters); });
    return names;
}

}  // namespace

IoOutcome ListImages(const std::string& imageFilters, const HeldFolder& folder,
                     std::vector<std::string>& names) {
    const IoOutcome listed = folder.List(EntryKind::RegularFile, names);
    names = listed ? KeepMatching(std::move(names), imageFilters) : std::vector<std::string>();
    return listed;
}

std::vector<std::string> ListImages(const std::string& imageFilters, const std::string& folder) {
    return KeepMatching(ListFolder(folder, EntryKind::RegularFile), imageFilters);
}

}  // namespace pixtrim
