#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "settings/ConfigurationFile.h"
#include "settings/StartUp.h"
#include "support/Files.h"
#include "support/TempFolder.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

class ConfigurationTest : public testing::Test {
protected:
    void Write(const char* section, const char* key, const std::string& value) const {
        (void)WriteConfigurationValue(app / "Pixtrim.cfg", section, key, value);
    }
    Settings Load() const {
        Settings settings;
        LoadConfiguration(settings, app.String());
        return settings;
    }
    void WriteStore(const std::string& text) const {
        fs::create_directories(fs::path(store.IniPath()).parent_path());
        std::ofstream(store.IniPath(), std::ios::binary) << text;
    }

    test::StoreFolder store;
    TempFolder app;
    test::CurrentFolderGuard currentFolder;
};

// Every key in its form and order, under the application named by the file name; paths
// kept exactly, other texts trimmed: other values as stored (the command line's table shows
// the defaults).
TEST_F(ConfigurationTest, SavesEveryKeyInItsForm) {
    Settings s;
    s.KeepExif = false;
    s.InsertCopyright = true;
    s.ImageWidth = " 1024 ";
    s.CopyrightText = "  © 2026 Zoë  ";
    s.CopyrightPlace = 3;
    s.CopyrightColor = -2;
    s.ImageFolder = "/home/zoë/Photos ";
    s.ResizedFolderName = " Petit";
    EXPECT_TRUE(SaveConfiguration(s, app.String()));
    test::ExpectAsStored(test::FileBytes(store.IniPath()), "store/other-values.ini");
    EXPECT_FALSE(fs::exists(app / "Pixtrim.cfg"));
    EXPECT_EQ(fs::path(CurrentFolder()), fs::canonical(app.Path()));
}

// A value is the raw text after "=": a file edited by hand (line ends, a byte-order mark,
// comments, escapes, keys of other programs; numbers to round, out of range or not numbers;
// empty values) reads as written and is saved back as stored; the program's own writes
// bring back any byte.
TEST_F(ConfigurationTest, HandWrittenValuesReadAsWrittenAndEveryByteRoundTrips) {
    for (const std::string name : {"store/hand-edited", "store/hand-edited-2"}) {
        WriteStore(test::FileBytes(test::DataFile(name + ".ini")));
        ASSERT_TRUE(SaveConfiguration(Load(), app.String()));
        test::ExpectAsStored(test::FileBytes(store.IniPath()), name + "-saved.ini");
    }
    Settings s;
    s.ImageFolder = std::string("/p/caf\xE9\\x41\x01 ", 14);
    s.CopyrightText = "ligne 1\r\nligne 2 \\n";
    ASSERT_TRUE(SaveConfiguration(s, app.String()));
    EXPECT_EQ(Load(), s);
}

// A disk that fills (a file-size limit) or a lock that cannot be had (a folder in its
// place) fails the save at once, and the stored file stays byte for byte, alone.
TEST_F(ConfigurationTest, AFailedSaveLeavesTheStoredFileAsItWas) {
    Settings s;
    s.CopyrightText = std::string(4000, 'c');
    ASSERT_TRUE(SaveConfiguration(s, app.String()));
    const std::string stored = test::FileBytes(store.IniPath());
    s.CopyrightText = std::string(9000, 'd');
    {
        const test::FileSizeLimit full(stored.size() + 100);
        EXPECT_FALSE(SaveConfiguration(s, app.String()));
    }
    fs::remove(store.IniPath() + ".lock");
    fs::create_directory(store.IniPath() + ".lock");
    EXPECT_FALSE(SaveConfiguration(s, app.String()));
    EXPECT_EQ(test::FileBytes(store.IniPath()), stored);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(store.IniPath()).parent_path()),
                            fs::directory_iterator()),
              2);  // the file and the lock
}

