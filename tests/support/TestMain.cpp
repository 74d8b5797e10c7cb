// Test main: a QApplication on the offscreen platform (fonts need a GUI application, the
// window tests widgets), Fusion as the program sets it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Tests never need a screen, also when CTest lists them without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Only the fonts of the project's own packages, on any machine (fonts.conf says why);
    // the programs the tests start inherit it.
    qputenv("FONTCONFIG_FILE", PIXTRIM_FONTS_CONF);
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    return RUN_ALL_TESTS();
}
