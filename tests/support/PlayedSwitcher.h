#pragma once
// A Vela switcher played by the test on a pseudo-terminal it holds, with the
// simulator library, when a test must see or shape the traffic.
#include "VelaSimulator.h"

#include "platform/QtLoop.h"
#include "support/Pty.h"

#include <atomic>
#include <mutex>
#include <thread>

// A switcher the test plays itself: a thread hands what the server writes on
// the pseudo-terminal to the simulator library and writes its answer back,
// while answering is on.
class PlayedSwitcher {
public:
    explicit PlayedSwitcher(const SimulatorOptions& Options) : sim_(Options)
    {
        worker_ = std::thread([this] { run(); });
    }
    ~PlayedSwitcher()
    {
        stop_ = true;
        worker_.join();
    }
    const std::string& path() const { return pty_.path(); }
    void answer(bool on) { answering_ = on; }
    // Writes Bytes on the line as if the switcher had sent them.
    void inject(const Bytes& bytes)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pty_.send(bytes);
    }
    void corruptNextChecksum(unsigned char command)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        sim_.CorruptNextChecksum(command);
    }
    // Whether the server has written Needle, waiting up to Ms for it.
    bool heard(const Bytes& needle, int ms) const
    {
        return SpinUntil(
            [&] {
                const std::lock_guard<std::mutex> lock(mutex_);
                return heard_.find(needle) != Bytes::npos;
            },
            ms);
    }

private:
    void run()
    {
        while (!stop_) {
            const Bytes got = pty_.readFor(20);
            if (got.empty())
                continue;
            const std::lock_guard<std::mutex> lock(mutex_);
            heard_ += got;
            if (answering_)
                pty_.send(sim_.Receive(got));
        }
    }

    Pty pty_;
    VelaSimulator sim_;
    mutable std::mutex mutex_;
    Bytes heard_;
    std::atomic<bool> answering_{true};
    std::atomic<bool> stop_{false};
    std::thread worker_;
};
