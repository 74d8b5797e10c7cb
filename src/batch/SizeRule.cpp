#include "batch/SizeRule.h"

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

std::optional<int32_t> ParseBoundingSide(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    std::string number = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::replace(number.begin(), number.end(), ',', '.');
    // Stricter than a stored number: a sign "+" at most, digits, one point, nothing else.
    const size_t start = number.starts_with('+') ? 1 : 0;
    const size_t point = number.find('.', start);
    const auto digitsOnly = [&](size_t from, size_t to) {
        return number.find_first_not_of("0123456789", from) >= std::min(to, number.size());
    };
    if (!digitsOnly(start, point) ||
        (point != std::string::npos && !digitsOnly(point + 1, std::string::npos)) ||
        number.find_first_of("0123456789") == std::string::npos) {
        return std::nullopt;
    }
    return RoundToRange(NumericValue(number), 1, 32767);
}

}  // namespace pixtrim
