// Runs the real batch over a folder, the way the Generate button does, with a host that
// shows nothing: once with one worker thread and once with N, each against the one-core
// floor (decode plus encode alone) timed in the same process, in turns.
//
// pixtrim-bench FOLDER [run options of pixtrim --resize] [--threads N] [--repeat N]
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchTiming.h"
#include "app/CommandLine.h"
#include "batch/ImageSelection.h"
#include "batch/JpegResize.h"
#include "batch/WorkerPool.h"
#include "codec/JpegCodec.h"
#include "image/cDIBSection.h"
#include "tools/HeldFolder.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

using Clock = std::chrono::steady_clock;

class BenchHost : public BatchHost {
public:
    explicit BenchHost(Settings& settings) : settings_(settings) {}
    void ReadSettingsFromWindow() override {}
    void ApplySettingsToWindow() override {}
    void SaveConfiguration() override {}  // never touches the user's store
    void ShowProgressBar() override {}
    void SetProgressBar(uint8_t) override {}
    void HideProgressBar() override {}
    void VisualizeCopy(const std::string&, const cDIBSection&, int32_t, int32_t) override {}
    int32_t FileListCount() override {
        return static_cast<int32_t>(
            ListImages(settings_.ImageFilters, settings_.ImageFolder).size());
    }
    void ShowFolder(const std::string&) override {}
    // The longest time between two rounds of events is the longest an event waits.
    void ProcessEvents() override {
        const auto now = Clock::now();
        if (last_) longestWait = std::max(longestWait, now - *last_);
        last_ = now;
    }
    void ShowMessage(const std::string& text, MessageIcon, const std::string& reason) override {
        std::string line = text;
        std::replace(line.begin(), line.end(), '\r', ' ');
        std::fprintf(stderr, "message: %s %s\n", line.c_str(), reason.c_str());
        failed = true;
    }
    void QuitApplication() override { failed = quit = true; }
    bool QuitRequested() const override { return quit; }
    void StartRun() {
        last_.reset();
        longestWait = {};
    }

    Clock::duration longestWait{};
    bool failed = false;
    bool quit = false;

private:
    Settings& settings_;
    std::optional<Clock::time_point> last_;
};

// The floor on one core: each image decoded, then a copy of the fitted size (taken without
// resampling, from the top-left corner) encoded and written, one image after the other.
void DecodeAndEncode(const Settings& s, const std::vector<std::string>& names,
                     const std::string& scratch) {
    const int32_t boxWidth = ParseBoundingSide(s.ImageWidth).value_or(1);
    const int32_t boxHeight = ParseBoundingSide(s.ImageHeight).value_or(1);
    cDIBSection source, copy;
    std::string bytes;
    for (const std::string& name : names) {
        LoadJPG(source, JoinPath(s.ImageFolder, name));
        int32_t width = source.Width(), height = source.Height();
        FitImageSize(width, height, boxWidth, boxHeight);
        copy.Create(width, height);
        copy.LoadPictureBlt(source.hdc());
        SaveJPGToMemory(copy, bytes, kJpegQuality);
        (void)WriteFileAtomically(scratch, bytes);
    }
}

[[noreturn]] void Usage(const std::string& error) {
    if (!error.empty()) std::fprintf(stderr, "pixtrim-bench: %s\n", error.c_str());
    std::fprintf(stderr,
                 "usage: pixtrim-bench FOLDER [run options of pixtrim --resize] "
                 "[--threads N] [--repeat N]\n");
    std::exit(1);
}

}  // namespace
}  // namespace pixtrim

int main(int argc, char** argv) {
    using namespace pixtrim;
    // As the program does (see main.cpp): freed sources stay in the heap for the next one.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);  // fonts need it
    if (argc < 2) Usage("");
    int repeat = 3;
    std::vector<std::string> arguments = {"--resize", CleanFolderPath(argv[1])};
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--repeat" && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else {
            arguments.push_back(argv[i]);
        }
    }
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.error.empty()) Usage(line.error);
    Settings settings;
    settings.AppFolder = CurrentFolder();
    settings.ImageFolder = line.folder;
    line.ApplyTo(settings);
    const std::vector<std::string> names = ListImages(settings.ImageFilters, line.folder);
    if (names.empty()) Usage("no image in " + line.folder);
    const int threads = line.threads > 0 ? line.threads : RunThreads();

    char scratch[] = "/tmp/pixtrim-bench-XXXXXX";
    const int scratchFile = mkstemp(scratch);
    if (scratchFile < 0) Usage("no scratch file");
    close(scratchFile);

    // The runs and the floor are timed in turns, so that a busy moment of this shared
    // machine weighs on all alike; each keeps its best time.
    BenchHost host(settings);
    // Peak memory of one run with N threads, in a process of its own: before the timed rounds,
    // which would leave their own high-water mark.
    long peakKiB = -1;
    if (!host.failed) {
        const pid_t child = fork();
        if (child == 0) {
            settings.ImageFolder = line.folder;
            JpegResize run(settings, host);
            run.Threads = threads;
            run.ResizeFolder();
            _exit(host.failed ? 1 : 0);
        }
        int status = 0;
        struct rusage usage {};
        if (child > 0 && wait4(child, &status, 0, &usage) == child && status == 0) {
            peakKiB = usage.ru_maxrss;
        }
    }
    double one = 1e9, many = 1e9, floor = 1e9;
    Clock::duration longestWait{};
    for (int round = 0; round < repeat && !host.failed; ++round) {
        for (const int count : {1, threads}) {
            host.StartRun();
            const double seconds = bench::BestSeconds(1, [&] {
                settings.ImageFolder = line.folder;
                JpegResize run(settings, host);
                run.Threads = count;
                run.ResizeFolder();
            });
            (count == 1 ? one : many) = std::min(count == 1 ? one : many, seconds);
            if (count == threads) longestWait = std::max(longestWait, host.longestWait);
        }
        floor = std::min(floor,
                         bench::BestSeconds(1, [&] { DecodeAndEncode(settings, names, scratch); }));
    }
    std::remove(scratch);

    if (host.failed) {
        std::fprintf(stderr, "pixtrim-bench: the run did not go through\n");
        return 2;
    }
    const auto ms = [](double seconds) { return seconds * 1e3; };
    std::printf("folder       %s: %zu images, copies in %s\n", line.folder.c_str(), names.size(),
                JoinPath(line.folder, settings.ResizedFolderName).c_str());
    std::printf("floor        %8.1f ms  one core: decode, then encode a copy of the same size\n",
                ms(floor));
    std::printf("run, 1 thread %7.1f ms  %6.2f images/s  run/floor %.3f\n", ms(one),
                names.size() / one, one / floor);
    std::printf("run, %d threads %6.1f ms  %6.2f images/s  run/floor %.3f  speed-up %.2f\n",
                threads, ms(many), names.size() / many, many / floor, one / many);
    std::printf("longest wait for events %.1f ms (with %d threads)\n",
                std::chrono::duration<double, std::milli>(longestWait).count(), threads);
    std::printf("peak RSS of one run with %d threads %.1f MiB\n", threads, peakKiB / 1024.0);
    return 0;
}
