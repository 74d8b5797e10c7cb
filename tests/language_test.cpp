// The language chosen from the environment, and the translation's own texts.
#include "tools/Language.h"

#include <gtest/gtest.h>

namespace pixtrim {
namespace {

TEST(LanguageTest, TheEnvironmentChoosesInTheUsualOrder) {
    const char* none = nullptr;
    const struct {
        const char *pixtrimLang, *language, *lcAll, *lcMessages, *lang;
        Language expected;
    } rows[] = {
        {none, none, none, none, none, Language::French},
        {none, none, none, none, "C", Language::French},
        {none, none, none, none, "C.UTF-8", Language::French},
        {none, none, none, none, "POSIX", Language::French},
        {none, none, none, none, "fr_CA.UTF-8", Language::French},
        {none, none, none, none, "en_US.UTF-8", Language::English},
        {none, none, none, none, "de_DE.UTF-8", Language::English},
        {none, none, none, "fr_FR.UTF-8", "en_US.UTF-8", Language::French},
        {none, none, "en_GB.UTF-8", "fr_FR.UTF-8", "fr_FR.UTF-8", Language::English},
        {none, "en_GB:fr", "fr_FR.UTF-8", none, "fr_FR.UTF-8", Language::English},
        {none, "", none, none, "en_US.UTF-8", Language::English},
        {"fr", "en", "en_US.UTF-8", none, none, Language::French},
        {"en", none, none, none, "C", Language::English},
        {"de", none, none, none, "C", Language::French},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LanguageOf(row.pixtrimLang, row.language, row.lcAll, row.lcMessages, row.lang),
                  row.expected)
            << (row.pixtrimLang ? row.pixtrimLang : "-") << " "
            << (row.language ? row.language : "-") << " " << (row.lcAll ? row.lcAll : "-") << " "
            << (row.lcMessages ? row.lcMessages : "-") << " " << (row.lang ? row.lang : "-");
    }
}

// French is the source itself; English comes from the compiled translation, and a text
// it does not know (libjpeg's, the system's) stays as it is. Arguments go in once each.
TEST(LanguageTest, TextsAndTheirArguments) {
    EXPECT_EQ(Tr("interrompu"), "interrompu");
    SetLanguage(Language::English);
    EXPECT_EQ(Tr("interrompu"), "interrupted");
    EXPECT_EQ(Tr("Not a JPEG file"), "Not a JPEG file");
    SetLanguage(Language::French);
    EXPECT_EQ(Arg("%2 puis %1", {"a%2", "b"}), "b puis a%2");
}

}  // namespace
}  // namespace pixtrim
