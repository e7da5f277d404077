#pragma once

// zandrel-cli: the tools' file operations for scripts and batch work. Completion texts
// go to `out` (to `err` when the command wrote its file to the standard output),
// refusals and failures to `err`. Returns the exit status: 0 done,
// 1 refused or failed, 2 bad usage.

#include <iosfwd>
#include <string>
#include <vector>

namespace zandrel {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zandrel
