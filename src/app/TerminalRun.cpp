#include "app/TerminalRun.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>

#include "batch/ImageSelection.h"
#include "batch/JpegResize.h"
#include "settings/ConfigurationFile.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

volatile std::sig_atomic_t interruption = 0;

void Interrupt(int signal) { interruption = signal; }

// The run's host over a terminal: messages and progress on stderr, nothing stored unless
// asked.
class TerminalHost : public BatchHost {
public:
    TerminalHost(Settings& settings, bool save)
        : settings_(settings), save_(save), showProgress_(isatty(STDERR_FILENO)) {}
    void Follow(const JpegResize& run) { run_ = &run; }

    void ReadSettingsFromWindow() override {}
    void ApplySettingsToWindow() override {}
    // A store that cannot be written is said, and the run goes on: its copies matter more.
    void SaveConfiguration() override {
        if (!save_ || pixtrim::SaveConfiguration(settings_, settings_.AppFolder)) return;
        std::fprintf(stderr, "pixtrim: Impossible d'enregistrer les paramètres dans %s\n",
                     ConfigurationStoreFile().c_str());
        notStored = true;
    }
    void ShowProgressBar() override {}
    void SetProgressBar(uint8_t percent) override { percent_ = percent; }
    void HideProgressBar() override {
        if (progressShown_) std::fputs("\n", stderr);
    }
    void VisualizeCopy(const std::string& path, const cDIBSection&, int32_t, int32_t) override {
        if (!showProgress_ || !run_) return;
        std::fprintf(stderr, "\r\033[K%3d %% (%d/%d) %s", percent_, run_->ProgressDone,
                     run_->ProgressTotal, GetTextAfterLast(path, "/").c_str());
        progressShown_ = true;
    }
    // The window's file list would follow its filter box; here that is the filters.
    int32_t FileListCount() override {
        return static_cast<int32_t>(
            ListImages(settings_.ImageFilters, settings_.ImageFolder).size());
    }
    void ShowFolder(const std::string&) override {}
    // A signal asks the run to stop after the copy in hand.
    void ProcessEvents() override {
        if (interruption != 0) fatal = true;
    }
    void ShowMessage(const std::string& text, MessageIcon) override {
        std::string line;
        for (const char c : text) c == '\r' ? line += ": " : line += c;
        if (progressShown_) std::fputs("\n", stderr);
        progressShown_ = false;
        std::fprintf(stderr, "pixtrim: %s\n", line.c_str());
        messages = true;
    }
    void QuitApplication() override { fatal = true; }
    bool QuitRequested() const override { return fatal; }

    bool messages = false;
    bool fatal = false;
    bool notStored = false;

private:
    Settings& settings_;
    const JpegResize* run_ = nullptr;
    const bool save_;
    const bool showProgress_;
    bool progressShown_ = false;
    int percent_ = 0;
};

}  // namespace

int RunFromTerminal(const CommandLine& line, const std::string& startFolder) {
    const auto start = std::chrono::steady_clock::now();
    Settings settings;
    settings.AppFolder = startFolder;
    LoadConfiguration(settings, startFolder);
    line.ApplyTo(settings);
    settings.ImageFolder = CleanFolderPath(line.folder);
    TerminalHost host(settings, line.save);
    JpegResize run(settings, host);
    host.Follow(run);
    run.Threads = line.threads;
    // No SA_RESTART needed: every system call of the run is retried on EINTR.
    struct sigaction action {};
    action.sa_handler = Interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    run.ResizeFolder();
    if (interruption != 0) {
        host.ShowMessage("interrompu", MessageIcon::Information);
        return 128 + interruption;
    }
    if (host.fatal) return 2;
    if (host.messages) return 1;
    if (host.notStored) return 2;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%d copies dans %s (%.1f s)\n", run.ImageCount,
                JoinPath(settings.ImageFolder, settings.ResizedFolderName).c_str(),
                seconds.count());
    return 0;
}

}  // namespace pixtrim
