#pragma once

// A write that the system refuses (a file past the size limit of `ulimit -f`, a pipe
// whose reader has gone) must fail with its cause, told like any other file error, and
// leave the destination as it was; the signals that would end the program at once are
// ignored instead. Called first thing in main.

#ifndef _WIN32
#include <csignal>
#endif

namespace zandrel {

inline void IgnoreWriteSignals() {
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace zandrel
