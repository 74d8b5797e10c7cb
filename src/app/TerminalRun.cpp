#include "app/TerminalRun.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "batch/HeadlessHost.h"
#include "batch/ImageSelection.h"
#include "batch/JpegResize.h"
#include "settings/ConfigurationFile.h"
#include "tools/Language.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

volatile std::sig_atomic_t interruption = 0;

// A second signal ends the process at once; the first one ends it at the next commit.
void Interrupt(int signal) {
    if (interruption != 0) _exit(128 + signal);
    interruption = signal;
}

// The run's host over a terminal: messages and progress on stderr, nothing stored unless
// asked.
class TerminalHost : public HeadlessHost {
public:
    TerminalHost(Settings& settings, bool save)
        : HeadlessHost(settings), save_(save), showProgress_(isatty(STDERR_FILENO)) {}
    // Follows the run `run`, one of a walk whose earlier runs counted `done` images of
    // `total`: one progress for the whole walk.
    void Follow(const JpegResize& run, int32_t done, int32_t total) {
        run_ = &run;
        done_ = done;
        total_ = total;
        messages = false;
        quit_ = false;
    }

    // A store that cannot be written is said, and the run goes on: its copies matter more.
    void SaveConfiguration() override {
        if (!save_) return;
        const StoreOutcome saved = pixtrim::SaveConfiguration(settings_, settings_.AppFolder);
        if (saved) return;
        Say(Tr("Impossible d'enregistrer les paramètres dans ") + ConfigurationStoreFile() + ": " +
            Tr(saved.reason.c_str()));
        notStored = true;
    }
    void HideProgressBar() override { EndProgressLine(); }
    void VisualizeCopy(const std::string& path, const cDIBSection&, int32_t, int32_t,
                       int) override {
        if (!showProgress_ || !run_ || total_ == 0) return;
        const int32_t done = done_ + run_->ProgressDone;
        std::fprintf(stderr, "\r\033[K%3d %% (%d/%d) %s", int(int64_t{done} * 100 / total_), done,
                     total_, Printable(GetTextAfterLast(path, "/")).c_str());
        progressShown_ = true;
    }
    // A dry run's findings, one line a file on stdout, for scripts to read.
    void ShowPlan(const RunPlan& plan) override {
        for (const std::string& path : plan.deleted)
            std::printf("%s\n", Arg(Tr("à supprimer : %1"), {Printable(path)}).c_str());
        for (const auto& [source, copy] : plan.written)
            std::printf(
                "%s\n",
                Arg(Tr("à écrire : %1 (de %2)"), {Printable(copy), Printable(source)}).c_str());
        for (const std::string& path : plan.foreign)
            std::printf("%s\n", Arg(Tr("bloquant : %1 (un fichier qui ne vient pas de Pixtrim)"),
                                    {Printable(path)})
                                    .c_str());
    }
    // A signal ends the process between two commits: every copy written is whole and on
    // the record, and no decode in progress is waited for, whatever its library.
    void ProcessEvents() override {
        if (interruption == 0) return;
        ShowMessage({MessageIcon::Information, Tr("interrompu")});
        std::fflush(nullptr);
        std::_Exit(128 + interruption);
    }
    // One line: the text and its path, then the reason; a text that names no file or
    // folder gets the folder in front, so that a loop over folders says which one.
    void ShowMessage(const RunMessage& message) override {
        std::string line = message.text + message.path;
        if (message.path.empty()) line = settings_.ImageFolder + ": " + line;
        Say(message.reason.empty() ? line : line + ": " + message.reason);
        if (message.icon != MessageIcon::Warning) messages = true;
    }
    bool Fatal() const { return QuitRequested(); }

    bool messages = false;
    bool notStored = false;

private:
    void Say(const std::string& line) {
        EndProgressLine();
        std::fprintf(stderr, "pixtrim: %s\n", Printable(line).c_str());
    }
    void EndProgressLine() {
        if (progressShown_) std::fputs("\n", stderr);
        progressShown_ = false;
    }

