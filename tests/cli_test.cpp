// The real executable on temporary folders of real photos, as a script would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/Files.h"
#include "support/Pictures.h"
#include "support/TempFolder.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::FileBytes;
using test::ShellQuote;

struct Outcome {
    int status;
    std::string out, err;
};

class CommandLineTest : public testing::Test {
protected:
    // Runs pixtrim with `arguments` (shell words) from the photo folder's parent, with the
    // settings store in a folder of its own.
    Outcome Pixtrim(const std::string& arguments) {
        const std::string command = "cd " + ShellQuote(root.String()) +
                                    " && XDG_CONFIG_HOME=" + ShellQuote(root / "config") + " " +
                                    PIXTRIM_EXECUTABLE + " " + arguments + " >" +
                                    ShellQuote(root / "out") + " 2>" + ShellQuote(root / "err");
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, FileBytes(root / "out"),
                FileBytes(root / "err")};
    }
    void AddPhoto(const std::string& data, const std::string& name) {
        root.AddPhoto(data, "p/" + name);
    }
    std::string Store() { return FileBytes(root / "config/Pixtrim/Pixtrim.ini"); }

    test::TempFolder root;
    std::string photos = root.MakeFolder("p");
};

TEST_F(CommandLineTest, ARunWritesEveryCopyAndSaysSoOnStdout) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_5.jpg", "b.jpg");
    const Outcome run = Pixtrim("--resize p --box 320x240 --no-exif --threads 2");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind("2 copies dans " + photos + "/Resized (", 0), 0u) << run.out;
    EXPECT_EQ(test::Names(photos + "/Resized"),
              (std::vector<std::string>{".pixtrim-copies", "a.jpg", "b.jpg"}));
    EXPECT_EQ(Store(), "");  // nothing stored without --save
    EXPECT_EQ(Pixtrim("--resize p --box 640x480 --save").status, 0);
    EXPECT_NE(Store().find("IMAGE WIDTH=640\n"), std::string::npos);
    EXPECT_EQ(Pixtrim("--help").out.rfind("utilisation : pixtrim", 0), 0u);
    EXPECT_EQ(Pixtrim("--version").out, std::string("Pixtrim ") + PIXTRIM_VERSION + "\n");
}

// One line of error (and the usage for a wrong command line), the status, nothing on
// stdout; a fatal error keeps the copies before it.
TEST_F(CommandLineTest, FailuresSayWhyAndEndWithTheirStatus) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("hopper_png_renamed.jpg", "b.jpg");  // a PNG: the run cannot decode it
    AddPhoto("Landscape_5.jpg", "c.jpg");
    const std::tuple<const char*, int, const char*, bool> cases[] = {
        {"--resize p --box 0x0", 1, "p: Taille maximale des images invalide : 0 x 0", false},
        {"--resize p --filters '*.png'", 1, "p: Il n'y a aucune image dans ce répertoire", false},
        {"--box 640x480 p", 1, "ces options ne vont qu'avec --resize ou --show-settings", true},
        {"--resize p --place 4", 1, "--place attend 0, 1, 2 ou 3", true},
        {"--resize p --threads 0", 1, "--threads attend un nombre de 1 à 64", true},
        {"--resize p --fast", 1, "option inconnue : --fast", true},
        {"--resize ''", 1, "--resize attend un dossier", true},
        {"--resize p --box 320x240 --box 200x200", 2,  // the last counts
         "Erreur à l'ouverture de p/b.jpg: Not a JPEG file: starts with 0x89 0x50", false}};
    for (const auto& [arguments, status, err, usage] : cases) {
        const Outcome run = Pixtrim(arguments);
        EXPECT_EQ(run.status, status) << arguments;
        std::string first = run.err.substr(0, run.err.find('\n'));
        if (const size_t at = first.find(photos); at != std::string::npos)
            first.replace(at, photos.size(), "p");
        EXPECT_EQ(first, std::string("pixtrim: ") + err);
        EXPECT_EQ(run.err.find("utilisation : pixtrim") != std::string::npos, usage) << arguments;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(fs::exists(photos + "/Resized/a.jpg"));
    EXPECT_FALSE(fs::exists(photos + "/Resized/c.jpg"));
}

// --keep-going: every good photo is copied, a damaged one too with a warning, each bad file
// is named with its reason (control bytes shown escaped), and the status says it.
TEST_F(CommandLineTest, KeepGoingNamesEachBadFileAndCarriesOn) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("00-empty-file.jpg", "b.jpg");
    AddPhoto("hopper_png_renamed.jpg", "c\x1b[31m.jpg");
    AddPhoto("truncated.jpg", "d.jpg");
    AddPhoto("Landscape_2.jpg", "e.jpg");
    const Outcome run = Pixtrim("--resize p --keep-going --box 320x240");
    EXPECT_EQ(run.status, 2);
    const std::string p = photos + "/";
    EXPECT_EQ(run.err, "pixtrim: Erreur à l'ouverture de " + p +
                           "b.jpg: Empty input file\n"
                           "pixtrim: Erreur à l'ouverture de " +
                           p +
                           "c\\x1b[31m.jpg: Not a JPEG file: "
                           "starts with 0x89 0x50\n"
                           "pixtrim: Image abîmée, copiée telle qu'elle a pu être lue : " +
                           p +
                           "d.jpg: "
                           "Premature end of JPEG file\n");
    EXPECT_EQ(run.out.substr(0, run.out.find(" (")),
              "3 copies et 2 échecs dans " + photos + "/Resized");
    EXPECT_TRUE(fs::exists(photos + "/Resized/d.jpg"));
    EXPECT_TRUE(fs::exists(photos + "/Resized/e.jpg"));
}

