// The pixel size of each copy: the bounding size read from its text, and a source fitted
// into it. Safe to call from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pixtrim {

// The bounding-size text as a whole number of pixels: blanks around it allowed, a decimal
// fraction ("." or ",") rounded half to even; nothing when it is not a number or lies
// outside 1 to 32767.
std::optional<int32_t> ParseBoundingSide(const std::string& text);

// Fits a source of `width` x `height` into the box `maxWidth` x `maxHeight` (in place).
// Never enlarges. Wide panoramas (at least 4500 wide, at least 2.2 times wider than high)
// take the box's height, tall ones (at least 3300 high, 2.2 times higher than wide) its
// width; everything else fits inside the box. Sides are rounded half to even and never
// fall below 1. A side or box of 0 or less leaves the size unchanged.
void FitImageSize(int32_t& width, int32_t& height, int32_t maxWidth, int32_t maxHeight);

}  // namespace pixtrim
