#pragma once
// Event-loop helpers for tests of the Qt seams: one application object for the
// whole test program, waits that spin the loop against a deadline, and a
// handler that records every event.
#include "platform/Seams.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <string>
#include <vector>

inline void QtApp()
{
    static int argc = 1;
    static char name[] = "hvn_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);  // lives as long as the program
}

// Spins until done() or the deadline; returns done().
inline bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Outside exec() deleteLater() requests wait for this.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return done();
}

inline void SpinFor(int ms)
{
    SpinUntil([] { return false; }, ms);
}

struct EventLog : PlatformEvents {
    void onTimer(TimerId id) override { ticks.push_back(id); }
    void onSerialData(const Bytes& chunk) override { chunks.push_back(chunk); }
    void onSerialError(int code) override { serialErrors.push_back(code); }
    void onConnectionRequest(Port port) override
    {
        requests.push_back(port);
        if (onRequest)
            onRequest(port);
    }
    void onConnectionsRefused(Port, const std::vector<std::string>& addresses) override
    {
        refused.insert(refused.end(), addresses.begin(), addresses.end());
    }
    void onDataArrival(Port, int slot, long waiting) override { arrivals.push_back({slot, waiting}); }
    void onPeerClosed(Port, int slot) override { closes.push_back(slot); }

    std::vector<TimerId> ticks;
    std::vector<Bytes> chunks;
    std::vector<int> serialErrors;
    std::vector<Port> requests;
    std::vector<std::string> refused;
    std::vector<std::pair<int, long>> arrivals;  // slot, bytes waiting
    std::vector<int> closes;                     // slots
    std::function<void(Port)> onRequest;
};
