#include <gtest/gtest.h>

#include <algorithm>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <map>

#include "batch/JpegResize.h"
#include "codec/JpegCodec.h"
#include "image/cDIBSection.h"
#include "support/FakeHost.h"
#include "support/JpegSegments.h"
#include "support/Pictures.h"
#include "support/TempFolder.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::DataFile;
using test::FakeHost;
using test::TempFolder;

const char kEnd[] = "\rL'application va maintenant se terminer";

class BatchTest : public testing::Test {
protected:
    void SetUp() override {
        startFolder_ = CurrentFolder();
        settings.AppFolder = app.String();
        settings.ImageFolder = photos.String();
        settings.ImageWidth = "320";
        settings.ImageHeight = "240";
    }
    void TearDown() override { ChangeCurrentFolder(startFolder_); }

    // Copies a file of the test data into the photo folder under `name`.
    void AddPhoto(const std::string& data, const std::string& name) {
        fs::copy_file(DataFile(data), photos.Path() / name);
    }
    void Run() { run.ResizeFolder(); }
    std::string Output(const std::string& name = "") const {
        return name.empty() ? photos / "Resized" : photos / ("Resized/" + name);
    }
    std::vector<std::string> OutputNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Output()))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::pair<int32_t, int32_t> SizeOf(const std::string& path) {
        cDIBSection dib;
        if (!LoadJPG(dib, path)) return {0, 0};
        return {dib.Width(), dib.Height()};
    }

    TempFolder photos;
    TempFolder app;
    Settings settings;
    FakeHost host{settings};
    JpegResize run{settings, host};
    std::string startFolder_;
};

TEST_F(BatchTest, FourImagesGiveFourCopiesAndTheProgressSteps) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_5.jpg", "B.JPG");
    AddPhoto("testorig.jpg", "c.jpeg");
    AddPhoto("Canon_DIGITAL_IXUS_400.jpg", "d.Jpg");
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.progress, (std::vector<int>{25, 50, 75, 100, 100}));
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"B.JPG", "a.jpg", "c.jpeg", "d.Jpg"}));
    EXPECT_EQ(SizeOf(Output("a.jpg")), std::make_pair(320, 240));
    EXPECT_EQ(SizeOf(Output("B.JPG")), std::make_pair(180, 240));
    EXPECT_EQ(SizeOf(Output("c.jpeg")), std::make_pair(227, 149));  // never enlarged
    EXPECT_EQ(host.previews.front(), photos / "a.jpg");
    const std::vector<std::string> order = {"ReadSettingsFromWindow", "SaveConfiguration",
                                            "ShowProgressBar", "ApplySettingsToWindow",
                                            "HideProgressBar"};
    EXPECT_EQ(host.calls, order);
    EXPECT_EQ(run.ImageCount, 4);
    EXPECT_EQ(run.ProgressDone, 4);
    EXPECT_GE(host.eventRounds, 5);  // once per image and at the end, more while waiting
    EXPECT_EQ(fs::path(CurrentFolder()), fs::canonical(app.Path()));
}

TEST_F(BatchTest, ProgressRoundsHalfToEven) {
    for (int i = 0; i < 8; ++i)
        AddPhoto("Canon_DIGITAL_IXUS_400.jpg", "p" + std::to_string(i) + ".jpg");
    Run();
    EXPECT_EQ(host.progress, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100, 100}));
}

TEST_F(BatchTest, AnEmptyFolderSaysSoAndTidiesTheOutputFolder) {
    photos.WriteFile("Resized/Thumbs.db");
    photos.WriteFile("notes.txt");
    Run();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Il n'y a aucune image dans ce répertoire");
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Information);
    EXPECT_FALSE(fs::exists(Output()));
    EXPECT_EQ(host.calls.back(), "HideProgressBar");
}

TEST_F(BatchTest, EarlierCopiesAndOtherFilesGoSubFoldersStay) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    photos.WriteFile("Resized/old.jpg");
    photos.WriteFile("Resized/notes.txt");
    photos.WriteFile("Resized/Album/keep.jpg");
    fs::create_symlink(photos / "a.jpg", Output("link.jpg"));
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"Album", "a.jpg"}));
    EXPECT_TRUE(fs::exists(Output("Album/keep.jpg")));
    EXPECT_TRUE(fs::exists(photos / "a.jpg"));  // the link went, not what it pointed to
}

class OutputTakenTest : public BatchTest, public testing::WithParamInterface<bool> {};

