#include "app/TerminalRun.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "batch/HeadlessHost.h"
#include "batch/JpegResize.h"
#include "settings/ConfigurationFile.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

volatile std::sig_atomic_t interruption = 0;

// A second signal ends the process at once; the first one ends it at the next commit.
void Interrupt(int signal) {
    if (interruption != 0) _exit(128 + signal);
    interruption = signal;
}

// A name's control bytes as \xHH: an escape sequence or a line break in a file name must
// not reach the terminal as it is. The bytes on disk are untouched.
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

// The run's host over a terminal: messages and progress on stderr, nothing stored unless
// asked.
class TerminalHost : public HeadlessHost {
public:
    TerminalHost(Settings& settings, bool save)
        : HeadlessHost(settings), save_(save), showProgress_(isatty(STDERR_FILENO)) {}
    void Follow(const JpegResize& run) { run_ = &run; }

    // A store that cannot be written is said, and the run goes on: its copies matter more.
    void SaveConfiguration() override {
        if (!save_) return;
        const StoreOutcome saved = pixtrim::SaveConfiguration(settings_, settings_.AppFolder);
        if (saved) return;
        Say("Impossible d'enregistrer les paramètres dans " + ConfigurationStoreFile() + ": " +
            saved.reason);
        notStored = true;
    }
    void SetProgressBar(uint8_t percent) override { percent_ = percent; }
    void HideProgressBar() override { EndProgressLine(); }
    void VisualizeCopy(const std::string& path, const cDIBSection&, int32_t, int32_t) override {
        if (!showProgress_ || !run_) return;
        std::fprintf(stderr, "\r\033[K%3d %% (%d/%d) %s", percent_, run_->ProgressDone,
                     run_->ProgressTotal, Printable(GetTextAfterLast(path, "/")).c_str());
        progressShown_ = true;
    }
    // A signal ends the process between two commits: every copy written is whole and on
    // the record, and no decode in progress is waited for, whatever its library.
    void ProcessEvents() override {
        if (interruption == 0) return;
        ShowMessage({MessageIcon::Information, "interrompu"});
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
    int percent_ = 0;
};

// "0 copie", "1 copie", "2 copies": the singular for 0 and 1, as French counts.
std::string Counted(int32_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count <= 1 ? one : many);
}

// The run's outcome as the table of exit statuses has it.
int RunStatus(const TerminalHost& host, const JpegResize& run) {
    if (interruption != 0) return 128 + interruption;
    if (host.Fatal()) return 2;
    if (host.messages) return 1;
    return host.notStored || run.Failures > 0 ? 2 : 0;
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

int RunFromTerminal(const CommandLine& line, Settings settings) {
    const auto start = std::chrono::steady_clock::now();
    settings.ImageFolder = CleanFolderPath(line.folder);
    TerminalHost host(settings, line.save);
    JpegResize run(settings, host);
    host.Follow(run);
    run.Threads = line.threads;
    run.KeepGoing = line.keepGoing;
    run.ReportWarnings = true;
    run.Quality = line.quality;
    // No SA_RESTART needed: every system call of the run is retried on EINTR.
    struct sigaction action {};
    action.sa_handler = Interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    run.ResizeFolder();
    if (interruption != 0) host.ShowMessage({MessageIcon::Information, "interrompu"});
    const int status = RunStatus(host, run);
    if (!host.Fatal() && !host.messages && interruption == 0) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        const std::string folder =
            Printable(JoinPath(settings.ImageFolder, settings.ResizedFolderName));
        std::string counts = Counted(run.ImageCount - run.Failures, "copie", "copies");
        if (run.Failures > 0) counts += " et " + Counted(run.Failures, "échec", "échecs");
        std::printf("%s dans %s (%.1f s)\n", counts.c_str(), folder.c_str(), seconds.count());
    }
    return status;
}

}  // namespace pixtrim
