#include "image/Surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace pixtrim {

int32_t StrideForWidth(int32_t width) {
    const int64_t stride = (static_cast<int64_t>(width) * 3 + 3) & ~int64_t{3};
    if (width < 0 || stride > std::numeric_limits<int32_t>::max()) return 0;
    return static_cast<int32_t>(stride);
}

Bitmap* CreateBitmap(int32_t width, int32_t height) {
    const int32_t stride = StrideForWidth(width);
    if (width <= 0 || height <= 0 || stride == 0) return nullptr;
    const int64_t size = static_cast<int64_t>(stride) * height;
    if (size > std::numeric_limits<int32_t>::max()) return nullptr;
    // Every user writes all pixels before reading any: no need to clear the memory.
    auto* bits = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
    if (!bits) return nullptr;
    auto* bitmap = new (std::nothrow) Bitmap{width, height, stride, bits};
    if (!bitmap) std::free(bits);
    return bitmap;
}

void DeleteBitmap(Bitmap* bitmap) {
    if (!bitmap) return;
    std::free(bitmap->bits);
    delete bitmap;
}

Bitmap* Surface::SelectBitmap(Bitmap* bitmap) {
    Bitmap* displaced = bitmap_;
    bitmap_ = bitmap;
    return displaced;
}

bool Surface::BitBlt(int32_t destLeft, int32_t destTop, int32_t width, int32_t height,
                     const Surface* source, int32_t srcLeft, int32_t srcTop, uint32_t rop) {
    if (rop != kSrcCopy || !source || !bitmap_ || !source->bitmap_) return false;
    const Bitmap& dst = *bitmap_;
    const Bitmap& src = *source->bitmap_;
    // Clip in 64 bits so that no sum of user-given values can overflow.
    int64_t dx = destLeft, dy = destTop, sx = srcLeft, sy = srcTop, w = width, h = height;
    const auto clipStart = [&](int64_t& a, int64_t& b, int64_t& extent) {
        const int64_t shift = std::max<int64_t>({0, -a, -b});
        a += shift, b += shift, extent -= shift;
    };
    clipStart(dx, sx, w);
    clipStart(dy, sy, h);
    w = std::min({w, int64_t{dst.width} - dx, int64_t{src.width} - sx});
    h = std::min({h, int64_t{dst.height} - dy, int64_t{src.height} - sy});
    if (w <= 0 || h <= 0) return true;
    for (int64_t row = 0; row < h; ++row) {
        // memmove: source and destination may be the same bitmap.
        std::memmove(SurfaceRow(dst.bits, dst.height, dst.stride, dy + row) + dx * 3,
                     SurfaceRow(src.bits, src.height, src.stride, sy + row) + sx * 3,
                     static_cast<size_t>(w * 3));
    }
    return true;
}

Font* Surface::SelectFont(Font* font) {
    Font* displaced = font_;
    font_ = font;
    return displaced;
}

uint32_t Surface::SetTextColor(uint32_t color) { return std::exchange(textColor_, color); }
uint32_t Surface::SetBkColor(uint32_t color) { return std::exchange(backgroundColor_, color); }
BackgroundMode Surface::SetBkMode(BackgroundMode mode) {
    return std::exchange(backgroundMode_, mode);
}

}  // namespace pixtrim
