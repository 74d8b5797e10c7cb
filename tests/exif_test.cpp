// The metadata of hand-made sources (tests/data/exif-*.jpg and icc-*.jpg, made by
// scripts/make-samples) travels as rows of the golden table; here, what damage does.
#include "exif/Exif.h"

#include <gtest/gtest.h>

#include "support/Files.h"

namespace pixtrim {
namespace {

std::string Segment(uint8_t type, const std::string& data) {
    const size_t length = data.size() + 2;
    return std::string("\xFF", 1) + char(type) + char(length >> 8) + char(length & 255) + data;
}

const std::string kStart = "\xFF\xD8",
                  kImageData = std::string("\xFF\xDA\x00\x02\x11\x22\xFF\xD9", 8);

// The segments that a copy of a source made of `segments` carries.
std::string Carried(const std::string& segments) {
    ExifTransfer exif;
    exif.ReadExifBytes(kStart + segments + kImageData);
    exif.SetExifImageSize(800, 600);  // whatever was kept: never outside it
    std::string copy = kStart + kImageData;
    EXPECT_TRUE(exif.InsertSegments(copy, true));
    return copy.substr(2, copy.size() - 2 - kImageData.size());
}

// Damaged metadata: nothing is read outside the file or the kept segment (the sanitizer
// build checks), and an APP1 found is carried as it is.
TEST(ExifTest, DamagedSegmentsAreCarriedOrDroppedNeverOverread) {
    const std::string photo = test::FileBytes(test::DataFile("exif-ifd0-at-40-II.jpg"));
    const std::string good = photo.substr(2, photo.find("\xFF\xE0") - 2);  // its APP1
    const std::pair<std::string, bool> cases[] = {
        // source segments, carried unchanged
        {"\xFF\xE0\x00", false},
        {good.substr(0, 30), false},
        {kImageData + good, false},
        {Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 34)), true},
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

}  // namespace
}  // namespace pixtrim
