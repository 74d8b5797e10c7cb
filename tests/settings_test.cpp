#include <gtest/gtest.h>

#include <QSettings>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ConfigurationFile.h"
#include "app/StartUp.h"
#include "support/StoreFolder.h"
#include "support/TempFolder.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::StoreFolder;
using test::TempFolder;

class ConfigurationTest : public testing::Test {
protected:
    void SetUp() override { startFolder_ = CurrentFolder(); }
    void TearDown() override { ChangeCurrentFolder(startFolder_); }

    std::string Path() const { return app.String() + "/Pixtrim.cfg"; }
    std::string Read(const char* section, const char* key) const {
        return ReadConfigurationValue(Path(), section, key);
    }
    void Write(const char* section, const char* key, const std::string& value) const {
        WriteConfigurationValue(Path(), section, key, value);
    }
    Settings Load() const {
        Settings settings;
        LoadConfiguration(settings, app.String());
        return settings;
    }

    StoreFolder store;
    TempFolder app;
    std::string startFolder_;
};

TEST_F(ConfigurationTest, StoresUnderTheApplicationNameOfTheFileName) {
    Write("IHM", "EXIF", "0");
    EXPECT_TRUE(fs::exists(store.IniPath()));
    EXPECT_FALSE(fs::exists(Path()));
    EXPECT_EQ(Read("IHM", "EXIF"), "0");
    EXPECT_EQ(Read("IHM", "ABSENT"), "");
    EXPECT_EQ(Read("ABSENT", "EXIF"), "");
}

TEST_F(ConfigurationTest, WritesEveryKeyInItsForm) {
    Settings s;
    s.KeepExif = false;
    s.InsertCopyright = true;
    s.ImageWidth = " 1024 ";
    s.CopyrightText = "  © 2026 Zoë  ";
    s.CopyrightPlace = 3;
    s.CopyrightColor = -2;
    s.ImageFolder = "/home/zoë/Photos";
    SaveConfiguration(s, app.String());

    struct Row {
        const char* section;
        const char* key;
        const char* value;
    };
    const Row rows[] = {
        {"IHM", "EXIF", "0"},
        {"IHM", "COPYRIGHT", "1"},
        {"IHM", "IMAGE WIDTH", "1024"},
        {"IHM", "IMAGE HEIGHT", "600"},
        {"IHM", "IMAGE CUSTOM WIDTH", "160"},
        {"IHM", "IMAGE CUSTOM HEIGHT", "120"},
        {"IHM", "TEXT COPYRIGHT", "© 2026 Zoë"},
        {"IHM", "COPYRIGHT POSITION", "3"},
        {"IHM", "COPYRIGHT SIZE", "1"},
        {"IHM", "COPYRIGHT FONT", "Comic Sans MS"},
        {"IHM", "COPYRIGHT TRANSPARENT", "1"},
        {"IHM", "COPYRIGHT OUTLINE", "0"},
        {"IHM", "COPYRIGHT COLOR", "-2"},
        {"CONFIGURATION", "DIR RESIZED", "Resized"},
        {"CONFIGURATION", "FILTERS IMAGES", "*.jpg;*.jpeg"},
        {"CONFIGURATION", "DESTINATION PATH", "/home/zoë/Photos"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Read(row.section, row.key), row.value) << row.section << "/" << row.key;
    }
    EXPECT_EQ(fs::path(CurrentFolder()), fs::canonical(app.Path()));
}

TEST_F(ConfigurationTest, TwoSavesInARowStoreTheSameBytes) {
    Settings s;
    s.CopyrightText = "a, b; c = d";
    SaveConfiguration(s, app.String());
    std::stringstream first;
    first << std::ifstream(store.IniPath()).rdbuf();
    SaveConfiguration(s, app.String());
    std::stringstream second;
    second << std::ifstream(store.IniPath()).rdbuf();
    EXPECT_EQ(first.str(), second.str());
    EXPECT_EQ(Load().CopyrightText, "a, b; c = d");
}

struct ReadCase {
    const char* section;
    const char* key;
    const char* stored;
    // The field as text after loading over the defaults.
    const char* loaded;
};

