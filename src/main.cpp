// Two programs from this one file. pixtrim, which people and scripts start, links Qt Core
// alone: it answers the command line and runs the copies that draw no text. It hands the
// window and any run that draws a copyright, with the same arguments, to pixtrim-gui, the
// whole program (built with PIXTRIM_WITH_TOOLKIT), which loads Qt Gui and Widgets and
// does every mode itself.
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#if PIXTRIM_WITH_TOOLKIT
#include <QApplication>
#include <QGuiApplication>
#include <QStyleFactory>

#include "app/Application.h"
#endif
#include "app/CommandLine.h"
#include "app/TerminalRun.h"
#include "batch/MemoryBudget.h"
#include "settings/ConfigurationFile.h"
#include "tools/Language.h"
#include "tools/ProcessHeap.h"
#include "tools/Tools.h"

namespace {

#if PIXTRIM_WITH_TOOLKIT
pixtrim::Application* program = nullptr;

int WithOutputChecked(int status);

// The folder the window was asked to open, for the line said without a display.
std::string windowFolder;

// `word` as a shell reads it back: quoted when it holds anything but safe characters.
std::string ShellWord(const std::string& word) {
    const bool plain =
        !word.empty() && word.find_first_not_of(
                             "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij"
                             "klmnopqrstuvwxyz0123456789._/-+,:@") == std::string::npos;
    if (plain) return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// While the toolkit looks for its display: its notes stay out of stderr, and its fatal
// error (no display, as over ssh) becomes one line that says how to copy without a window,
// and status 1 instead of an abort.
void WithoutDisplay(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type != QtFatalMsg) return;
    const std::string folder =
        windowFolder.empty() ? pixtrim::Tr("DOSSIER") : ShellWord(windowFolder);
    std::fprintf(stderr, "pixtrim: %s\n",
                 pixtrim::Arg(pixtrim::Tr("aucun écran où ouvrir la fenêtre ; sans fenêtre : "
                                          "pixtrim --resize %1"),
                              {folder})
                     .c_str());
    std::_Exit(WithOutputChecked(1));
}

// No exception may cross the event loop: whatever a handler lets escape is reported and
// the window stays open.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            if (program) program->ReportUnexpected(error);
        }
        return false;
    }
};
#else
// The process becomes pixtrim-gui, beside this program in a build and under libexec when
// installed, with the same arguments, environment and streams.
[[noreturn]] void RunWithToolkit(char** argv) {
    std::string self(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size());
    // Never a name relative to the current folder, which may be anybody's photos.
    std::string tried = "/proc/self/exe";
    if (length > 0 && size_t(length) < self.size()) {
        self.resize(size_t(length));
        const std::string folder = self.substr(0, self.rfind('/') + 1);
        tried.clear();
        for (const char* relative : {"pixtrim-gui", PIXTRIM_GUI_FROM_BINDIR}) {
            const std::string path = folder + relative;
            execv(path.c_str(), argv);
            tried = tried.empty() ? path : pixtrim::Arg(pixtrim::Tr("%1 ni %2"), {tried, path});
        }
    }
    std::fprintf(
        stderr, "pixtrim: %s\n",
        pixtrim::Arg(pixtrim::Tr("impossible de lancer %1 : %2"), {tried, std::strerror(errno)})
            .c_str());
    std::_Exit(127);
}
#endif

// A script must learn that what it asked for was not all written (a full disk, a closed
// stdout): the status is then not 0.
int WithOutputChecked(int status) {
    const bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) || std::fflush(stderr) != 0 ||
                      std::ferror(stderr);
    return lost && status == 0 ? 2 : status;
}

