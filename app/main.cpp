// The desktop program: the launcher, run modally, or the viewer on the sprite given;
// the program ends when it closes.

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

#include "app/app_icon.h"
#include "app/start.h"
#include "app/translations.h"
#include "folders/folder_dlg.h"
#include "os/write_signals.h"
#include "res/version.h"
#include "ui/qt_prompts.h"
#include "ui/qt_text.h"

namespace {

// On X11 and Wayland desktops Qt cannot start without a display; say so in one line
// rather than in Qt's own words.
bool HasDisplay() {
#if defined(_WIN32) || defined(__APPLE__)
    return true;
#else
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
#endif
}

// A Windows program without a console (Zandrel.exe is one) has no standard output
// when started from a command prompt; it writes to the prompt's console instead.
// Output redirected to a file or a pipe is left where it goes.
void UseParentConsole() {
#ifdef _WIN32
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if ((output == nullptr || output == INVALID_HANDLE_VALUE) && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::FILE* console = std::freopen("CONOUT$", "w", stdout);
        (void)console;
    }
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    zandrel::IgnoreWriteSignals();
    // Answered before anything of the desktop is touched, so that it needs no display.
    // Only the options are read from argv here: a path is taken from Qt's arguments,
    // which on Windows come whole in UTF-16.
    const std::vector<std::string> given(argv + 1, argv + argc);
    switch (zandrel::StartRequestOf(given)) {
        case zandrel::StartRequest::Version:
            UseParentConsole();
            std::printf("zandrel %s\n", zandrel::kProductVersion);
            return EXIT_SUCCESS;
        case zandrel::StartRequest::Help:
            UseParentConsole();
            std::fputs(zandrel::kZandrelHelp, stdout);
            return EXIT_SUCCESS;
        case zandrel::StartRequest::BadUsage:
            UseParentConsole();
            std::fputs("zandrel: takes one sprite at most\n\n", stderr);
            std::fputs(zandrel::kZandrelHelp, stderr);
            return 2;
        case zandrel::StartRequest::Launcher:
        case zandrel::StartRequest::Viewer: break;
    }
    if (!HasDisplay()) {
        std::fputs("zandrel: no display to show the launcher on (DISPLAY and WAYLAND_DISPLAY are not set)\n", stderr);
        return EXIT_FAILURE;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(zandrel::kProductName);
    QApplication::setApplicationVersion(zandrel::kProductVersion);
    QApplication::setWindowIcon(zandrel::ZandrelIcon());
    zandrel::InstallQtTranslations(application);

    zandrel::QtPrompts prompts;
    prompts.SetFolderChooser([&prompts] { return zandrel::RunFolderDlg(prompts, QApplication::activeModalWidget()); });
    std::vector<std::string> args;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) args.push_back(zandrel::ToStdString(arguments[i]));
    return zandrel::RunZandrel(prompts, args);
}