// A store that is a link (a dotfiles setup) is written through it: the link stays, its
// target takes the new text and keeps its permissions; what a killed write left beside it
// goes.
TEST_F(ConfigurationTest, ALinkedStoreStaysALinkAndKeepsItsMode) {
    const std::string target = app.WriteFile("dotfiles/Pixtrim.ini", "[IHM]\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(fs::path(store.IniPath()).parent_path());
    fs::create_symlink(target, store.IniPath());
    const std::string leftover = app.WriteFile("dotfiles/.pixtrim-0123456789abcdef");
    Settings s;
    s.CopyrightText = "through the link";
    ASSERT_TRUE(SaveConfiguration(s, app.String()));
    EXPECT_TRUE(fs::is_symlink(store.IniPath()));
    EXPECT_EQ(Load().CopyrightText, "through the link");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(leftover));
}

// A store that already says the same is left alone (the window saves at every run): the
// same file, not a new one renamed over it; a changed value is written.
TEST_F(ConfigurationTest, TheSameSettingsAreNotWrittenAgain) {
    Settings s;
    ASSERT_TRUE(SaveConfiguration(s, app.String()));
    const auto Inode = [&] {
        struct stat status {};
        stat(store.IniPath().c_str(), &status);
        return status.st_ino;
    };
    const auto first = Inode();
    ASSERT_TRUE(SaveConfiguration(s, app.String()));
    EXPECT_EQ(Inode(), first);
    s.CopyrightText = "changed";
    ASSERT_TRUE(SaveConfiguration(s, app.String()));
    EXPECT_NE(Inode(), first);
    EXPECT_EQ(Load().CopyrightText, "changed");
}

// Another writer's lock is waited for: the save comes after it is let go.
TEST_F(ConfigurationTest, ASaveWaitsForAnotherWritersLock) {
    ASSERT_TRUE(SaveConfiguration(Settings{}, app.String()));
    const int held = open((store.IniPath() + ".lock").c_str(), O_RDWR);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    std::atomic<bool> letGo = false;
    std::thread other([&] {
        usleep(300000);
        letGo = true;
        close(held);
    });
    EXPECT_TRUE(SaveConfiguration(Settings{}, app.String()));
    EXPECT_TRUE(letGo);
    other.join();
}

// Only the user's own file counts: no organisation-wide or system-wide file is read.
TEST_F(ConfigurationTest, NoFallbackFile) {
    TempFolder system;
    QSettings::setPath(ConfigurationFormat(), QSettings::SystemScope,
                       QString::fromStdString(system.String()));
    system.WriteFile("Pixtrim/Pixtrim.ini", "[IHM]\nEXIF=0\n");
    WriteStore("");
    std::ofstream(fs::path(store.IniPath()).parent_path().parent_path() / "Pixtrim.ini")
        << "[IHM]\nCOPYRIGHT=1\n";
    EXPECT_EQ(Load(), Settings{});
}

// The start folder and the defaults first; a lost folder climbs to its nearest ancestor
// that can be listed (past a file of that name), ending at the root; a relative one that
// leads nowhere gives the start folder.
TEST_F(ConfigurationTest, StartUpClimbsToAnExistingFolder) {
    Settings s;
    s.KeepExif = false;  // PrepareSettings starts from the defaults
    PrepareSettings(s, app.String());
    EXPECT_EQ(s.ImageFolder, app.String());
    EXPECT_TRUE(s.KeepExif);
    const std::string existing = app.MakeFolder("2026");
    const std::string file = app.WriteFile("2026/photo.jpg");
    for (const auto& [stored, found] : {std::pair{existing + "/Juin/Plage", existing},
                                        {existing, existing},
                                        {file + "/x", existing},
                                        {"/pixtrim-absent/Photos", "/"},
                                        {"pixtrim-absent/Photos", app.String()}}) {
        Write("CONFIGURATION", "DESTINATION PATH", stored);
        PrepareSettings(s, app.String());
        EXPECT_EQ(s.ImageFolder, found);
    }
}

}  // namespace
}  // namespace pixtrim
