#include "batch/SizeRule.h"

#include <algorithm>
#include <charconv>
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

std::optional<int32_t> ParseBoundingSide(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    std::string number = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    for (char& c : number) {
        if (c == ',') c = '.';
    }
    const char* begin = number.data();
    const char* end = begin + number.size();
    if (begin != end && *begin == '+') ++begin;
    if (begin == end || *begin == '-' || number.find_first_of("0123456789") == std::string::npos) {
        return std::nullopt;
    }
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end) return std::nullopt;
    return RoundToRange(value, 1, 32767);
}

}  // namespace pixtrim
