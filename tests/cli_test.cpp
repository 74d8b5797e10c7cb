// The real executable on temporary folders of real photos, as a script would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "support/JpegSegments.h"
#include "support/Pictures.h"
#include "support/TempFolder.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;
using test::FileBytes;
using test::TempFolder;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class CommandLineTest : public testing::Test {
protected:
    // Runs pixtrim with `arguments` (shell words) from the photo folder's parent, with the
    // settings store in a folder of its own.
    Outcome Pixtrim(const std::string& arguments) {
        const std::string command = "cd " + test::ShellQuote(root.String()) +
                                    " && XDG_CONFIG_HOME=" + test::ShellQuote(root / "config") +
                                    " " + PIXTRIM_EXECUTABLE + " " + arguments + " >" +
                                    test::ShellQuote(root / "out") + " 2>" +
                                    test::ShellQuote(root / "err");
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, FileBytes(root / "out"),
                FileBytes(root / "err")};
    }
    void AddPhoto(const std::string& data, const std::string& name) {
        fs::copy_file(test::DataFile(data), root / ("p/" + name));
    }
    std::string Store() { return FileBytes(root / "config/Pixtrim/Pixtrim.ini"); }

    TempFolder root;
    std::string photos = root.MakeFolder("p");
};

TEST_F(CommandLineTest, ARunWritesEveryCopyAndSaysSoOnStdout) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_5.jpg", "b.jpg");
    const Outcome run = Pixtrim("--resize p --box 320x240 --no-exif --threads 2");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind("2 copies dans " + photos + "/Resized (", 0), 0u) << run.out;
    EXPECT_TRUE(fs::exists(photos + "/Resized/a.jpg"));
    EXPECT_TRUE(fs::exists(photos + "/Resized/b.jpg"));
    EXPECT_EQ(Store(), "");  // nothing stored without --save
    EXPECT_EQ(Pixtrim("--resize p --box 640x480 --save").status, 0);
    EXPECT_NE(Store().find("IMAGE WIDTH=640\n"), std::string::npos);
}

struct FailureCase {
    const char* name;
    const char* arguments;
    int status;
    const char* err;  // the first line of stderr
    bool usage;       // the usage follows
};

class FailureTest : public CommandLineTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, SaysWhyAndEndsWithItsStatus) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("hopper_png_renamed.jpg", "b.jpg");  // a PNG: the run cannot decode it
    AddPhoto("Landscape_5.jpg", "c.jpg");
    const Outcome run = Pixtrim(GetParam().arguments);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), std::string("pixtrim: ") + GetParam().err);
    EXPECT_EQ(run.err.find("utilisation : pixtrim") != std::string::npos, GetParam().usage);
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureTest,
    testing::Values(
        FailureCase{"RefusedBox", "--resize p --box 0x0",  1,
                    "Taille maximale des images invalide : 0 x 0", false},
        FailureCase{"NoImage", "--resize p --filters '*.png'", 1,
                    "Il n'y a aucune image dans ce répertoire", false},
        FailureCase{"Place", "--resize p --place 7", 1, "--place attend 0, 1, 2 ou 3", true},
        FailureCase{"Threads", "--resize p --threads 0", 1,
                    "--threads attend un nombre de 1 à 64", true},
        FailureCase{"Colour", "--resize p --color 3", 1, "--color attend 0, 1, 2 ou 4", true},
        FailureCase{"Unknown", "--resize p --fast", 1, "option inconnue : --fast", true},
        FailureCase{"MissingValue", "--resize p --box", 1, "--box attend LARGEURxHAUTEUR", true}),
    [](const auto& info) { return info.param.name; });

TEST_F(CommandLineTest, AFatalErrorKeepsTheCopiesBeforeIt) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("hopper_png_renamed.jpg", "b.jpg");
    AddPhoto("Landscape_5.jpg", "c.jpg");
    const Outcome run = Pixtrim("--resize p --box 320x240 --box 200x200");  // the last counts
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "pixtrim: Erreur à l'ouverture de " + photos +
                           "/b.jpg: L'application va maintenant se terminer\n");
    EXPECT_TRUE(fs::exists(photos + "/Resized/a.jpg"));
    EXPECT_FALSE(fs::exists(photos + "/Resized/c.jpg"));
}

TEST_F(CommandLineTest, HelpAndVersion) {
    const Outcome help = Pixtrim("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("utilisation : pixtrim", 0), 0u);
    EXPECT_EQ(Pixtrim("--version").out, "Pixtrim 1.13\n");
}

}  // namespace
}  // namespace pixtrim