    const JpegResize* run_ = nullptr;
    const bool save_;
    const bool showProgress_;
    bool progressShown_ = false;
    int32_t done_ = 0;
    int32_t total_ = 0;
};

// "0 copie", "1 copie", "2 copies": the singular for 0 and 1, as French counts (English:
// "0 copies", "1 copy"; each language's form is in its translation of `one`, which says
// for which counts it holds: "%1 copie" for 0 and 1 in French).
std::string Counted(int32_t count, const char* one, const char* many) {
    const bool singular = CurrentLanguage() == Language::French ? count <= 1 : count == 1;
    return Arg(Tr(singular ? one : many), {std::to_string(count)});
}

// One run's outcome as the table of exit statuses has it.
int RunStatus(const TerminalHost& host, const JpegResize& run) {
    if (host.Fatal()) return 2;
    if (host.messages || run.ForeignCount > 0) return 1;
    return host.notStored || run.Failures > 0 ? 2 : 0;
}

// The folders a run over `root` takes, relative to it ("" for the root): with `recursive`
// every folder below it too, in a user's order, but for output folders (named `output`),
// hidden folders, links to folders and folders of another filesystem.
std::vector<std::string> WalkFolders(const std::string& root, const std::string& output,
                                     bool recursive) {
    std::vector<std::string> folders = {""};
    EntryStatus top;
    HeldFolder held;
    if (!recursive || !HeldFolder::Open(root, held) || !held.Status("", top)) return folders;
    for (size_t next = 0; next < folders.size(); ++next) {
        HeldFolder folder;
        std::vector<std::string> names;
        if (!HeldFolder::Open(JoinPath(root, folders[next]), folder) ||
            !folder.List(EntryKind::Folder, names)) {
            continue;
        }
        std::vector<std::string> below;
        for (const std::string& name : names) {
            EntryStatus status;
            if (name.starts_with('.') || name == output || folder.IsLink(name) ||
                !folder.Status(name, status) || status.device != top.device) {
                continue;
            }
            below.push_back(folders[next].empty() ? name : folders[next] + "/" + name);
        }
        // Depth first: a folder's sub-folders come right after it.
        folders.insert(folders.begin() + std::ptrdiff_t(next) + 1, below.begin(), below.end());
    }
    return folders;
}

// True when `folder` is `root` or lies below it (links worked out; `folder` may not exist).
bool IsWithin(const std::string& folder, const std::string& root) {
    std::error_code error;
    const std::string inner = std::filesystem::weakly_canonical(folder, error).string();
    const std::string outer = std::filesystem::weakly_canonical(root, error).string();
    return inner == outer || inner.starts_with(outer == "/" ? outer : outer + "/");
}

// The folder --into names, a link the user names there followed (the links a run meets
// itself are refused); "" without --into.
std::string IntoFolder(const std::string& given) {
    if (given.empty()) return "";
    std::string folder = CleanFolderPath(given);
    std::error_code error;
    if (!std::filesystem::is_symlink(folder, error)) return folder;
    std::string target = std::filesystem::canonical(folder, error).string();
    return error ? folder : target;
}

}  // namespace

Settings TerminalSettings(const CommandLine& line, const std::string& startFolder) {
    Settings settings;
    settings.AppFolder = startFolder;
    if (line.useStore) {
        LoadConfiguration(settings, startFolder);
    } else {
        ChangeCurrentFolder(startFolder);
    }
    line.ApplyTo(settings);
    return settings;
}

