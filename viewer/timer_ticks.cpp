#include "viewer/timer_ticks.h"

#include <utility>

namespace zandrel {

TimerTicks::TimerTicks(QObject* owner) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, owner, [this] { Fire(); });
}

void TimerTicks::Start(int perSecond, std::function<void()> onTick) {
    m_nPerSecond = perSecond;
    m_onTick = std::move(onTick);
    m_nTicks = 0;
    m_clock.start();
    Schedule();
}

void TimerTicks::Stop() { m_timer.stop(); }

void TimerTicks::Fire() {
    ++m_nTicks;
    Schedule();
    if (m_onTick) m_onTick();  // last: it may stop or restart the ticks
}

void TimerTicks::Schedule() {
    const qint64 now = m_clock.elapsed();
    qint64 deadline = (m_nTicks + 1) * 1000 / m_nPerSecond;
    if (deadline < now) {
        // Fallen behind (a busy machine, a modal loop): carry on from now rather than
        // catch up in a burst of frames.
        m_nTicks = now * m_nPerSecond / 1000;
        deadline = (m_nTicks + 1) * 1000 / m_nPerSecond;
    }
    m_timer.start(static_cast<int>(deadline - now));
}

}  // namespace zandrel
