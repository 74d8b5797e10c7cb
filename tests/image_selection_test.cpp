#include <gtest/gtest.h>

#include <filesystem>

#include "batch/ImageSelection.h"
#include "support/TempFolder.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;

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