class ReadRuleTest : public ConfigurationTest, public testing::WithParamInterface<ReadCase> {
protected:
    static std::string FieldText(const Settings& s, const std::string& key) {
        if (key == "EXIF") return s.KeepExif ? "true" : "false";
        if (key == "COPYRIGHT OUTLINE") return s.CopyrightOutline ? "true" : "false";
        if (key == "COPYRIGHT POSITION") return std::to_string(s.CopyrightPlace);
        if (key == "COPYRIGHT SIZE") return std::to_string(s.CopyrightSize);
        if (key == "COPYRIGHT COLOR") return std::to_string(s.CopyrightColor);
        if (key == "DIR RESIZED") return s.ResizedFolderName;
        if (key == "TEXT COPYRIGHT") return s.CopyrightText;
        if (key == "IMAGE WIDTH") return s.ImageWidth;
        return "?";
    }
};

TEST_P(ReadRuleTest, ConvertsOrKeepsTheField) {
    const ReadCase& c = GetParam();
    Write(c.section, c.key, c.stored);
    EXPECT_EQ(FieldText(Load(), c.key), c.loaded) << c.key << " = '" << c.stored << "'";
}

INSTANTIATE_TEST_SUITE_P(Table, ReadRuleTest,
                         testing::Values(ReadCase{"IHM", "EXIF", "0", "false"},
                                         ReadCase{"IHM", "EXIF", "", "true"},
                                         ReadCase{"IHM", "EXIF", "-1", "false"},
                                         ReadCase{"IHM", "COPYRIGHT OUTLINE", "1", "true"},
                                         ReadCase{"IHM", "COPYRIGHT OUTLINE", "yes", "false"},
                                         ReadCase{"IHM", "COPYRIGHT POSITION", "3", "3"},
                                         ReadCase{"IHM", "COPYRIGHT POSITION", "2.5", "2"},
                                         ReadCase{"IHM", "COPYRIGHT POSITION", "3.5", "4"},
                                         ReadCase{"IHM", "COPYRIGHT POSITION", "haut", "0"},
                                         ReadCase{"IHM", "COPYRIGHT POSITION", "300", "0"},
                                         ReadCase{"IHM", "COPYRIGHT POSITION", "-1", "0"},
                                         ReadCase{"IHM", "COPYRIGHT SIZE", " 2", "2"},
                                         ReadCase{"IHM", "COPYRIGHT SIZE", "256", "1"},
                                         ReadCase{"IHM", "COPYRIGHT COLOR", "-2", "-2"},
                                         ReadCase{"IHM", "COPYRIGHT COLOR", "70000", "0"},
                                         ReadCase{"IHM", "COPYRIGHT COLOR", "-32768", "-32768"},
                                         ReadCase{"IHM", "IMAGE WIDTH", " 1024", " 1024"},
                                         ReadCase{"CONFIGURATION", "DIR RESIZED", "", "Resized"},
                                         ReadCase{"CONFIGURATION", "DIR RESIZED", "Petit", "Petit"},
                                         ReadCase{"IHM", "TEXT COPYRIGHT", "a, b", "a, b"}));

class StartUpTest : public ConfigurationTest {
protected:
    Settings Start(const std::string& storedImageFolder) {
        if (!storedImageFolder.empty()) {
            Write("CONFIGURATION", "DESTINATION PATH", storedImageFolder);
        }
        Settings s;
        s.KeepExif = false;  // PrepareSettings must start from the defaults
        PrepareSettings(s, app.String());
        return s;
    }
};

TEST_F(StartUpTest, FirstStartOpensTheStartFolderWithTheDefaults) {
    const Settings s = Start("");
    EXPECT_EQ(s.AppFolder, app.String());
    EXPECT_EQ(s.ImageFolder, app.String());
    EXPECT_TRUE(s.KeepExif);
    EXPECT_EQ(fs::path(CurrentFolder()), fs::canonical(app.Path()));
}

TEST_F(StartUpTest, ClimbsFromALostFolderToItsNearestExistingAncestor) {
    TempFolder photos;
    const std::string existing = photos.MakeFolder("2026");
    EXPECT_EQ(Start(existing + "/Juin/Plage/Soir").ImageFolder, existing);
    EXPECT_EQ(Start(existing).ImageFolder, existing);
}

TEST_F(StartUpTest, ClimbEndsAtTheRootNeverEmpty) {
    EXPECT_EQ(Start("/pixtrim-absent-volume/Photos/2026").ImageFolder, "/");
}

TEST_F(StartUpTest, ARelativeFolderThatLeadsNowhereGivesTheStartFolder) {
    EXPECT_EQ(Start("pixtrim-absent/Photos").ImageFolder, app.String());
}

}  // namespace
}  // namespace pixtrim
