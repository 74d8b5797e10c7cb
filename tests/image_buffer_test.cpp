#include <gtest/gtest.h>

#include <QImage>
#include <climits>

#include "image/cDIBSection.h"
#include "support/Pictures.h"

namespace pixtrim {
namespace {

using test::Bgr;
using test::Fill;
using test::GetPixel;

struct SizeCase {
    int32_t width, height, stride, memory;
};

class BufferSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(BufferSizeTest, StrideAndMemoryFollowTheWidth) {
    const SizeCase& c = GetParam();
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(c.width, c.height));
    EXPECT_EQ(dib.BytesPerScanLine(), c.stride);
    EXPECT_EQ(dib.hDib()->stride, c.stride);
    EXPECT_EQ(int64_t{dib.BytesPerScanLine()} * dib.Height(), c.memory);
    EXPECT_NE(dib.hdc(), nullptr);
    EXPECT_EQ(dib.hdc()->SelectedBitmap(), dib.hDib());
    EXPECT_EQ(dib.DIBSectionBitsPtr(), dib.hDib()->bits);
}

INSTANTIATE_TEST_SUITE_P(Table, BufferSizeTest,
                         testing::Values(SizeCase{1, 1, 4, 4}, SizeCase{2, 3, 8, 24},
                                         SizeCase{4, 1, 12, 12}, SizeCase{3, 1, 12, 12},
                                         SizeCase{5, 2, 16, 32}, SizeCase{227, 149, 684, 101916}));

TEST(BufferTest, PixelBytesAreBlueGreenRedThenPadding) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(3, 1));
    Fill(dib, [](int32_t x, int32_t) {
        return Bgr{uint8_t(10 * x), uint8_t(10 * x + 1), uint8_t(10 * x + 2)};
    });
    const uint8_t* bits = dib.DIBSectionBitsPtr();
    const uint8_t expected[] = {0, 1, 2, 10, 11, 12, 20, 21, 22};
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), bits));
    EXPECT_EQ(dib.BytesPerScanLine(), 12);
}

TEST(BufferTest, PictureLandsBottomUpInColourOrder) {
    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888,
          QImage::Format_Indexed8, QImage::Format_RGB16}) {
        QImage picture(5, 3, QImage::Format_RGB32);
        picture.fill(Qt::black);
        picture.setPixel(0, 0, qRgb(255, 0, 0));
        picture.setPixel(4, 2, qRgb(0, 0, 255));
        picture = picture.convertToFormat(format);
        cDIBSection dib;
        dib.CreateFromPicture(picture);
        ASSERT_EQ(dib.Width(), 5);
        ASSERT_EQ(dib.Height(), 3);
        const uint8_t* topLeft =
            dib.DIBSectionBitsPtr() + (dib.Height() - 1) * dib.BytesPerScanLine();
        EXPECT_EQ((Bgr{topLeft[0], topLeft[1], topLeft[2]}), (Bgr{0, 0, 255})) << format;
        EXPECT_EQ(GetPixel(dib, 4, 0), (Bgr{255, 0, 0})) << format;
    }
}

TEST(BufferTest, ClearUpReleasesHandlesButKeepsTheSize) {
    cDIBSection dib;
    dib.ClearUp();  // on an Empty buffer: nothing to release
    EXPECT_EQ(dib.hdc(), nullptr);
    ASSERT_TRUE(dib.Create(7, 5));
    dib.ClearUp();
    EXPECT_EQ(dib.hdc(), nullptr);
    EXPECT_EQ(dib.hDib(), nullptr);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 7);
    EXPECT_EQ(dib.Height(), 5);
    EXPECT_EQ(dib.BytesPerScanLine(), 24);
}

TEST(BufferTest, CreateOnAReadyBufferTakesTheNewSize) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(10, 10));
    ASSERT_TRUE(dib.Create(3, 2));
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(dib.hDib()->width, 3);
}

struct FailedCase {
    int32_t width, height;
};

class RefusedCreateTest : public testing::TestWithParam<FailedCase> {};

TEST_P(RefusedCreateTest, LeavesTheBufferEmptyWithTheRequestedSize) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(2, 2));
    EXPECT_FALSE(dib.Create(GetParam().width, GetParam().height));
    EXPECT_EQ(dib.hdc(), nullptr);
    EXPECT_EQ(dib.hDib(), nullptr);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), GetParam().width);
    EXPECT_EQ(dib.Height(), GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RefusedCreateTest,
                         testing::Values(FailedCase{0, 5}, FailedCase{5, 0}, FailedCase{-1, 5},
                                         FailedCase{INT32_MAX, 1}, FailedCase{715827882, 1},
                                         FailedCase{65536, 65536}, FailedCase{1, INT32_MAX}));

TEST(BufferTest, StrideThatDoesNotFitIsZeroNotAnError) {
    cDIBSection dib;
    EXPECT_FALSE(dib.Create(INT32_MAX, 1));
    EXPECT_EQ(dib.BytesPerScanLine(), 0);
}

class BlitTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(source.Create(6, 4));
        Fill(source, [](int32_t x, int32_t r) { return Bgr{uint8_t(x), uint8_t(r), 7}; });
    }
    cDIBSection source;
};

TEST_F(BlitTest, LoadPictureBltWithNegativeSizesCopiesTheWholeBuffer) {
    cDIBSection target;
    ASSERT_TRUE(target.Create(6, 4));
    Fill(target, [](int32_t, int32_t) { return test::Grey(99); });
    target.LoadPictureBlt(source.hdc(), 0, 0, -5, -2);
    EXPECT_TRUE(test::SamePixels(source, target));
}

TEST_F(BlitTest, CopiesASubRectangleInSurfaceCoordinates) {
    cDIBSection target;
    ASSERT_TRUE(target.Create(2, 2));
    Fill(target, [](int32_t, int32_t) { return test::Grey(99); });
    // Surface (3, 1) is memory row 4 - 1 - 1 = 2 of the source.
    target.LoadPictureBlt(source.hdc(), 3, 1);
    EXPECT_EQ(GetPixel(target, 0, 1), (Bgr{3, 2, 7}));
    EXPECT_EQ(GetPixel(target, 1, 0), (Bgr{4, 1, 7}));
}

TEST_F(BlitTest, PaintPictureCopiesTheOtherWayAndClipsAtTheEdges) {
    cDIBSection target;
    ASSERT_TRUE(target.Create(4, 4));
    Fill(target, [](int32_t, int32_t) { return test::Grey(99); });
    source.PaintPicture(target.hdc(), 2, 2);
    EXPECT_EQ(GetPixel(target, 1, 1), test::Grey(99));
    // Source surface (0, 0) is its memory row 3; target surface (2, 2) its memory row 1.
    EXPECT_EQ(GetPixel(target, 2, 1), (Bgr{0, 3, 7}));
    EXPECT_EQ(GetPixel(target, 3, 0), (Bgr{1, 2, 7}));
}

TEST_F(BlitTest, OtherRasterOperationsAreRefused) {
    cDIBSection target;
    ASSERT_TRUE(target.Create(6, 4));
    Fill(target, [](int32_t, int32_t) { return test::Grey(99); });
    EXPECT_FALSE(target.hdc()->BitBlt(0, 0, 6, 4, source.hdc(), 0, 0, 0x00EE0086));
    EXPECT_EQ(GetPixel(target, 0, 0), test::Grey(99));
    EXPECT_TRUE(target.hdc()->BitBlt(INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, source.hdc(),
                                     INT32_MAX, INT32_MIN, kSrcCopy));
}

}  // namespace
}  // namespace pixtrim
