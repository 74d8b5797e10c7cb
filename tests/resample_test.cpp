#include "image/Resample.h"

#include <gtest/gtest.h>

#include "image/cDIBSection.h"
#include "support/Pictures.h"

namespace pixtrim {
namespace {

// The rule's worked examples are rows of the rules table, and the golden table's copies
// of the small photos, which keep their size, are plain copies.
TEST(ResampleTest, BadTargetsAreRefused) {
    const cDIBSection source = test::UniformGrey(7, 5, 9);
    cDIBSection target, empty;
    ASSERT_TRUE(source.Resample(target, 5, 7));
    EXPECT_FALSE(source.Resample(target, 0, 4));
    EXPECT_EQ(target.hdc(), nullptr);  // a refused copy leaves the target empty
    EXPECT_FALSE(empty.Resample(target, 2, 2));
    cDIBSection self = test::UniformGrey(4, 4, 1);
    EXPECT_FALSE(self.Resample(self, 2, 2));
    EXPECT_NE(self.DIBSectionBitsPtr(), nullptr);
}

}  // namespace
}  // namespace pixtrim
