#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>

#include "batch/ImageJob.h"
#include "batch/JpegResize.h"
#include "batch/OutputRecord.h"
#include "support/FakeHost.h"
#include "support/Files.h"
#include "support/TempFolder.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::FileBytes;

const char kEnd[] = "\rL'application va maintenant se terminer";

// A run of the core on a temporary photo folder, with a recording host.
class BatchTest : public testing::Test {
protected:
    void SetUp() override {
        settings.AppFolder = app.String();
        settings.ImageFolder = photos.String();
        settings.ImageWidth = "320";
        settings.ImageHeight = "240";
    }

    void AddPhoto(const std::string& data, const std::string& name) { photos.AddPhoto(data, name); }
    void Run() { run.ResizeFolder(); }
    std::string Output(const std::string& name = "") const {
        return name.empty() ? photos / "Resized" : photos / ("Resized/" + name);
    }
    // The copies in the output folder (its record left out).
    std::vector<std::string> OutputNames() const {
        std::vector<std::string> names = test::Names(Output());
        std::erase(names, kOutputRecordName);
        return names;
    }
    // The only message shown, when it has that icon; else what was shown instead.
    std::string Message(MessageIcon icon = MessageIcon::Critical) const {
        if (host.messages.size() != 1) return std::to_string(host.messages.size()) + " messages";
        return (host.messages[0].icon == icon ? "" : "(other icon) ") + host.messages[0].text;
    }

    test::TempFolder photos;
    test::TempFolder app;
    Settings settings;
    test::FakeHost host{settings};
    JpegResize run{settings, host};
    test::CurrentFolderGuard currentFolder;
};

// Every file below `folder`, with its bytes: equal snapshots mean nothing there changed.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.path().filename() != kOutputRecordName)
            files[entry.path().lexically_relative(folder)] =
                entry.is_regular_file() ? FileBytes(entry.path()) : "<folder>";
    return files;
}

TEST_F(BatchTest, EveryImageGetsItsFittedCopyAtQuality80) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_5.jpg", "B.JPG");
    AddPhoto("testorig.jpg", "c.jpeg");
    AddPhoto("Canon_DIGITAL_IXUS_400.jpg", "d.Jpg");
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.progress, (std::vector<int>{25, 50, 75, 100, 100}));
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"B.JPG", "a.jpg", "c.jpeg", "d.Jpg"}));
    EXPECT_EQ(host.previews, (std::vector<std::string>{photos / "a.jpg", photos / "B.JPG",
                                                       photos / "c.jpeg", photos / "d.Jpg"}));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"ReadSettingsFromWindow", "SaveConfiguration",
                                                    "ShowProgressBar", "ApplySettingsToWindow",
                                                    "HideProgressBar"}));
    EXPECT_EQ(run.ProgressDone, 4);
    EXPECT_EQ(fs::path(CurrentFolder()), fs::canonical(app.Path()));
}

TEST_F(BatchTest, ProgressRoundsHalfToEven) {
    for (int i = 0; i < 8; ++i)
        AddPhoto("Canon_DIGITAL_IXUS_400.jpg", "p" + std::to_string(i) + ".jpg");
    Run();
    EXPECT_EQ(host.progress, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100, 100}));
}

// (The command line's table shows what the tidying of the output folder leaves.)
TEST_F(BatchTest, AnEmptyFolderSaysSo) {
    Run();
    EXPECT_EQ(Message(MessageIcon::Information), "Il n'y a aucune image dans ce répertoire");
    EXPECT_EQ(host.calls.back(), "HideProgressBar");
}

// Damaged sources copied as they could be read are said once, after the run (the bar gone):
// how many, the first three names with their decoder's words, how many more. The next run
// says only its own; a clean run says nothing.
TEST_F(BatchTest, DamagedCopiesAreSaidOnceAfterTheRun) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    for (const char* name : {"b.jpg", "c.jpg", "d.jpg", "e.jpg"}) AddPhoto("truncated.jpg", name);
    Run();
    const std::string damaged = " : Premature end of JPEG file";
    EXPECT_EQ(Message(MessageIcon::Information),
              "4 images abîmées ont été copiées telles qu'elles ont pu être lues :\rb.jpg" +
                  damaged + "\rc.jpg" + damaged + "\rd.jpg" + damaged + "\ret 1 autre");
    EXPECT_EQ(OutputNames().size(), 5u);
    for (const char* name : {"c.jpg", "d.jpg", "e.jpg"}) fs::remove(photos / name);
    host.messages.clear();
    Run();
    EXPECT_EQ(Message(MessageIcon::Information),
              "1 image abîmée a été copiée telle qu'elle a pu être lue :\rb.jpg" + damaged);
    fs::remove(photos / "b.jpg");
    host.messages.clear();
    Run();
    EXPECT_TRUE(host.messages.empty());
}

