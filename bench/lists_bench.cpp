// Times the window's file list on a folder of 10,000 files: opening it, and reading it
// again and filtering as a keystroke in the filter box does. Baseline: listing the folder alone.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <filesystem>

#include "BenchTiming.h"
#include "window/BrowsingLists.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "pixtrim-lists-bench";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 10000; ++i) {
        const auto file = folder / ("IMG_" + std::to_string(10000 + i) + (i % 3 ? ".jpg" : ".CR2"));
        if (!std::filesystem::exists(file))
            QFile(QString::fromStdString(file.string())).open(QIODevice::WriteOnly);
    }
    const std::string path = folder.string();
    pixtrim::FileList list;
    list.SetPattern("*.jpg;*.jpeg");
    const double baseline = pixtrim::bench::BestSeconds(
        5, [&] { (void)QDir(QString::fromStdString(path)).entryList(QDir::Files); });
    const double open = pixtrim::bench::BestSeconds(5, [&] { list.SetPath(path); });
    int keystroke = 0;
    const double refilter = pixtrim::bench::BestSeconds(
        5, [&] { list.SetPattern(++keystroke % 2 ? "*.jp" : "*.jpg"); });
    list.SetPattern("*.jpg;*.jpeg");
    std::printf("10,000 files (%d shown)\n", list.ListCount());
    std::printf("listing alone   %7.1f ms (baseline)\n", baseline * 1e3);
    std::printf("open folder     %7.1f ms  %.2f x baseline\n", open * 1e3, open / baseline);
    std::printf("one keystroke   %7.1f ms  %.2f x baseline\n", refilter * 1e3, refilter / baseline);
    std::filesystem::remove_all(folder);
    return 0;
}
