#include <gtest/gtest.h>

#include <filesystem>

#include "codec/JpegCodec.h"
#include "image/Resample.h"
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

// Whatever does not load (every file of tests/data that is no JPEG, or whose header no
// decoder should take on trust: hostile-*.jpg, made by scripts/make-samples) leaves the
// buffer as it was. The golden table holds which files make no copy, and the command
// line's table why.
TEST(LoadTest, AFailedLoadLeavesTheBuffer) {
    for (const auto& entry : fs::directory_iterator(PIXTRIM_TEST_DATA)) {
        cDIBSection dib = Marker();
        if (!entry.is_regular_file() || LoadImageFromMemory(dib, test::FileBytes(entry.path())))
            continue;
        EXPECT_EQ(dib.Width(), 3) << entry.path();
        EXPECT_EQ(GetPixel(dib, 2, 1), (Bgr{1, 2, 3})) << entry.path();
    }
    cDIBSection dib;
    EXPECT_FALSE(LoadJPG(dib, DataFile("absent.jpg")));
}

// The pixels-per-byte rule counts the scans' bytes: zeros padded after the end of the image
// (or an EXIF thumbnail's own end marker) buy no pixels.
TEST(LoadTest, OnlyEntropyCodedBytesCount) {
    const std::string original = test::FileBytes(DataFile("testorig.jpg"));
    EXPECT_EQ(EntropyCodedBytes(original + std::string(1 << 20, '\0')),
              EntropyCodedBytes(original));
    EXPECT_GT(EntropyCodedBytes(original), original.size() / 2);
    const std::string camera = test::FileBytes(DataFile("Canon EOS 450D.jpg"));
    // Nearly the whole photo, though its EXIF thumbnail ends early in an FF D9 of its own.
    EXPECT_GT(EntropyCodedBytes(camera), camera.size() * 9 / 10);
}

// The copy made from the decoder's streamed rows (the rows no one reads skipped) is the
// copy made from the whole decoded picture, for every test photo of every format, shrunk or
// not; so is a preview made in the same pass; and so with the integer kernel, the double
// one and the plain one (at odd sizes, and growing, as well).
TEST(LoadTest, StreamedRowsGiveTheWholePicturesCopy) {
    for (const auto& entry : std::filesystem::directory_iterator(PIXTRIM_TEST_DATA)) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = test::FileBytes(entry.path());
        cDIBSection whole;
        if (!LoadImageFromMemory(whole, bytes)) continue;
        // A large picture of a format decoded whole streams nothing: the phone's HEIC is left
        // to the golden rows (its decode is the test's longest).
        const ImageFormat format = SniffImageFormat(bytes.substr(0, kFormatHeadBytes));
        if (format != ImageFormat::Jpeg && int64_t{whole.Width()} * whole.Height() > (1 << 20))
            continue;
        for (const auto& [width, height] :
             {std::pair{320, 240},
              {97, 31},
              {std::max(1, whole.Width() - 1), std::max(1, whole.Height() - 1)},
              {whole.Width(), whole.Height()}}) {
            // The reference is the plain kernel's: a fault of the fast ones shows against it.
            cDIBSection expected, expectedPreview;
            BufferRows rows(whole);
            ASSERT_TRUE(expected.Create(width, height));
            ASSERT_TRUE(expectedPreview.Create(100, 75));
            ASSERT_TRUE(ResampleRows(rows, whole.Width(), whole.Height(), expected,
                                     &expectedPreview, RowKernel::Scalar));
            for (const RowKernel kernel : {RowKernel::Best, RowKernel::Sse2, RowKernel::Scalar}) {
                cDIBSection streamed, preview;
                const auto reader =
                    MakeDecoder(SniffImageFormat(bytes.substr(0, kFormatHeadBytes)));
                ASSERT_TRUE(reader->Open(bytes));
                ASSERT_TRUE(streamed.Create(width, height));
                ASSERT_TRUE(preview.Create(100, 75));
                EXPECT_TRUE(ResampleRows(*reader, reader->Width(), reader->Height(), streamed,
                                         &preview, kernel));
                EXPECT_TRUE(test::SamePixels(streamed, expected))
                    << entry.path().filename() << width << int(kernel);
                EXPECT_TRUE(test::SamePixels(preview, expectedPreview)) << entry.path().filename();
            }
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
