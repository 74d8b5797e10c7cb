#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "image/cDIBSection.h"
#include "support/Pictures.h"

namespace pixtrim {
namespace {

using test::Bgr;
using test::Fill;
using test::GetPixel;
using test::Grey;

// Rows given bottom row first, one grey value a pixel.
using GreyRows = std::vector<std::vector<int>>;

void MakeGrey(cDIBSection& dib, const GreyRows& rows) {
    ASSERT_TRUE(
        dib.Create(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size())));
    Fill(dib, [&](int32_t x, int32_t r) { return Grey(static_cast<uint8_t>(rows[r][x])); });
}

GreyRows ReadGrey(const cDIBSection& dib) {
    GreyRows rows(dib.Height(), std::vector<int>(dib.Width()));
    for (int32_t r = 0; r < dib.Height(); ++r) {
        for (int32_t x = 0; x < dib.Width(); ++x) {
            const Bgr p = GetPixel(dib, x, r);
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
            rows[r][x] = p[0];
        }
    }
    return rows;
}

struct GreyCase {
    const char* name;
    GreyRows source;
    int32_t width, height;
    GreyRows expected;
};

class WorkedExampleTest : public testing::TestWithParam<GreyCase> {};

TEST_P(WorkedExampleTest, GivesTheExactBytes) {
    const GreyCase& c = GetParam();
    cDIBSection source, target;
    MakeGrey(source, c.source);
    ASSERT_TRUE(source.Resample(target, c.height, c.width));
    EXPECT_EQ(ReadGrey(target), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, WorkedExampleTest,
    testing::Values(
        // 24.5 rounds to the even 24.
        GreyCase{"Grey3x2To2x2", {{10, 21, 30}, {20, 28, 40}}, 2, 2, {{10, 21}, {15, 24}}},
        // The top-right pixel is 84, not the source's 50.
        GreyCase{"Grey2x2To4x4",
                 {{0, 100}, {200, 50}},
                 4,
                 4,
                 {{0, 25, 50, 75}, {50, 60, 69, 78}, {100, 94, 88, 81}, {150, 128, 106, 84}}},
        // Only the height changes, yet columns sample at 0.75 steps: column 1 takes 0.25
        // of column 0 and 0.75 of column 1.
        GreyCase{"HeightOnly",
                 {{0, 100, 200, 40}, {0, 100, 200, 40}},
                 4,
                 3,
                 {{0, 75, 150, 160}, {0, 75, 150, 160}, {0, 75, 150, 160}}},
        // One pixel wide or high: the missing neighbour is the last column or row.
        GreyCase{"OneColumnTaller", {{10}, {30}}, 1, 4, {{10}, {15}, {20}, {25}}},
        GreyCase{"OneColumnWider", {{10}, {30}}, 3, 2, {{10, 10, 10}, {20, 20, 20}}},
        GreyCase{"OneRowWider", {{0, 90}}, 3, 1, {{0, 30, 60}}},
        GreyCase{"OnePixelToMany", {{77}}, 3, 2, {{77, 77, 77}, {77, 77, 77}}},
        GreyCase{"OneColumnSameSize", {{5}, {6}, {7}}, 1, 3, {{5}, {6}, {7}}}));

TEST(ResampleTest, ColourExample4x4To2x2) {
    cDIBSection source, target;
    ASSERT_TRUE(source.Create(4, 4));
    Fill(source, [](int32_t x, int32_t r) {
        const int v = 10 * r + 3 * x;
        return Bgr{uint8_t(v), uint8_t(v + 1), uint8_t(v + 2)};
    });
    ASSERT_TRUE(source.Resample(target, 2, 2));
    EXPECT_EQ(GetPixel(target, 0, 0), (Bgr{0, 1, 2}));
    EXPECT_EQ(GetPixel(target, 1, 0), (Bgr{4, 6, 6}));
    EXPECT_EQ(GetPixel(target, 0, 1), (Bgr{15, 16, 17}));
    EXPECT_EQ(GetPixel(target, 1, 1), (Bgr{20, 20, 22}));
}

TEST(ResampleTest, EqualSizeIsAByteCopy) {
    cDIBSection source, target;
    ASSERT_TRUE(source.Create(7, 5));
    std::mt19937 random(7);
    Fill(source, [&](int32_t, int32_t) {
        return Bgr{uint8_t(random()), uint8_t(random()), uint8_t(random())};
    });
    ASSERT_TRUE(source.Resample(target, 5, 7));
    EXPECT_TRUE(test::SamePixels(source, target));
}

TEST(ResampleTest, RefusesAZeroTargetOrItself) {
    cDIBSection source, target;
    ASSERT_TRUE(source.Create(4, 4));
    Fill(source, [](int32_t, int32_t) { return Grey(1); });
    EXPECT_FALSE(source.Resample(target, 0, 4));
    EXPECT_EQ(target.hdc(), nullptr);
    EXPECT_FALSE(source.Resample(target, 4, 0));
    EXPECT_FALSE(source.Resample(source, 2, 2));
    EXPECT_NE(source.DIBSectionBitsPtr(), nullptr);
    cDIBSection empty;
    EXPECT_FALSE(empty.Resample(target, 2, 2));
}

TEST(ResampleTest, ConstantPictureStaysConstant) {
    cDIBSection source, target;
    ASSERT_TRUE(source.Create(97, 61));
    Fill(source, [](int32_t, int32_t) { return Bgr{12, 200, 99}; });
    ASSERT_TRUE(source.Resample(target, 17, 33));
    for (int32_t r = 0; r < 17; ++r) {
        for (int32_t x = 0; x < 33; ++x) ASSERT_EQ(GetPixel(target, x, r), (Bgr{12, 200, 99}));
    }
}

// A plain reading of the rule, pixel by pixel, written apart from the resampler.
void ReferenceResample(const cDIBSection& s, cDIBSection& d) {
    const int ws = s.Width(), hs = s.Height(), wd = d.Width(), hd = d.Height();
    const float xScale = float(double(ws - 1) / double(wd));
    const float yScale = float(double(hs - 1) / double(hd));
    for (int y = 0; y < hd; ++y) {
        const float fy = float(double(yScale) * double(y));
        const int iy = int(std::floor(fy));
        const float dy = float(double(fy) - double(iy));
        for (int x = 0; x < wd; ++x) {
            const float fx = float(double(xScale) * double(x));
            const int ix = int(std::floor(fx));
            const float dx = float(double(fx) - double(ix));
            int m[6];
            for (int k = 0; k < 6; ++k) {
                const int column = std::min(ix + k / 3, ws - 1);
                const double p = GetPixel(s, column, iy)[k % 3];
                const double q = GetPixel(s, column, std::min(iy + 1, hs - 1))[k % 3];
                const double a = (1.0 - double(dy)) * p;
                const double b = double(dy) * q;
                m[k] = int(std::nearbyint(a + b));
            }
            for (int k = 0; k < 3; ++k) {
                const double a = (1.0 - double(dx)) * double(m[k]);
                const double b = double(dx) * double(m[k + 3]);
                test::PixelAt(d, x, y)[k] = uint8_t(std::nearbyint(a + b));
            }
        }
    }
}

TEST(ResampleTest, MatchesThePlainRuleOverRandomSizes) {
    std::mt19937 random(2026);
    const auto side = [&](int most) { return 1 + int(random() % most); };
    for (int round = 0; round < 300; ++round) {
        cDIBSection source, target, expected;
        const int most = round < 250 ? 24 : 700;
        ASSERT_TRUE(source.Create(side(most), side(most)));
        Fill(source, [&](int32_t, int32_t) {
            return Bgr{uint8_t(random()), uint8_t(random()), uint8_t(random())};
        });
        const int32_t width = side(most), height = side(most);
        ASSERT_TRUE(source.Resample(target, height, width));
        ASSERT_TRUE(expected.Create(width, height));
        if (width == source.Width() && height == source.Height()) {
            expected.LoadPictureBlt(source.hdc());
        } else {
            ReferenceResample(source, expected);
        }
        ASSERT_TRUE(test::SamePixels(target, expected))
            << source.Width() << "x" << source.Height() << " to " << width << "x" << height;
    }
}

}  // namespace
}  // namespace pixtrim
