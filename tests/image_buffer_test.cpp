#include <gtest/gtest.h>

#include <QImage>

#include "image/cDIBSection.h"
#include "support/Pictures.h"

namespace pixtrim {
namespace {

using test::Bgr;
using test::GetPixel;

// A picture of any format comes in as 24-bit pixels, blue first, its top row the last memory
// row (sizes, strides and copies between surfaces are rows of the rules table); a buffer
// cleared up keeps its header.
TEST(BufferTest, APictureComesInBottomUpBlueFirstAndClearsUp) {
    QImage picture(2, 2, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgb(10, 20, 30));
    picture.setPixel(1, 1, qRgb(40, 50, 60));
    cDIBSection dib;
    dib.CreateFromPicture(picture);
    ASSERT_EQ(dib.Width(), 2);
    EXPECT_EQ(GetPixel(dib, 0, 1), (Bgr{30, 20, 10}));
    EXPECT_EQ(GetPixel(dib, 1, 0), (Bgr{60, 50, 40}));
    EXPECT_EQ(dib.hdc()->SelectedBitmap(), dib.hDib());
    ASSERT_TRUE(dib.Create(7, 5));
    dib.ClearUp();
    EXPECT_EQ(dib.hdc(), nullptr);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 7);  // the header stays
    EXPECT_EQ(dib.BytesPerScanLine(), 24);
}

}  // namespace
}  // namespace pixtrim
