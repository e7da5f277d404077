#pragma once

// What the benchmarks of the dialogs need of Qt: an application, offscreen unless a
// platform is named, and a way to let queued events run.

namespace zandrel::bench {

// Creates the application once; it lives until the process ends.
void EnsureApplication();
// Runs what the event queue holds, a few rounds, so that paints and timers settle.
void Settle();

}  // namespace zandrel::bench
