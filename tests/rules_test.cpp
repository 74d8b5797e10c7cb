// The exact rules' worked examples, as a table (tests/data/rules.tsv): each row names a
// function, its arguments, and what it gives.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>

#include "batch/ImageJob.h"
#include "batch/ImageSelection.h"
#include "batch/JpegResize.h"
#include "batch/MemoryBudget.h"
#include "batch/OutputRecord.h"
#include "batch/SizeRule.h"
#include "batch/WorkerPool.h"
#include "codec/ImageFormat.h"
#include "codec/SampleRows.h"
#include "image/cDIBSection.h"
#include "support/Files.h"
#include "support/Pictures.h"
#include "tools/Filters.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

using Cells = std::vector<std::string>;

std::string Text(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string Text(std::optional<int32_t> value) {
    return value ? std::to_string(*value) : "refused";
}

std::string Text(bool value) { return value ? "yes" : "no"; }

int32_t Int(const std::string& cell) { return std::stoi(cell); }

// A grey picture as the table writes it: rows from the bottom one (memory order) parted by
// " / ", one value a pixel; a pixel that is not grey reads "not grey".
cDIBSection GreyPicture(const std::string& text) {
    std::vector<std::vector<int>> rows(1);
    for (const std::string& word : test::SplitWords(text)) {
        if (word == "/")
            rows.emplace_back();
        else
            rows.back().push_back(std::stoi(word));
    }
    return test::MakePicture(int32_t(rows[0].size()), int32_t(rows.size()),
                             [&](int32_t x, int32_t r) { return test::Grey(uint8_t(rows[r][x])); });
}

// The 6 x 4 source of the copies between surfaces: each pixel's grey value is 10 x + its
// memory row, so a copy shows where each pixel came from (its targets are 99s).
cDIBSection Numbered() {
    return test::MakePicture(6, 4,
                             [](int32_t x, int32_t r) { return test::Grey(uint8_t(10 * x + r)); });
}

std::string GreyText(const cDIBSection& dib) {
    std::string text;
    for (int32_t r = 0; r < dib.Height(); ++r) {
        for (int32_t x = 0; x < dib.Width(); ++x) {
            const test::Bgr p = test::GetPixel(dib, x, r);
            text += x > 0 ? " " : r > 0 ? " / " : "";
            text += p == test::Grey(p[0]) ? std::to_string(p[0]) : "not grey";
        }
    }
    return text;
}

// Each function as the table calls it: its arguments' cells in, its result's text out.
const std::map<std::string, std::function<std::string(const Cells&)>> kRules = {
    {"FitImageSize",
     [](const Cells& a) {
         int32_t width = Int(a[0]), height = Int(a[1]);
         FitImageSize(width, height, Int(a[2]), Int(a[3]));
         return std::to_string(width) + " x " + std::to_string(height);
     }},
    {"ParseBoundingSide", [](const Cells& a) { return Text(ParseBoundingSide(a[0])); }},
    {"MatchesFilters", [](const Cells& a) { return Text(MatchesFilters(a[0], a[1])); }},
    {"NumericValue", [](const Cells& a) { return Text(NumericValue(a[0])); }},
    {"RoundToRange",
     [](const Cells& a) { return Text(RoundToRange(std::stod(a[0]), Int(a[1]), Int(a[2]))); }},
    {"RoundToInt32", [](const Cells& a) { return std::to_string(RoundToInt32(std::stod(a[0]))); }},
    {"CopyrightFontHeight",
     [](const Cells& a) {
         return std::to_string(CopyrightFontHeight(Int(a[0]), Int(a[1]), std::stod(a[2])));
     }},
    {"CopyrightRectangle",
     [](const Cells& a) {
         const TextRect r = CopyrightRectangle(Int(a[0]), Int(a[1]));
         std::ostringstream text;
         text << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom;
         return text.str();
     }},
    {"GetTextAfterLast", [](const Cells& a) { return GetTextAfterLast(a[0], a[1]); }},
    {"GetTextBeforeLast", [](const Cells& a) { return GetTextBeforeLast(a[0], a[1]); }},
    {"CleanFolderPath", [](const Cells& a) { return CleanFolderPath(a[0]); }},
    {"JoinPath", [](const Cells& a) { return JoinPath(a[0], a[1]); }},
    {"TrimBlanks", [](const Cells& a) { return TrimBlanks(a[0]); }},
    {"NameLessIgnoringCase", [](const Cells& a) { return Text(NameLessIgnoringCase(a[0], a[1])); }},
    {"Resample",  // a grey picture into width x height
     [](const Cells& a) {
         cDIBSection target;
         const bool made = GreyPicture(a[0]).Resample(target, Int(a[2]), Int(a[1]));
         return made ? GreyText(target) : "refused";
     }},
    {"Create",  // a buffer of width x height: what it holds then
     [](const Cells& a) {
         cDIBSection dib;
         const bool made = dib.Create(Int(a[0]), Int(a[1]));
         const bool bare = !dib.hdc() && !dib.hDib() && !dib.DIBSectionBitsPtr();
         return std::string(made ? "made" : "refused") + (bare ? ", no handles, " : ", ") +
                std::to_string(dib.Width()) + " x " + std::to_string(dib.Height()) + ", rows of " +
                std::to_string(dib.BytesPerScanLine());
     }},
    {"LoadPictureBlt",  // into a target of width x height, from the numbered source
     [](const Cells& a) {
         cDIBSection target = test::UniformGrey(Int(a[0]), Int(a[1]), 99);
         target.LoadPictureBlt(Numbered().hdc(), Int(a[2]), Int(a[3]), Int(a[4]), Int(a[5]));
         return GreyText(target);
     }},
    {"PaintPicture",  // the numbered source onto a 6 x 4 target
     [](const Cells& a) {
         cDIBSection target = test::UniformGrey(6, 4, 99);
         Numbered().PaintPicture(target.hdc(), Int(a[0]), Int(a[1]), Int(a[2]), Int(a[3]),
                                 Int(a[4]), Int(a[5]));
         return GreyText(target);
     }},
    {"ForeignFilesReason",
     [](const Cells& a) { return ForeignFilesReason(test::SplitWords(a[0])); }},
    {"EightBits",  // a sample, its alpha, their maximum, how the sample is stored
     [](const Cells& a) {
         return std::to_string(EightBits(std::stoul(a[0]), std::stoul(a[1]), std::stoul(a[2]),
                                         a[3] == "premultiplied"));
     }},
    {"SniffImageFormat", [](const Cells& a) { return FormatName(SniffImageFormat(a[0])); }},
    {"CopyNames",  // names, "jpeg:" before those that keep theirs; the copies' names
     [](const Cells& a) {
         std::vector<std::string> names;
         std::vector<bool> keeps;
         for (const std::string& word : test::SplitWords(a[0])) {
             keeps.push_back(word.starts_with("jpeg:"));
             names.push_back(keeps.back() ? word.substr(5) : word);
         }
         std::string text;
         for (const std::string& copy : CopyNames(names, keeps))
             text += (text.empty() ? "" : " / ") + copy;
         return text;
     }},
    {"StartOrder",  // the jobs' costs in listing order, the window; their listing places
     [](const Cells& a) {
         std::vector<uint64_t> costs;
         for (const std::string& word : test::SplitWords(a[0])) costs.push_back(std::stoull(word));
         std::string text;
         for (const size_t place : StartOrder(costs, std::stoul(a[1])))
             text += (text.empty() ? "" : " ") + std::to_string(place);
         return text;
     }},
    {"ParseRecord",  // a record's text; the names of its entries, then of its parked copies
     [](const Cells& a) {
         std::string text;
         for (const RecordEntry& entry : ParseRecord(a[0])) text += entry.name + " ";
         text += "|";
         for (const ParkedCopy& parked : ParseParkedCopies(a[0]))
             text += " " + parked.parked + " as " + parked.name;
         return text;
     }},
    {"MemoryBudgetFrom",  // the variable's text ("unset"), the memory available; the budget
     [](const Cells& a) {
         const auto budget =
             MemoryBudgetFrom(a[0] == "unset" ? nullptr : a[0].c_str(), std::stoull(a[1]));
         return budget ? std::to_string(*budget) : "refused";
     }},
    {"ControlGroupLimit",  // /proc/self/cgroup's text, the files "PATH=TEXT"; the limit
     [](const Cells& a) {
         std::map<std::string, std::string> files;
         for (const std::string& word : test::SplitWords(a[1]))
             files[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
         const auto limit = ControlGroupLimit(a[0], [&](const std::string& path) {
             const auto file = files.find(path);
             return file == files.end() ? std::nullopt : std::optional(file->second);
         });
         return limit ? std::to_string(*limit) : "none";
     }},
    {"JobMemoryNeeds",  // a test photo, the box; the bytes its job holds besides the file
     [](const Cells& a) {
         const std::string file = test::FileBytes(test::DataFile(a[0]));
         return std::to_string(JobMemoryNeeds(file, JobSettingsFrom({}, Int(a[1]), Int(a[2]))) -
                               file.size());
     }},
    {"JobSettingsFrom",  // one stored number for the corner, the size and the colours
     [](const Cells& a) {
         Settings s;
         s.CopyrightPlace = s.CopyrightSize = uint8_t(Int(a[0]));
         s.CopyrightColor = int16_t(Int(a[0]));
         const JobSettings job = JobSettingsFrom(s, 1, 1);
         const char* places[] = {"BottomRight", "BottomLeft", "TopLeft", "TopRight"};
         const char* sizes[] = {"Small", "Medium", "Large"};
         const char* colors[] = {"BlackOnWhite", "WhiteOnBlack", "YellowOnBlack", "GreenOnWhite",
                                 "BlueOnWhite"};
         return std::string(places[int(job.copyrightPlace)]) + " " + sizes[int(job.copyrightSize)] +
                " " + colors[int(job.copyrightColors)];
     }},
};

// A cell's bytes: escapes undone, and the quotes that show blanks at its ends taken off.
std::string Cell(const std::string& cell) {
    const bool quoted = cell.size() >= 2 && cell.front() == '"' && cell.back() == '"';
    return test::Unescape(quoted ? cell.substr(1, cell.size() - 2) : cell);
}

class RuleTest : public testing::TestWithParam<Cells> {};

TEST_P(RuleTest, GivesTheLastCell) {
    Cells arguments;
    for (size_t i = 1; i + 1 < GetParam().size(); ++i) arguments.push_back(Cell(GetParam()[i]));
    const auto rule = kRules.find(GetParam().front());
    ASSERT_NE(rule, kRules.end()) << GetParam().front();
    EXPECT_EQ(rule->second(arguments), Cell(GetParam().back()));
}

// Rows named after the function and their line, as in the table's order.
INSTANTIATE_TEST_SUITE_P(Rules, RuleTest, testing::ValuesIn(test::ReadTable("rules.tsv")),
                         [](const auto& row) {
                             return row.param.front() + "_" + std::to_string(row.index);
                         });

// A filter of many stars answers at once: no backtracking without end.
TEST(FiltersTest, AnswersAtOnceOnManyStars) {
    const std::string name(255, 'a'), stars = "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
    EXPECT_FALSE(MatchesFilters(name, stars));
    EXPECT_TRUE(MatchesFilters(name + "b", stars));
}

}  // namespace
}  // namespace pixtrim