TEST_P(OutputTakenTest, ReportsAndDeletesNothing) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    const std::string elsewhere = app.MakeFolder("elsewhere");
    app.WriteFile("elsewhere/precious.jpg");
    if (GetParam()) {
        fs::create_directory_symlink(elsewhere, Output());
    } else {
        photos.WriteFile("Resized", "a file");
    }
    Run();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(host.messages[0].text,
              "Impossible de préparer le répertoire " + Output() + "\r" +
                  (GetParam() ? "C'est un lien symbolique, pas un répertoire" : "Not a directory"));
    EXPECT_FALSE(host.quit);
    EXPECT_TRUE(fs::exists(app / "elsewhere/precious.jpg"));
    EXPECT_TRUE(fs::exists(Output()));
    EXPECT_EQ(host.calls.back(), "HideProgressBar");
}

INSTANTIATE_TEST_SUITE_P(FileOrLink, OutputTakenTest, testing::Bool());

TEST_F(BatchTest, ChoosingTheOutputFolderWorksOnItsParent) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    photos.WriteFile("Resized/old.jpg");
    settings.ImageFolder = Output();
    Run();
    EXPECT_EQ(settings.ImageFolder, photos.String());
    EXPECT_EQ(host.shownFolder, photos.String());
    ASSERT_FALSE(host.saved.empty());
    EXPECT_EQ(host.saved[0].ImageFolder, Output());  // stored as the window showed it
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"a.jpg"});
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "ShowFolder " + photos.String()),
              host.calls.end());
}

TEST_F(BatchTest, AFolderNamedInAnotherCaseIsAnOrdinaryFolder) {
    const std::string lower = photos.MakeFolder("resized");
    fs::copy_file(DataFile("Landscape_1.jpg"), lower + "/a.jpg");
    settings.ImageFolder = lower;
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(fs::exists(lower + "/Resized/a.jpg"));
}

TEST_F(BatchTest, TheStoredFiltersDecideWhatARunProcesses) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_2.jpg", "b.jpeg");
    photos.WriteFile("c.bmp");
    host.filterBox = "*.bmp";
    settings.ImageFilters = "*.jpeg";
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"b.jpeg"});
}

TEST_F(BatchTest, AFileListWithoutMatchingImagesEndsWithoutAPercentage) {
    photos.WriteFile("c.bmp");
    host.filterBox = "*.bmp";
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.progress.empty());
    EXPECT_TRUE(fs::is_directory(Output()));
    EXPECT_EQ(host.calls.back(), "HideProgressBar");
}

TEST_F(BatchTest, AnUnreadableImageEndsTheProgramKeepingEarlierCopies) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_2.jpg", "b.jpg");
    AddPhoto("hopper_png_renamed.jpg", "c.jpg");
    AddPhoto("Landscape_3.jpg", "d.jpg");
    Run();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Erreur à l'ouverture de " + (photos / "c.jpg") + kEnd);
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(host.calls.back(), "QuitApplication");
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(SizeOf(Output("b.jpg")), std::make_pair(320, 240));
}

TEST_F(BatchTest, ACopyThatCannotBeWrittenNamesTheOutputPath) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    // The output folder vanishes while the first image is prepared.
    host.onProcessEvents = [&] { fs::remove_all(Output()); };
    Run();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Erreur à l'ouverture de " + Output("a.jpg") + kEnd);
    EXPECT_TRUE(host.quit);
}

TEST_F(BatchTest, ExitBetweenImagesLeavesWholeCopiesOnly) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) AddPhoto("Landscape_1.jpg", name);
    host.onProcessEvents = [&] {
        if (host.previews.size() == 2) host.QuitApplication();
    };
    Run();
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    for (const auto& name : OutputNames())
        EXPECT_EQ(SizeOf(Output(name)), std::make_pair(320, 240));
    EXPECT_NE(host.calls.back(), "HideProgressBar");
}

TEST_F(BatchTest, APressDuringARunIsIgnored) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_2.jpg", "b.jpg");
    host.onProcessEvents = [&] { run.ResizeFolder(); };
    Run();
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "ShowProgressBar"), 1);
    EXPECT_EQ(host.progress, (std::vector<int>{50, 100, 100}));
}

struct SizeTextCase {
    const char* width;
    const char* height;
};

class InvalidSizeTest : public BatchTest, public testing::WithParamInterface<SizeTextCase> {};

TEST_P(InvalidSizeTest, ShowsAMessageAndTouchesNothing) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    photos.WriteFile("Resized/old.jpg");
    settings.ImageWidth = GetParam().width;
    settings.ImageHeight = GetParam().height;
    Run();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, std::string("Taille maximale des images invalide : ") +
                                         GetParam().width + " x " + GetParam().height);
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(fs::exists(Output("old.jpg")));
    EXPECT_EQ(host.calls.back(), "HideProgressBar");
}