// The answers that need no run: a usage error, the help, the version, the settings.
std::optional<int> AnswerWithoutRun(const pixtrim::CommandLine& line) {
    if (!line.error.empty()) {
        // The error may quote an argument: its control bytes are shown, not sent.
        std::fprintf(stderr, "pixtrim: %s\n%s\n", pixtrim::Printable(line.error).c_str(),
                     pixtrim::Tr("Pour en savoir plus : pixtrim --help").c_str());
        return WithOutputChecked(1);
    }
    if (line.mode == pixtrim::CommandLine::Mode::Help) {
        std::fputs(pixtrim::CommandLineUsage().c_str(), stdout);
        return WithOutputChecked(0);
    }
    if (line.mode == pixtrim::CommandLine::Mode::Version) {
        std::printf("Pixtrim %s\n", pixtrim::kVersion);
        return WithOutputChecked(0);
    }
    if (line.mode == pixtrim::CommandLine::Mode::ShowSettings) {
        const pixtrim::Settings settings =
            pixtrim::TerminalSettings(line, pixtrim::CurrentFolder());
        std::fputs(pixtrim::SettingsText(settings).c_str(), stdout);
        return WithOutputChecked(0);
    }
    return std::nullopt;
}

// A budget that says nothing is a mistake to say, never a default taken in silence.
void CheckMemoryVariable(pixtrim::CommandLine& line) {
    if (const char* budget = std::getenv(pixtrim::kMemoryVariable);
        line.error.empty() && budget && !pixtrim::MemoryBudgetFrom(budget, 0)) {
        line.error =
            pixtrim::Arg(pixtrim::Tr("%1 attend un nombre entier de mégaoctets, au moins 1 : %2"),
                         {pixtrim::kMemoryVariable, budget});
    }
}

}  // namespace

int main(int argc, char** argv) {
    pixtrim::TuneTheHeap();
    pixtrim::SetLanguage(pixtrim::LanguageFromEnvironment());
    // The system's reasons in messages come in the user's language where it has them.
    std::setlocale(LC_MESSAGES, "");
    pixtrim::CommandLine line =
        pixtrim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    CheckMemoryVariable(line);
    if (const std::optional<int> status = AnswerWithoutRun(line)) return *status;
    if (line.mode == pixtrim::CommandLine::Mode::Resize) {
#if PIXTRIM_WITH_TOOLKIT
        // No window: the offscreen platform still gives the copyright text its fonts.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // stderr is the run's: the toolkit's own notes about its environment stay out of it.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg) {
                std::fprintf(stderr, "pixtrim: %s\n", qPrintable(text));
            }
        });
#endif
        // The settings that decide the toolkit are the ones the run uses (pixtrim reads them
        // once more only to hand a run that draws text to pixtrim-gui).
        pixtrim::Settings settings = pixtrim::TerminalSettings(line, pixtrim::CurrentFolder());
#if PIXTRIM_WITH_TOOLKIT
        // The toolkit only when a copyright is drawn (its fonts need it).
        std::unique_ptr<QGuiApplication> application;
        if (settings.InsertCopyright) {
            application = std::make_unique<QGuiApplication>(argc, argv);
            // The toolkit takes the whole locale; numbers the program prints keep their '.'.
            std::setlocale(LC_NUMERIC, "C");
            QGuiApplication::setApplicationName("Pixtrim");
        }
#else
        if (settings.InsertCopyright) RunWithToolkit(argv);
#endif
        // No teardown: once the output is flushed the run is over, and destroying the
        // toolkit's fonts cost more than a small run itself.
        std::_Exit(WithOutputChecked(pixtrim::RunFromTerminal(line, std::move(settings))));
    }
#if !PIXTRIM_WITH_TOOLKIT
    RunWithToolkit(argv);
#else
    windowFolder = line.folder;
    qInstallMessageHandler(WithoutDisplay);
    GuardedApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // as above
    qInstallMessageHandler(nullptr);
    // Fusion draws the window's own colors the same way on every desktop.
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setApplicationName("Pixtrim");
    pixtrim::Application pixtrim;
    program = &pixtrim;
    pixtrim.Main(pixtrim::CurrentFolder(), line.folder);
    return QApplication::exec();
#endif
}
