#include <string>
#include <vector>

#include "cli/commands.h"
#include "os/write_signals.h"

#ifdef _WIN32

#include "cli/console_win32.h"

int main() {
    const std::vector<std::string> args = zandrel::CommandLineArguments();
    zandrel::StandardStream out(zandrel::StandardHandle::Output);
    zandrel::StandardStream err(zandrel::StandardHandle::Error);
    err.setf(std::ios::unitbuf);
    const int status = zandrel::RunCli(args, out, err);

    // A command whose answer was lost (a full disk, a closed pipe) has failed.
    if (out.FlushAll()) return status;
    err << "zandrel-cli: cannot write to the standard output";
    if (!out.FailureReason().empty()) err << ": " << out.FailureReason();
    err << '\n';
    return status == zandrel::kExitDone ? zandrel::kExitFailed : status;
}

#else

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    zandrel::IgnoreWriteSignals();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = zandrel::RunCli(args, std::cout, std::cerr);

    // Output that could not be written (a full disk, `> /dev/full`) shows only when the
    // buffers are flushed: a command whose answer was lost has failed.
    errno = 0;
    std::cout.flush();
    const bool written = std::cout && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (written) return status;
    const int error = errno;
    std::cerr << "zandrel-cli: cannot write to the standard output";
    if (error != 0) std::cerr << ": " << std::strerror(error);
    std::cerr << '\n';
    return status == zandrel::kExitDone ? zandrel::kExitFailed : status;
}

#endif
