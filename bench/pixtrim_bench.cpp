// Runs the real batch over a folder, the way the Generate button does, with a host that
// shows nothing: once with one worker thread and once with N, each against the one-core
// floor (decode plus encode alone) timed in the same process, in turns.
//
// pixtrim-bench FOLDER [run options of pixtrim --resize] [--threads N] [--repeat N]
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
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
#include "batch/HeadlessHost.h"
#include "batch/ImageSelection.h"
#include "batch/JpegResize.h"
#include "batch/SizeRule.h"
#include "batch/WorkerPool.h"
#include "codec/ImageFormat.h"
#include "codec/JpegCodec.h"
#include "image/cDIBSection.h"
#include "tools/HeldFolder.h"
#include "tools/ProcessHeap.h"
#include "tools/Tools.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <libheif/heif.h>
// clang-format on

namespace pixtrim {
namespace {

using Clock = std::chrono::steady_clock;

// Never touches the user's store; records the longest wait for events and any message.
class BenchHost : public HeadlessHost {
public:
    using HeadlessHost::HeadlessHost;
    // The longest time between two rounds of events is the longest an event waits.
    void ProcessEvents() override {
        const auto now = Clock::now();
        if (last_) longestWait = std::max(longestWait, now - *last_);
        last_ = now;
    }
    // The run passes over the files it refuses (--keep-going): only a message that ends the
    // run is a failure.
    void ShowMessage(const RunMessage& message) override {
        if (message.icon != MessageIcon::Critical) return;
        std::fprintf(stderr, "message: %s%s %s\n", message.text.c_str(), message.path.c_str(),
                     message.reason.c_str());
        failed = true;
    }
    void QuitApplication() override {
        failed = true;
        HeadlessHost::QuitApplication();
    }
    void StartRun() {
        last_.reset();
        longestWait = {};
    }

    Clock::duration longestWait{};
    bool failed = false;

private:
    std::optional<Clock::time_point> last_;
};

// Encodes the top-left width x height of `rows` (3 bytes a pixel, BGR or RGB) at quality 80
// and writes it to `scratch`.
void EncodeCorner(std::vector<JSAMPROW>& rows, int32_t width, int32_t height, J_COLOR_SPACE space,
                  const std::string& scratch) {
    jpeg_compress_struct encoder;
    jpeg_error_mgr errors;
    encoder.err = jpeg_std_error(&errors);
    jpeg_create_compress(&encoder);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&encoder, &out, &size);
    encoder.image_width = JDIMENSION(width), encoder.image_height = JDIMENSION(height);
    encoder.input_components = space == JCS_GRAYSCALE ? 1 : 3;
    encoder.in_color_space = space;
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, kJpegQuality, TRUE);
    jpeg_start_compress(&encoder, TRUE);
    jpeg_write_scanlines(&encoder, rows.data(), JDIMENSION(height));
    jpeg_finish_compress(&encoder);
    jpeg_destroy_compress(&encoder);
    (void)WriteFileAtomically(scratch, std::string_view(reinterpret_cast<char*>(out), size));
    std::free(out);
}

// A HEIF's floor: libheif's decode to interleaved RGB on this one thread (no threads of
// its own for the tiles), then the corner encoded.
void DecodeAndEncodeHeif(const std::string& file, int32_t boxWidth, int32_t boxHeight,
                         const std::string& scratch) {
    heif_context* context = heif_context_alloc();
    heif_context_set_max_decoding_threads(context, 0);
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    if (heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr)
                .code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok &&
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr)
                .code == heif_error_Ok) {
        int stride = 0;
        auto* plane = const_cast<uint8_t*>(
            heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
        int32_t width = heif_image_get_width(image, heif_channel_interleaved);
        int32_t height = heif_image_get_height(image, heif_channel_interleaved);
        FitImageSize(width, height, boxWidth, boxHeight);
        std::vector<JSAMPROW> rows(static_cast<size_t>(height));
        for (size_t y = 0; y < rows.size(); ++y) rows[y] = plane + y * size_t(stride);
        EncodeCorner(rows, width, height, JCS_RGB, scratch);
    }
    if (image) heif_image_release(image);
    if (handle) heif_image_handle_release(handle);
    heif_context_free(context);
}

