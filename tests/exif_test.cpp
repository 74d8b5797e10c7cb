#include "exif/Exif.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "batch/JpegResize.h"
#include "support/FakeHost.h"
#include "support/JpegSegments.h"
#include "support/Pictures.h"
#include "support/TempFolder.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::DataFile;
using test::ExivTags;
using test::FileBytes;
using test::HeaderSegments;
using test::TempFolder;

// Builds an APP1 "Exif" segment: IFD0 at `ifd0` with Orientation and the Exif pointer, a
// sub-IFD with PixelXDimension and PixelYDimension of the given type. With `subCount` 1 the
// two size entries lie beyond the sub-IFD's counted entries.
std::string MakeExifSegment(bool littleEndian, uint16_t sizeType, uint16_t orientation = 1,
                            uint32_t ifd0 = 8, uint16_t subCount = 3) {
    std::string tiff;
    const auto put16 = [&](uint32_t v) {
        tiff += littleEndian ? char(v & 255) : char(v >> 8 & 255);
        tiff += littleEndian ? char(v >> 8 & 255) : char(v & 255);
    };
    const auto put32 = [&](uint32_t v) {
        if (littleEndian)
            put16(v & 0xFFFF), put16(v >> 16);
        else
            put16(v >> 16), put16(v & 0xFFFF);
    };
    const auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        put16(tag), put16(type), put32(1);
        if (type == 3)
            put16(value), put16(0);
        else
            put32(value);
    };
    tiff += littleEndian ? "II" : "MM";
    put16(42), put32(ifd0);
    tiff.resize(ifd0, '\0');
    put16(2), entry(0x0112, 3, orientation), entry(0x8769, 4, ifd0 + 2 + 24 + 4);
    put32(0);
    put16(subCount), entry(0x9000, 7, 0x30323330), entry(0xA002, sizeType, 4000),
        entry(0xA003, sizeType, 3000);
    put32(0);  // the sub-IFD ends the segment, as in some phone files
    const std::string body = std::string("Exif\0\0", 6) + tiff;
    const size_t length = body.size() + 2;
    return std::string("\xFF\xE1", 2) + char(length >> 8) + char(length & 255) + body;
}

std::string Segment(uint8_t type, const std::string& data) {
    const size_t length = data.size() + 2;
    return std::string("\xFF", 1) + char(type) + char(length >> 8) + char(length & 255) + data;
}

const std::string kImageData = std::string("\xFF\xDA\x00\x02\x11\x22\xFF\xD9", 8);

struct SizeCase {
    bool littleEndian;
    uint16_t type;
    std::string width;  // the 4-byte value field after the update
    std::string height;
};

class ExifSizeTest : public testing::TestWithParam<SizeCase> {
protected:
    TempFolder temp;
};

TEST_P(ExifSizeTest, WritesTheNewSizeInTheSegmentsOrder) {
    const SizeCase& c = GetParam();
    const std::string segment = MakeExifSegment(c.littleEndian, c.type);
    // A long APP0 first (its length's high byte is not zero): skipped by its full length.
    const std::string source = temp.WriteFile(
        "source.jpg", "\xFF\xD8" + Segment(0xE0, std::string(300, 'j')) + segment + kImageData);
    ExifTransfer exif;
    ASSERT_TRUE(exif.ReadExifData(source));
    EXPECT_EQ(std::string(exif.ExifData.begin(), exif.ExifData.end()), segment);
    exif.SetExifImageSize(800, 600);
    const std::string updated(exif.ExifData.begin(), exif.ExifData.end());
    EXPECT_EQ(updated.substr(exif.ExifWidthPos, 4), c.width);
    EXPECT_EQ(updated.substr(exif.ExifHeightPos, 4), c.height);

    const std::string copy =
        temp.WriteFile("copy.jpg", "\xFF\xD8" + Segment(0xE0, "JFIF") + kImageData);
    ASSERT_TRUE(exif.WriteExifData(copy, true));
    EXPECT_EQ(FileBytes(copy), "\xFF\xD8" + updated + Segment(0xE0, "JFIF") + kImageData);
}

