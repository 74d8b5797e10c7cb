#include <gtest/gtest.h>

#include "image/cDIBSection.h"
#include "support/Pictures.h"

namespace pixtrim {
namespace {

using test::Bgr;
using test::GetPixel;
using test::Grey;
using Place = CopyrightPlace;
using Colors = CopyrightColors;

// The surface-coordinate bounds of every pixel that differs from the grey background.
struct Changed {
    int32_t left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
    int64_t count = 0;
};

constexpr uint8_t kBackground = 128;

Changed FindChanged(const cDIBSection& dib) {
    Changed c;
    for (int32_t y = 0; y < dib.Height(); ++y) {
        for (int32_t x = 0; x < dib.Width(); ++x) {
            if (GetPixel(dib, x, dib.Height() - 1 - y) == Grey(kBackground)) continue;
            c.left = std::min(c.left, x), c.right = std::max(c.right, x);
            c.top = std::min(c.top, y), c.bottom = std::max(c.bottom, y);
            ++c.count;
        }
    }
    return c;
}

int64_t CountColor(const cDIBSection& dib, const Bgr& color) {
    int64_t count = 0;
    for (int32_t r = 0; r < dib.Height(); ++r)
        for (int32_t x = 0; x < dib.Width(); ++x) count += GetPixel(dib, x, r) == color;
    return count;
}

// Green on white, the colours of the stored number 3, which has no button and no option (the
// others, and where each corner, size, face and outline draws, are the golden table's): the
// box (opaque) in the background color, fully covered glyph pixels in the text color.
TEST(OverlayTest, PaintsTheBoxInTheBackgroundAndGlyphsInTheTextColor) {
    cDIBSection dib = test::UniformGrey(400, 300, kBackground);
    ASSERT_TRUE(dib.AddTextOverPicture("HIM", Place::BottomRight, 1, false, false,
                                       Colors::GreenOnWhite, "Arial"));
    const Changed c = FindChanged(dib);
    EXPECT_EQ(GetPixel(dib, c.left, 299 - c.top), Grey(255));
    EXPECT_EQ(GetPixel(dib, c.right, 299 - c.bottom), Grey(255));
    EXPECT_EQ(c.right, 395);  // 396 exclusive
    EXPECT_EQ(c.bottom, 296);
    EXPECT_GT(CountColor(dib, Bgr{0, 255, 0}), 30);
}

// The text ends at a NUL (the golden table has trimming, tabs and line breaks); a buffer
// without pixels takes none.
TEST(OverlayTest, TextIsCutAtANul) {
    const auto draw = [](const std::string& text) {
        cDIBSection dib = test::UniformGrey(400, 300, kBackground);
        EXPECT_TRUE(dib.AddTextOverPicture(text, Place::TopLeft, 1, true, false,
                                           Colors::WhiteOnBlack, "Arial"));
        return dib;
    };
    EXPECT_TRUE(test::SamePixels(draw("a  b"), draw(std::string("a  b\0 hidden", 13))));
    cDIBSection empty;
    EXPECT_FALSE(empty.AddTextOverPicture("x"));
}

// Whole pixel sizes alone leave the cell a pixel short for many heights. (The faces are
// matched by metric twins, tests/support/fonts.conf; the golden table holds which.)
TEST(FontTest, CellHeightIsTheRequestedHeight) {
    cDIBSection dib = test::UniformGrey(10, 10, kBackground);
    for (int32_t height = 6; height <= 200; ++height) {
        for (const char* face : {"Arial", "Times", "Comic Sans MS"}) {
            FontDescription description;
            description.height = height;
            description.weight = 700;
            description.faceName = face;
            Font* font = CreateFontFromDescription(description);
            dib.hdc()->SelectFont(font);
            EXPECT_EQ(dib.hdc()->DrawText("Hg", {0, 0, 10, 10}, kDtSingleLine), height) << face;
            dib.hdc()->SelectFont(nullptr);
            DeleteFont(font);
        }
    }
}

}  // namespace
}  // namespace pixtrim