// A copy's name held by a file the program did not write stops the run before anything
// changes; the emptying deletes only the copies the program wrote and that are still as
// written (the command line's table shows what stays).
TEST_F(BatchTest, ANameHeldByAForeignFileStopsTheRunUnchanged) {
    // Only the record's size, time and checksum tell these from copies (the command line's
    // table has a retouched copy, another photo and copies without a record).
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"same size and time, other bytes",  // only the checksum tells
         [&] {
             const auto time = fs::last_write_time(Output("b.jpg"));
             std::string bytes = FileBytes(Output("b.jpg"));
             bytes[bytes.size() / 2] ^= 1;
             std::ofstream(Output("b.jpg"), std::ios::binary) << bytes;
             fs::last_write_time(Output("b.jpg"), time);
         }},
        {"same bytes, touched later than a card keeps", [&] {
             const auto time = fs::last_write_time(Output("b.jpg"));
             fs::last_write_time(Output("b.jpg"), time + std::chrono::seconds(3));
         }}};
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_2.jpg", "b.jpg");
    for (const auto& [label, change] : cases) {
        host.messages.clear();
        Run();
        change();
        const auto before = Snapshot(photos.Path());
        Run();
        EXPECT_EQ(Message(), "Impossible de préparer le répertoire " + Output() +
                                 "\rUn fichier qui ne vient pas de Pixtrim porte le nom d'une "
                                 "copie à faire : b.jpg")
            << label;
        EXPECT_EQ(Snapshot(photos.Path()), before) << label;
        fs::remove_all(Output());
    }
}

// A card keeps times to 2 s: a copy whose time moved by 1 s is still the program's own.
TEST_F(BatchTest, ACopyWhoseTimeACardRoundedIsStillOurs) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    Run();
    fs::last_write_time(Output("a.jpg"),
                        fs::last_write_time(Output("a.jpg")) + std::chrono::seconds(1));
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"a.jpg"});
}

// Another run holds the folder, or the output folder is the image folder itself (a bind
// mount): refused before anything is tidied.
TEST_F(BatchTest, ABusyOrSelfOutputFolderIsRefusedUntouched) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    photos.WriteFile("Resized/Thumbs.db");
    photos.WriteFile("Resized/a.jpg", "someone's");
    const auto before = Snapshot(photos.Path());
    const int held = open(Output().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    Run();
    close(held);
    EXPECT_EQ(Message(), "Impossible de préparer le répertoire " + Output() +
                             "\rUn autre traitement utilise ce répertoire");
    EXPECT_EQ(Snapshot(photos.Path()), before);
    if (mount(photos.String().c_str(), Output().c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no bind mount here";
    host.messages.clear();
    Run();
    umount(Output().c_str());
    EXPECT_EQ(Message(), "Impossible de préparer le répertoire " + Output() +
                             "\rC'est le répertoire des images lui-même");
    EXPECT_EQ(Snapshot(photos.Path()), before);
}

TEST_F(BatchTest, ChoosingTheOutputFolderWorksOnItsParent) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    photos.WriteFile("Resized/old.jpg");
    settings.ImageFolder = Output();
    Run();
    EXPECT_EQ(settings.ImageFolder, photos.String());
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "ShowFolder " + photos.String()),
              host.calls.end());
    ASSERT_FALSE(host.saved.empty());
    EXPECT_EQ(host.saved[0].ImageFolder, Output());  // stored as the window showed it
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a.jpg", "old.jpg"}));
}

// The stored filters decide what a run processes (the command line's table shows which);
// the window's filter box only its count: the box finds an image, the stored filters none.
TEST_F(BatchTest, TheWindowsFilterBoxOnlyCounts) {
    photos.WriteFile("c.bmp");
    host.filterBox = "*.bmp";
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.progress.empty());  // no percentage without a matching image
    EXPECT_TRUE(fs::is_directory(Output()));
}

TEST_F(BatchTest, APressDuringARunIsIgnored) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_2.jpg", "b.jpg");
    host.onProcessEvents = [&] { run.ResizeFolder(); };
    Run();
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "ShowProgressBar"), 1);
    EXPECT_EQ(host.progress, (std::vector<int>{50, 100, 100}));
}

// Another process swaps a link to someone else's folder in for "Resized" mid-run: the run
// goes on into the folder it holds, and the next run refuses the link.
TEST_F(BatchTest, ALinkSwappedInForTheOutputFolderMidRunIsNeverWrittenThrough) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) AddPhoto("Landscape_1.jpg", name);
    app.WriteFile("victim/a.jpg", "not a copy");
    const auto victim = Snapshot(app / "victim");
    host.onProcessEvents = [&, rounds = 0]() mutable {
        if (++rounds != 2) return;
        fs::rename(Output(), photos / "Resized.old");
        fs::create_directory_symlink(app / "victim", Output());
    };
    Run();
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(Snapshot(photos / "Resized.old").size(), 3u);
    Run();
    EXPECT_EQ(Message().rfind("Impossible de préparer le répertoire " + Output(), 0), 0u);
    EXPECT_EQ(Snapshot(app / "victim"), victim);
}