INSTANTIATE_TEST_SUITE_P(
    OrdersAndTypes, ExifSizeTest,
    testing::Values(
        SizeCase{true, 3, std::string("\x20\x03\x00\x00", 4), std::string("\x58\x02\x00\x00", 4)},
        SizeCase{false, 3, std::string("\x03\x20\x00\x00", 4), std::string("\x02\x58\x00\x00", 4)},
        SizeCase{true, 4, std::string("\x20\x03\x00\x00", 4), std::string("\x58\x02\x00\x00", 4)},
        SizeCase{false, 4, std::string("\x00\x00\x03\x20", 4), std::string("\x00\x00\x02\x58", 4)},
        // Neither SHORT nor LONG: left as it was (4000 and 3000 as RATIONAL offsets).
        SizeCase{false, 5, std::string("\x00\x00\x0F\xA0", 4),
                 std::string("\x00\x00\x0B\xB8", 4)}));

struct DamagedCase {
    const char* name;
    std::string bytes;
    bool found;  // an APP1 is kept
};

class DamagedSourceTest : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedSourceTest, NeverReadsOutsideTheFileOrTheSegment) {
    TempFolder temp;
    ExifTransfer exif;
    EXPECT_EQ(exif.ReadExifData(temp.WriteFile("s.jpg", GetParam().bytes)), GetParam().found);
    exif.SetExifImageSize(800, 600);  // must not crash whatever was kept
    const std::string copy = temp.WriteFile("c.jpg", "\xFF\xD8" + kImageData);
    EXPECT_TRUE(exif.WriteExifData(copy, true));
}

const std::string kGood = MakeExifSegment(true, 3);

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedSourceTest,
    testing::Values(
        DamagedCase{"Empty", "", false}, DamagedCase{"NotAJpeg", "PNG....", false},
        DamagedCase{"EndsBeforeAnApp1", "\xFF\xD8" + Segment(0xE0, "JFIF"), false},
        DamagedCase{"EndsInsideALength", "\xFF\xD8\xFF\xE0\x00", false},
        DamagedCase{"App1RunsPastTheEnd", "\xFF\xD8" + kGood.substr(0, 30), false},
        DamagedCase{"NoApp1BeforeTheImage", "\xFF\xD8" + kImageData + kGood, false},
        DamagedCase{"NotExif", "\xFF\xD8" + Segment(0xE1, "http://ns.adobe.com/xap/1.0/"), true},
        DamagedCase{"TinyApp1", "\xFF\xD8" + Segment(0xE1, ""), true},
        DamagedCase{"CutTiff",
                    "\xFF\xD8" + Segment(0xE1, std::string("Exif\0\0II*\0\x08\0\0\0\x05\0", 16)),
                    true},
        DamagedCase{
            "SubIfdPastTheSegment",
            "\xFF\xD8" +
                Segment(
                    0xE1,
                    std::string("Exif\0\0MM\0*\0\0\0\x08\0\x01\x87\x69\0\x04\0\0\0\x01\0\0\xFF\xF0",
                                28)),
            true}));

TEST(ExifTest, NonExifApp1IsInsertedUnchanged) {
    TempFolder temp;
    const std::string xmp = Segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x/>");
    ExifTransfer exif;
    ASSERT_TRUE(exif.ReadExifData(temp.WriteFile("s.jpg", "\xFF\xD8" + xmp + kImageData)));
    EXPECT_FALSE(exif.FindExifImageSize());
    exif.SetExifImageSize(800, 600);
    const std::string copy = temp.WriteFile("c.jpg", "\xFF\xD8" + kImageData);
    ASSERT_TRUE(exif.WriteExifData(copy, true));
    EXPECT_EQ(FileBytes(copy), "\xFF\xD8" + xmp + kImageData);
}

