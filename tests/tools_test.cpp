#include "tools/Tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "support/TempFolder.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

struct SplitCase {
    const char* text;
    const char* separator;
    const char* after;
    const char* before;
};

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsAtTheLastSeparator) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(GetTextAfterLast(c.text, c.separator), c.after);
    EXPECT_EQ(GetTextBeforeLast(c.text, c.separator), c.before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitTest,
    testing::Values(SplitCase{R"(C:\Photos\Trip)", "\\", "Trip", R"(C:\Photos)"},
                    SplitCase{R"(C:\Photos)", "\\", "Photos", "C:"},
                    SplitCase{"C:", "\\", "C:", ""}, SplitCase{R"(C:\)", "\\", "", "C:"},
                    SplitCase{"Pixtrim.cfg", ".", "cfg", "Pixtrim"},
                    SplitCase{"*.jpg;*.jpeg", ";", "*.jpeg", "*.jpg"}, SplitCase{"", "\\", "", ""},
                    SplitCase{"/home/anne/Photos", "/", "Photos", "/home/anne"},
                    SplitCase{"/Photos", "/", "Photos", ""},
                    // A separator that is not one character is never found.
                    SplitCase{"a::b", "::", "a::b", ""}, SplitCase{"a.b", "", "a.b", ""},
                    // A one-character separator outside ASCII is one character.
                    SplitCase{"été.jpg", "é", ".jpg", "ét"}));

TEST(SplitTest, ClimbsOneLevelPerCall) {
    std::string path = R"(C:\A\B)";
    path = GetTextBeforeLast(path, "\\");
    EXPECT_EQ(path, R"(C:\A)");
    path = GetTextBeforeLast(path, "\\");
    EXPECT_EQ(path, "C:");
    path = GetTextBeforeLast(path, "\\");
    EXPECT_EQ(path, "");
}

struct FilterCase {
    const char* name;
    const char* filters;
    bool matches;
};

class MatchesFiltersTest : public testing::TestWithParam<FilterCase> {};

TEST_P(MatchesFiltersTest, Matches) {
    const FilterCase& c = GetParam();
    EXPECT_EQ(MatchesFilters(c.name, c.filters), c.matches)
        << "name '" << c.name << "' filters '" << c.filters << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Lists, MatchesFiltersTest,
    testing::Values(FilterCase{"PHOTO.JPG", "*.jpg;*.jpeg", true},
                    FilterCase{"photo.Jpeg", "*.jpg;*.jpeg", true},
                    FilterCase{"photo.jpg.bak", "*.jpg", false}, FilterCase{"photo.jpg", "", false},
                    FilterCase{"a.jpg", "*.jpg;", true}, FilterCase{"a.jpg", ";*.jpg", true},
                    FilterCase{"a.png", "*.jpg;;", false}, FilterCase{"README", "*.*", false},
                    FilterCase{"a.b", "*.*", true}, FilterCase{"ÉTÉ.JPG", "été.jpg", true},
                    FilterCase{"été.jpg", "ÉTÉ.*", true}, FilterCase{"Ørsted.jpg", "ø*", true}));

INSTANTIATE_TEST_SUITE_P(
    Language, MatchesFiltersTest,
    testing::Values(FilterCase{"IMG_1234.jpg", "IMG_####.jpg", true},
                    FilterCase{"IMG_12a4.jpg", "IMG_####.jpg", false},
                    FilterCase{"a1.jpg", "?#.jpg", true}, FilterCase{"a.jpg", "??.jpg", false},
                    FilterCase{"b.jpg", "[a-c].jpg", true}, FilterCase{"d.jpg", "[a-c].jpg", false},
                    FilterCase{"d.jpg", "[!a-c].jpg", true},
                    FilterCase{"b.jpg", "[!a-c].jpg", false},
                    FilterCase{"B.jpg", "[a-c].jpg", true}, FilterCase{"x.jpg", "[axz].jpg", true},
                    FilterCase{"-.jpg", "[a-].jpg", true}, FilterCase{"*.jpg", "[*].jpg", true},
                    FilterCase{"a.jpg", "[*].jpg", false}, FilterCase{"", "", false},
                    FilterCase{"", ";", true}, FilterCase{"abc", "*", true},
                    FilterCase{"", "*", true}, FilterCase{"abc", "a*c*", true},
                    FilterCase{"abcbd", "a*b?", true}, FilterCase{"abcbd", "a*c", false},
                    FilterCase{"!a", "!a", true}));