// The program's own decode of a whole picture, then its corner encoded: the floor of what
// no single library decodes as the program does (PNG, WebP, TIFF, a CMYK or grey JPEG).
void DecodeAndEncodeByTheProgram(const std::string& file, int32_t boxWidth, int32_t boxHeight,
                                 std::vector<JSAMPROW>& rows, const std::string& scratch) {
    cDIBSection whole;
    if (!LoadImageFromMemory(whole, file)) return;
    int32_t width = whole.Width(), height = whole.Height();
    FitImageSize(width, height, boxWidth, boxHeight);
    rows.resize(size_t(height));
    for (int32_t y = 0; y < height; ++y)
        rows[size_t(y)] =
            SurfaceRow(whole.DIBSectionBitsPtr(), whole.Height(), whole.BytesPerScanLine(), y);
    EncodeCorner(rows, width, height, JCS_EXT_BGR, scratch);
}

// A color JPEG's floor, libjpeg-turbo alone: decoded whole into `pixels` (reused across
// photos), then its corner encoded. False, having done nothing, for a CMYK one.
bool DecodeAndEncodeJpeg(const std::string& file, int32_t boxWidth, int32_t boxHeight,
                         std::vector<unsigned char>& pixels, std::vector<JSAMPROW>& rows,
                         const std::string& scratch) {
    jpeg_decompress_struct decoder;
    jpeg_error_mgr errors;
    decoder.err = jpeg_std_error(&errors);
    errors.output_message = [](j_common_ptr) {};  // a damaged photo's warning: the run says it
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&decoder, TRUE);
    if (decoder.jpeg_color_space == JCS_CMYK || decoder.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&decoder);
        return false;
    }
    decoder.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&decoder);
    const size_t stride = size_t(decoder.output_width) * decoder.output_components;
    if (pixels.size() < stride * decoder.output_height)
        pixels.resize(stride * decoder.output_height);
    rows.resize(decoder.output_height);
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.data() + y * stride;
    while (decoder.output_scanline < decoder.output_height)
        jpeg_read_scanlines(&decoder, rows.data() + decoder.output_scanline,
                            decoder.output_height - decoder.output_scanline);
    int32_t width = int32_t(decoder.output_width), height = int32_t(decoder.output_height);
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    FitImageSize(width, height, boxWidth, boxHeight);
    EncodeCorner(rows, width, height, JCS_EXT_BGR, scratch);
    return true;
}

// The floor on one core, each format's library alone: each photo decoded whole, then the
// top-left corner of the fitted size (no resampling) encoded at quality 80 and written, one
// photo after the other. `names` are the files the program makes copies of (FloorNames).
void DecodeAndEncode(const Settings& s, const std::vector<std::string>& names,
                     const std::string& scratch) {
    const int32_t boxWidth = ParseBoundingSide(s.ImageWidth).value_or(1);
    const int32_t boxHeight = ParseBoundingSide(s.ImageHeight).value_or(1);
    std::vector<unsigned char> pixels;
    std::vector<JSAMPROW> rows;
    std::string file;
    for (const std::string& name : names) {
        (void)ReadRegularFile(JoinPath(s.ImageFolder, name), file);
        const ImageFormat format =
            SniffImageFormat(std::string_view(file).substr(0, kFormatHeadBytes));
        if (format == ImageFormat::Heif) {
            DecodeAndEncodeHeif(file, boxWidth, boxHeight, scratch);
        } else if (format != ImageFormat::Jpeg ||
                   !DecodeAndEncodeJpeg(file, boxWidth, boxHeight, pixels, rows, scratch)) {
            DecodeAndEncodeByTheProgram(file, boxWidth, boxHeight, rows, scratch);
        }
    }
}

// The files of `names` the program makes a copy of; the others are left out of the floor,
// and named: a file the program refuses would take plain libjpeg any time at all.
std::vector<std::string> FloorNames(const std::string& folder,
                                    const std::vector<std::string>& names) {
    std::vector<std::string> kept;
    for (const std::string& name : names) {
        std::string file;
        cDIBSection picture;
        DecodeReport report;
        if (ReadRegularFile(JoinPath(folder, name), file) &&
            LoadImageFromMemory(picture, file, &report)) {
            kept.push_back(name);
        } else {
            std::fprintf(stderr, "left out of the floor: %s (%s)\n", name.c_str(),
                         report.error.c_str());
        }
    }
    return kept;
}