TEST(ExifTest, WriteRefusesACopyThatIsNotAJpeg) {
    TempFolder temp;
    ExifTransfer exif;
    ASSERT_TRUE(exif.ReadExifData(temp.WriteFile("s.jpg", "\xFF\xD8" + kGood + kImageData)));
    const std::string copy = temp.WriteFile("c.jpg", "not a jpeg");
    EXPECT_FALSE(exif.WriteExifData(copy, true));
    EXPECT_EQ(FileBytes(copy), "not a jpeg");
    ASSERT_TRUE(exif.ReadExifData(temp / "s.jpg"));
    EXPECT_FALSE(exif.WriteExifData(temp / "absent.jpg", true));
    EXPECT_FALSE(fs::exists(temp / "absent.jpg"));
}

std::string IccSegment(const char* colourSpace, uint8_t chunk = 1) {
    std::string profile(128, '\0');
    profile.replace(16, 4, colourSpace);
    return Segment(0xE2, std::string("ICC_PROFILE\0", 12) + char(chunk) + char(1) + profile);
}

struct ProfileCase {
    const char* colourSpace;
    bool carried;
};

class ProfileTest : public testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileTest, OnlyAnRgbProfileTravels) {
    TempFolder temp;
    const std::string icc = IccSegment(GetParam().colourSpace);
    ExifTransfer exif;
    EXPECT_FALSE(exif.ReadExifData(temp.WriteFile("s.jpg", "\xFF\xD8" + icc + kImageData)));
    const std::string copy = temp.WriteFile("c.jpg", "\xFF\xD8" + kImageData);
    ASSERT_TRUE(exif.WriteExifData(copy, false));
    EXPECT_EQ(FileBytes(copy), "\xFF\xD8" + (GetParam().carried ? icc : "") + kImageData);
}

INSTANTIATE_TEST_SUITE_P(ColourSpaces, ProfileTest,
                         testing::Values(ProfileCase{"RGB ", true}, ProfileCase{"GRAY", false},
                                         ProfileCase{"CMYK", false}));

// Whole runs over real photos, read back by exiv2.
class ExifRunTest : public testing::Test {
protected:
    void SetUp() override {
        startFolder_ = CurrentFolder();
        settings.AppFolder = app.String();
        settings.ImageFolder = photos.String();
    }
    void TearDown() override { ChangeCurrentFolder(startFolder_); }
    std::string Run(const std::string& data, bool keepExif) {
        fs::copy_file(DataFile(data), photos.Path() / data, fs::copy_options::overwrite_existing);
        settings.KeepExif = keepExif;
        JpegResize(settings, host).ResizeFolder();
        EXPECT_TRUE(host.messages.empty());
        return photos / ("Resized/" + data);
    }
    static std::vector<std::string> Without(std::vector<std::string> tags,
                                            const std::string& word) {
        tags.erase(
            std::remove_if(tags.begin(), tags.end(),
                           [&](const std::string& t) { return t.find(word) != std::string::npos; }),
            tags.end());
        return tags;
    }
    TempFolder photos, app;
    Settings settings;
    test::FakeHost host{settings};
    std::string startFolder_;
};

struct CameraCase {
    const char* file;
    const char* width;  // as exiv2 prints the copy's PixelXDimension
    const char* height;
};

class CameraTest : public ExifRunTest, public testing::WithParamInterface<CameraCase> {};