// Every stored choice can be undone for one run, or the store ignored; --show-settings
// prints what a run would use, in the store's form.
TEST_F(CommandLineTest, StoredChoicesCanBeUndoneAndShown) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    ASSERT_EQ(Pixtrim("--resize p --opaque --outline --box 320x240 --save").status, 0);
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"--show-settings", {"COPYRIGHT OUTLINE=1", "COPYRIGHT TRANSPARENT=0", "IMAGE WIDTH=320"}},
        {"--show-settings --transparent --no-outline",
         {"COPYRIGHT OUTLINE=0", "COPYRIGHT TRANSPARENT=1", "IMAGE WIDTH=320"}},
        {"--show-settings --no-settings",
         {"COPYRIGHT OUTLINE=0", "COPYRIGHT TRANSPARENT=1", "IMAGE WIDTH=800"}}};
    for (const auto& [arguments, lines] : cases) {
        const Outcome shown = Pixtrim(arguments);
        EXPECT_EQ(shown.status, 0) << arguments;
        for (const std::string& line : lines)
            EXPECT_NE(shown.out.find("\n" + line + "\n"), std::string::npos) << arguments << line;
    }
    // --quality is the copy's: the first luma step is 16 at 50 (the standard table).
    ASSERT_EQ(Pixtrim("--resize p --quality 50").status, 0);
    const std::string copy = FileBytes(photos + "/Resized/a.jpg");
    EXPECT_EQ(int(copy[copy.find("\xFF\xDB") + 5]), 16);
}

// Output that cannot be written is a failure a script sees.
TEST_F(CommandLineTest, ALostOutputIsAFailure) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    for (const char* command : {" --resize p --no-settings >/dev/full", " --version >&-"}) {
        const int status = std::system(("cd " + ShellQuote(root.String()) + " && " +
                                        PIXTRIM_EXECUTABLE + command + " 2>/dev/null")
                                           .c_str());
        EXPECT_EQ(WEXITSTATUS(status), 2) << command;
    }
}

// A store that cannot be written (its lock is a folder) is said; the copies are made and
// the status tells the script.
TEST_F(CommandLineTest, ASaveThatFailsIsSaidAndCounts) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    fs::create_directories(root / "config/Pixtrim/Pixtrim.ini.lock");
    const Outcome run = Pixtrim("--resize p --save");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "pixtrim: Impossible d'enregistrer les paramètres dans " +
                           (root / "config/Pixtrim/Pixtrim.ini") + "\n");
    EXPECT_TRUE(fs::exists(photos + "/Resized/a.jpg"));
}

// SIGTERM mid-run: the run stops after the copy in hand, leaves only whole copies and its
// record (no temporary file), and exits 143.
TEST_F(CommandLineTest, SigtermStopsAfterTheCopyInHand) {
    for (int i = 0; i < 40; ++i) AddPhoto("Canon EOS 450D.jpg", std::to_string(i) + ".jpg");
    const pid_t child = fork();
    if (child == 0) {
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        freopen("/dev/null", "w", stderr);
        execl(PIXTRIM_EXECUTABLE, "pixtrim", "--resize", photos.c_str(), "--threads", "1", "--box",
              "2000x2000", nullptr);
        _exit(127);
    }
    // Until the first copy exists, or the run ended (a failed run must fail the test, not
    // hang it), for 20 s at most.
    int status = 0;
    bool ended = false;
    for (int waited = 0; waited < 20000 && !ended && !fs::exists(photos + "/Resized/0.jpg");
         ++waited) {
        ended = waitpid(child, &status, WNOHANG) == child;
        usleep(1000);
    }
    ASSERT_FALSE(ended) << "the run ended before its first copy";
    kill(child, SIGTERM);
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 143);
    size_t copies = 0;
    for (const auto& entry : fs::directory_iterator(photos + "/Resized")) {
        const std::string name = entry.path().filename();
        if (name == ".pixtrim-copies") continue;
        EXPECT_NE(name.rfind(".pixtrim-", 0), 0u) << name;
        EXPECT_EQ(FileBytes(entry.path()).substr(FileBytes(entry.path()).size() - 2), "\xFF\xD9");
        ++copies;
    }
    EXPECT_LT(copies, 40u);
}

}  // namespace
}  // namespace pixtrim
