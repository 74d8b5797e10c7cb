#include "batch/ImageSelection.h"

#include <algorithm>
#include <map>
#include <set>

#include "codec/ImageFormat.h"
#include "tools/Filters.h"
#include "tools/TextCase.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

std::vector<std::string> KeepMatching(std::vector<std::string> names, const std::string& filters) {
    std::erase_if(names, [&](const std::string& name) { return !MatchesFilters(name, filters); });
    return names;
}

std::string WithoutExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
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

std::vector<bool> KeepOwnNames(const HeldFolder& folder, const std::vector<std::string>& names,
                               std::vector<uint64_t>* costs) {
    std::vector<bool> keeps(names.size(), true);
    if (costs) costs->assign(names.size(), 0);
    std::string head;
    uint64_t size = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!folder.ReadFileStart(names[i], kFormatHeadBytes, head, &size)) continue;
        const ImageFormat format = SniffImageFormat(head);
        keeps[i] = format == ImageFormat::Jpeg || format == ImageFormat::Unknown;
        if (costs) (*costs)[i] = DecodeCost(format, size);
    }
    return keeps;
}

std::vector<std::string> CopyNames(const std::vector<std::string>& names,
                                   const std::vector<bool>& keepsName) {
    std::vector<std::string> copies(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        copies[i] = keepsName[i] ? names[i] : WithoutExtension(names[i]) + ".jpg";
    // The images whose copies share a name, letter case ignored, by that name.
    const auto Groups = [&] {
        std::map<std::u32string, std::vector<size_t>> groups;
        for (size_t i = 0; i < copies.size(); ++i)
            groups[UpperCaseCodePoints(copies[i])].push_back(i);
        std::erase_if(groups, [](const auto& group) { return group.second.size() < 2; });
        return groups;
    };
    for (const auto& [key, members] : Groups())
        for (const size_t i : members)
            if (!keepsName[i]) copies[i] = names[i] + ".jpg";
    std::set<std::u32string> taken;
    for (const std::string& copy : copies) taken.insert(UpperCaseCodePoints(copy));
    for (auto& [key, members] : Groups()) {
        std::sort(members.begin(), members.end(), [&](size_t a, size_t b) {
            return keepsName[a] != keepsName[b] ? keepsName[a] : names[a] < names[b];
        });
        for (size_t m = 1; m < members.size(); ++m) {
            const size_t i = members[m];
            if (keepsName[i]) continue;
            for (int n = 2;; ++n) {
                const std::string numbered = names[i] + " (" + std::to_string(n) + ").jpg";
                if (taken.insert(UpperCaseCodePoints(numbered)).second) {
                    copies[i] = numbered;
                    break;
                }
            }
        }
    }
    return copies;
}

}  // namespace pixtrim