TEST_P(CameraTest, CopyCarriesEveryTagWithTheNewSize) {
    const std::string copy = Run(GetParam().file, true);
    const auto segments = HeaderSegments(copy);
    ASSERT_FALSE(segments.empty());
    EXPECT_EQ(segments[0].type, 0xE1);
    const auto source = ExivTags(DataFile(GetParam().file));
    const auto copied = ExivTags(copy);
    ASSERT_GT(source.size(), 20u);
    EXPECT_EQ(Without(Without(copied, "PixelXDimension"), "PixelYDimension"),
              Without(Without(source, "PixelXDimension"), "PixelYDimension"));
    EXPECT_NE(std::find(copied.begin(), copied.end(), GetParam().width), copied.end());
    EXPECT_NE(std::find(copied.begin(), copied.end(), GetParam().height), copied.end());
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, CameraTest,
    testing::Values(CameraCase{"Canon EOS 450D.jpg", "Exif.Photo.PixelXDimension Short 800",
                               "Exif.Photo.PixelYDimension Short 533"},
                    CameraCase{"Samsung GT-I9505 (Galaxy S4).jpg",
                               "Exif.Photo.PixelXDimension Long 800",
                               "Exif.Photo.PixelYDimension Long 450"},
                    CameraCase{"Apple iPhone 6.jpg", "Exif.Photo.PixelXDimension Long 800",
                               "Exif.Photo.PixelYDimension Long 600"},
                    CameraCase{"Kodak DX4900 Zoom.jpg", "Exif.Photo.PixelXDimension Short 800",
                               "Exif.Photo.PixelYDimension Short 533"},
                    CameraCase{"Issue 508.jpg", "Exif.Photo.PixelXDimension Long 1",
                               "Exif.Photo.PixelYDimension Long 1"}));

// Hand-made sources: testorig.jpg (227 x 149, no APP1 of its own) with segments put in
// front, run with a 100 x 100 box, and the copy read back by exiv2.
struct HandMadeCase {
    const char* name;
    std::string segments;  // put right after the source's FF D8
    bool keepExif;
    std::vector<std::string> tags;  // the copy's tags, all of them, as exiv2 prints them
};

class HandMadeTest : public ExifRunTest, public testing::WithParamInterface<HandMadeCase> {};

TEST_P(HandMadeTest, CopyCarriesWhatTheSourceSays) {
    const std::string original = FileBytes(DataFile("testorig.jpg"));
    const std::string source = photos / "a.jpg";
    std::ofstream(source, std::ios::binary) << "\xFF\xD8" + GetParam().segments
                                            << original.substr(2);
    settings.ImageWidth = settings.ImageHeight = "100";
    settings.KeepExif = GetParam().keepExif;
    JpegResize(settings, host).ResizeFolder();
    ASSERT_TRUE(host.messages.empty());
    EXPECT_EQ(ExivTags(photos / "Resized/a.jpg"), GetParam().tags);
}

const std::string kXmp = Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 34));

std::vector<std::string> CopyTags(const char* type, const char* orientation = "1") {
    return {std::string("Exif.Image.Orientation Short ") + orientation,
            "Exif.Image.ExifTag Long 38",  // wrong for IFD0 elsewhere; replaced below
            "Exif.Photo.ExifVersion Undefined 48",
            std::string("Exif.Photo.PixelXDimension ") + type + " 100",
            std::string("Exif.Photo.PixelYDimension ") + type + " 66"};
}

std::vector<std::string> At(std::vector<std::string> tags, uint32_t ifd0) {
    tags[1] = "Exif.Image.ExifTag Long " + std::to_string(ifd0 + 30);
    return tags;
}

INSTANTIATE_TEST_SUITE_P(
    Files, HandMadeTest,
    testing::Values(
        HandMadeCase{"Ifd0At40II", MakeExifSegment(true, 3, 1, 40), true, At(CopyTags("Short"), 40)},
        HandMadeCase{"Ifd0At40MM", MakeExifSegment(false, 4, 1, 40), true, At(CopyTags("Long"), 40)},
        HandMadeCase{"Ifd0At138II", MakeExifSegment(true, 4, 1, 138), true,
                     At(CopyTags("Long"), 138)},
        HandMadeCase{"Ifd0At138MM", MakeExifSegment(false, 3, 1, 138), true,
                     At(CopyTags("Short"), 138)},
        HandMadeCase{"FillBytesBeforeTheApp1", "\xFF\xFF\xFF" + MakeExifSegment(true, 3).substr(1),
                     true, At(CopyTags("Short"), 8)},
        HandMadeCase{"XmpThenExif", kXmp + MakeExifSegment(false, 3, 6), true,
                     At(CopyTags("Short", "6"), 8)},
        HandMadeCase{"XmpThenExifWithoutKeepingIt", kXmp + MakeExifSegment(false, 3, 6), false,
                     {"Exif.Image.Orientation Short 6"}}),
    [](const auto& info) { return info.param.name; });

