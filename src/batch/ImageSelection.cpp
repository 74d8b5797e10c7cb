#include "batch/ImageSelection.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "tools/Tools.h"

namespace fs = std::filesystem;

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

std::vector<std::string> ListImages(const std::string& imageFilters, const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code statusError;
        if (!it->is_regular_file(statusError)) continue;  // follows links; folders never
        std::string name = it->path().filename().string();
        if (MatchesFilters(name, imageFilters)) names.push_back(std::move(name));
    }
    SortNamesIgnoringCase(names);
    return names;
}

}  // namespace pixtrim
