#pragma once

// Playback ticks that come only when a test or a benchmark calls Tick.

#include <functional>
#include <utility>

#include "viewer/tick_source.h"

namespace zandrel::test {

class HandTicks final : public TickSource {
public:
    void Start(int perSecond, std::function<void()> onTick) override {
        rate = perSecond;
        m_onTick = std::move(onTick);
    }
    void Stop() override { m_onTick = nullptr; }
    bool Running() const { return static_cast<bool>(m_onTick); }
    // One tick, when running.
    void Tick() {
        if (m_onTick) m_onTick();
    }

    int rate = 0;

private:
    std::function<void()> m_onTick;
};

}  // namespace zandrel::test
