#pragma once

// What the desktop program does with its command line: nothing given shows the
// launcher; a sprite given opens the viewer on it alone, and closing the viewer ends
// the program. File managers start it so for "Open with" and a double-click.

#include <string>
#include <vector>

namespace zandrel {

class Prompts;

inline constexpr const char* kZandrelHelp =
    "Usage: zandrel [SPRITE.spr]\n"
    "\n"
    "Without an argument, shows the launcher of the viewer, the maker and the palette\n"
    "conversion. With a sprite, opens the viewer on it straight away; closing the viewer\n"
    "ends the program. A sprite that cannot be opened is told in the viewer's own words,\n"
    "and the exit status is then 1.\n"
    "\n"
    "  --help      print this text\n"
    "  --version   print the version\n"
    "\n"
    "zandrel-cli does the same work from the command line; 'zandrel-cli --help' tells how.\n";

// How the arguments after the program's name are taken, before anything of the desktop
// is touched.
enum class StartRequest { Launcher, Viewer, Help, Version, BadUsage };
StartRequest StartRequestOf(const std::vector<std::string>& args);

// Runs what the arguments ask for (a launcher or a viewer request); the exit status.
int RunZandrel(Prompts& prompts, const std::vector<std::string>& args);

}  // namespace zandrel
