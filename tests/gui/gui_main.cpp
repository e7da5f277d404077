// The dialog tests run against Qt's offscreen platform, with the program's name as the
// application name as the desktop program sets it.

#include <gtest/gtest.h>

#include <QApplication>

#include "app/app_icon.h"
#include "res/version.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef _WIN32
    // On Windows the offscreen platform reads its fonts from a folder of Qt's own, not
    // from the system's: give it the system's, where the dialogs' typeface is.
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR") && !qEnvironmentVariableIsEmpty("WINDIR")) {
        qputenv("QT_QPA_FONTDIR", qgetenv("WINDIR") + "\\Fonts");
    }
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(zandrel::kProductName);
    QApplication::setWindowIcon(zandrel::ZandrelIcon());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
