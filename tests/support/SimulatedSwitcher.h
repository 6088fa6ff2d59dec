#pragma once
// A simulated switcher for end-to-end tests: the simulator binary on a
// pseudo-terminal of its own, or a simulator library the test plays itself
// on a pseudo-terminal it holds, when the test must see or shape the traffic.
#include "platform/QtLoop.h"
#include "support/Pty.h"

#include <QProcess>

#include <atomic>
#include <mutex>
#include <signal.h>
#include <string>
#include <thread>

// The simulator binary; the first line it prints names its pseudo-terminal.
class SimProcess {
public:
    explicit SimProcess(const QStringList& args)
    {
        QtApp();
        process_.start(HVN_SIM_PATH, args);
        SpinUntil(
            [&] {
                process_.waitForReadyRead(20);
                return process_.canReadLine();
            },
            5000);
        path_ = process_.readLine().trimmed().toStdString();
    }
    ~SimProcess()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    const std::string& path() const { return path_; }
    void pause() { ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP); }
    void resume() { ::kill(static_cast<pid_t>(process_.processId()), SIGCONT); }
    // Whether the --trace output has shown Text, waiting up to Ms for it.
    bool traced(const std::string& text, int ms = 5000)
    {
        return SpinUntil(
            [&] {
                process_.waitForReadyRead(20);
                trace_ += process_.readAllStandardError().toStdString();
                return trace_.find(text) != std::string::npos;
            },
            ms);
    }

private:
    QProcess process_;
    std::string path_;
    std::string trace_;
};

// A thread hands what the server writes on the pseudo-terminal to the
// simulator and writes its answer back, while answering is on.
template <class Simulator>
class PlayedSwitcher {
public:
    template <class... Args>
    explicit PlayedSwitcher(Args&&... args) : sim_(std::forward<Args>(args)...)
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
    // Runs F on the simulator between two answers.
    template <class F>
    void withSim(F&& f)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        f(sim_);
    }
    // Bytes the simulator would never send.
    void send(const Bytes& bytes)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pty_.send(bytes);
    }
    // Everything the server has written so far, and forgetting it.
    Bytes heard() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return heard_;
    }
    void forget()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        heard_.clear();
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
    // How often the server has written Needle so far.
    size_t timesHeard(const Bytes& needle) const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        size_t n = 0;
        for (size_t at = heard_.find(needle); at != Bytes::npos; at = heard_.find(needle, at + 1))
            ++n;
        return n;
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
    Simulator sim_;
    mutable std::mutex mutex_;
    Bytes heard_;
    std::atomic<bool> answering_{true};
    std::atomic<bool> stop_{false};
    std::thread worker_;
};
