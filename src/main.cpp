#include <QApplication>
#include <QStyleFactory>

#include "app/Application.h"
#include "tools/Tools.h"

namespace {

pixtrim::Application* program = nullptr;

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

}  // namespace

int main(int argc, char** argv) {
    GuardedApplication application(argc, argv);
    // Fusion draws the window's own colours the same way on every desktop.
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setApplicationName("Pixtrim");
    pixtrim::Application pixtrim;
    program = &pixtrim;
    pixtrim.Main(pixtrim::CurrentFolder());
    return QApplication::exec();
}
