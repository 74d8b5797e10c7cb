#include <gtest/gtest.h>

#include <filesystem>

#include "batch/ImageSelection.h"
#include "support/TempFolder.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

struct FitCase {
    int32_t width, height, maxWidth, maxHeight;
    int32_t fittedWidth, fittedHeight;
};

class FitImageSizeTest : public testing::TestWithParam<FitCase> {};

TEST_P(FitImageSizeTest, GivesTheCopySize) {
    const FitCase& c = GetParam();
    int32_t w = c.width, h = c.height;
    FitImageSize(w, h, c.maxWidth, c.maxHeight);
    EXPECT_EQ(w, c.fittedWidth) << c.width << " x " << c.height;
    EXPECT_EQ(h, c.fittedHeight) << c.width << " x " << c.height;
}

INSTANTIATE_TEST_SUITE_P(WorkedValues, FitImageSizeTest,
                         testing::Values(FitCase{3000, 2000, 800, 600, 800, 533},
                                         FitCase{2000, 3000, 800, 600, 400, 600},
                                         FitCase{1000, 1000, 800, 600, 600, 600},
                                         FitCase{640, 480, 800, 600, 640, 480},
                                         FitCase{6000, 2000, 800, 600, 1800, 600},
                                         FitCase{4600, 1000, 800, 600, 2760, 600},
                                         FitCase{4400, 1000, 800, 600, 800, 182},
                                         FitCase{4600, 500, 800, 600, 4600, 500},
                                         FitCase{1400, 3500, 800, 600, 800, 2000},
                                         FitCase{1500, 3300, 800, 600, 800, 1760},
                                         FitCase{2048, 1536, 320, 240, 320, 240}));

INSTANTIATE_TEST_SUITE_P(
    Thresholds, FitImageSizeTest,
    testing::Values(FitCase{4500, 2045, 800, 600, 1320, 600},
                    FitCase{4500, 2046, 800, 600, 800, 364},
                    FitCase{4499, 1000, 800, 600, 800, 178},
                    FitCase{2272, 1704, 2272, 1704, 2272, 1704},
                    FitCase{1000, 3299, 800, 600, 182, 600},
                    // Halves go to the even neighbour: 1000 / 2.5 = 400, 1001 / 2.5 = 400.4,
                    // 1250 x 625 in 500 x 500 gives 500 x 250 exactly.
                    FitCase{1250, 625, 500, 500, 500, 250}, FitCase{5, 3, 2, 2, 2, 1}));

INSTANTIATE_TEST_SUITE_P(
    Extremes, FitImageSizeTest,
    // A side never falls to 0: 1 x 3000 would give 0.2 x 600, 3000 x 1 gives 800 x 0.27.
    testing::Values(FitCase{1, 3000, 800, 600, 1, 600}, FitCase{3000, 1, 800, 600, 800, 1},
                    FitCase{3, 5000, 800, 600, 3, 5000}, FitCase{5000, 3, 800, 600, 5000, 3},
                    FitCase{65500, 65500, 800, 600, 600, 600},
                    FitCase{100000, 1000, 800, 600, 60000, 600}, FitCase{1, 1, 800, 600, 1, 1},
                    FitCase{3000, 2000, 0, 600, 3000, 2000}, FitCase{0, 2000, 800, 600, 0, 2000}));

class ListImagesTest : public testing::Test {
protected:
    TempFolder temp;
};

TEST_F(ListImagesTest, ListsMatchingFilesInNameOrderLetterCaseIgnored) {
    for (const char* name : {"c.JPG", "b.jpeg", "A.Jpg", "d.png", ".hidden.jpg", "e.jpg.bak"}) {
        temp.WriteFile(name);
    }
    const std::vector<std::string> expected = {".hidden.jpg", "A.Jpg", "b.jpeg", "c.JPG"};
    EXPECT_EQ(ListImages("*.jpg;*.jpeg", temp.String()), expected);
}

TEST_F(ListImagesTest, NeverListsFolders) {
    temp.MakeFolder("album.jpg");
    temp.WriteFile("album.jpg/inner.jpg");
    EXPECT_TRUE(ListImages("*.jpg", temp.String()).empty());
}

TEST_F(ListImagesTest, FollowsLinksToFilesOnly) {
    const std::string target = temp.WriteFile("real.dat");
    fs::create_symlink(target, temp / "link.jpg");
    fs::create_symlink(temp / "absent", temp / "broken.jpg");
    fs::create_directory_symlink(temp.MakeFolder("dir"), temp / "dirlink.jpg");
    EXPECT_EQ(ListImages("*.jpg", temp.String()), std::vector<std::string>{"link.jpg"});
}

TEST_F(ListImagesTest, HasNoLimitOnTheCount) {
    for (int i = 0; i < 300; ++i) temp.WriteFile("img" + std::to_string(1000 + i) + ".jpg");
    const auto names = ListImages("*.jpg", temp.String());
    ASSERT_EQ(names.size(), 300u);
    EXPECT_EQ(names.front(), "img1000.jpg");
    EXPECT_EQ(names.back(), "img1299.jpg");
}

TEST_F(ListImagesTest, KeepsNamesThatAreNotUtf8AsTheyAre) {
    const std::string name = "photo\xE9.jpg";
    temp.WriteFile(name);
    const auto names = ListImages("*.jpg", temp.String());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], name);
    EXPECT_TRUE(fs::exists(temp.Path() / names[0]));
}

TEST_F(ListImagesTest, AMissingFolderListsNothing) {
    EXPECT_TRUE(ListImages("*.jpg", temp / "absent").empty());
}

}  // namespace
}  // namespace pixtrim
