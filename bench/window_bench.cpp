// The run as the window makes it: the real window on the offscreen platform, the Generate
// button pressed, until the last copy is written. Prints the run against the one-core
// floor's time given on the command line (from pixtrim-bench, same sitting), and the
// longest the window's events waited (a timer that should fire every 5 ms).
//
// window_bench FOLDER [--repeat N]   (the copies go to FOLDER/Resized, box 800 x 600)
#include <QApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/Application.h"
#include "tools/Tools.h"
#include "window/fIHM.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
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
    window.OptionImageSize[3]->setChecked(true);  // 800 x 600
    window.OptionExif->setChecked(true);
    double best = 1e9, longestWait = 0;
    for (int round = 0; round < repeat; ++round) {
        QElapsedTimer sinceTick, run;
        double wait = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            wait = std::max(wait, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        tick.start(5);
        sinceTick.start();
        run.start();
        window.cmdGenerate->click();
        best = std::min(best, run.nsecsElapsed() / 1e6);
        longestWait = std::max(longestWait, wait);
    }
    std::printf("window run %.1f ms (best of %d), longest wait for events %.1f ms\n", best, repeat,
                longestWait);
    return 0;
}
