#include <gtest/gtest.h>

#include "batch/ImageSelection.h"
#include "support/TempFolder.h"

namespace pixtrim {
namespace {

// No limit on the count of images (which files are images, and their order, are in the
// command line's table).
TEST(ImageSelectionTest, ListsAnyCount) {
    test::TempFolder temp;
    for (int i = 0; i < 300; ++i) temp.WriteFile("img" + std::to_string(1000 + i) + ".jpg");
    EXPECT_EQ(ListImages("img*", temp.String()).size(), 300u);
    EXPECT_TRUE(ListImages("*.jpg", temp / "absent").empty());
}

}  // namespace
}  // namespace pixtrim