enum class Trouble { None, UnreadableInTheMiddle, ExitAfterTwo };

class ThreadsTest : public BatchTest, public testing::WithParamInterface<Trouble> {
protected:
    // What a run shows and leaves: its messages and progress, and every copy's bytes.
    std::string RunWith(int threads) {
        test::FakeHost fake{settings};
        fake.onProcessEvents = [&] {
            if (GetParam() == Trouble::ExitAfterTwo && fake.previews.size() == 2)
                fake.QuitApplication();
        };
        JpegResize resize(settings, fake);
        resize.Threads = threads;
        resize.ResizeFolder();
        std::string seen = std::to_string(fake.progress.size()) + " steps;";
        // Shown in listing order, whatever order the jobs start or end in.
        for (const std::string& path : fake.previews) seen += path.substr(path.rfind('/')) + ";";
        for (const auto& message : fake.messages) seen += message.text + ";";
        for (const auto& [name, bytes] : Snapshot(Output())) seen += name + " " + bytes + ";";
        fs::remove_all(Output());
        return seen;
    }
};

// Many cores or one, a run shows and writes exactly the same, and stops at the same image,
// whatever its photos' formats (a HEIF's tiles on threads of their own) and although the
// costlier files start first ("d", "e" and "f" before "c", which fails in one of the runs).
TEST_P(ThreadsTest, OneThreadAndManyGiveTheSameRun) {
    char name = 'a';
    for (const std::string photo :
         {"Landscape_1.jpg", "Landscape_6.jpg", "Canon_DIGITAL_IXUS_400.jpg", "png-alpha.png",
          "heif-burst.heic", "Rømø_-_St.Klement_-_Kanzel_3.jpg"})
        AddPhoto(photo, std::string(1, name++) + photo.substr(photo.rfind('.')));
    if (GetParam() == Trouble::UnreadableInTheMiddle) AddPhoto("00-empty-file.jpg", "c.jpg");
    settings.KeepExif = settings.InsertCopyright = true;
    settings.CopyrightText = "© 2026";
    const std::string one = RunWith(1);
    EXPECT_EQ(one, RunWith(3));
    EXPECT_EQ(one.find("f.jpg") != std::string::npos, GetParam() == Trouble::None);
    EXPECT_NE(one.find("b.jpg"), std::string::npos);
    EXPECT_EQ(one.find("Erreur") != std::string::npos,
              GetParam() == Trouble::UnreadableInTheMiddle);
}

INSTANTIATE_TEST_SUITE_P(Runs, ThreadsTest,
                         testing::Values(Trouble::None, Trouble::UnreadableInTheMiddle,
                                         Trouble::ExitAfterTwo));

// Each copy is one write of the whole file: when the disk fills (here a file-size limit)
// the copy is not there at all, no temporary file is left, and earlier copies stay whole.
TEST_F(BatchTest, ADiskThatFillsLeavesNoPartialCopy) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Canon EOS 450D.jpg", "b.jpg");  // its EXIF makes its copy the larger one
    Run();
    const std::string small = FileBytes(Output("a.jpg"));
    ASSERT_LT(small.size() + 1000, fs::file_size(Output("b.jpg")));
    {
        const test::FileSizeLimit full(small.size() + 1000);
        Run();
    }
    EXPECT_EQ(Message(), "Erreur à l'ouverture de " + Output("b.jpg") + kEnd + "\rFile too large");
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(FileBytes(Output("a.jpg")), small);
}

// The file deleted is the file checked: a user's file that takes a copy's name while the
// earlier copies are deleted is never deleted (put back under its name, or beside it when
// that was taken again), and the run then refuses to write over it.
TEST_F(BatchTest, AFileSavedUnderACopysNameWhileTheCopiesGoIsKept) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_2.jpg", "b.jpg");
    Run();
    run.Output().afterParking = [&](const std::string& name) {
        if (name == "a.jpg") photos.WriteFile("Resized/b.jpg", "saved before b.jpg was checked");
        if (name == "b.jpg") photos.WriteFile("Resized/b.jpg", "saved once it was set aside");
    };
    Run();
    EXPECT_EQ(FileBytes(Output("b.jpg")), "saved once it was set aside");
    EXPECT_EQ(FileBytes(Output("b (récupéré).jpg")), "saved before b.jpg was checked");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text,
              "Un fichier mis de côté n'était pas une copie ; il est gardé "
              "sous le nom " +
                  Output("b (récupéré).jpg"));
    EXPECT_EQ(host.messages[1].text,
              "Erreur à l'ouverture de " + Output("b.jpg") + kEnd + "\rFile exists");
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a.jpg", "b (récupéré).jpg", "b.jpg"}));
}

