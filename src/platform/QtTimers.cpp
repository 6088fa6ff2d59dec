#include "platform/QtTimers.h"

#include <algorithm>

QtTimers::QtTimers()
{
    clock_.start();
    for (size_t i = 0; i < timers_.size(); ++i) {
        const auto id = static_cast<TimerId>(i);
        // Poll and idle rules count ticks, so ticks should not drift by the
        // few percent a coarse timer allows.
        timers_[i].setTimerType(Qt::PreciseTimer);
        QObject::connect(&timers_[i], &QTimer::timeout, &timers_[i], [this, id] {
            if (handler_)
                handler_->onTimer(id);
        });
    }
}

void QtTimers::enable(TimerId id, int intervalMs)
{
    QTimer& t = timer(id);
    intervalMs = std::max(intervalMs, 0);
    if (!t.isActive())
        t.start(intervalMs);
    else if (t.interval() != intervalMs)
        t.setInterval(intervalMs);
}

void QtTimers::disable(TimerId id) { timer(id).stop(); }

void QtTimers::restart(TimerId id, int intervalMs) { timer(id).start(std::max(intervalMs, 0)); }

bool QtTimers::isEnabled(TimerId id) const { return timer(id).isActive(); }

long long QtTimers::nowMs() const { return clock_.elapsed(); }

QTimer& QtTimers::timer(TimerId id) { return timers_.at(static_cast<size_t>(id)); }

const QTimer& QtTimers::timer(TimerId id) const { return timers_.at(static_cast<size_t>(id)); }