namespace {

void CatchSignals() {
    // No SA_RESTART needed: every system call of the run is retried on EINTR.
    struct sigaction action {};
    action.sa_handler = Interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The copies and failures of a walk, and how its runs ended.
struct WalkOutcome {
    int32_t copies = 0;
    int32_t failures = 0;
    int32_t folders = 0;
    int status = 0;
    bool stopped = false;  // a run ended the walk: no summary
};

// Runs each folder of `folders` (relative to `root`) that holds images, as its own run.
WalkOutcome Walk(const CommandLine& line, Settings& settings, TerminalHost& host,
                 const std::string& root, const std::string& into,
                 const std::vector<std::string>& folders) {
    std::vector<std::string> taken;
    int32_t total = 0;
    for (const std::string& folder : folders) {
        const auto images = ListImages(settings.ImageFilters, JoinPath(root, folder)).size();
        // A walk passes over folders without images; a run of one folder says so.
        if (images > 0 || folders.size() == 1) taken.push_back(folder);
        total += int32_t(images);
    }
    WalkOutcome outcome;
    if (taken.empty()) {
        settings.ImageFolder = root;
        host.ShowMessage(
            {MessageIcon::Information, Tr("Il n'y a aucune image dans ce répertoire")});
        return {0, 0, 0, 1, true};
    }
    for (const std::string& folder : taken) {
        settings.ImageFolder = folder.empty() ? root : JoinPath(root, folder);
        JpegResize run(settings, host);
        host.Follow(run, outcome.copies + outcome.failures, total);
        run.Threads = line.threads;
        run.KeepGoing = line.keepGoing;
        run.ReportWarnings = true;
        run.Quality = line.quality;
        run.DryRun = line.dryRun;
        if (!into.empty()) run.IntoFolder = folder.empty() ? into : JoinPath(into, folder);
        run.ResizeFolder();
        host.ProcessEvents();  // a signal during a preparation ends the walk here
        const int status = RunStatus(host, run);
        const bool earlierFolders = outcome.folders > 0;
        outcome.copies += run.ImageCount - run.Failures;
        outcome.failures += run.Failures;
        outcome.folders += status == 0 || run.ImageCount > 0 ? 1 : 0;
        // A folder that fails stops the walk, unless it is asked to go on (then: 2). A walk
        // stopped after other folders were done did something: 2, not 1.
        if (status == 1 || host.Fatal()) {
            if (!line.keepGoing || !line.recursive)
                return {0, 0, 0, status == 1 && earlierFolders ? 2 : status, true};
            outcome.status = 2;
        } else {
            outcome.status = std::max(outcome.status, status);
        }
    }
    return outcome;
}

}  // namespace

std::string Printable(const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
        } else {
            shown += c;
        }
    }
    return shown;
}

int RunFromTerminal(const CommandLine& line, Settings settings) {
    const auto start = std::chrono::steady_clock::now();
    const std::string root = CleanFolderPath(line.folder);
    const std::string into = IntoFolder(line.into);
    settings.ImageFolder = root;
    TerminalHost host(settings, line.save && !line.dryRun);
    CatchSignals();
    // The copies may not go where the run reads photos: they would be read in turn.
    if (!into.empty() && IsWithin(into, root)) {
        host.ShowMessage({MessageIcon::Critical, Tr("Impossible de préparer le répertoire "), into,
                          Tr("Il est dans les dossiers que le traitement lit")});
        return 1;
    }
    const WalkOutcome walk = Walk(line, settings, host, root, into,
                                  WalkFolders(root, settings.ResizedFolderName, line.recursive));
    if (walk.stopped || line.dryRun) return walk.status;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::string counts = Counted(walk.copies, QT_TRANSLATE_NOOP("pixtrim", "%1 copie"),
                                 QT_TRANSLATE_NOOP("pixtrim", "%1 copies"));
    if (walk.failures > 0) {
        counts = Arg(Tr("%1 et %2"),
                     {counts, Counted(walk.failures, QT_TRANSLATE_NOOP("pixtrim", "%1 échec"),
                                      QT_TRANSLATE_NOOP("pixtrim", "%1 échecs"))});
    }
    const std::string where =
        line.recursive
            ? Counted(walk.folders, QT_TRANSLATE_NOOP("pixtrim", "%1 dossier"),
                      QT_TRANSLATE_NOOP("pixtrim", "%1 dossiers"))
            : Printable(into.empty() ? JoinPath(root, settings.ResizedFolderName) : into);
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds.count());
    std::printf("%s\n", Arg(Tr("%1 dans %2 (%3 s)"), {counts, where, time}).c_str());
    return walk.status;
}

}  // namespace pixtrim
