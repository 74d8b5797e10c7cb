#include <QApplication>
#include <QStyleFactory>

#include "app/Application.h"
#include "tools/Tools.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Fusion draws the window's own colours the same way on every desktop.
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setApplicationName("Pixtrim");
    pixtrim::Application pixtrim;
    pixtrim.Main(pixtrim::CurrentFolder());
    return QApplication::exec();
}
