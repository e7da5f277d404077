// The dialog tests run against Qt's offscreen platform, with the program's name as the
// application name as the desktop program sets it.

#include <gtest/gtest.h>

#include <QApplication>

#include "app/app_icon.h"
#include "res/version.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(zandrel::kProductName);
    QApplication::setWindowIcon(zandrel::ZandrelIcon());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
