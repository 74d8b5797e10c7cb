#include <gtest/gtest.h>

#include <QImage>

#include "image/cDIBSection.h"
#include "support/Pictures.h"

namespace pixtrim {
namespace {

using test::Bgr;
using test::GetPixel;

// Rows of 3 bytes a pixel, blue first (the sizes and strides are rows of the rules table);
// a buffer cleared up keeps its header.
TEST(BufferTest, PixelsBlueFirstAndClearUp) {
    cDIBSection dib = test::MakePicture(3, 1, [](int32_t x, int32_t) {
        return Bgr{uint8_t(10 * x), uint8_t(10 * x + 1), uint8_t(10 * x + 2)};
    });
    const uint8_t expected[] = {0, 1, 2, 10, 11, 12, 20, 21, 22};
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), dib.DIBSectionBitsPtr()));
    EXPECT_EQ(dib.hdc()->SelectedBitmap(), dib.hDib());
    ASSERT_TRUE(dib.Create(7, 5));
    dib.ClearUp();
    EXPECT_EQ(dib.hdc(), nullptr);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 7);  // the header stays
    EXPECT_EQ(dib.BytesPerScanLine(), 24);
}

// Copies between surfaces work in surface coordinates (y downwards) and clip at the edges.
TEST(BufferTest, BlitsCopyInSurfaceCoordinates) {
    const cDIBSection source = test::MakePicture(6, 4, [](int32_t x, int32_t r) {
        return Bgr{uint8_t(x), uint8_t(r), 7};
    });
    const auto grey = [](int32_t w, int32_t h) {
        return test::MakePicture(w, h, [](int32_t, int32_t) { return test::Grey(99); });
    };
    cDIBSection target = grey(6, 4);
    target.LoadPictureBlt(source.hdc(), 0, 0, -5, -2);  // negative: the whole buffer
    EXPECT_TRUE(test::SamePixels(source, target));
    target = grey(2, 2);
    target.LoadPictureBlt(source.hdc(), 3, 1);  // surface (3, 1) is memory row 2
    EXPECT_EQ(GetPixel(target, 0, 1), (Bgr{3, 2, 7}));
    EXPECT_EQ(GetPixel(target, 1, 0), (Bgr{4, 1, 7}));
    target = grey(6, 4);
    target.LoadPictureBlt(source.hdc(), 0, 2);  // two source rows left: two copied
    EXPECT_EQ(GetPixel(target, 0, 2), (Bgr{0, 0, 7}));
    EXPECT_EQ(GetPixel(target, 5, 1), test::Grey(99));
    // The other way: this buffer painted onto another surface, at (1, 0) of it.
    target = grey(6, 4);
    source.PaintPicture(target.hdc(), 1, 0, 2, 1, 3, 3);  // surface row 3 is memory row 0
    EXPECT_EQ(GetPixel(target, 1, 3), (Bgr{3, 0, 7}));
    EXPECT_EQ(GetPixel(target, 2, 3), (Bgr{4, 0, 7}));
    EXPECT_EQ(GetPixel(target, 3, 3), test::Grey(99));
}

// A picture of any format comes in as 24-bit pixels, its top row the last memory row.
TEST(BufferTest, APictureComesInAsBottomUpBlueGreenRed) {
    QImage picture(2, 2, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgb(10, 20, 30));
    picture.setPixel(1, 1, qRgb(40, 50, 60));
    cDIBSection dib;
    dib.CreateFromPicture(picture);
    ASSERT_EQ(dib.Width(), 2);
    EXPECT_EQ(GetPixel(dib, 0, 1), (Bgr{30, 20, 10}));
    EXPECT_EQ(GetPixel(dib, 1, 0), (Bgr{60, 50, 40}));
}

}  // namespace
}  // namespace pixtrim
