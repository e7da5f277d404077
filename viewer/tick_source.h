#pragma once

// What drives playback: a source of ticks at a number of ticks per second. The viewer
// runs on a timer; tests hand it one that ticks when they say.

#include <functional>

namespace zandrel {

class TickSource {
public:
    virtual ~TickSource() = default;
    // Calls `onTick` `perSecond` times a second until Stop; a new Start replaces the
    // rate and the callback.
    virtual void Start(int perSecond, std::function<void()> onTick) = 0;
    virtual void Stop() = 0;
};

}  // namespace zandrel
