#include <gtest/gtest.h>

#include <filesystem>

#include "batch/ImageSelection.h"
#include "batch/SizeRule.h"
#include "support/TempFolder.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;

// {width, height, box width, box height, fitted width, fitted height}
const int32_t kFits[][6] = {
    {3000, 2000, 800, 600, 800, 533},
    {2000, 3000, 800, 600, 400, 600},
    {640, 480, 800, 600, 640, 480},
    {6000, 2000, 800, 600, 1800, 600},
    {4600, 1000, 800, 600, 2760, 600},
    {1400, 3500, 800, 600, 800, 2000},
    // Thresholds, and halves to the even neighbour (1250 x 625 in 500 x 500: 500 x 250).
    {4500, 2045, 800, 600, 1320, 600},
    {4500, 2046, 800, 600, 800, 364},
    {4499, 1000, 800, 600, 800, 178},
    {2272, 1704, 2272, 1704, 2272, 1704},
    {1000, 3299, 800, 600, 182, 600},
    {1250, 625, 500, 500, 500, 250},
    {5, 3, 2, 2, 2, 1},
    {4, 5, 2, 3, 2, 2},  // 5 / 2 = 2.5 goes to 2, not 3
    // A side never falls to 0; absurd sizes pass through.
    {1, 3000, 800, 600, 1, 600},
    {3000, 1, 800, 600, 800, 1},
    {65500, 65500, 800, 600, 600, 600},
    {3000, 2000, 0, 600, 3000, 2000},
    {0, 2000, 800, 600, 0, 2000}};

TEST(ImageSelectionTest, FitsTheCopyIntoTheBox) {
    for (const auto& c : kFits) {
        int32_t width = c[0], height = c[1];
        FitImageSize(width, height, c[2], c[3]);
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(c[4], c[5]))
            << c[0] << " x " << c[1];
    }
}

// Regular files matching the filters, links to files included, in name order with letter
// case ignored; names kept as bytes; no limit on the count.
TEST(ImageSelectionTest, ListsMatchingFilesInNameOrder) {
    test::TempFolder temp;
    for (const char* name :
         {"c.JPG", "b.jpeg", "A.Jpg", "d.png", ".hidden.jpg", "e.jpg.bak", "\xE9.jpg"})
        temp.WriteFile(name);
    temp.WriteFile("album.jpg/inner.jpg");
    fs::create_symlink(temp / "d.png", temp / "link.jpg");
    fs::create_symlink(temp / "absent", temp / "broken.jpg");
    fs::create_directory_symlink(temp / "album.jpg", temp / "dirlink.jpg");
    EXPECT_EQ(ListImages("*.jpg;*.jpeg", temp.String()),
              (std::vector<std::string>{".hidden.jpg", "A.Jpg", "b.jpeg", "c.JPG", "link.jpg",
                                        "\xE9.jpg"}));
    for (int i = 0; i < 300; ++i) temp.WriteFile("img" + std::to_string(1000 + i) + ".jpg");
    EXPECT_EQ(ListImages("img*", temp.String()).size(), 300u);
    EXPECT_TRUE(ListImages("*.jpg", temp / "absent").empty());
}

}  // namespace
}  // namespace pixtrim
