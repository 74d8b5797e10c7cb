#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>
#include <QStringList>
#include <thread>

#include "image/cDIBSection.h"
#include "support/Pictures.h"

namespace pixtrim {
namespace {

using test::Bgr;
using test::Fill;
using test::GetPixel;
using test::Grey;

struct HeightCase {
    int32_t width, height;
    double factor;
    int32_t fontHeight;
};

class FontHeightTest : public testing::TestWithParam<HeightCase> {};

TEST_P(FontHeightTest, IsTheFloorOfTheScaledLargerSide) {
    const HeightCase& c = GetParam();
    EXPECT_EQ(CopyrightFontHeight(c.width, c.height, c.factor), c.fontHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FontHeightTest,
    testing::Values(HeightCase{800, 600, 0.6, 19}, HeightCase{800, 600, 0.8, 25},
                    HeightCase{800, 600, 1, 32}, HeightCase{600, 800, 0.6, 19},
                    HeightCase{600, 800, 1, 32}, HeightCase{640, 480, 0.6, 15},
                    HeightCase{640, 480, 0.8, 20}, HeightCase{640, 480, 1, 25},
                    HeightCase{1024, 768, 0.6, 24}, HeightCase{1024, 768, 0.8, 32},
                    HeightCase{1024, 768, 1, 40}, HeightCase{320, 240, 0.6, 7},
                    HeightCase{320, 240, 0.8, 10}, HeightCase{320, 240, 1, 12},
                    HeightCase{41, 30, 0.6, 0}, HeightCase{42, 30, 0.6, 1},
                    // Beyond 16 bits: 32-bit sides, the height stays bounded.
                    HeightCase{40000, 10, 1, 1600}, HeightCase{800, 600, 1e12, 32767},
                    HeightCase{800, 600, -1e12, -32768}));

struct RectCase {
    int32_t width, height;
    TextRect rect;
};

class TextRectangleTest : public testing::TestWithParam<RectCase> {};

TEST_P(TextRectangleTest, LiesInsideTheOnePercentMargin) {
    const TextRect r = CopyrightRectangle(GetParam().width, GetParam().height);
    const TextRect& e = GetParam().rect;
    EXPECT_EQ(r.left, e.left);
    EXPECT_EQ(r.top, e.top);
    EXPECT_EQ(r.right, e.right);
    EXPECT_EQ(r.bottom, e.bottom);
}

INSTANTIATE_TEST_SUITE_P(Table, TextRectangleTest,
                         testing::Values(RectCase{800, 600, {8, 6, 792, 594}},
                                         RectCase{640, 480, {6, 5, 634, 475}},
                                         // 8.5, 6.5 go down to 8 and 6; 841.5, 643.5 up.
                                         RectCase{850, 650, {8, 6, 842, 644}},
                                         RectCase{250, 150, {2, 2, 248, 148}}));

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

int64_t CountColour(const cDIBSection& dib, const Bgr& colour) {
    int64_t count = 0;
    for (int32_t r = 0; r < dib.Height(); ++r) {
        for (int32_t x = 0; x < dib.Width(); ++x) count += GetPixel(dib, x, r) == colour;
    }
    return count;
}

class OverlayTest : public testing::Test {
protected:
    void MakeGrey(int32_t width, int32_t height) {
        ASSERT_TRUE(dib.Create(width, height));
        Fill(dib, [](int32_t, int32_t) { return Grey(kBackground); });
    }
    cDIBSection dib;
};

struct CornerCase {
    uint8_t position;
    bool left, top;
};

class CornerTest : public OverlayTest, public testing::WithParamInterface<CornerCase> {};

TEST_P(CornerTest, DrawsOnlyInItsCornerInsideTheMargin) {
    MakeGrey(800, 600);
    ASSERT_TRUE(
        dib.AddTextOverPicture("© Pixtrim", GetParam().position, 1, true, false, 1, "Arial"));
    const Changed c = FindChanged(dib);
    ASSERT_GT(c.count, 0);
    // Inside the rectangle 8, 6, 792, 594, in the expected half of each direction.
    EXPECT_GE(c.left, 8);
    EXPECT_GE(c.top, 6);
    EXPECT_LT(c.right, 792);
    EXPECT_LT(c.bottom, 594);
    EXPECT_EQ(c.right < 400, GetParam().left);
    EXPECT_EQ(c.bottom < 300, GetParam().top);
    // Snug against the corner: within a cell height (32) of both margins.
    EXPECT_LT(GetParam().left ? c.left - 8 : 791 - c.right, 32);
    EXPECT_LT(GetParam().top ? c.top - 6 : 593 - c.bottom, 32);
}

INSTANTIATE_TEST_SUITE_P(Corners, CornerTest,
                         testing::Values(CornerCase{0, false, false}, CornerCase{4, false, false},
                                         CornerCase{255, false, false}, CornerCase{1, true, false},
                                         CornerCase{2, true, true}, CornerCase{3, false, true}));

TEST_F(OverlayTest, TopLeftTextLandsInTheLastMemoryRows) {
    MakeGrey(200, 100);
    ASSERT_TRUE(dib.AddTextOverPicture("Zoë", 2, 1, true, false, 1, "Arial"));
    for (int32_t r = 0; r < 50; ++r) {
        for (int32_t x = 0; x < 200; ++x) ASSERT_EQ(GetPixel(dib, x, r), Grey(kBackground));
    }
    EXPECT_GT(FindChanged(dib).count, 0);
}

struct ColourCase {
    int16_t index;
    Bgr text, background;
};

class ColourTest : public OverlayTest, public testing::WithParamInterface<ColourCase> {};

TEST_P(ColourTest, PaintsTheBoxInTheBackgroundAndGlyphsInTheTextColour) {
    MakeGrey(400, 300);
    ASSERT_TRUE(dib.AddTextOverPicture("HIM", 0, 1, false, false, GetParam().index, "Arial"));
    const Changed c = FindChanged(dib);
    // Every changed pixel is in the box; its corners are exactly the background colour;
    // fully covered glyph pixels are exactly the text colour.
    const auto at = [&](int32_t x, int32_t y) { return GetPixel(dib, x, 299 - y); };
    EXPECT_EQ(at(c.left, c.top), GetParam().background);
    EXPECT_EQ(at(c.right, c.bottom), GetParam().background);
    EXPECT_EQ(c.right, 395);   // the box ends at the rectangle's right, 396 exclusive
    EXPECT_EQ(c.bottom, 296);  // and at its bottom, 297 exclusive
    EXPECT_GT(CountColour(dib, GetParam().text), 30);
    EXPECT_GT(CountColour(dib, GetParam().background), 30);
}

INSTANTIATE_TEST_SUITE_P(Table, ColourTest,
                         testing::Values(ColourCase{0, {0, 0, 0}, {255, 255, 255}},
                                         ColourCase{1, {255, 255, 255}, {0, 0, 0}},
                                         ColourCase{2, {0, 255, 255}, {0, 0, 0}},
                                         ColourCase{3, {0, 255, 0}, {255, 255, 255}},
                                         ColourCase{4, {255, 0, 0}, {255, 255, 255}},
                                         ColourCase{5, {255, 255, 255}, {0, 0, 0}},
                                         ColourCase{-1, {255, 255, 255}, {0, 0, 0}}));

TEST_F(OverlayTest, OutlineSurroundsTheGlyphsWithABandOfTheBackgroundColour) {
    MakeGrey(400, 300);
    ASSERT_TRUE(dib.AddTextOverPicture("HIM", 2, 1, true, true, 1, "Arial"));
    const auto at = [&](int32_t x, int32_t y) { return GetPixel(dib, x, 299 - y); };
    int64_t glyphPixels = 0;
    for (int32_t y = 2; y < 298; ++y) {
        for (int32_t x = 2; x < 398; ++x) {
            if (at(x, y) != Grey(255)) continue;
            ++glyphPixels;
            // A fully covered glyph pixel: its outline drawings covered every pixel within
            // 2 of it, so nothing around it keeps the picture's grey.
            for (int32_t j = -2; j <= 2; ++j) {
                for (int32_t i = -2; i <= 2; ++i) ASSERT_NE(at(x + i, y + j), Grey(kBackground));
            }
        }
    }
    EXPECT_GT(glyphPixels, 30);
    EXPECT_GT(CountColour(dib, Grey(0)), glyphPixels / 2);
}

TEST_F(OverlayTest, OpaqueOutlineKeepsABandOfTheTextColourAroundTheBox) {
    MakeGrey(400, 300);
    ASSERT_TRUE(dib.AddTextOverPicture("HIM", 2, 1, false, true, 4, "Arial"));
    const Changed c = FindChanged(dib);
    const auto at = [&](int32_t x, int32_t y) { return GetPixel(dib, x, 299 - y); };
    // The shifted boxes in blue reach 2 pixels beyond the final white box on every side.
    EXPECT_EQ(at(c.left, c.top), (Bgr{255, 0, 0}));
    EXPECT_EQ(at(c.left + 1, c.top + 1), (Bgr{255, 0, 0}));
    EXPECT_EQ(at(c.left + 2, c.top + 2), (Bgr{255, 255, 255}));
    EXPECT_EQ(at(c.right, c.bottom), (Bgr{255, 0, 0}));
    EXPECT_EQ(c.left, 4 - 2);
    EXPECT_EQ(c.top, 3 - 2);
}

TEST_F(OverlayTest, TrimsSpacesAndStopsAtANul) {
    MakeGrey(300, 200);
    ASSERT_TRUE(dib.AddTextOverPicture("a  b", 0, 1, true, false, 1, "Arial"));
    cDIBSection expected;
    dib.Resample(expected, 200, 300);
    MakeGrey(300, 200);
    ASSERT_TRUE(dib.AddTextOverPicture(std::string("   a  b\0 hidden   ", 19), 0, 1, true, false, 1,
                                       "Arial"));
    EXPECT_TRUE(test::SamePixels(dib, expected));
}

TEST_F(OverlayTest, EmptyTextDrawsNothingAndSucceeds) {
    MakeGrey(300, 200);
    EXPECT_TRUE(dib.AddTextOverPicture("    ", 0, 1, false, true, 1, "Arial"));
    EXPECT_TRUE(dib.AddTextOverPicture("", 0, 1, false, false, 1, "Arial"));
    EXPECT_EQ(FindChanged(dib).count, 0);
}

TEST_F(OverlayTest, EmptyBufferFails) { EXPECT_FALSE(dib.AddTextOverPicture("x")); }

TEST_F(OverlayTest, UnicodeTextKeepsItsAccentsOnOneLine) {
    const auto draw = [&](const std::string& text) {
        MakeGrey(400, 300);
        EXPECT_TRUE(dib.AddTextOverPicture(text, 2, 1, true, false, 1, "Arial"));
        return FindChanged(dib);
    };
    const Changed plain = draw("Zoe Orsted");
    const Changed accented = draw("Zoë Ørsted");
    EXPECT_NE(plain.count, accented.count);
    EXPECT_GT(draw("©").count, 20);
    // A line break starts no new line: the text stays within one cell height.
    const Changed broken = draw("Zoë\nØrsted");
    EXPECT_LT(broken.bottom - broken.top, 32);
}

TEST_F(OverlayTest, SurfaceKeepsTheColoursAndModeOfTheCall) {
    MakeGrey(100, 100);
    ASSERT_TRUE(dib.AddTextOverPicture("x", 0, 1, false, true, 2, "Arial"));
    EXPECT_EQ(dib.hdc()->TextColor(), 0x00FFFFu);
    EXPECT_EQ(dib.hdc()->BkColor(), 0x000000u);
    EXPECT_EQ(dib.hdc()->BkMode(), BackgroundMode::Opaque);
    EXPECT_EQ(dib.hdc()->SelectFont(nullptr), nullptr);
}

TEST_F(OverlayTest, HugePicturesAndFactorsDoNotOverflow) {
    MakeGrey(40000, 2);
    EXPECT_TRUE(dib.AddTextOverPicture("© 2026", 0, 1, true, true, 1, "Arial"));
    MakeGrey(64, 48);
    EXPECT_TRUE(dib.AddTextOverPicture("© 2026", 0, 1e12, true, false, 1, "Arial"));
    EXPECT_TRUE(dib.AddTextOverPicture("© 2026", 2, 0.6, true, false, 1, "Arial"));  // height 0
}

// Whole pixel sizes alone leave the cell a pixel short for many heights.
TEST(FontTest, CellHeightIsTheRequestedHeight) {
    for (int32_t height = 6; height <= 200; ++height) {
        for (const char* face : {"Arial", "Times", "Comic Sans MS"}) {
            FontDescription description;
            description.height = height;
            description.weight = 700;
            description.faceName = face;
            Font* font = CreateFontFromDescription(description);
            cDIBSection dib;
            ASSERT_TRUE(dib.Create(10, 10));
            dib.hdc()->SelectFont(font);
            const int32_t drawn = dib.hdc()->DrawText("Hg", {0, 0, 10, 10}, kDtSingleLine);
            EXPECT_EQ(drawn, height) << face;
            dib.hdc()->SelectFont(nullptr);
            DeleteFont(font);
        }
    }
}

TEST(FontTest, TheProgramsFacesAreMatchedByMetricTwins) {
    EXPECT_EQ(QFontInfo(QFont("Arial")).family(), "Liberation Sans");
    // Either twin of Times, whichever fontconfig prefers; Qt may add the foundry.
    const QString times = QFontInfo(QFont("Times")).family().section(" [", 0, 0);
    EXPECT_TRUE(QStringList({"Liberation Serif", "Nimbus Roman"}).contains(times)) << times.toStdString();
    EXPECT_EQ(QFontInfo(QFont("Comic Sans MS")).family(), "Comic Neue");
}

TEST(OverlayThreadTest, DifferentBuffersDrawAtOnceFromTwoThreads) {
    const auto draw = [](cDIBSection& dib, int16_t colour, bool* ok) {
        *ok = dib.Create(640, 480);
        Fill(dib, [](int32_t x, int32_t r) { return Grey(uint8_t(x + r)); });
        for (int i = 0; i < 20 && *ok; ++i) {
            *ok = dib.AddTextOverPicture("© 2026 Zoë Ørsted", uint8_t(i % 4), 0.8, i % 2, true,
                                         colour, "Comic Sans MS");
        }
    };
    cDIBSection alone[2], together[2];
    bool ok[4];
    draw(alone[0], 2, &ok[0]);
    draw(alone[1], 4, &ok[1]);
    std::thread first(draw, std::ref(together[0]), int16_t(2), &ok[2]);
    std::thread second(draw, std::ref(together[1]), int16_t(4), &ok[3]);
    first.join();
    second.join();
    for (const bool b : ok) EXPECT_TRUE(b);
    EXPECT_TRUE(test::SamePixels(alone[0], together[0]));
    EXPECT_TRUE(test::SamePixels(alone[1], together[1]));
}

}  // namespace
}  // namespace pixtrim