INSTANTIATE_TEST_SUITE_P(Texts, InvalidSizeTest,
                         testing::Values(SizeTextCase{"abc", "600"}, SizeTextCase{"800", ""},
                                         SizeTextCase{"0.4", "600"}, SizeTextCase{"0.5", "600"},
                                         SizeTextCase{"12ab", "600"}, SizeTextCase{"-5", "600"},
                                         SizeTextCase{"800", "32768"}, SizeTextCase{"1e3", "600"},
                                         SizeTextCase{"8 00", "600"}));

struct ParseCase {
    const char* text;
    int32_t value;
};

class BoundingSideTest : public testing::TestWithParam<ParseCase> {};

TEST_P(BoundingSideTest, ConvertsAcceptedTexts) {
    EXPECT_EQ(ParseBoundingSide(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, BoundingSideTest,
                         testing::Values(ParseCase{"800", 800}, ParseCase{" 800 ", 800},
                                         ParseCase{"\t640", 640}, ParseCase{"640.5", 640},
                                         ParseCase{"641.5", 642}, ParseCase{"1,5", 2},
                                         ParseCase{"+7", 7}, ParseCase{"32767", 32767},
                                         ParseCase{"1", 1}, ParseCase{"0.6", 1}));

class InvalidNameTest : public BatchTest, public testing::WithParamInterface<const char*> {};

TEST_P(InvalidNameTest, ShowsAMessageAndTouchesNothing) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    settings.ResizedFolderName = GetParam();
    Run();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              std::string("Nom du sous-répertoire de sortie invalide : ") + GetParam());
    EXPECT_EQ(std::distance(fs::directory_iterator(photos.Path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(Names, InvalidNameTest,
                         testing::Values("", "   ", ".", "..", "a/b", "a\\b", "/", "a\tb",
                                         "\x01\x02"));

// Every file below `folder`, with its bytes: equal snapshots mean nothing there changed.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        files[entry.path().lexically_relative(folder)] =
            entry.is_regular_file() ? test::FileBytes(entry.path()) : "<folder>";
    }
    return files;
}

// A blank that ends a folder's name is part of it: "Photos " is not "Photos".
TEST_F(BatchTest, AFolderNameEndingInABlankIsThatFolderNotItsSibling) {
    const std::string blank = photos.MakeFolder("Photos ");
    fs::copy_file(DataFile("Landscape_1.jpg"), blank + "/a.jpg");
    photos.WriteFile("Photos/Resized/retouched.jpg", "the user's own work");
    const auto sibling = Snapshot(photos / "Photos");
    settings.ImageFolder = blank;
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(fs::exists(blank + "/Resized/a.jpg"));
    EXPECT_EQ(Snapshot(photos / "Photos"), sibling);
}

// Another process renames "Resized" and puts a link to someone else's folder in its place
// in the middle of a run: the run goes on into the folder it holds.
TEST_F(BatchTest, ALinkSwappedInForTheOutputFolderMidRunIsNeverWrittenThrough) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) AddPhoto("Landscape_1.jpg", name);
    app.WriteFile("victim/a.jpg", "not a copy");
    app.WriteFile("victim/notes.txt", "keep me");
    const auto victim = Snapshot(app / "victim");
    host.onProcessEvents = [&] {
        if (host.eventRounds != 2) return;
        fs::rename(Output(), photos / "Resized.old");
        fs::create_directory_symlink(app / "victim", Output());
    };
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(Snapshot(app / "victim"), victim);
    EXPECT_EQ(Snapshot(photos / "Resized.old").size(), 3u);
    // The next run refuses the link and still writes nothing through it.
    Run();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind("Impossible de préparer le répertoire " + Output(), 0),
              0u);
    EXPECT_EQ(Snapshot(app / "victim"), victim);
}

TEST_F(BatchTest, ALongestNameGetsItsCopy) {
    const std::string name = std::string(250, 'x') + ".jpeg";
    AddPhoto("Landscape_1.jpg", name);
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(OutputNames(), std::vector<std::string>{name});
}

// A name the system refuses is a preparation failure, never the end of the program.
TEST_F(BatchTest, AnOutputNameTooLongIsReportedAndTheProgramGoesOn) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    const auto before = Snapshot(photos.Path());
    settings.ResizedFolderName = std::string(300, 'r');
    Run();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(host.messages[0].text.rfind("Impossible de préparer le répertoire " +
                                              (photos / settings.ResizedFolderName) + "\r",
                                          0),
              0u);
    EXPECT_FALSE(host.quit);
    EXPECT_EQ(Snapshot(photos.Path()), before);
}

