#pragma once
// Event-loop helpers for tests of the Qt seams: one application object for the
// whole test program, and waits that spin the loop against a deadline.
#include "platform/Seams.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <functional>
#include <string>
#include <utility>
#include <vector>

inline QCoreApplication& QtApp()
{
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "hvn_tests";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);  // lives as long as the program
    }
    return *QCoreApplication::instance();
}

inline void SpinOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // processEvents outside exec() leaves deleteLater() requests alone.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Spins until done() or the deadline; returns done().
inline bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        SpinOnce();
    return done();
}

inline void SpinFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        SpinOnce();
}

// Records every event; tests may add a reaction to connection requests.
struct EventLog : PlatformEvents {
    struct Arrival {
        Port port;
        int slot;
        long waiting;
    };

    void onTimer(TimerId id) override { ticks.push_back(id); }
    void onSerialData(const Bytes& chunk) override { chunks.push_back(chunk); }
    void onSerialError(int code) override { serialErrors.push_back(code); }
    void onConnectionRequest(Port port) override
    {
        requests.push_back(port);
        if (onRequest)
            onRequest(port);
    }
    void onDataArrival(Port port, int slot, long waiting) override { arrivals.push_back({port, slot, waiting}); }
    void onPeerClosed(Port port, int slot) override { closes.emplace_back(port, slot); }

    Bytes serialData() const
    {
        Bytes all;
        for (const Bytes& c : chunks)
            all += c;
        return all;
    }

    std::vector<TimerId> ticks;
    std::vector<Bytes> chunks;
    std::vector<int> serialErrors;
    std::vector<Port> requests;
    std::vector<Arrival> arrivals;
    std::vector<std::pair<Port, int>> closes;
    std::function<void(Port)> onRequest;
};

// Every byte value once, the sharpest check that nothing is text-converted.
inline Bytes AllByteValues()
{
    Bytes b;
    for (int i = 0; i < 256; ++i)
        b.push_back(static_cast<char>(i));
    return b;
}
