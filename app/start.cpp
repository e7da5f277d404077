#include "app/start.h"

#include <cstdlib>

#include "app/launcher_dlg.h"

namespace zandrel {

StartRequest StartRequestOf(const std::vector<std::string>& args) {
    if (args.empty()) return StartRequest::Launcher;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return StartRequest::Help;
    if (args.size() == 1 && args[0] == "--version") return StartRequest::Version;
    if (args.size() == 1 && !args[0].starts_with('-')) return StartRequest::Viewer;
    if (args.size() == 2 && args[0] == "--") return StartRequest::Viewer;
    return StartRequest::BadUsage;
}

int RunZandrel(Prompts& prompts, const std::vector<std::string>& args) {
    if (StartRequestOf(args) == StartRequest::Viewer) {
        return RunViewer(prompts, args.back()) ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    CLauncherDlg launcher(prompts);
    launcher.DoModal();
    return EXIT_SUCCESS;
}

}  // namespace zandrel
