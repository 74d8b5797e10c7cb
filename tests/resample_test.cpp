#include "image/Resample.h"

#include <gtest/gtest.h>

#include <vector>

#include "codec/JpegCodec.h"
#include "image/cDIBSection.h"
#include "support/Pictures.h"

namespace pixtrim {
namespace {

using test::Bgr;
using test::Grey;

// The rule's worked examples are rows of the rules table.
TEST(ResampleTest, EqualSizeIsACopyAndBadTargetsAreRefused) {
    const cDIBSection source = test::MakePicture(7, 5, [](int32_t x, int32_t r) {
        return Bgr{uint8_t(x * 31), uint8_t(r * 57), uint8_t(x ^ r)};
    });
    cDIBSection target, empty;
    ASSERT_TRUE(source.Resample(target, 5, 7));
    EXPECT_TRUE(test::SamePixels(source, target));
    EXPECT_FALSE(source.Resample(target, 0, 4));
    EXPECT_EQ(target.hdc(), nullptr);  // a refused copy leaves the target empty
    EXPECT_FALSE(empty.Resample(target, 2, 2));
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
