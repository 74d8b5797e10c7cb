#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "support/Files.h"
#include "support/TempFolder.h"
#include "tools/HeldFolder.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;

class HeldFolderTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(HeldFolder::Open(temp.String(), folder)); }
    test::TempFolder temp;
    HeldFolder folder;
};

// The tidying of an output folder (Thumbs.db, then the folder when nothing else is in it)
// is in the command line's table.
// The temporary name never grows with the target's; a failed write leaves no temporary
// file and the target as it was. A copy never takes the place of a file that is there, and
// is told its own status before it has a name: a veto leaves nothing.
TEST_F(HeldFolderTest, WritesWholeOrNotAtAllAndOnlyUnderAFreeName) {
    const std::string name = std::string(251, 'n') + ".jpg";
    ASSERT_TRUE(folder.WriteFileAtomically(name, "copy"));
    EXPECT_EQ(test::FileBytes(temp / name), "copy");
    fs::remove(temp / name);
    temp.WriteFile("busy/inside", "kept");
    EXPECT_EQ(folder.WriteFileAtomically("busy", "copy").error, EISDIR);
    EXPECT_EQ(WriteFileAtomically(temp / "absent/a.jpg", "copy").error, ENOENT);
    temp.WriteFile("a.jpg", "user's");
    EXPECT_EQ(folder.WriteFileAtomically("a.jpg", "copy", Replace::No).error, EEXIST);
    EXPECT_EQ(test::FileBytes(temp / "a.jpg"), "user's");
    uint64_t size = 0;
    const auto veto = [&](const EntryStatus& status) {
        size = status.size;
        return IoOutcome{ENOSPC};
    };
    EXPECT_EQ(folder.WriteFileAtomically("b.jpg", "copy", Replace::No, veto).error, ENOSPC);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(test::Names(temp.Path()), (std::vector<std::string>{"a.jpg", "busy"}));
}

// Where the filesystem has no unnamed files (FUSE here, FAT on a camera's card), a copy
// goes through a hidden name of its own: the same promises, and nothing left behind.
TEST_F(HeldFolderTest, WithoutUnnamedFilesTheSamePromisesHold) {
    const std::string mount = temp.MakeFolder("mount");
    auto view = std::make_unique<test::FuseView>(temp.MakeFolder("under"), mount);
    if (!*view) GTEST_SKIP() << "no FUSE mount here";
    HeldFolder fuse;
    ASSERT_TRUE(HeldFolder::Open(mount, fuse));
    temp.WriteFile("under/a.jpg", "user's");
    EXPECT_EQ(fuse.WriteFileAtomically("a.jpg", "copy", Replace::No).error, EEXIST);
    EXPECT_EQ(fuse.WriteFileAtomically("b.jpg", "copy", Replace::No,
                                       [](const EntryStatus&) { return IoOutcome{ENOSPC}; })
                  .error,
              ENOSPC);
    EXPECT_TRUE(fuse.WriteFileAtomically("c.jpg", "copy", Replace::No));
    EXPECT_TRUE(fuse.WriteFileAtomically("a.jpg", "replaced"));
    fuse = HeldFolder();
    view.reset();
    EXPECT_EQ(test::Names(temp / "under"), (std::vector<std::string>{"a.jpg", "c.jpg"}));
    EXPECT_EQ(test::FileBytes(temp / "under/a.jpg"), "replaced");
}

// A FIFO, a device or a folder in a photo's place is refused at once, never waited on.
TEST_F(HeldFolderTest, ReadsOnlyRegularFilesWithinTheLimit) {
    ASSERT_EQ(mkfifo((temp / "fifo.jpg").c_str(), 0600), 0);
    temp.MakeFolder("folder.jpg");
    temp.WriteFile("big.jpg", "12345");
    std::string bytes = "stale";
    EXPECT_EQ(folder.ReadRegularFile("fifo.jpg", bytes).error, EINVAL);
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(ReadRegularFile("/dev/zero", bytes).error, EINVAL);
    EXPECT_EQ(folder.ReadRegularFile("folder.jpg", bytes).error, EINVAL);
    EXPECT_EQ(folder.ReadRegularFile("big.jpg", bytes, 4).error, EFBIG);
    EXPECT_TRUE(folder.ReadRegularFile("big.jpg", bytes, 5));
}

}  // namespace
}  // namespace pixtrim
