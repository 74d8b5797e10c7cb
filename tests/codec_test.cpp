#include <gtest/gtest.h>

#include <filesystem>

#include "codec/JpegCodec.h"
#include "image/cDIBSection.h"
#include "support/Files.h"
#include "support/Pictures.h"
#include "support/TempFolder.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::Bgr;
using test::DataFile;
using test::GetPixel;

cDIBSection Marker() {
    return test::MakePicture(3, 2, [](int32_t, int32_t) { return Bgr{1, 2, 3}; });
}

// A failed load leaves the buffer as it was.
bool LoadsAndAFailureLeavesTheBuffer(const std::string& bytes) {
    cDIBSection dib = Marker();
    const bool loaded = LoadJPGFromMemory(dib, bytes);
    if (!loaded) {
        EXPECT_EQ(dib.Width(), 3);
        EXPECT_EQ(GetPixel(dib, 2, 1), (Bgr{1, 2, 3}));
    }
    return loaded;
}

// What is not a JPEG does not load, and leaves the buffer as it was (every test photo's
// decoding is held by the golden table).
TEST(LoadTest, AFailedLoadLeavesTheBuffer) {
    for (const char* name : {"00-empty-file.jpg", "hopper_png_renamed.jpg",
                             "3ea649db8e81a46ca4f92fb3238f78ff.jpg", "absent.jpg"})
        EXPECT_FALSE(LoadsAndAFailureLeavesTheBuffer(test::FileBytes(DataFile(name)))) << name;
    cDIBSection dib;
    EXPECT_FALSE(LoadJPG(dib, DataFile("absent.jpg")));
}

// Hostile headers are refused before anything is allocated; a file of endless scans stops.
TEST(LoadTest, HostileFilesAreRefused) {
    const std::string original = test::FileBytes(DataFile("testorig.jpg"));
    const size_t frame = original.find("\xFF\xC0");
    const std::pair<size_t, std::string> patches[] = {
        // within the frame header
        {5, std::string("\xFF\xDC\xFF\xDC", 4)},
        {5, std::string("\x4E\x20\x4E\x20", 4)},
        {5, std::string("\x49\xD4\x49\xD4", 4)} /* under the memory cap, far too many pixels */,
        {4, "\x0C"} /* 12-bit */,
        {1, "\xC3"} /* lossless */,
        {5, std::string("\0\0", 2)}};
    for (const auto& [offset, bytes] : patches) {
        std::string damaged = original;
        EXPECT_FALSE(
            LoadsAndAFailureLeavesTheBuffer(damaged.replace(frame + offset, bytes.size(), bytes)))
            << offset;
    }
    // A progressive file whose last scan repeats past what any camera or editor writes.
    const std::string progressive = test::FileBytes(DataFile("Issue 242.jpg"));
    const size_t last = progressive.rfind("\xFF\xDA");
    std::string hostile = progressive.substr(0, progressive.size() - 2);
    for (int i = 0; i < 100; ++i)
        hostile += progressive.substr(last, progressive.size() - 2 - last);
    EXPECT_FALSE(LoadsAndAFailureLeavesTheBuffer(hostile + "\xFF\xD9"));
}

// The pixels-per-byte rule counts the scans' bytes: zeros padded after the end of the image
// (or an EXIF thumbnail's own end marker) buy no pixels.
TEST(LoadTest, OnlyEntropyCodedBytesCount) {
    const std::string original = test::FileBytes(DataFile("testorig.jpg"));
    const std::string padded = original + std::string(1 << 20, '\0');
    const size_t frame = original.find("\xFF\xC0");
    EXPECT_EQ(EntropyCodedBytes(padded), EntropyCodedBytes(original));
    EXPECT_GT(EntropyCodedBytes(original), original.size() / 2);
    const std::string camera = test::FileBytes(DataFile("Canon EOS 450D.jpg"));
    // Nearly the whole photo, though its EXIF thumbnail ends early in an FF D9 of its own.
    EXPECT_GT(EntropyCodedBytes(camera), camera.size() * 9 / 10);
    // Scans long enough for its size, but 20000 x 18000 is more than 1 GiB of rows.
    std::string tall = original.substr(0, original.size() - 2) + std::string(400000, '\0');
    tall.replace(frame + 5, 4, std::string("\x46\x50\x4E\x20", 4));
    cDIBSection dib;
    JpegReport report;
    EXPECT_FALSE(LoadJPGFromMemory(dib, tall + "\xFF\xD9", &report));
    EXPECT_EQ(report.error, "image trop grande (plus de 1 Gio de pixels)");
    std::string giant = padded;
    giant.replace(giant.find("\xFF\xC0") + 5, 4, std::string("\x49\xD4\x49\xD4", 4));
    EXPECT_FALSE(LoadsAndAFailureLeavesTheBuffer(giant));
}

// The copy made from the decoder's streamed rows (the rows no one reads skipped) is the
// copy made from the whole decoded picture, for every test photo, shrunk or not; so is a
// preview made in the same pass.
TEST(LoadTest, StreamedRowsGiveTheWholePicturesCopy) {
    for (const auto& entry : std::filesystem::directory_iterator(PIXTRIM_TEST_DATA)) {
        if (entry.path().extension() != ".jpg") continue;
        const std::string bytes = test::FileBytes(entry.path());
        cDIBSection whole;
        if (!LoadJPGFromMemory(whole, bytes)) continue;
        for (const auto& [width, height] : {std::pair{320, 240}, {whole.Width(), whole.Height()}}) {
            cDIBSection expected, streamed, expectedPreview, preview;
            ASSERT_TRUE(whole.Resample(expected, height, width));
            ASSERT_TRUE(whole.Resample(expectedPreview, 75, 100));
            JpegRowReader reader;
            ASSERT_TRUE(reader.Open(bytes));
            ASSERT_TRUE(streamed.Create(width, height));
            ASSERT_TRUE(preview.Create(100, 75));
            EXPECT_TRUE(ResampleRows(reader, reader.Width(), reader.Height(), streamed, &preview));
            EXPECT_TRUE(test::SamePixels(streamed, expected)) << entry.path().filename() << width;
            EXPECT_TRUE(test::SamePixels(preview, expectedPreview)) << entry.path().filename();
        }
    }
}

// Upright pictures in color order, and the encoder's tables and headers, are held by the
// golden table of copies.
TEST(SaveTest, ASaveThatCannotFinishLeavesNoFile) {
    test::TempFolder temp;
    const cDIBSection source = Marker(), empty;
    EXPECT_FALSE(SaveJPG(source, temp / "absent/copy.jpg", 80));
    EXPECT_FALSE(SaveJPG(source, "", 80));
    EXPECT_FALSE(SaveJPG(empty, temp / "empty.jpg", 80));
    // The name is taken by a folder: it stays, and no temporary file is left beside it.
    const std::string folder = temp.MakeFolder("taken.jpg");
    EXPECT_FALSE(SaveJPG(source, folder, 80));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace pixtrim
