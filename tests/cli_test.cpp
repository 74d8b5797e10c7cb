// The real executable on temporary folders of real photos, as a script would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/JpegSegments.h"
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
        fs::copy_file(test::DataFile(data), root / ("p/" + name));
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
    EXPECT_TRUE(fs::exists(photos + "/Resized/a.jpg") && fs::exists(photos + "/Resized/b.jpg"));
    EXPECT_EQ(Store(), "");  // nothing stored without --save
    EXPECT_EQ(Pixtrim("--resize p --box 640x480 --save").status, 0);
    EXPECT_NE(Store().find("IMAGE WIDTH=640\n"), std::string::npos);
    EXPECT_EQ(Pixtrim("--help").out.rfind("utilisation : pixtrim", 0), 0u);
    EXPECT_EQ(Pixtrim("--version").out, "Pixtrim 1.13\n");
}

// One line of error (and the usage for a wrong command line), the status, nothing on
// stdout; a fatal error keeps the copies before it.
TEST_F(CommandLineTest, FailuresSayWhyAndEndWithTheirStatus) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("hopper_png_renamed.jpg", "b.jpg");  // a PNG: the run cannot decode it
    AddPhoto("Landscape_5.jpg", "c.jpg");
    const std::tuple<const char*, int, const char*, bool> cases[] = {
        {"--resize p --box 0x0", 1, "Taille maximale des images invalide : 0 x 0", false},
        {"--resize p --filters '*.png'", 1, "Il n'y a aucune image dans ce répertoire", false},
        {"--resize p --place 4", 1, "--place attend 0, 1, 2 ou 3", true},
        {"--resize p --threads 0", 1, "--threads attend un nombre de 1 à 64", true},
        {"--resize p --fast", 1, "option inconnue : --fast", true},
        {"--resize ''", 1, "--resize attend un dossier", true},
        {"--resize p --box 320x240 --box 200x200", 2,  // the last counts
         "Erreur à l'ouverture de p/b.jpg: L'application va maintenant se terminer", false}};
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
    while (!fs::exists(photos + "/Resized/0.jpg")) usleep(1000);
    kill(child, SIGTERM);
    int status = 0;
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
