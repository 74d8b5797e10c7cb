// Pictures made in tests, and plain accessors that follow the buffer layout as documented
// (blue, green, red; rows padded to 4 bytes; memory row 0 at the bottom).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "image/cDIBSection.h"
#include "support/Files.h"

namespace pixtrim::test {

using Bgr = std::array<uint8_t, 3>;

inline uint8_t* PixelAt(const cDIBSection& dib, int32_t x, int32_t memoryRow) {
    return dib.DIBSectionBitsPtr() + static_cast<int64_t>(memoryRow) * dib.BytesPerScanLine() +
           3 * x;
}

inline Bgr GetPixel(const cDIBSection& dib, int32_t x, int32_t memoryRow) {
    const uint8_t* p = PixelAt(dib, x, memoryRow);
    return {p[0], p[1], p[2]};
}

inline Bgr Grey(uint8_t v) { return {v, v, v}; }

// The one way tests make a picture: width x height, every pixel from `color`.
inline cDIBSection MakePicture(int32_t width, int32_t height,
                               const std::function<Bgr(int32_t, int32_t)>& color) {
    cDIBSection dib;
    if (!dib.Create(width, height)) return dib;
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t x = 0; x < width; ++x) {
            const Bgr c = color(x, r);
            std::memcpy(PixelAt(dib, x, r), c.data(), 3);
        }
    }
    return dib;
}

// A picture of width x height, every pixel the grey `value`.
inline cDIBSection UniformGrey(int32_t width, int32_t height, uint8_t value) {
    return MakePicture(width, height, [=](int32_t, int32_t) { return Grey(value); });
}

// True when the picture bytes (padding excluded) of both buffers are equal.
inline bool SamePixels(const cDIBSection& a, const cDIBSection& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int32_t r = 0; r < a.Height(); ++r)
        if (std::memcmp(PixelAt(a, 0, r), PixelAt(b, 0, r), 3 * size_t(a.Width())) != 0)
            return false;
    return true;
}

}  // namespace pixtrim::test
