// The real executable on temporary folders of real photos, as a script would run it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "support/Files.h"
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
    // Runs the shell `script` in the photo folder's parent, with the settings store in a
    // folder of its own and the C locale (PIXTRIM is the program); its exit status, -1 when
    // it did not exit.
    int Shell(const std::string& script) const {
        // French, as under C, whatever the machine's locale: a row chooses otherwise.
        const std::string command =
            "cd " + ShellQuote(root.String()) +
            " && unset PIXTRIM_LANG LANGUAGE LC_ALL LC_MESSAGES" +
            " && export LANG=C XDG_CONFIG_HOME=" + ShellQuote(root / "config") +
            " PIXTRIM=" + ShellQuote(PIXTRIM_EXECUTABLE) + " && " + script;
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Runs pixtrim with `arguments` (shell words), in the environment `environment` (shell
    // assignments).
    Outcome Pixtrim(const std::string& arguments, const std::string& environment = "") const {
        const int status = Shell(environment + "\"$PIXTRIM\" " + arguments + " >out 2>err");
        return {status, FileBytes(root / "out"), FileBytes(root / "err")};
    }
    void AddPhoto(const std::string& data, const std::string& name) {
        fs::create_directories(fs::path(photos + "/" + name).parent_path());
        root.AddPhoto(data, "p/" + name);
    }

    test::TempFolder root;
    std::string photos = root.MakeFolder("p");
};

// After "--" every word is a folder, one whose name starts with a dash included.
TEST_F(CommandLineTest, AFolderNamedLikeAnOption) {
    root.MakeFolder("-dash");
    root.AddPhoto("Landscape_1.jpg", "-dash/a.jpg");
    EXPECT_EQ(Pixtrim("--no-settings --resize -- -dash").status, 0);
    EXPECT_TRUE(fs::exists(root / "-dash/Resized/a.jpg"));
}

// Output that cannot be written is a failure a script sees.
TEST_F(CommandLineTest, ALostOutputIsAFailure) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    for (const char* command : {" --resize p --no-settings >/dev/full", " --version >&-"})
        EXPECT_EQ(Shell(std::string("\"$PIXTRIM\"") + command + " 2>/dev/null"), 2) << command;
}

// SIGTERM mid-run: the run stops after the copy in hand, leaves only whole copies and its
// record (no temporary file), and exits 143.
TEST_F(CommandLineTest, SigtermStopsAfterTheCopyInHand) {
    for (int i = 0; i < 40; ++i) AddPhoto("Canon EOS 450D.jpg", std::to_string(i) + ".jpg");
    // Sent once the first copy exists; a run that ended before fails the test (status 99).
    EXPECT_EQ(Shell("{ \"$PIXTRIM\" --resize p --threads 1 --box 2000x2000 >out 2>err & } && "
                    "until [ -e p/Resized/0.jpg ]; do kill -0 $! || exit 99; sleep 0.001; done; "
                    "kill -TERM $!; wait $!"),
              143);
    EXPECT_EQ(FileBytes(root / "err"), "pixtrim: " + photos + ": interrompu\n");  // not killed
    size_t copies = 0;
    for (const auto& entry : fs::directory_iterator(photos + "/Resized")) {
        const std::string name = entry.path().filename();
        if (name == ".pixtrim-copies") continue;
        EXPECT_NE(name.rfind(".pixtrim-", 0), 0u) << name;
        EXPECT_TRUE(FileBytes(entry.path()).ends_with("\xFF\xD9")) << name;
        ++copies;
    }
    EXPECT_LT(copies, 40u);
}

// Memory refused is one file's failure: named, passed over with --keep-going, status 2.
// Under an address-space limit: a progressive photo whose coefficients exceed it (refused
// to libjpeg), a photo padded to 120 MB (refused to its read).
TEST_F(CommandLineTest, OutOfMemoryIsOneFilesFailure) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers need more address space than any limit leaves";
#endif
    root.WriteFile("p/big.jpg", test::MadePhoto(5000, 5000, true));
    AddPhoto("Landscape_1.jpg", "padded.jpg");
    fs::resize_file(photos + "/padded.jpg", 120 << 20);
    AddPhoto("Landscape_1.jpg", "small.jpg");
    EXPECT_EQ(Shell("ulimit -v 150000 && \"$PIXTRIM\" --resize p --keep-going --no-settings "
                    "--threads 1 >out 2>err"),
              2);
    EXPECT_EQ(FileBytes(root / "err"),
              "pixtrim: Erreur à l'ouverture de " + photos +
                  "/big.jpg: mémoire insuffisante\npixtrim: Erreur à l'ouverture de " + photos +
                  "/padded.jpg: mémoire insuffisante\n");
    EXPECT_TRUE(fs::exists(photos + "/Resized/small.jpg"));
}