// A FIFO or a folder in a photo's place is an unreadable file: refused at once, never
// waited on.
TEST_F(BatchTest, AJobRefusesWhatIsNotARegularFile) {
    ASSERT_EQ(mkfifo((photos / "fifo.jpg").c_str(), 0600), 0);
    photos.MakeFolder("folder.jpg");
    HeldFolder folder;
    ASSERT_TRUE(HeldFolder::Open(photos.String(), folder));
    for (const char* name : {"fifo.jpg", "folder.jpg", "absent.jpg"}) {
        const JobResult result = RunImageJob(folder, name, JobSettings{});
        EXPECT_EQ(result.step, JobStep::Read) << name;
        EXPECT_EQ(result.fitted.DIBSectionBitsPtr(), nullptr);
    }
}

// What a run shows and leaves: its messages, progress values and every copy's bytes.
struct Observed {
    std::vector<std::string> messages;
    std::vector<int> progress;
    std::map<std::string, std::string> copies;
    bool operator==(const Observed&) const = default;
};

enum class Trouble { None, UnreadableInTheMiddle, ExitAfterTwo };

class ThreadsTest : public BatchTest, public testing::WithParamInterface<Trouble> {
protected:
    Observed RunWith(const char* threads) {
        setenv("PIXTRIM_THREADS", threads, 1);
        test::FakeHost fake{settings};
        if (GetParam() == Trouble::ExitAfterTwo) {
            fake.onProcessEvents = [&] {
                if (fake.previews.size() == 2) fake.QuitApplication();
            };
        }
        JpegResize(settings, fake).ResizeFolder();
        unsetenv("PIXTRIM_THREADS");
        Observed seen{{}, fake.progress, Snapshot(Output())};
        for (const auto& message : fake.messages) seen.messages.push_back(message.text);
        fs::remove_all(Output());
        return seen;
    }
};

// Many cores or one, the run shows and writes exactly the same: the same messages in the
// same order, the same progress, the same copies to the byte, and the same stop.
TEST_P(ThreadsTest, OneThreadAndManyGiveTheSameRun) {
    const char* photosToUse[] = {"Landscape_1.jpg", "Landscape_6.jpg", "Canon_DIGITAL_IXUS_400.jpg",
                                 "testorig.jpg", "Landscape_2.jpg", "Rømø_-_St.Klement_-_Kanzel_3.jpg"};
    for (int i = 0; i < 6; ++i) AddPhoto(photosToUse[i], std::string(1, char('a' + i)) + ".jpg");
    if (GetParam() == Trouble::UnreadableInTheMiddle) {
        fs::remove(photos / "c.jpg");
        AddPhoto("hopper_png_renamed.jpg", "c.jpg");
    }
    settings.KeepExif = settings.InsertCopyright = true;
    settings.CopyrightText = "© 2026";
    const Observed one = RunWith("1");
    const Observed many = RunWith("3");
    EXPECT_EQ(one, many);
    EXPECT_EQ(one.copies.size(), GetParam() == Trouble::None ? 6u : 2u);
    EXPECT_EQ(one.messages.size(), GetParam() == Trouble::UnreadableInTheMiddle ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Runs, ThreadsTest,
                         testing::Values(Trouble::None, Trouble::UnreadableInTheMiddle,
                                         Trouble::ExitAfterTwo));

// Each copy is one write of the whole file: when the disk fills (here a file-size limit)
// the copy is not there at all, no temporary file is left, and earlier copies stay whole.
TEST_F(BatchTest, ADiskThatFillsLeavesNoPartialCopy) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Canon EOS 450D.jpg", "b.jpg");  // its EXIF makes its copy the larger one
    settings.KeepExif = true;
    Run();
    const std::string small = test::FileBytes(Output("a.jpg"));
    const size_t large = fs::file_size(Output("b.jpg"));
    ASSERT_LT(small.size() + 1000, large);

    rlimit original;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    signal(SIGXFSZ, SIG_IGN);
    rlimit limited = original;
    limited.rlim_cur = small.size() + 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    Run();
    setrlimit(RLIMIT_FSIZE, &original);
    signal(SIGXFSZ, SIG_DFL);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Erreur à l'ouverture de " + Output("b.jpg") + kEnd);
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(test::FileBytes(Output("a.jpg")), small);
}

TEST_F(BatchTest, CopyrightIsDrawnOnlyWhenAsked) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    settings.CopyrightText = "© 2026 Zoë";
    settings.CopyrightSize = 2;
    Run();
    const std::string plain = test::FileBytes(Output("a.jpg"));
    settings.CopyrightSize = 0;
    settings.CopyrightOutline = true;
    Run();
    EXPECT_EQ(test::FileBytes(Output("a.jpg")), plain);
    settings.InsertCopyright = true;
    Run();
    EXPECT_NE(test::FileBytes(Output("a.jpg")), plain);
    EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace pixtrim
