// The golden table of copies: every row names a test photo and options of
// `pixtrim --resize`, and holds the SHA-256 of the copy the program made of it when the
// table was made (scripts/golden). Each row is made again here, as a job in memory, from
// the same options read by the command line's own parser; any changed byte of any copy
// fails its row.
#include <gtest/gtest.h>

#include <QCryptographicHash>

#include "app/CommandLine.h"
#include "batch/ImageJob.h"
#include "batch/JpegResize.h"
#include "batch/SizeRule.h"
#include "support/Files.h"

namespace pixtrim {
namespace {

struct GoldenRow {
    std::string photo;
    std::string options;
    std::string sha256;
};

std::vector<GoldenRow> ReadGoldenRows() {
    std::vector<GoldenRow> rows;
    for (const auto& cells : test::ReadTable("golden/copies.tsv"))
        rows.push_back({cells.at(0), cells.at(1), cells.at(2)});
    return rows;
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
    EXPECT_EQ(sha256, GetParam().sha256);
}

// Rows named after their photo and options.
std::string RowName(const testing::TestParamInfo<GoldenRow>& row) {
    std::string name = std::to_string(row.index) + "_" + row.param.photo + row.param.options;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Copies, GoldenTest, testing::ValuesIn(ReadGoldenRows()), RowName);

}  // namespace
}  // namespace pixtrim