// 4000 x 3000 written after the one counted sub-IFD entry are other data, not entries.
TEST_F(ExifRunTest, SizesBeyondTheCountedEntriesAreLeftAsTheyAre) {
    const std::string segment = MakeExifSegment(true, 3, 1, 8, 1);
    const std::string original = FileBytes(DataFile("testorig.jpg"));
    std::ofstream(photos / "a.jpg", std::ios::binary) << "\xFF\xD8" + segment
                                                       << original.substr(2);
    JpegResize(settings, host).ResizeFolder();
    EXPECT_EQ(HeaderSegments(photos / "Resized/a.jpg")[0].bytes, segment);
}

TEST_F(ExifRunTest, ASubIfdThatEndsTheSegmentStillGetsTheNewSize) {
    settings.ImageWidth = "320";
    settings.ImageHeight = "240";
    const auto copied = ExivTags(Run("Landscape_6.jpg", true));
    EXPECT_NE(std::find(copied.begin(), copied.end(), "Exif.Photo.PixelXDimension Long 180"),
              copied.end());
    EXPECT_NE(std::find(copied.begin(), copied.end(), "Exif.Photo.PixelYDimension Long 240"),
              copied.end());
}

TEST_F(ExifRunTest, ProfileFollowsTheKeptSegmentThenTheEncodersOwn) {
    const auto segments = HeaderSegments(Run("Landscape_2.jpg", true));
    ASSERT_GE(segments.size(), 3u);
    EXPECT_EQ(segments[0].type, 0xE1);
    EXPECT_EQ(segments[1].type, 0xE2);
    EXPECT_TRUE(test::StartsWith(segments[1], std::string("ICC_PROFILE\0", 12)));
    EXPECT_EQ(segments[1].bytes, HeaderSegments(DataFile("Landscape_2.jpg"))[1].bytes);
    EXPECT_EQ(segments[2].type, 0xE0);
}

TEST_F(ExifRunTest, WithoutExifOnlyTheOrientationAndProfileTravel) {
    const std::string copy = Run("Landscape_6.jpg", false);
    const auto segments = HeaderSegments(copy);
    ASSERT_GE(segments.size(), 3u);
    EXPECT_EQ(segments[0].type, 0xE1);
    EXPECT_EQ(segments[1].type, 0xE2);
    EXPECT_EQ(ExivTags(copy), std::vector<std::string>{"Exif.Image.Orientation Short 6"});
}

TEST_F(ExifRunTest, WithoutExifAnUprightPhotoCarriesNoExif) {
    const std::string copy = Run("Landscape_1.jpg", false);
    for (const auto& segment : HeaderSegments(copy)) EXPECT_NE(segment.type, 0xE1);
    EXPECT_TRUE(ExivTags(copy).empty());
    EXPECT_EQ(Run("Canon EOS 450D.jpg", false), photos / "Resized/Canon EOS 450D.jpg");
    EXPECT_TRUE(ExivTags(photos / "Resized/Canon EOS 450D.jpg").empty());
}

TEST_F(ExifRunTest, ASourceWithoutExifGivesACopyWithoutExif) {
    const std::string copy = Run("testorig.jpg", true);
    const auto segments = HeaderSegments(copy);
    ASSERT_FALSE(segments.empty());
    EXPECT_EQ(segments[0].type, 0xE0);
}

}  // namespace
}  // namespace pixtrim
