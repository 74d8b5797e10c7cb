#include "exif/Exif.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "support/RunFixture.h"

namespace pixtrim {
namespace {

using test::DataFile;
using test::ExivTags;
using test::FileBytes;

std::string Segment(uint8_t type, const std::string& data) {
    const size_t length = data.size() + 2;
    return std::string("\xFF", 1) + char(type) + char(length >> 8) + char(length & 255) + data;
}

// An APP1 "Exif" segment: IFD0 at `ifd0` with Orientation and the Exif pointer, a sub-IFD
// with PixelXDimension 4000 and PixelYDimension 3000 of type `sizeType`. With `subCount` 1
// the two size entries lie beyond the sub-IFD's counted entries.
std::string ExifSegment(bool littleEndian, uint16_t sizeType, uint16_t orientation = 1,
                        uint32_t ifd0 = 8, uint16_t subCount = 3) {
    std::string tiff = littleEndian ? "II" : "MM";
    const auto put16 = [&](uint32_t v) {
        tiff += littleEndian ? char(v & 255) : char(v >> 8 & 255);
        tiff += littleEndian ? char(v >> 8 & 255) : char(v & 255);
    };
    const auto put32 = [&](uint32_t v) {
        littleEndian ? (put16(v & 0xFFFF), put16(v >> 16)) : (put16(v >> 16), put16(v & 0xFFFF));
    };
    const auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        put16(tag), put16(type), put32(1);
        type == 3 ? (put16(value), put16(0)) : put32(value);
    };
    put16(42), put32(ifd0);
    tiff.resize(ifd0, '\0');
    put16(2), entry(0x0112, 3, orientation), entry(0x8769, 4, ifd0 + 2 + 24 + 4), put32(0);
    put16(subCount), entry(0x9000, 7, 0x30323330), entry(0xA002, sizeType, 4000),
        entry(0xA003, sizeType, 3000), put32(0);  // the sub-IFD ends the segment
    return Segment(0xE1, std::string("Exif\0\0", 6) + tiff);
}

const std::string kStart = "\xFF\xD8",
                  kImageData = std::string("\xFF\xDA\x00\x02\x11\x22\xFF\xD9", 8);
const std::string kXmp = Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 34));

// The copy of a source made of `segments`, sized 800 x 600, as the job inserts them.
std::string Carried(const std::string& segments, bool withExif = true) {
    ExifTransfer exif;
    exif.ReadExifBytes(kStart + segments + kImageData);
    exif.SetExifImageSize(800, 600);  // whatever was kept: never outside it
    std::string copy = kStart + kImageData;
    EXPECT_TRUE(exif.InsertSegments(copy, withExif));
    return copy.substr(2, copy.size() - 2 - kImageData.size());
}

// Sizes that are not the sub-IFD's are left as they are: of another type than SHORT or
// LONG (the whole runs below write both types in both byte orders), or beyond the IFD's
// count of entries. A long APP0 before them is skipped whole.
TEST(ExifTest, SizesNotTheSubIfdsAreLeftAsTheyAre) {
    for (const std::string& source : {ExifSegment(false, 5), ExifSegment(true, 3, 1, 8, 1)})
        EXPECT_EQ(Carried(Segment(0xE0, std::string(300, 'j')) + source), source);
}

// Damaged metadata: nothing is read outside the file or the kept segment (the sanitizer
// build checks), and an APP1 found is carried as it is.
TEST(ExifTest, DamagedSegmentsAreCarriedOrDroppedNeverOverread) {
    const std::string good = ExifSegment(true, 3);
    const std::pair<std::string, bool> cases[] = {
        // source segments, carried unchanged
        {"\xFF\xE0\x00", false},
        {good.substr(0, 30), false},
        {kImageData + good, false},
        {kXmp, true},
        {Segment(0xE1, ""), true},
        {Segment(0xE1, std::string("Exif\0\0II*\0\x08\0\0\0\x05\0", 16)), true},
        {Segment(0xE1, std::string("Exif\0\0II*\0\x08\0\0\0\x01\0\x12", 17)), true},
        {Segment(
             0xE1,
             std::string("Exif\0\0MM\0*\0\0\0\x08\0\x01\x87\x69\0\x04\0\0\0\x01\0\0\xFF\xF0", 28)),
         true}};
    for (const auto& [segments, carried] : cases)
        EXPECT_EQ(Carried(segments), carried ? segments : "") << segments.size();
    std::string notJpeg = "not a jpeg";
    EXPECT_FALSE(ExifTransfer().InsertSegments(notJpeg, true));
    EXPECT_EQ(notJpeg, "not a jpeg");
}

