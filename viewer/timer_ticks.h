#pragma once

// The viewer's playback clock: ticks on a single-shot timer aimed at each tick's own
// deadline, so that the rate holds on average even where the period is not a whole
// number of milliseconds.

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

#include "viewer/preview_view.h"
#include "viewer/tick_source.h"

class QObject;

namespace zandrel {

class TimerTicks final : public TickSource {
public:
    // The ticks are delivered in `owner`'s thread and end with it.
    explicit TimerTicks(QObject* owner);

    void Start(int perSecond, std::function<void()> onTick) override;
    void Stop() override;

private:
    void Fire();
    void Schedule();

    QTimer m_timer;
    QElapsedTimer m_clock;
    std::function<void()> m_onTick;
    int m_nPerSecond = kDefaultRate;
    qint64 m_nTicks = 0;
};

}  // namespace zandrel
