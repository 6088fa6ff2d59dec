#pragma once
// The server's timers on QTimer: one timer per TimerId, each tick reported to
// the handler as onTimer(id).
#include "platform/Seams.h"

#include <QElapsedTimer>
#include <QTimer>

#include <array>

class QtTimers : public Timers {
public:
    QtTimers();

    // Ticks before a handler is set are dropped.
    void setHandler(PlatformEvents* handler) { handler_ = handler; }

    void enable(TimerId id, int intervalMs) override;
    void disable(TimerId id) override;
    void restart(TimerId id, int intervalMs) override;
    bool isEnabled(TimerId id) const override;
    long long nowMs() const override;

private:
    QTimer& timer(TimerId id);
    const QTimer& timer(TimerId id) const;

    std::array<QTimer, static_cast<size_t>(TimerId::Count)> timers_;
    QElapsedTimer clock_;
    PlatformEvents* handler_ = nullptr;
};
