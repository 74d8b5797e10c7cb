#include "tools/Tools.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tools/Filters.h"

namespace pixtrim {
namespace {

// The text after and before the last one-character separator; a longer one is never found.
TEST(ToolsTest, SplitsAtTheLastSeparator) {
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {R"(C:\Photos\Trip)", "\\", "Trip", R"(C:\Photos)"},
        {R"(C:\)", "\\", "", "C:"},
        {"*.jpg;*.jpeg", ";", "*.jpeg", "*.jpg"},
        {"/Photos", "/", "Photos", ""},
        {"a::b", "::", "a::b", ""},
        {"a.b", "", "a.b", ""},
        {"été.jpg", "é", ".jpg", "ét"}};
    for (const auto& [text, separator, after, before] : cases) {
        EXPECT_EQ(GetTextAfterLast(text, separator), after) << text;
        EXPECT_EQ(GetTextBeforeLast(text, separator), before) << text;
    }
    EXPECT_EQ(CleanFolderPath("/a//b/./c/../d/"), "/a/b/d");
    EXPECT_EQ(CleanFolderPath("/.."), "/");
    EXPECT_EQ(CleanFolderPath("/Photos "), "/Photos ");
    EXPECT_EQ(JoinPath("/", "Resized") + JoinPath("/home/anne", "Resized"),
              "/Resized/home/anne/Resized");
}

class FiltersTest : public testing::TestWithParam<std::tuple<const char*, const char*, bool>> {};

TEST_P(FiltersTest, Matches) {
    const auto [name, filters, matches] = GetParam();
    EXPECT_EQ(MatchesFilters(name, filters), matches);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, FiltersTest,
    testing::Values(std::tuple{"PHOTO.JPG", "*.jpg;*.jpeg", true},
                    std::tuple{"photo.Jpeg", "*.jpg;*.jpeg", true},
                    std::tuple{"photo.jpg.bak", "*.jpg", false}, std::tuple{"photo.jpg", "", false},
                    std::tuple{"a.jpg", ";*.jpg", true}, std::tuple{"a.png", "*.jpg;;", false},
                    std::tuple{"README", "*.*", false}, std::tuple{"ÉTÉ.JPG", "été.jpg", true},
                    std::tuple{"Ørsted.jpg", "ø*", true}, std::tuple{"", ";", true},
                    std::tuple{"", "", false}, std::tuple{"photo\xE9\xFF.jpg", "photo??.JPG", true},
                    std::tuple{"photo\xE9\xFF.jpg", "photo?.jpg", false}));

INSTANTIATE_TEST_SUITE_P(
    Language, FiltersTest,
    testing::Values(
        std::tuple{"IMG_1234.jpg", "IMG_####.jpg", true},
        std::tuple{"IMG_12a4.jpg", "IMG_####.jpg", false}, std::tuple{"a.jpg", "??.jpg", false},
        std::tuple{"b.jpg", "[a-c].jpg", true}, std::tuple{"d.jpg", "[a-c].jpg", false},
        std::tuple{"d.jpg", "[!a-c].jpg", true}, std::tuple{"b.jpg", "[!a-c].jpg", false},
        std::tuple{"B.jpg", "[a-c].jpg", true}, std::tuple{"-.jpg", "[a-].jpg", true},
        std::tuple{"*.jpg", "[*].jpg", true}, std::tuple{"a.jpg", "[*].jpg", false},
        std::tuple{"", "*", true}, std::tuple{"abcbd", "a*b?", true},
        std::tuple{"abcbd", "a*c", false}, std::tuple{"!a", "!a", true},
        // A malformed pattern has a fixed meaning instead of an error.
        std::tuple{"[a.jpg", "[a.jpg", true}, std::tuple{"a[", "*[", true},
        std::tuple{"a.jpg", "[z-a].jpg", false}, std::tuple{"q.jpg", "[!z-a].jpg", true},
        std::tuple{"a.jpg", "a[].jpg", true}, std::tuple{"xa.jpg", "[!]a.jpg", true}));

TEST(FiltersTest, AnswersAtOnceOnManyStars) {
    const std::string name(255, 'a'), stars = "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
    EXPECT_FALSE(MatchesFilters(name, stars));
    EXPECT_TRUE(MatchesFilters(name + "b", stars));
}

TEST(ToolsTest, NumericValueReadsTheLeadingNumber) {
    const std::pair<const char*, double> cases[] = {
        {"800", 800},   {"8 0\t0\n", 800}, {"- 12", -12}, {"+7", 7},    {".5", 0.5}, {"5.", 5},
        {"1.2.3", 1.2}, {"12abc", 12},     {"abc", 0},    {"", 0},      {"-", 0},    {".", 0},
        {"5-3", 5},     {"+-5", 0},        {"1e3", 1},    {"0.1", 0.1}, {"\r5", 0}};
    for (const auto& [text, value] : cases) EXPECT_EQ(NumericValue(text), value) << text;
    EXPECT_TRUE(std::isinf(NumericValue(std::string(400, '9'))));
    EXPECT_EQ(NumericValue("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(ToolsTest, RoundingIsHalfToEvenAndNeverUndefined) {
    EXPECT_EQ(RoundToRange(2.5, 0, 255), 2);
    EXPECT_EQ(RoundToRange(3.5, 0, 255), 4);
    EXPECT_EQ(RoundToRange(-0.5, 0, 255), 0);
    EXPECT_EQ(RoundToRange(255.5, 0, 255), std::nullopt);
    EXPECT_EQ(RoundToRange(-32768.0, -32768, 32767), -32768);
    EXPECT_EQ(RoundToRange(NAN, 0, 1), std::nullopt);
    EXPECT_EQ(RoundToRange(INFINITY, 0, 1), std::nullopt);
    EXPECT_EQ(RoundToInt32(841.5), 842);
    EXPECT_EQ(RoundToInt32(-6.5), -6);
    EXPECT_EQ(RoundToInt32(1e300), INT32_MAX);
    EXPECT_EQ(RoundToInt32(-1e300), INT32_MIN);
    EXPECT_EQ(RoundToInt32(NAN), INT32_MIN);
}

TEST(ToolsTest, TrimmingAndNameOrder) {
    EXPECT_EQ(TrimBlanks("  © Anne  "), "© Anne");
    EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
    EXPECT_TRUE(NameLessIgnoringCase("a.jpg", "B.jpg"));
    EXPECT_TRUE(NameLessIgnoringCase("B.jpg", "b.jpg"));
    EXPECT_FALSE(NameLessIgnoringCase("b.jpg", "B.jpg"));
    EXPECT_TRUE(NameLessIgnoringCase("été.jpg", "ÉTÉ2.jpg"));
}

}  // namespace
}  // namespace pixtrim