// What a run killed while it deleted its copies left aside is settled by the next run: the
// copy deleted, any other file put back under its name and said; the temporaries of a
// killed write go (not a link, nor one written since the run began); a hand-written line
// of the record never reaches outside the folder.
TEST_F(BatchTest, WhatAKilledRunLeftIsSettled) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_2.jpg", "b.jpg");
    Run();
    fs::rename(Output("b.jpg"), Output(".pixtrim-parked-0000000000000001"));
    photos.WriteFile("Resized/.pixtrim-parked-0000000000000002", "a user's notes");
    photos.WriteFile("Resized/.pixtrim-0123456789abcdef", "half a copy");
    fs::last_write_time(Output(".pixtrim-0123456789abcdef"),
                        fs::file_time_type::clock::now() - std::chrono::hours(1));
    fs::create_symlink("a.jpg", Output(".pixtrim-fedcba9876543210"));
    const std::string record = FileBytes(Output(kOutputRecordName));
    const std::string photo = FileBytes(photos / "a.jpg");
    std::ofstream(Output(kOutputRecordName), std::ios::app)
        << "> .pixtrim-parked-0000000000000001 b.jpg\n"
           "> .pixtrim-parked-0000000000000002 notes.txt\n"
        << FormatRecordEntry({"../a.jpg", photo.size(), 0, Checksum(photo)});
    Run();
    EXPECT_EQ(Message(MessageIcon::Warning),
              "Un fichier mis de côté n'était pas une copie ; il est "
              "gardé sous le nom " +
                  Output("notes.txt"));
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{".pixtrim-fedcba9876543210", "a.jpg",
                                                       "b.jpg", "notes.txt"}));
    EXPECT_EQ(FileBytes(photos / "a.jpg"), photo);
}

// An append the disk cuts short is cut off again: the next line starts a line of its own.
TEST(RecordTest, AnAppendCutShortLeavesWholeLines) {
    test::TempFolder folder;
    HeldFolder held;
    ASSERT_TRUE(HeldFolder::Open(folder.String(), held));
    OutputRecord record;
    ASSERT_TRUE(record.Restart(held));
    const size_t header = fs::file_size(folder / kOutputRecordName);
    const EntryStatus status{true, 12345, 678};
    {
        const test::FileSizeLimit full(header + 5);
        EXPECT_FALSE(record.Append("a.jpg", 1, status));
    }
    EXPECT_EQ(fs::file_size(folder / kOutputRecordName), header);
    EXPECT_TRUE(record.Append("b.jpg", 2, status));
    const std::vector<RecordEntry> entries = ParseRecord(FileBytes(folder / kOutputRecordName));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "b.jpg");
}

// Three big progressive pictures on three threads with a budget that holds one: never more
// than one job's memory at once, and the copies are the bytes a roomy budget gives. A job
// larger than the whole budget runs alone; one larger than the machine is refused.
TEST_F(BatchTest, JobsStartWithinTheMemoryBudget) {
    const std::string big = test::MadePhoto(2000, 2000, true);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) photos.WriteFile(name, big);
    const JobSettings job = JobSettingsFrom(settings, 320, 240);
    const uint64_t needs = JobMemoryNeeds(big, job);
    // 32 source rows of 6000 bytes, the coefficients (3 components of 250 x 250 blocks of
    // 64 x 2 bytes), and the 240 x 240 copy's rows.
    EXPECT_EQ(needs - big.size(), 32u * 6000 + 3u * 250 * 250 * 128 + 720 * 240);
    run.Threads = 3;
    std::map<std::string, std::string> roomy;
    for (const uint64_t budget : {needs * 10, needs, uint64_t{1}}) {
        run.MemoryBudgetBytes = budget;
        Run();
        EXPECT_TRUE(host.messages.empty());
        if (budget <= needs) {
            EXPECT_EQ(run.PeakMemory, needs) << budget;
        }
        if (roomy.empty()) roomy = Snapshot(Output());
        EXPECT_EQ(Snapshot(Output()), roomy) << budget;
    }
    JobSettings machine = job;
    machine.memoryLimit = needs - 1;
    HeldFolder folder;
    ASSERT_TRUE(HeldFolder::Open(photos.String(), folder));
    const JobResult refused = RunImageJob(folder, "a.jpg", machine);
    EXPECT_EQ(refused.step, JobStep::Decode);
    EXPECT_NE(refused.reason.find("Mo de mémoire"), std::string::npos);
}

}  // namespace
}  // namespace pixtrim
