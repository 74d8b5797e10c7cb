// Runs the real batch over a folder, the way the Generate button does, with a host that
// answers from the command line and shows nothing, then times each stage of the pipeline
// and the floor (decode plus encode alone) in the same process.
//
// pixtrim-bench FOLDER [--box WxH] [--exif] [--copyright TEXT [--place N] [--size N]
//               [--color N] [--opaque] [--outline]] [--repeat N]
#include <sys/resource.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchTiming.h"
#include "app/Settings.h"
#include "batch/ImageSelection.h"
#include "batch/JpegResize.h"
#include "codec/JpegCodec.h"
#include "exif/Exif.h"
#include "image/cDIBSection.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

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
    void ProcessEvents() override {}
    void ShowMessage(const std::string& text, MessageIcon) override {
        std::string line = text;
        for (char& c : line) c = c == '\r' ? ' ' : c;
        std::printf("message: %s\n", line.c_str());
    }
    void QuitApplication() override { std::exit(2); }
    bool QuitRequested() const override { return false; }

private:
    Settings& settings_;
};

// A side of the bounding box as the run reads it (1 when the text is refused).
int32_t BoxSide(const std::string& text) { return ParseBoundingSide(text).value_or(1); }

[[noreturn]] void Usage() {
    std::fprintf(stderr,
                 "usage: pixtrim-bench FOLDER [--box WxH] [--exif] [--copyright TEXT [--place N] "
                 "[--size N] [--color N] [--opaque] [--outline]] [--repeat N]\n");
    std::exit(1);
}

Settings ParseArguments(int argc, char** argv, int& repeat) {
    if (argc < 2) Usage();
    Settings settings;
    settings.KeepExif = false;
    settings.AppFolder = CurrentFolder();
    settings.ImageFolder = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) Usage();
            return argv[++i];
        };
        if (option == "--box") {
            const std::string box = value();
            const size_t x = box.find('x');
            if (x == std::string::npos) Usage();
            settings.ImageWidth = box.substr(0, x);
            settings.ImageHeight = box.substr(x + 1);
        } else if (option == "--exif") {
            settings.KeepExif = true;
        } else if (option == "--copyright") {
            settings.InsertCopyright = true;
            settings.CopyrightText = value();
        } else if (option == "--place") {
            settings.CopyrightPlace = static_cast<uint8_t>(std::atoi(value().c_str()));
        } else if (option == "--size") {
            settings.CopyrightSize = static_cast<uint8_t>(std::atoi(value().c_str()));
        } else if (option == "--color") {
            settings.CopyrightColor = static_cast<int16_t>(std::atoi(value().c_str()));
        } else if (option == "--opaque") {
            settings.CopyrightTransparent = false;
        } else if (option == "--outline") {
            settings.CopyrightOutline = true;
        } else if (option == "--repeat") {
            repeat = std::max(1, std::atoi(value().c_str()));
        } else {
            Usage();
        }
    }
    return settings;
}

// Stage times of the pipeline, image by image, outside the run.
struct Stages {
    double decode = 0, resample = 0, overlay = 0, encode = 0, exif = 0;
};

Stages TimeStages(const Settings& s, const std::vector<std::string>& names, int repeat) {
    Stages total;
    const std::string scratch = "/tmp/pixtrim-bench-stage.jpg";
    for (const std::string& name : names) {
        const std::string path = JoinPath(s.ImageFolder, name);
        cDIBSection source, target;
        total.decode += bench::BestSeconds(repeat, [&] { LoadJPG(source, path); });
        int32_t width = source.Width(), height = source.Height();
        FitImageSize(width, height, BoxSide(s.ImageWidth), BoxSide(s.ImageHeight));
        total.resample +=
            bench::BestSeconds(repeat, [&] { source.Resample(target, height, width); });
        if (s.InsertCopyright) {
            const double factor = CopyrightFactor(s.CopyrightSize);
            total.overlay += bench::BestSeconds(repeat, [&] {
                target.AddTextOverPicture(s.CopyrightText, s.CopyrightPlace, factor,
                                          s.CopyrightTransparent, s.CopyrightOutline,
                                          s.CopyrightColor, s.CopyrightFont);
            });
        }
        total.encode += bench::BestSeconds(repeat, [&] { SaveJPG(target, scratch, kJpegQuality); });
        double exifBest = 1e9;
        for (int round = 0; round < repeat; ++round) {
            SaveJPG(target, scratch, kJpegQuality);  // a plain copy to carry the metadata into
            exifBest = std::min(exifBest, bench::BestSeconds(1, [&] {
                                    ExifTransfer exif;
                                    const bool kept = exif.ReadExifData(path) && s.KeepExif;
                                    if (kept) exif.SetExifImageSize(width, height);
                                    exif.WriteExifData(scratch, kept);
                                }));
        }
        total.exif += exifBest;
    }
    std::remove(scratch.c_str());
    return total;
}

// The floor: each image decoded, then encoded at its full size is not what a run does;
// a run encodes the fitted copy, so the floor encodes a copy of that size made without
// resampling (the top-left corner of the decoded picture).
void DecodeAndEncode(const Settings& s, const std::vector<std::string>& names) {
    const std::string scratch = "/tmp/pixtrim-bench-floor.jpg";
    cDIBSection source, copy;
    for (const std::string& name : names) {
        LoadJPG(source, JoinPath(s.ImageFolder, name));
        int32_t width = source.Width(), height = source.Height();
        FitImageSize(width, height, BoxSide(s.ImageWidth), BoxSide(s.ImageHeight));
        copy.Create(width, height);
        copy.LoadPictureBlt(source.hdc());
        SaveJPG(copy, scratch, kJpegQuality);
    }
    std::remove(scratch.c_str());
}

}  // namespace
}  // namespace pixtrim

int main(int argc, char** argv) {
    using namespace pixtrim;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);  // fonts need it
    int repeat = 3;
    Settings settings = ParseArguments(argc, argv, repeat);
    const std::string folder = settings.ImageFolder;
    const std::vector<std::string> names = ListImages(settings.ImageFilters, folder);
    if (names.empty()) {
        std::printf("no image in %s\n", folder.c_str());
        return 1;
    }

    // The run and its floor are timed in turns, so that a busy moment of this shared
    // machine weighs on both alike; each keeps its best time.
    BenchHost host(settings);
    double run = 1e9, floor = 1e9;
    for (int round = 0; round < repeat; ++round) {
        run = std::min(run, bench::BestSeconds(1, [&] {
                           settings.ImageFolder = folder;
                           JpegResize(settings, host).ResizeFolder();
                       }));
        floor = std::min(floor, bench::BestSeconds(1, [&] { DecodeAndEncode(settings, names); }));
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const Stages stages = TimeStages(settings, names, repeat);

    std::printf("folder     %s: %zu images, copies in %s\n", folder.c_str(), names.size(),
                JoinPath(folder, settings.ResizedFolderName).c_str());
    std::printf("run        %8.1f ms  %6.2f images/s\n", run * 1e3, names.size() / run);
    std::printf("  decode   %8.1f ms\n  resample %8.1f ms\n  overlay  %8.1f ms\n",
                stages.decode * 1e3, stages.resample * 1e3, stages.overlay * 1e3);
    std::printf("  encode   %8.1f ms\n  exif     %8.1f ms (read, update, rewrite)\n",
                stages.encode * 1e3, stages.exif * 1e3);
    std::printf("floor      %8.1f ms  (decode, then encode of a copy of the same size)\n",
                floor * 1e3);
    std::printf("run/floor  %8.3f\n", run / floor);
    std::printf("peak RSS   %8.1f MiB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