// A malformed pattern has a fixed meaning instead of an error.
INSTANTIATE_TEST_SUITE_P(
    Malformed, MatchesFiltersTest,
    testing::Values(FilterCase{"[a.jpg", "[a.jpg", true}, FilterCase{"a.jpg", "[a.jpg", false},
                    FilterCase{"a[", "*[", true}, FilterCase{"a.jpg", "[z-a].jpg", false},
                    FilterCase{"q.jpg", "[!z-a].jpg", true}, FilterCase{"a.jpg", "a[].jpg", true},
                    FilterCase{"a.jpg", "[!]a.jpg", false},
                    FilterCase{"xa.jpg", "[!]a.jpg", true}));

TEST(MatchesFiltersTest, AnswersAtOnceOnManyStars) {
    const std::string name(255, 'a');
    EXPECT_FALSE(MatchesFilters(name, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(MatchesFilters(name + "b", "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(MatchesFiltersTest, NameThatIsNotUtf8StaysMatchable) {
    const std::string name = "photo\xE9\xFF.jpg";
    EXPECT_TRUE(MatchesFilters(name, "*.jpg"));
    EXPECT_TRUE(MatchesFilters(name, "photo??.JPG"));
    EXPECT_FALSE(MatchesFilters(name, "photo?.jpg"));
}

struct NumberCase {
    const char* text;
    double value;
};

class NumericValueTest : public testing::TestWithParam<NumberCase> {};

TEST_P(NumericValueTest, ReadsTheLeadingNumber) {
    EXPECT_EQ(NumericValue(GetParam().text), GetParam().value) << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumericValueTest,
    testing::Values(NumberCase{"800", 800}, NumberCase{" 800", 800}, NumberCase{"8 0\t0\n", 800},
                    NumberCase{"-12", -12}, NumberCase{"- 12", -12}, NumberCase{"+7", 7},
                    NumberCase{"2.5", 2.5}, NumberCase{".5", 0.5}, NumberCase{"5.", 5},
                    NumberCase{"1.2.3", 1.2}, NumberCase{"12abc", 12}, NumberCase{"abc", 0},
                    NumberCase{"", 0}, NumberCase{"-", 0}, NumberCase{".", 0}, NumberCase{"5-3", 5},
                    NumberCase{"+-5", 0}, NumberCase{"1e3", 1}, NumberCase{"0.1", 0.1},
                    NumberCase{"\r5", 0}));

TEST(NumericValueTest, HugeNumbersAreInfiniteNotUndefined) {
    EXPECT_TRUE(std::isinf(NumericValue(std::string(400, '9'))));
    EXPECT_EQ(NumericValue("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(RoundToRangeTest, RoundsHalfToEvenAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(RoundToRange(2.5, 0, 255), 2);
    EXPECT_EQ(RoundToRange(3.5, 0, 255), 4);
    EXPECT_EQ(RoundToRange(-0.5, 0, 255), 0);
    EXPECT_EQ(RoundToRange(255.5, 0, 255), std::nullopt);
    EXPECT_EQ(RoundToRange(-32768.0, -32768, 32767), -32768);
    EXPECT_EQ(RoundToRange(NAN, 0, 1), std::nullopt);
    EXPECT_EQ(RoundToRange(INFINITY, 0, 1), std::nullopt);
}

TEST(TrimBlanksTest, TrimsSpacesOnly) {
    EXPECT_EQ(TrimBlanks("  © Anne  "), "© Anne");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
}

TEST(ChangeCurrentFolderTest, ChangesTheCurrentFolderAndReportsFailure) {
    TempFolder temp;
    const std::string before = CurrentFolder();
    EXPECT_TRUE(ChangeCurrentFolder(temp.String()));
    EXPECT_EQ(fs::path(CurrentFolder()), fs::canonical(temp.Path()));
    EXPECT_FALSE(ChangeCurrentFolder(temp / "absent"));
    EXPECT_TRUE(ChangeCurrentFolder(before));
}

TEST(NameOrderTest, IgnoresLetterCaseThenUsesBytes) {
    EXPECT_TRUE(NameLessIgnoringCase("a.jpg", "B.jpg"));
    EXPECT_TRUE(NameLessIgnoringCase("B.jpg", "b.jpg"));
    EXPECT_FALSE(NameLessIgnoringCase("b.jpg", "B.jpg"));
    EXPECT_TRUE(NameLessIgnoringCase("été.jpg", "ÉTÉ2.jpg"));
}

}  // namespace
}  // namespace pixtrim