// The whole program as a script runs it, in a process of its own: start-up and exit
// included. The run's options over the defaults, as the in-process runs have them. Spawned
// without copying this process's pages (posix_spawn), as a shell starts it: a fork of the
// bench, whose heap holds the floor's buffers, would time the copy of its page tables.
void RunProcess(const std::vector<std::string>& arguments, int threads) {
    std::vector<std::string> words = {PIXTRIM_EXECUTABLE, "--no-settings", "--keep-going"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    words.insert(words.end(), {"--threads", std::to_string(threads)});
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // What it passes over is said once, by the in-process run's floor list.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(child, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
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
    TuneTheHeap();  // as the program does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);  // fonts need it
    if (argc < 2) Usage("");
    int repeat = 3;
    std::vector<std::string> arguments = {"--resize", CleanFolderPath(argv[1])};
    std::vector<std::string> runOptions = {"--resize", CleanFolderPath(argv[1])};
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--repeat" && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else {
            arguments.push_back(argv[i]);
            if (std::string(argv[i]) == "--threads" && i + 1 < argc) {
                arguments.push_back(argv[++i]);  // the bench's own count, not the process's
            } else {
                runOptions.push_back(argv[i]);
            }
        }
    }
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.error.empty()) Usage(line.error);
    Settings settings;
    settings.AppFolder = CurrentFolder();
    settings.ImageFolder = line.folder;
    line.ApplyTo(settings);
    const std::vector<std::string> names = ListImages(settings.ImageFilters, line.folder);
    const std::vector<std::string> floorNames = FloorNames(line.folder, names);
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
            run.KeepGoing = true;
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
    double processOne = 1e9, processMany = 1e9;
    Clock::duration longestWait{};
    std::vector<int> counts = {1};
    if (threads > 1) counts.push_back(threads);
    for (int round = 0; round < repeat && !host.failed; ++round) {
        for (const int count : counts) {
            host.StartRun();
            const double seconds = bench::BestSeconds(1, [&] {
                settings.ImageFolder = line.folder;
                JpegResize run(settings, host);
                run.Threads = count;
                run.KeepGoing = true;
                run.ResizeFolder();
            });
            (count == 1 ? one : many) = std::min(count == 1 ? one : many, seconds);
            if (count == threads) longestWait = std::max(longestWait, host.longestWait);
        }
        floor = std::min(
            floor, bench::BestSeconds(1, [&] { DecodeAndEncode(settings, floorNames, scratch); }));
        for (const int count : counts) {
            double& best = count == 1 ? processOne : processMany;
            best = std::min(best, bench::BestSeconds(1, [&] { RunProcess(runOptions, count); }));
        }
    }
    std::remove(scratch);

    if (host.failed) {
        std::fprintf(stderr, "pixtrim-bench: the run did not go through\n");
        return 2;
    }
    const auto ms = [](double seconds) { return seconds * 1e3; };
    std::printf("folder       %s: %zu images, copies in %s\n", line.folder.c_str(), names.size(),
                JoinPath(line.folder, settings.ResizedFolderName).c_str());
    std::printf(
        "floor        %8.1f ms  one core, each format's library alone (libjpeg-turbo, libheif): "
        "whole decode, then encode a copy of the same size\n",
        ms(floor));
    std::printf("run, 1 thread %7.1f ms  %6.2f images/s  run/floor %.3f\n", ms(one),
                names.size() / one, one / floor);
    if (threads > 1) {
        std::printf("run, %d threads %6.1f ms  %6.2f images/s  run/floor %.3f  speed-up %.2f\n",
                    threads, ms(many), names.size() / many, many / floor, one / many);
    }
    std::printf("process, 1 thread %6.1f ms  run/floor %.3f  (pixtrim --resize, start to exit)\n",
                ms(processOne), processOne / floor);
    if (threads > 1) {
        std::printf("process, %d threads %5.1f ms  run/floor %.3f\n", threads, ms(processMany),
                    processMany / floor);
    }
    std::printf("longest wait for events %.1f ms (with %d threads)\n",
                std::chrono::duration<double, std::milli>(longestWait).count(), threads);
    std::printf("peak RSS of one run with %d threads %.1f MiB\n", threads, peakKiB / 1024.0);
    return 0;
}