// SIGTERM during a giant's decode ends the run at once, without waiting for the decode: it
// is not a copy in hand. A second signal would end it even in a commit.
TEST_F(CommandLineTest, SigtermDuringAGiantsDecodeStopsAtOnce) {
    root.WriteFile("p/a.jpg", test::MadePhoto(8000, 8000, true));
    EXPECT_EQ(Shell("{ \"$PIXTRIM\" --resize p --threads 1 --no-settings >out 2>err & } && "
                    "sleep 0.3 && kill -TERM $! && start=$(date +%s%N) && wait $!; status=$? && "
                    "echo $(( ($(date +%s%N) - start) / 1000000 )) >ms; exit $status"),
              143);
    EXPECT_LT(std::stoi(FileBytes(root / "ms")), 1000);  // a decode takes seconds
    EXPECT_EQ(FileBytes(root / "err"), "pixtrim: " + photos + ": interrompu\n");
    EXPECT_FALSE(fs::exists(photos + "/Resized/a.jpg"));
}

// --quality reaches the copy the program writes (the golden rows make theirs in-process).
TEST_F(CommandLineTest, TheQualityReachesTheCopy) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    ASSERT_EQ(Shell("\"$PIXTRIM\" --resize p --no-settings --quality 30 >out"), 0);
    const std::string low = FileBytes(photos + "/Resized/a.jpg");
    ASSERT_EQ(Shell("\"$PIXTRIM\" --resize p --no-settings >out"), 0);
    EXPECT_LT(low.size(), FileBytes(photos + "/Resized/a.jpg").size());
}

// A walk does not enter another filesystem mounted inside the tree (a card, a share).
TEST_F(CommandLineTest, AWalkStaysOnItsFilesystem) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    test::FuseView card(root.MakeFolder("mounted"), root.MakeFolder("p/card"));
    if (!card) GTEST_SKIP() << "no FUSE mount here";
    root.AddPhoto("Landscape_2.jpg", "mounted/b.jpg");
    EXPECT_EQ(Pixtrim("--resize p --recursive --no-settings").out.substr(0, 24),
              "1 copie dans 1 dossier (");
    EXPECT_EQ(test::Names(root / "mounted"), std::vector<std::string>{"b.jpg"});
}

// A file's modification time: seconds and nanoseconds.
std::pair<int64_t, long> Modified(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return {status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

// --keep-dates gives each copy its photo's time to the nanosecond, before 1970 too, on a
// plain folder and through FUSE (no unnamed files there: the time is set on the hidden
// name); the next run still deletes those copies as its own, and without the option writes
// today's time. A time beyond what nanoseconds hold (2262) gives the latest they do.
TEST_F(CommandLineTest, KeptDatesAreThePhotosAndTheCopiesStayOwn) {
    test::FuseView fuse(root.MakeFolder("under"), root.MakeFolder("fuse"));
    const auto keepDate = [&](const std::string& folder, const std::string& date) {
        const std::string photo = root / folder + "/a.jpg";
        root.AddPhoto("Landscape_1.jpg", folder + "/a.jpg");
        EXPECT_EQ(Shell("touch -d '" + date + "' " + ShellQuote(photo)), 0);
        EXPECT_EQ(Pixtrim("--resize " + folder + " --keep-dates --no-settings").status, 0);
        return Modified(photo);
    };
    for (const auto& [folder, date] : std::vector<std::pair<std::string, std::string>>{
             {"p", "2001-02-03 04:05:06.123456789"},
             {"p", "1969-07-20 20:17:40.5"},
             {"fuse", "2001-02-03 04:05:06.123456789"}}) {
        if (folder == "fuse" && !fuse) continue;
        const std::string copy = root / folder + "/Resized/a.jpg";
        const auto photo = keepDate(folder, date);
        EXPECT_EQ(Modified(copy), photo) << folder << " " << date;
        ASSERT_EQ(Pixtrim("--resize " + folder + " --no-settings").status, 0) << folder;
        EXPECT_GT(Modified(copy), photo) << folder;
    }
    keepDate("p", "2400-01-01");
    EXPECT_EQ(Modified(photos + "/Resized/a.jpg").first / 100000000, 92);  // 9.2e9 s: 2262
    EXPECT_EQ(Pixtrim("--resize p --no-settings").status, 0);
}

// Photos on a read-only filesystem (a read-only FUSE view) cannot have their sub-folder,
// and go --into a folder made for them; a second run deletes the first copies as its own.
TEST_F(CommandLineTest, CopiesFromAReadOnlyFolderGoIntoAnother) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    const std::string card = root.MakeFolder("card");
    test::FuseView view(photos, card, "-r");
    if (!view) GTEST_SKIP() << "no FUSE mount here";
    EXPECT_EQ(Pixtrim("--resize card --no-settings").err,
              "pixtrim: Impossible de préparer le répertoire " + card +
                  "/Resized: Read-only file system\n");
    for (int run = 0; run < 2; ++run) {
        const Outcome outcome = Pixtrim("--resize card --into web/new --no-settings");
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(test::Names(root / "web/new"),
                  (std::vector<std::string>{".pixtrim-copies", "a.jpg"}));
    }
}

// Every entry below `folder`: its inode, time and bytes (a folder's: none).
struct Entry {
    ino_t inode;
    std::pair<int64_t, long> modified;
    std::optional<std::string> bytes;
    bool operator==(const Entry&) const = default;
};
std::map<std::string, Entry> Snapshot(const std::string& folder) {
    std::map<std::string, Entry> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status {};
        lstat(entry.path().c_str(), &status);
        entries[entry.path().lexically_relative(folder)] = {
            status.st_ino, Modified(entry.path()),
            entry.is_regular_file() ? std::optional(FileBytes(entry.path())) : std::nullopt};
    }
    return entries;
}

