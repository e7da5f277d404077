#include "benchmarks/bench_qt.h"

#include <QApplication>
#include <QCoreApplication>

namespace zandrel::bench {

void EnsureApplication() {
    if (QApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zandrel-bench";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics may go first at exit.
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
}

void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace zandrel::bench