std::string IccChunk(const char* colorSpace, uint8_t chunk, uint8_t count) {
    std::string profile(128, char('a' + chunk));
    profile.replace(16, 4, colorSpace);
    return Segment(0xE2, std::string("ICC_PROFILE\0", 12) + char(chunk) + char(count) + profile);
}

// Only an RGB profile travels, every chunk in its order, after the APP1.
TEST(ExifTest, AnRgbProfileTravelsWholeInOrder) {
    const std::string rgb = IccChunk("RGB ", 1, 2) + IccChunk("xxxx", 2, 2);
    EXPECT_EQ(Carried(rgb + Segment(0xE1, "x")), Segment(0xE1, "x") + rgb);
    EXPECT_EQ(Carried(IccChunk("GRAY", 1, 1)), "");
    EXPECT_EQ(Carried(IccChunk("GRAY", 1, 2) + IccChunk("RGB ", 2, 2)),
              "");  // the first chunk says
    EXPECT_EQ(Carried(IccChunk("CMYK", 1, 1)), "");
}

// Whole runs, read back by exiv2 (the camera photos' copies are rows of the golden table).
using ExifRunTest = test::RunFixture;

// Hand-made sources: testorig.jpg (227 x 149, no APP1) with segments put in front, a
// 100 x 100 box, and every tag of the copy as exiv2 prints it.
struct HandMadeCase {
    const char* name;
    std::string segments;
    bool keepExif;
    std::vector<std::string> tags;
};

class HandMadeTest : public ExifRunTest, public testing::WithParamInterface<HandMadeCase> {};

TEST_P(HandMadeTest, CopyCarriesWhatTheSourceSays) {
    std::ofstream(photos / "a.jpg", std::ios::binary)
        << kStart + GetParam().segments << FileBytes(DataFile("testorig.jpg")).substr(2);
    settings.ImageWidth = settings.ImageHeight = "100";
    settings.KeepExif = GetParam().keepExif;
    Run();
    ASSERT_TRUE(host.messages.empty());
    EXPECT_EQ(ExivTags(Output("a.jpg")), GetParam().tags);
}

std::vector<std::string> Tags(const char* type, uint32_t ifd0, const char* orientation = "1") {
    return {std::string("Exif.Image.Orientation Short ") + orientation,
            "Exif.Image.ExifTag Long " + std::to_string(ifd0 + 30),
            "Exif.Photo.ExifVersion Undefined 48",
            std::string("Exif.Photo.PixelXDimension ") + type + " 100",
            std::string("Exif.Photo.PixelYDimension ") + type + " 66"};
}

INSTANTIATE_TEST_SUITE_P(
    Files, HandMadeTest,
    testing::Values(
        HandMadeCase{"Ifd0At40II", ExifSegment(true, 3, 1, 40), true, Tags("Short", 40)},
        HandMadeCase{"Ifd0At40MM", ExifSegment(false, 4, 1, 40), true, Tags("Long", 40)},
        HandMadeCase{"FillBytesBeforeTheApp1", "\xFF\xFF\xFF" + ExifSegment(true, 3).substr(1),
                     true, Tags("Short", 8)},
        HandMadeCase{"XmpThenExif", kXmp + ExifSegment(false, 3, 6), true, Tags("Short", 8, "6")},
        HandMadeCase{"XmpThenExifWithoutKeepingIt",
                     kXmp + ExifSegment(false, 3, 6),
                     false,
                     {"Exif.Image.Orientation Short 6"}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace pixtrim