// The files of `from` that `to` no longer has under the same inode, but for the records.
std::set<std::string> Gone(const std::map<std::string, Entry>& from,
                           const std::map<std::string, Entry>& to) {
    std::set<std::string> gone;
    for (const auto& [name, entry] : from)
        if (entry.bytes && !name.ends_with(".pixtrim-copies") &&
            (!to.contains(name) || to.at(name).inode != entry.inode))
            gone.insert(name);
    return gone;
}

// A dry run over a tree leaves every name, byte and time as it was and stores nothing; the
// real run then deletes and writes exactly the files it listed (a copy made anew under its
// name is both).
TEST_F(CommandLineTest, ADryRunListsWhatTheRunThenDoes) {
    AddPhoto("Landscape_1.jpg", "x.jpg");
    AddPhoto("Landscape_2.jpg", "a/y.jpg");
    AddPhoto("png-palette.png", "a/b/z.png");
    ASSERT_EQ(Pixtrim("--resize p --recursive --no-settings").status, 0);
    fs::remove(photos + "/a/y.jpg");
    AddPhoto("Landscape_3.jpg", "a/w.jpg");
    root.WriteFile("p/Resized/Thumbs.db");
    const auto before = Snapshot(photos);
    const Outcome dry = Pixtrim("--resize p --recursive --dry-run --save");
    EXPECT_EQ(dry.status, 0);
    EXPECT_EQ(Snapshot(photos), before);
    EXPECT_FALSE(fs::exists(root / "config"));
    std::set<std::string> deletes, writes;
    std::istringstream lines(dry.out);
    for (std::string line; std::getline(lines, line);) {
        const std::string deleted = "à supprimer : ", written = "à écrire : ";
        if (line.starts_with(deleted))
            deletes.insert(fs::path(line.substr(deleted.size())).lexically_relative(photos));
        else if (line.starts_with(written))
            writes.insert(fs::path(line.substr(written.size(), line.find(" (de ") - written.size()))
                              .lexically_relative(photos));
        else
            ADD_FAILURE() << line;
    }
    ASSERT_EQ(Pixtrim("--resize p --recursive --no-settings").status, 0);
    const auto after = Snapshot(photos);
    EXPECT_EQ(deletes, Gone(before, after));
    EXPECT_EQ(writes, Gone(after, before));
}

// The table of runs (tests/data/cli/runs.tsv says how to read a row).
using Row = std::vector<std::string>;

