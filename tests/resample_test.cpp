#include "image/Resample.h"

#include <gtest/gtest.h>

#include <vector>

#include "codec/JpegCodec.h"
#include "image/cDIBSection.h"
#include "support/Pictures.h"

namespace pixtrim {
namespace {

using test::Bgr;
using test::GetPixel;
using test::Grey;

// Rows given bottom row first, one grey value a pixel.
using GreyRows = std::vector<std::vector<int>>;

GreyRows ReadGrey(const cDIBSection& dib) {
    GreyRows rows(dib.Height(), std::vector<int>(dib.Width()));
    for (int32_t r = 0; r < dib.Height(); ++r) {
        for (int32_t x = 0; x < dib.Width(); ++x) {
            const Bgr p = GetPixel(dib, x, r);
            EXPECT_EQ(p, Grey(p[0])) << x << " " << r;
            rows[r][x] = p[0];
        }
    }
    return rows;
}

GreyRows Resampled(const GreyRows& source, int32_t width, int32_t height) {
    const cDIBSection dib =
        test::MakePicture(int32_t(source[0].size()), int32_t(source.size()),
                          [&](int32_t x, int32_t r) { return Grey(uint8_t(source[r][x])); });
    cDIBSection target;
    EXPECT_TRUE(dib.Resample(target, height, width));
    return ReadGrey(target);
}

GreyRows Column(const std::vector<int>& values) {
    GreyRows rows;
    for (const int v : values) rows.push_back({v});
    return rows;
}

// Worked examples of the rule, to the byte.
TEST(ResampleTest, WorkedExamplesGiveTheExactBytes) {
    // 24.5 rounds to the even 24.
    EXPECT_EQ(Resampled({{10, 21, 30}, {20, 28, 40}}, 2, 2), (GreyRows{{10, 21}, {15, 24}}));
    // The top-right pixel is 84, not the source's 50.
    EXPECT_EQ(
        Resampled({{0, 100}, {200, 50}}, 4, 4),
        (GreyRows{{0, 25, 50, 75}, {50, 60, 69, 78}, {100, 94, 88, 81}, {150, 128, 106, 84}}));
    // Only the height changes, yet columns sample at 0.75 steps.
    EXPECT_EQ(Resampled({{0, 100, 200, 40}, {0, 100, 200, 40}}, 4, 3),
              (GreyRows(3, {0, 75, 150, 160})));
    // One pixel wide or high: the missing neighbour is the last column or row.
    EXPECT_EQ(Resampled({{10}, {30}}, 1, 4), Column({10, 15, 20, 25}));
    EXPECT_EQ(Resampled({{10}, {30}}, 3, 2), (GreyRows{{10, 10, 10}, {20, 20, 20}}));
    EXPECT_EQ(Resampled({{0, 90}}, 3, 1), (GreyRows{{0, 30, 60}}));
    EXPECT_EQ(Resampled({{77}}, 3, 2), (GreyRows(2, {77, 77, 77})));
    // Positions in single precision: in double they would give 67 and 80.
    const std::vector<int> row = {11, 48, 159, 88, 91, 168, 63, 32};
    EXPECT_EQ(Resampled({row}, 6, 1), (GreyRows{{11, 66, 135, 90, 142, 81}}));
    EXPECT_EQ(Resampled(Column(row), 1, 6), Column({11, 66, 135, 90, 142, 81}));
}

TEST(ResampleTest, EqualSizeIsACopyAndBadTargetsAreRefused) {
    const cDIBSection source = test::MakePicture(7, 5, [](int32_t x, int32_t r) {
        return Bgr{uint8_t(x * 31), uint8_t(r * 57), uint8_t(x ^ r)};
    });
    cDIBSection target, empty;
    ASSERT_TRUE(source.Resample(target, 5, 7));
    EXPECT_TRUE(test::SamePixels(source, target));
    EXPECT_FALSE(source.Resample(target, 0, 4));
    EXPECT_FALSE(source.Resample(target, 4, 0));
    EXPECT_FALSE(empty.Resample(target, 2, 2));
    EXPECT_EQ(target.hdc(), nullptr);
    cDIBSection self = test::MakePicture(4, 4, [](int32_t, int32_t) { return Grey(1); });
    EXPECT_FALSE(self.Resample(self, 2, 2));
    EXPECT_NE(self.DIBSectionBitsPtr(), nullptr);
}

}  // namespace
}  // namespace pixtrim

namespace pixtrim {
namespace {

// The plain kernel, which processors without SSE2 run, gives the very bytes of the SSE2
// one: on camera photos, shrunk to several sizes.
TEST(ResampleTest, ThePlainKernelGivesTheSameBytes) {
    class Rows : public RowSource {
    public:
        explicit Rows(const cDIBSection& picture) : picture_(picture) {}
        const uint8_t* Row(int32_t row) override {
            return picture_.DIBSectionBitsPtr() + int64_t{row} * picture_.BytesPerScanLine();
        }

    private:
        const cDIBSection& picture_;
    };
    for (const char* photo : {"Canon_DIGITAL_IXUS_400.jpg", "Landscape_5.jpg", "hopper_gray.jpg"}) {
        cDIBSection source;
        ASSERT_TRUE(LoadJPG(source, test::DataFile(photo)));
        for (const auto& [width, height] : {std::pair{320, 240}, {97, 31}, {1, 1}}) {
            cDIBSection best, plain;
            ASSERT_TRUE(best.Create(width, height));
            ASSERT_TRUE(plain.Create(width, height));
            Rows rows(source);
            ASSERT_TRUE(ResampleRows(rows, source.Width(), source.Height(), best));
            ASSERT_TRUE(ResampleRows(rows, source.Width(), source.Height(), plain, nullptr,
                                     RowKernel::Scalar));
            EXPECT_TRUE(test::SamePixels(best, plain)) << photo << " " << width;
        }
    }
}

}  // namespace
}  // namespace pixtrim
