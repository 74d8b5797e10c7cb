#include <gtest/gtest.h>

#include <QSettings>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/ConfigurationFile.h"
#include "settings/StartUp.h"
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
    s.ImageFolder = "/home/zoë/Photos ";  // a path is kept exactly, its blank included
    s.ResizedFolderName = " Petit";
    EXPECT_TRUE(SaveConfiguration(s, app.String()));

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
        {"CONFIGURATION", "DIR RESIZED", " Petit"},
        {"CONFIGURATION", "FILTERS IMAGES", "*.jpg;*.jpeg"},
        {"CONFIGURATION", "DESTINATION PATH", "/home/zoë/Photos "},
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

// A value is the raw text after "=": what a person writes by hand comes back as written,
// and the program's own writes bring back any byte.
TEST_F(ConfigurationTest, HandWrittenValuesReadAsWrittenAndEveryByteRoundTrips) {
    fs::create_directories(fs::path(store.IniPath()).parent_path());
    std::ofstream(store.IniPath()) << "; kept by hand\r\n[CONFIGURATION]\r\n"
                                      "FILTERS IMAGES=*.jpg;*.png\r\n"
                                      "DESTINATION PATH=/p/2026,été # \"x\"\n"
                                      "DIR RESIZED=@Variant(\\0\\0\\0\\a)\n"
                                      "[IHM]\nTEXT%20COPYRIGHT=C:\\Anne\\x4\n";
    Settings s = Load();
    EXPECT_EQ(s.ImageFilters, "*.jpg;*.png");
    EXPECT_EQ(s.ImageFolder, "/p/2026,été # \"x\"");
    EXPECT_EQ(s.ResizedFolderName, "@Variant(\\0\\0\\0\\a)");
    EXPECT_EQ(s.CopyrightText, "C:\\Anne\\x4");

    s.ImageFolder = std::string("/p/caf\xE9\\x41\x01 ", 14);
    s.CopyrightText = "ligne 1\r\nligne 2 \\n";
    ASSERT_TRUE(SaveConfiguration(s, app.String()));
    const Settings back = Load();
    EXPECT_EQ(back.ImageFolder, s.ImageFolder);
    EXPECT_EQ(back.CopyrightText, s.CopyrightText);
    EXPECT_EQ(back.ImageFilters, s.ImageFilters);
    EXPECT_EQ(back.ResizedFolderName, s.ResizedFolderName);
}

// Only the user's own file counts: no organisation-wide or system-wide file is read.
TEST_F(ConfigurationTest, ReadsNoFallbackFile) {
    TempFolder system;
    QSettings::setPath(ConfigurationFormat(), QSettings::SystemScope,
                       QString::fromStdString(system.String()));
    system.WriteFile("Pixtrim/Pixtrim.ini", "[IHM]\nEXIF=0\n");
    std::ofstream(fs::path(store.IniPath()).parent_path().parent_path() / "Pixtrim.ini")
        << "[IHM]\nCOPYRIGHT=1\n";
    const Settings s = Load();
    EXPECT_TRUE(s.KeepExif);
    EXPECT_FALSE(s.InsertCopyright);
}

TEST_F(ConfigurationTest, AStoreThatCannotBeWrittenSaysSo) {
    fs::create_directories(fs::path(store.IniPath()).parent_path());
    fs::create_directory(store.IniPath());  // a folder where the file should be
    EXPECT_FALSE(SaveConfiguration(Settings{}, app.String()));
    EXPECT_EQ(ConfigurationStoreFile(), store.IniPath());
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

// A folder that exists but cannot be listed would show empty lists: climb past it. Root
// reads everything, so the climb is then tried as an ordinary user in a child process.
TEST_F(StartUpTest, ClimbsPastAFolderThatCannotBeRead) {
    TempFolder photos;
    const std::string locked = photos.MakeFolder("locked");
    fs::permissions(photos.Path(), fs::perms::owner_all | fs::perms::others_read |
                                       fs::perms::others_exec);
    fs::permissions(locked, fs::perms::owner_all);
    const std::string found = app.String();
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        _exit(FindExistingImageFolder(locked + "/Album", found) == photos.String() ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(StartUpTest, ClimbEndsAtTheRootNeverEmpty) {
    EXPECT_EQ(Start("/pixtrim-absent-volume/Photos/2026").ImageFolder, "/");
}

TEST_F(StartUpTest, ARelativeFolderThatLeadsNowhereGivesTheStartFolder) {
    EXPECT_EQ(Start("pixtrim-absent/Photos").ImageFolder, app.String());
}

}  // namespace
}  // namespace pixtrim
