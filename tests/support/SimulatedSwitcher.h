#pragma once
// A simulated switcher for end-to-end tests: the simulator binary on a
// pseudo-terminal of its own, or a simulator library the test plays itself
// on a pseudo-terminal it holds, when the test must see or shape the traffic.
#include "platform/QtLoop.h"
#include "support/Pty.h"
#include "support/ServerProcess.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <atomic>
#include <memory>
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
        DieWithTheTest(process_);
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

// The real server as the switcher's of a Family ("Vela", "Orion", "Draco")
// on the given line (none for demo mode; Settings: further lines of
// tcpserve.ini), with a Helm port and a Zolt console port of its own, and
// Extra options.
struct SwitcherServer {
    TempDir dir;
    std::string port = FreePort();
    std::string zoltPort = FreePort();
    std::unique_ptr<ServerProcess> process;

    SwitcherServer(const std::string& family, const std::string& line, const std::string& settings = "",
                   QStringList extra = {})
    {
        while (zoltPort == port)
            zoltPort = FreePort();
        dir.write("tcpserve.ini", "[CONFIGURATION]\r\nSwitcher Type=" + family + "\r\n" + settings +
                                      "TCP/IP Port=" + port + "\r\nConsole IP Port=" + zoltPort + "\r\n");
        if (!line.empty())
            extra << "--serial-device" << QString::fromStdString(line);
        process = std::make_unique<ServerProcess>(dir, extra);
    }
    // A Helm PC client past the greeting and logged in.
    std::unique_ptr<TestClient> helmPc()
    {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->connectTo(port));
        EXPECT_TRUE(c->waitFor(Wire({0x81, 0x64, 0x64, 0xFF})));
        c->send(Wire({0x81, 0x78, 0x78, 0xFF}));
        return c;
    }
    // A console past its greeting.
    std::unique_ptr<TestClient> console()
    {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->connectTo(zoltPort));
        EXPECT_TRUE(c->waitFor("Login Sucessful\r\n"));
        c->received.clear();
        return c;
    }
    bool errorLogged(const std::string& text, int ms = 5000) const
    {
        return SpinUntil([&] { return dir.read("Errorlog.txt").find(text) != std::string::npos; }, ms);
    }
};

// The keep-alive is answered F4 once the switcher is on line, F1 before.
inline bool OnLine(TestClient& pc, int ms = 15000)
{
    return SpinUntil(
        [&] {
            pc.received.clear();
            pc.send(Wire({0xF5}));
            return pc.waitFor(Wire({0xF4}), 250);
        },
        ms);
}
