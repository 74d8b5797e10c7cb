#include "batch/ImageSelection.h"

#include <algorithm>
#include <cmath>

#include "tools/Tools.h"

namespace pixtrim {
namespace {

constexpr int32_t kWideThreshold = 4500;
constexpr int32_t kTallThreshold = 3300;
constexpr double kPanoramaRatio = 2.2;
constexpr double kNoEnlargementBound = 1.0;

int32_t ScaledSide(int32_t side, double ratio) {
    return std::max<int32_t>(1, static_cast<int32_t>(std::nearbyint(side / ratio)));
}

}  // namespace

void FitImageSize(int32_t& width, int32_t& height, int32_t maxWidth, int32_t maxHeight) {
    if (width <= 0 || height <= 0 || maxWidth <= 0 || maxHeight <= 0) return;
    const double w = width;
    const double h = height;
    const double ratioWidth = w / maxWidth;
    const double ratioHeight = h / maxHeight;
    double ratio;
    if (width >= kWideThreshold && w / h >= kPanoramaRatio) {
        ratio = ratioHeight;
    } else if (height >= kTallThreshold && h / w >= kPanoramaRatio) {
        ratio = ratioWidth;
    } else {
        ratio = ratioHeight > ratioWidth ? ratioHeight : ratioWidth;
    }
    if (ratio > kNoEnlargementBound) {
        width = ScaledSide(width, ratio);
        height = ScaledSide(height, ratio);
    }
}

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
