// The run as the window makes it: the real window, the Generate button pressed, until the
// last copy is written; the first run of a fresh window (its first-use costs: fonts,
// pixmaps, threads, the X server's uploads) and the best of the next ones. On the display
// given (an X server such as Xvfb), else on the offscreen platform, which draws nothing.
// Prints the longest the window's events waited (a timer that should fire every 5 ms).
//
// window_bench FOLDER [--repeat N]   (the copies go to FOLDER/Resized, box 800 x 600, EXIF)
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Application.h"
#include "tools/ProcessHeap.h"
#include "tools/Tools.h"
#include "window/fIHM.h"

namespace {

// Milliseconds of processor time `who` (RUSAGE_THREAD, RUSAGE_SELF) has used.
double ProcessorMs(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Milliseconds of one press of Generate, and the longest wait for events meanwhile; says
// how much of the processor the window's thread and the whole process used.
std::pair<double, double> TimeOneRun(pixtrim::fIHM& window) {
    QElapsedTimer sinceTick, run;
    double wait = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        wait = std::max(wait, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    tick.start(5);
    sinceTick.start();
    const double thread = ProcessorMs(RUSAGE_THREAD), process = ProcessorMs(RUSAGE_SELF);
    run.start();
    window.cmdGenerate->click();
    const double elapsed = run.nsecsElapsed() / 1e6;
    std::printf("  run %6.1f ms; processor: window's thread %5.1f ms, the process %6.1f ms\n",
                elapsed, ProcessorMs(RUSAGE_THREAD) - thread, ProcessorMs(RUSAGE_SELF) - process);
    return {elapsed, wait};
}

}  // namespace

int main(int argc, char** argv) {
    pixtrim::TuneTheHeap();  // as the program does
    // A settings store of its own: the runs store the window's settings.
    const QTemporaryDir store;
    qputenv("XDG_CONFIG_HOME", store.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setApplicationName("Pixtrim");
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_bench FOLDER [--repeat N]\n");
        return 1;
    }
    const int repeat = argc > 3 && std::string(argv[2]) == "--repeat" ? std::atoi(argv[3]) : 3;
    pixtrim::Application app;
    app.SetProcessEnder([](int) {});
    app.SetMessageShower([](const QString& text, pixtrim::MessageIcon) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    app.Main(pixtrim::CurrentFolder(), argv[1]);
    pixtrim::fIHM& window = app.Window();
    window.OptionImageSize[4]->setChecked(true);  // 800 x 600
    window.OptionExif->setChecked(true);
    // The window as a user first sees it: shown, painted, and idle.
    QElapsedTimer shown;
    shown.start();
    while (!window.windowHandle()->isExposed() && shown.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    const auto [first, firstWait] = TimeOneRun(window);
    double best = 1e9, longestWait = firstWait;
    for (int round = 0; round < repeat; ++round) {
        const auto [time, wait] = TimeOneRun(window);
        best = std::min(best, time);
        longestWait = std::max(longestWait, wait);
    }
    std::printf(
        "window on %s: first run %.1f ms, then %.1f ms (best of %d), longest wait for "
        "events %.1f ms\n",
        qPrintable(QGuiApplication::platformName()), first, best, repeat, longestWait);
    return 0;
}
