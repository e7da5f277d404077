#pragma once

// Whether the standard error is a terminal that a person reads, where a progress line
// redrawn in place makes sense; not a file, a pipe or nothing.

namespace zandrel {

bool StandardErrorIsTerminal();

}  // namespace zandrel
