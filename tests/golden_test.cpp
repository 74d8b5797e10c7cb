// The golden table of copies: every row names a test photo and options of
// `pixtrim --resize`, and holds the SHA-256 of the copy the program made of it when the
// table was made (scripts/golden), and what that copy is as exiftool read it then: its
// size, its orientation, the pixel size its EXIF says, its color profile. Each row is made
// again here, as a job in memory, from the same options read by the command line's own
// parser, and the copy read by the program's own readers; any changed byte of any copy
// fails its row.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ostream>

#include "app/CommandLine.h"
#include "batch/ImageJob.h"
#include "batch/JpegResize.h"
#include "batch/SizeRule.h"
#include "codec/JpegCodec.h"
#include "exif/Exif.h"
#include "support/Files.h"

namespace pixtrim {
namespace {

struct GoldenRow {
    std::string name;  // what the row guards
    std::string photo;
    std::string options;
    std::string sha256;
    std::string copy;
};

// A row as a failure names it.
void PrintTo(const GoldenRow& row, std::ostream* out) {
    *out << "\"" << row.name << "\": " << row.photo << " " << row.options;
}

std::vector<GoldenRow> ReadGoldenRows() {
    std::vector<GoldenRow> rows;
    for (const auto& cells : test::ReadTable("golden/copies.tsv"))
        rows.push_back({cells.at(0), cells.at(1), cells.at(2), cells.at(3), cells.at(4)});
    return rows;
}

// Where a copy that is not the one recorded is left, for a person to open: a folder of the
// test's own, under the row's name.
std::string LeaveCopy(const std::string& copy) {
    static const std::string folder = [] {
        char made[] = "/tmp/pixtrim-golden-XXXXXX";
        return std::string(mkdtemp(made) ? made : "/tmp");
    }();
    std::string row = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(row.begin(), row.end(), '/', '-');
    const std::string path = folder + "/" + row + ".jpg";
    std::ofstream(path, std::ios::binary) << copy;
    return path;
}

// The bytes of the color profile that a copy's APP2 segments carry.
size_t ProfileBytes(std::string_view copy) {
    size_t bytes = 0;
    for (size_t at = 2; at + 4 <= copy.size() && uint8_t(copy[at]) == 0xFF;) {
        const size_t length = uint8_t(copy[at + 2]) * 256u + uint8_t(copy[at + 3]);
        if (uint8_t(copy[at + 1]) == 0xDA) break;
        if (uint8_t(copy[at + 1]) == 0xE2 &&
            copy.substr(at + 4, 12) == std::string_view("ICC_PROFILE\0", 12))
            bytes += length - 16;
        at += 2 + length;
    }
    return bytes;
}

// What a copy is, in the table's words: "W x H", then what it says of itself.
std::string DescribeCopy(const std::string& copy) {
    JpegHeader header;
    if (!ReadJpegHeader(copy, header)) return "not a JPEG";
    std::string text = std::to_string(header.width) + " x " + std::to_string(header.height);
    ExifTransfer exif;
    exif.ReadExifBytes(copy);
    if (exif.Orientation() != 0) text += ", orientation " + std::to_string(exif.Orientation());
    if (exif.HasLocation()) text += ", location";
    if (const auto pixels = exif.ExifImageSize())
        text += ", EXIF " + std::to_string(pixels->first) + " x " + std::to_string(pixels->second);
    if (const size_t profile = ProfileBytes(copy))
        text += ", profile of " + std::to_string(profile) + " bytes";
    return text;
}

class GoldenTest : public testing::TestWithParam<GoldenRow> {};

TEST_P(GoldenTest, TheCopyIsTheOneRecorded) {
    std::vector<std::string> words = {"--resize", "p"};
    for (const std::string& word : test::SplitWords(test::Unescape(GetParam().options)))
        words.push_back(word);
    const CommandLine line = ParseCommandLine(words);
    ASSERT_EQ(line.error, "");
    Settings settings;
    line.ApplyTo(settings);
    const auto width = ParseBoundingSide(settings.ImageWidth);
    const auto height = ParseBoundingSide(settings.ImageHeight);
    ASSERT_TRUE(width && height);
    HeldFolder data;
    ASSERT_TRUE(HeldFolder::Open(PIXTRIM_TEST_DATA, data));
    JobSettings job = JobSettingsFrom(settings, *width, *height);
    job.quality = line.quality;
    const JobResult result = RunImageJob(data, GetParam().photo, job);
    const std::string sha256 =
        result.step == JobStep::Done
            ? QCryptographicHash::hash(QByteArray::fromStdString(result.copy),
                                       QCryptographicHash::Sha256)
                  .toHex()
                  .toStdString()
            : "none";
    const std::string copy = result.step == JobStep::Done ? DescribeCopy(result.copy) : "none";
    EXPECT_EQ(copy, GetParam().copy);
    EXPECT_EQ(sha256, GetParam().sha256)
        << "the copy (" << copy << ") is not the one recorded; it is left at "
        << LeaveCopy(result.copy);
}

// Rows named after what they guard and their photo.
std::string RowName(const testing::TestParamInfo<GoldenRow>& row) {
    std::string name = std::to_string(row.index) + "_" + row.param.name + "_" + row.param.photo;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Copies, GoldenTest, testing::ValuesIn(ReadGoldenRows()), RowName);

// The copy the job makes of the test photo `photo`, fitted into width x height.
std::string CopyOf(const std::string& photo, int32_t width, int32_t height, JobSettings job = {}) {
    HeldFolder data;
    EXPECT_TRUE(HeldFolder::Open(PIXTRIM_TEST_DATA, data));
    job.boxWidth = width;
    job.boxHeight = height;
    return RunImageJob(data, photo, job).copy;
}

// A location left out takes the GPS pointer out of IFD0 and zeroes the GPS IFD; every other
// byte of the EXIF stays (its stored APP1, checked once with exiftool and exiv2: every other
// tag as before, no new warning).
TEST(LocationTest, ALocationLeftOutKeepsEveryOtherByte) {
    JobSettings job;
    job.keepExif = true;
    job.keepLocation = false;
    const std::string copy = CopyOf("exif-gps-II.jpg", 320, 240, job);
    ASSERT_GT(copy.size(), 6u);
    const size_t length = uint8_t(copy[4]) * 256u + uint8_t(copy[5]);
    test::ExpectAsStored(copy.substr(2, 2 + length), "golden/no-location.app1");
}

// Another format holding a JPEG's very pixels gives that JPEG's very copy: a PNG of what
// libjpeg decodes from testorig.jpg, a CMYK TIFF of pil_sample_cmyk.jpg's inks. (A table
// made anew keeps its rows, but not this.)
TEST(SamePixelsTest, GiveTheSameCopy) {
    for (const auto& [other, jpeg] : {std::pair{"png-same-as-testorig.png", "testorig.jpg"},
                                      {"tiff-cmyk.tif", "pil_sample_cmyk.jpg"}}) {
        const std::string copy = CopyOf(other, 800, 600);
        EXPECT_FALSE(copy.empty()) << other;
        EXPECT_TRUE(copy == CopyOf(jpeg, 800, 600)) << other;
    }
}

}  // namespace
}  // namespace pixtrim
