// The drawing-surface stand-in: a memory surface into which one 24-bit bottom-up bitmap is
// selected, with rectangle copies between surfaces in surface coordinates (origin at the
// top left, y downwards). Surface row y is memory row height - 1 - y.
// A surface and its bitmap are used by one thread at a time; different surfaces may be
// used from different threads at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

// The address of surface row y (y downwards) in bottom-up pixel memory of `height` rows
// `stride` bytes apart.
inline uint8_t* SurfaceRow(uint8_t* bits, int64_t height, int64_t stride, int64_t y) {
    return bits + (height - 1 - y) * stride;
}

// Makes a bitmap of that size with undefined pixels. Returns nullptr for a side of 0 or
// less, a pixel memory that does not fit 32 signed bits, or lack of memory.
Bitmap* CreateBitmap(int32_t width, int32_t height);
void DeleteBitmap(Bitmap* bitmap);

// A font made from a full description, as the platform's font maker takes it.
struct FontDescription {
    int32_t height = 0;  // > 0: cell height in pixels; 0: default size; < 0: em height
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charSet = 1;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::string faceName;
};

class Font;
// Needs a QGuiApplication. Faces are matched by fontconfig ("Arial" gives a metric twin).
Font* CreateFontFromDescription(const FontDescription& description);
void DeleteFont(Font* font);

// Text-drawing flags.
inline constexpr uint32_t kDtLeft = 0x00, kDtRight = 0x02, kDtTop = 0x00, kDtBottom = 0x08;
inline constexpr uint32_t kDtCenter = 0x01, kDtVCenter = 0x04;
inline constexpr uint32_t kDtSingleLine = 0x20, kDtNoClip = 0x100;

enum class BackgroundMode { Transparent = 1, Opaque = 2 };

struct TextRect {
    int32_t left, top, right, bottom;
};

struct TextMask;

class Surface {
public:
    Surface();
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Selects `bitmap` (may be nullptr) and returns the one it displaces.
    Bitmap* SelectBitmap(Bitmap* bitmap);
    Bitmap* SelectedBitmap() const { return bitmap_; }

    // Copies `width` x `height` pixels from `source` at (srcLeft, srcTop) to this surface at
    // (destLeft, destTop), clipped to both bitmaps. Only the plain copy (kSrcCopy) is done;
    // other raster operations, or a surface without a bitmap, are refused (false).
    bool BitBlt(int32_t destLeft, int32_t destTop, int32_t width, int32_t height,
                const Surface* source, int32_t srcLeft, int32_t srcTop, uint32_t rop);

    // Selects `font` (nullptr: the default font) and returns the one it displaces.
    Font* SelectFont(Font* font);
    // Colors are 0x00BBGGRR. Each setter returns the previous value.
    uint32_t SetTextColor(uint32_t color);
    uint32_t SetBkColor(uint32_t color);
    BackgroundMode SetBkMode(BackgroundMode mode);
    uint32_t TextColor() const { return textColor_; }
    uint32_t BkColor() const { return backgroundColor_; }
    BackgroundMode BkMode() const { return backgroundMode_; }

    // Draws `text` (UTF-8) on one line, placed in `rect` by `flags` (left, right or centred;
    // top, bottom or centred), never clipped to the rectangle, only to the bitmap. Line
    // breaks and tabs show as blanks. In opaque mode the text's box (advance width by cell
    // height) is first filled with the background color. Glyphs are antialiased; a pixel
    // a glyph covers fully takes exactly the text color. Returns the cell height, or 0
    // when nothing could be drawn (no bitmap).
    int32_t DrawText(const std::string& text, const TextRect& rect, uint32_t flags);

private:
    Bitmap* bitmap_ = nullptr;
    Font* font_ = nullptr;
    uint32_t textColor_ = 0x000000;
    uint32_t backgroundColor_ = 0xFFFFFF;
    BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
    // The last text rendered, kept so that repeated drawings (an outline) render it once.
    std::unique_ptr<TextMask> mask_;
};

}  // namespace pixtrim
