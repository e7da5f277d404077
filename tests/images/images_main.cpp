// PNG and GIF files checked with Qt's image readers as the independent decoder and
// writer; no window is opened.

#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // lets QImageReader find its format plugins
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
