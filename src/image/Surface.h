// The drawing-surface stand-in: a memory surface into which one 24-bit bottom-up bitmap is
// selected, with rectangle copies between surfaces in surface coordinates (origin at the
// top left, y downwards). Surface row y is memory row height - 1 - y.
// A surface and its bitmap are used by one thread at a time; different surfaces may be
// used from different threads at once.
#pragma once

#include <cstdint>

namespace pixtrim {

inline constexpr uint32_t kSrcCopy = 0x00CC0020;

// Pixel memory of a 24-bit bitmap: blue, green, red; rows `stride` bytes apart, padded to
// 4 bytes; memory row 0 is the picture's bottom row.
struct Bitmap {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    uint8_t* bits = nullptr;
};

// The row stride for `width` pixels (width x 3 rounded up to a multiple of 4), or 0 when
// the width is negative or the stride does not fit 32 signed bits.
int32_t StrideForWidth(int32_t width);

// Makes a bitmap of that size with undefined pixels. Returns nullptr for a side of 0 or
// less, a pixel memory that does not fit 32 signed bits, or lack of memory.
Bitmap* CreateBitmap(int32_t width, int32_t height);
void DeleteBitmap(Bitmap* bitmap);

class Surface {
public:
    // Selects `bitmap` (may be nullptr) and returns the one it displaces.
    Bitmap* SelectBitmap(Bitmap* bitmap);
    Bitmap* SelectedBitmap() const { return bitmap_; }

    // Copies `width` x `height` pixels from `source` at (srcLeft, srcTop) to this surface at
    // (destLeft, destTop), clipped to both bitmaps. Only the plain copy (kSrcCopy) is done;
    // other raster operations, or a surface without a bitmap, are refused (false).
    bool BitBlt(int32_t destLeft, int32_t destTop, int32_t width, int32_t height,
                const Surface* source, int32_t srcLeft, int32_t srcTop, uint32_t rop);

private:
    Bitmap* bitmap_ = nullptr;
};

}  // namespace pixtrim
