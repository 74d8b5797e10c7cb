#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "codec/JpegCodec.h"
#include "image/cDIBSection.h"
#include "support/JpegSegments.h"
#include "support/Pictures.h"
#include "support/TempFolder.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::Bgr;
using test::DataFile;
using test::Fill;
using test::GetPixel;
using test::TempFolder;

// Fills a buffer with a recognisable marker so tests can see it was left alone.
void MakeMarker(cDIBSection& dib) {
    ASSERT_TRUE(dib.Create(3, 2));
    Fill(dib, [](int32_t, int32_t) { return Bgr{1, 2, 3}; });
}

struct FileCase {
    const char* name;
    bool loads;
    int32_t width, height;
};

class LoadFileTest : public testing::TestWithParam<FileCase> {};

TEST_P(LoadFileTest, LoadsOrFailsLeavingTheBufferAlone) {
    const FileCase& c = GetParam();
    cDIBSection dib;
    MakeMarker(dib);
    const uint8_t* before = dib.DIBSectionBitsPtr();
    EXPECT_EQ(LoadJPG(dib, DataFile(c.name)), c.loads);
    if (c.loads) {
        EXPECT_EQ(dib.Width(), c.width);
        EXPECT_EQ(dib.Height(), c.height);
        EXPECT_NE(dib.DIBSectionBitsPtr(), nullptr);
    } else {
        EXPECT_EQ(dib.DIBSectionBitsPtr(), before);
        EXPECT_EQ(dib.Width(), 3);
        EXPECT_EQ(GetPixel(dib, 2, 1), (Bgr{1, 2, 3}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    TestData, LoadFileTest,
    testing::Values(
        FileCase{"Canon EOS 450D.jpg", true, 4272, 2848},
        FileCase{"Samsung GT-I9505 (Galaxy S4).jpg", true, 4128, 2322},
        FileCase{"Apple iPhone 6.jpg", true, 3264, 2448},
        FileCase{"Kodak DX4900 Zoom.jpg", true, 2448, 1632},
        FileCase{"Canon_DIGITAL_IXUS_400.jpg", true, 100, 75},
        FileCase{"Apple iPhone 4.jpg", true, 1296, 968}, FileCase{"testorig.jpg", true, 227, 149},
        FileCase{"Issue 154.jpg", true, 1379, 815},
        FileCase{"Issue 242.jpg", true, 960, 1280},  // progressive
        FileCase{"Issue 80.jpg", true, 1024, 768},
        FileCase{"Panasonic DMC-LC40.jpg", true, 1200, 1600},
        FileCase{"hopper_gray.jpg", true, 128, 128},
        FileCase{"pil_sample_cmyk.jpg", true, 100, 100},
        FileCase{"testimgari.jpg", true, 227, 149},  // arithmetic coding
        FileCase{"truncated.jpg", true, 2725, 2225}, FileCase{"Issue 508.jpg", true, 1, 1},
        FileCase{"Landscape_1.jpg", true, 600, 450}, FileCase{"Landscape_2.jpg", true, 600, 450},
        FileCase{"Landscape_3.jpg", true, 600, 450}, FileCase{"Landscape_4.jpg", true, 600, 450},
        FileCase{"Landscape_5.jpg", true, 450, 600}, FileCase{"Landscape_6.jpg", true, 450, 600},
        FileCase{"Landscape_7.jpg", true, 450, 600}, FileCase{"Landscape_8.jpg", true, 450, 600},
        FileCase{"Olympus μ Digital 800.JPG", true, 1024, 768},
        FileCase{"Rømø_-_St.Klement_-_Kanzel_3.jpg", true, 100, 75},
        FileCase{"Été à la plage.Jpeg", true, 1152, 768},
        FileCase{"00-empty-file.jpg", false, 0, 0}, FileCase{"hopper_png_renamed.jpg", false, 0, 0},
        FileCase{"3ea649db8e81a46ca4f92fb3238f78ff.jpg", false, 0, 0},
        FileCase{"absent.jpg", false, 0, 0}, FileCase{"", false, 0, 0}));

// testorig.jpg with its frame header changed: byte offsets within the SOF0 segment.
struct PatchCase {
    const char* name;
    size_t offset;
    std::string bytes;
};

class DamagedHeaderTest : public testing::TestWithParam<PatchCase> {};

TEST_P(DamagedHeaderTest, IsRefusedWithoutTouchingTheBuffer) {
    std::string bytes = test::FileBytes(DataFile("testorig.jpg"));
    const size_t frame = bytes.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    bytes.replace(frame + GetParam().offset, GetParam().bytes.size(), GetParam().bytes);
    TempFolder temp;
    const std::string path = temp.WriteFile("damaged.jpg", bytes);
    cDIBSection dib;
    MakeMarker(dib);
    EXPECT_FALSE(LoadJPG(dib, path));
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(GetPixel(dib, 0, 0), (Bgr{1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(
    Patches, DamagedHeaderTest,
    testing::Values(PatchCase{"Claims65500x65500", 5, std::string("\xFF\xDC\xFF\xDC", 4)},
                    PatchCase{"Claims20000x20000", 5, std::string("\x4E\x20\x4E\x20", 4)},
                    // Under the memory cap, but far more pixels than a file this small holds.
                    PatchCase{"Claims18900x18900", 5, std::string("\x49\xD4\x49\xD4", 4)},
                    PatchCase{"TwelveBit", 4, std::string("\x0C", 1)},
                    PatchCase{"Lossless", 1, std::string("\xC3", 1)},
                    PatchCase{"ZeroHeight", 5, std::string("\x00\x00", 2)}));

// A progressive file whose last scan repeats: every scan is another pass over the picture,
// so the decode stops once the scans pass what any camera or editor writes.
TEST(LoadTest, AFileOfEndlessScansIsRefused) {
    const std::string bytes = test::FileBytes(DataFile("Issue 242.jpg"));
    ASSERT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
    const size_t last = bytes.rfind("\xFF\xDA");
    std::string hostile = bytes.substr(0, bytes.size() - 2);
    for (int i = 0; i < 100; ++i) hostile += bytes.substr(last, bytes.size() - 2 - last);
    cDIBSection dib;
    EXPECT_FALSE(LoadJPGFromMemory(dib, hostile + "\xFF\xD9"));
    EXPECT_TRUE(LoadJPGFromMemory(dib, bytes));
}

TEST(LoadTest, GreyArrivesAsGreyPixels) {
    cDIBSection dib;
    ASSERT_TRUE(LoadJPG(dib, DataFile("hopper_gray.jpg")));
    for (int32_t r = 0; r < dib.Height(); r += 7) {
        for (int32_t x = 0; x < dib.Width(); x += 5) {
            const Bgr p = GetPixel(dib, x, r);
            ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);
        }
    }
}

// Qt's own decoder serves as an independent reading of the same files.
double MeanDifferenceFromQt(const std::string& name) {
    cDIBSection dib;
    if (!LoadJPG(dib, DataFile(name))) return 1e9;
    const QImage picture =
        QImage(QString::fromStdString(DataFile(name))).convertToFormat(QImage::Format_RGB888);
    if (picture.width() != dib.Width() || picture.height() != dib.Height()) return 1e9;
    double total = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const uint8_t* qt = picture.constScanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            const Bgr p = GetPixel(dib, x, dib.Height() - 1 - y);
            total += std::abs(p[2] - qt[3 * x]) + std::abs(p[1] - qt[3 * x + 1]) +
                     std::abs(p[0] - qt[3 * x + 2]);
        }
    }
    return total / (3.0 * picture.width() * picture.height());
}

TEST(LoadTest, PicturesArriveUprightInColourOrder) {
    for (const char* name :
         {"testorig.jpg", "Landscape_6.jpg", "pil_sample_cmyk.jpg", "Issue 242.jpg"}) {
        EXPECT_LT(MeanDifferenceFromQt(name), 2.0) << name;
    }
}

class SaveTest : public testing::Test {
protected:
    // 32 x 32 blocks: red top-left, blue bottom-right, green elsewhere.
    void MakeBlocks(cDIBSection& dib, int32_t width, int32_t height) {
        ASSERT_TRUE(dib.Create(width, height));
        Fill(dib, [&](int32_t x, int32_t r) {
            const int32_t y = height - 1 - r;
            if (x < 32 && y < 32) return Bgr{0, 0, 255};
            if (x >= width - 32 && y >= height - 32) return Bgr{255, 0, 0};
            return Bgr{0, 255, 0};
        });
    }
    static bool Near(const Bgr& a, const Bgr& b) {
        for (int k = 0; k < 3; ++k) {
            if (std::abs(a[k] - b[k]) > 8) return false;
        }
        return true;
    }
    TempFolder temp;
};

TEST_F(SaveTest, RoundTripStaysUprightAndInColourOrder) {
    cDIBSection source, loaded;
    MakeBlocks(source, 130, 97);
    const std::string path = temp / "copy.jpg";
    ASSERT_TRUE(SaveJPG(source, path, 80));
    ASSERT_TRUE(LoadJPG(loaded, path));
    ASSERT_EQ(loaded.Width(), 130);
    ASSERT_EQ(loaded.Height(), 97);
    EXPECT_TRUE(Near(GetPixel(loaded, 10, 96 - 10), (Bgr{0, 0, 255})));
    EXPECT_TRUE(Near(GetPixel(loaded, 120, 10), (Bgr{255, 0, 0})));
    EXPECT_TRUE(Near(GetPixel(loaded, 64, 48), (Bgr{0, 255, 0})));
}

TEST_F(SaveTest, WritesABaselineJfifFileAndNothingElse) {
    cDIBSection source;
    MakeBlocks(source, 64, 64);
    const std::string path = temp / "copy.jpg";
    ASSERT_TRUE(SaveJPG(source, path, 80));
    const std::string bytes = test::FileBytes(path);
    EXPECT_EQ(bytes.substr(0, 4), "\xFF\xD8\xFF\xE0");
    EXPECT_EQ(bytes.substr(6, 5), std::string("JFIF\0", 5));
    EXPECT_NE(bytes.find("\xFF\xC0"), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 1);
}

TEST_F(SaveTest, NarrowAndPaddedRowsRoundTrip) {
    for (const int32_t width : {1, 2, 3, 4, 5}) {
        cDIBSection source, loaded;
        ASSERT_TRUE(source.Create(width, 9));
        Fill(source, [](int32_t, int32_t) { return Bgr{40, 120, 200}; });
        const std::string path = temp / ("w" + std::to_string(width) + ".jpg");
        ASSERT_TRUE(SaveJPG(source, path, 95));
        ASSERT_TRUE(LoadJPG(loaded, path));
        EXPECT_EQ(loaded.Width(), width);
        EXPECT_TRUE(Near(GetPixel(loaded, width - 1, 0), (Bgr{40, 120, 200}))) << width;
    }
}

TEST_F(SaveTest, ASaveThatCannotFinishLeavesNoFile) {
    cDIBSection source, empty;
    MakeBlocks(source, 40, 40);
    EXPECT_FALSE(SaveJPG(source, temp / "absent/copy.jpg", 80));
    EXPECT_FALSE(SaveJPG(source, "", 80));
    EXPECT_FALSE(SaveJPG(empty, temp / "empty.jpg", 80));
    // The name is taken by a folder: it stays, and no temporary file is left beside it.
    const std::string folder = temp.MakeFolder("taken.jpg");
    EXPECT_FALSE(SaveJPG(source, folder, 80));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 1);
}

TEST_F(SaveTest, ReplacesAnExistingFileWhole) {
    cDIBSection source, loaded;
    MakeBlocks(source, 40, 30);
    const std::string path = temp.WriteFile("copy.jpg", "old content");
    ASSERT_TRUE(SaveJPG(source, path, 80));
    ASSERT_TRUE(LoadJPG(loaded, path));
    EXPECT_EQ(loaded.Width(), 40);
}

}  // namespace
}  // namespace pixtrim