class RunTableTest : public CommandLineTest,
                     public testing::WithParamInterface<std::tuple<Row, bool>> {
protected:
    // What the program wrote, in the table's terms.
    std::string InTableTerms(std::string text) const {
        for (const auto& [path, name] : {std::pair{photos, "p"}, {root.String(), "ROOT"}})
            for (size_t at; (at = text.find(path)) != std::string::npos;)
                text.replace(at, path.size(), name);
        text = std::regex_replace(text, std::regex("\\([0-9]+\\.[0-9] s\\)"), "(N.N s)");
        if (const size_t at = text.find(PIXTRIM_VERSION); at != std::string::npos)
            text.replace(at, std::string(PIXTRIM_VERSION).size(), "VERSION");
        return text;
    }
    void ExpectOutput(const std::string& text, const std::string& cell) const {
        const std::string expected = test::Unescape(cell);
        if (expected.starts_with('='))
            test::ExpectAsStored(text, expected.substr(1));
        else if (expected.ends_with("..."))
            EXPECT_EQ(text.substr(0, expected.size() - 3), expected.substr(0, expected.size() - 3));
        else
            EXPECT_EQ(text, expected);
    }
    // Puts a row's files into p, or takes them away.
    void Place(const std::string& cell) {
        for (const std::string& file : test::SplitWords(test::Unescape(cell))) {
            const size_t equals = file.find('='), arrow = file.find("->");
            const std::string name = file.substr(0, std::min(equals, arrow));
            if (file.starts_with('-')) {
                fs::remove(photos + "/" + file.substr(1));
                continue;
            }
            fs::create_directories(fs::path(photos + "/" + name).parent_path());
            if (arrow != std::string::npos)
                fs::create_symlink(file.substr(arrow + 2), photos + "/" + name);
            else if (equals + 1 < file.size())
                AddPhoto(file.substr(equals + 1), name);
            else
                root.WriteFile("p/" + name);
        }
    }
    std::string Holds() const {
        std::vector<std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(photos))
            entries.push_back(entry.path().lexically_relative(photos).string() +
                              (entry.is_symlink()     ? "->" + fs::read_symlink(entry).string()
                               : entry.is_directory() ? "/"
                                                      : ""));
        std::sort(entries.begin(), entries.end());
        std::string holds;
        for (const std::string& entry : entries) holds += (holds.empty() ? "" : " ") + entry;
        return holds;
    }
};

TEST_P(RunTableTest, TheRunEndsAsTheRowSays) {
    const auto& [row, english] = GetParam();
    // Shell words; with `environment`, the leading NAME=VALUE words alone, and without it the
    // rest.
    const auto shellWords = [](const std::string& cell, bool environment = false) {
        std::string words;
        bool arguments = false;
        for (const std::string& word : test::SplitWords(test::Unescape(cell))) {
            const size_t equals = word.find('=');
            arguments = arguments || equals == std::string::npos || word.starts_with('-');
            if (arguments != environment)
                words += arguments ? ShellQuote(word) + " "
                                   : word.substr(0, equals + 1) +
                                         ShellQuote(word.substr(equals + 1)) + " ";
        }
        return words;
    };
    Place(row.at(1));
    if (!row.at(2).empty()) {
        ASSERT_EQ(Pixtrim(shellWords(row.at(2))).status, 0);
    }
    Place(row.at(3));
    // The language, unless the row chooses it.
    std::string environment = shellWords(row.at(4), true);
    if (!std::regex_search(environment,
                           std::regex("(^| )(PIXTRIM_LANG|LANGUAGE|LC_ALL|LC_MESSAGES|LANG)=")))
        environment = (english ? "PIXTRIM_LANG=en " : "PIXTRIM_LANG=fr ") + environment;
    const Outcome run = Pixtrim(shellWords(row.at(4)), environment);
    EXPECT_EQ(run.status, std::stoi(row.at(5)));
    const auto cell = [&](size_t french, size_t inEnglish) {
        return english && row.size() > inEnglish && !row[inEnglish].empty() ? row[inEnglish]
                                                                            : row.at(french);
    };
    ExpectOutput(InTableTerms(run.out), cell(6, 9));
    ExpectOutput(InTableTerms(run.err), cell(7, 10));
    EXPECT_EQ(Holds(), test::Unescape(row.at(8)));
}

INSTANTIATE_TEST_SUITE_P(Runs, RunTableTest,
                         testing::Combine(testing::ValuesIn(test::ReadTable("cli/runs.tsv")),
                                          testing::Bool()),
                         [](const auto& info) {
                             return std::get<0>(info.param).at(0) +
                                    (std::get<1>(info.param) ? "_en" : "_fr");
                         });

}  // namespace
}  // namespace pixtrim
