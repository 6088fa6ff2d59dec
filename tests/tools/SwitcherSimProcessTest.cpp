// The simulator binary as a developer starts it beside the server.
#include "platform/QtLoop.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Starts the simulator and opens the pseudo-terminal it names, raw.
struct SimOnPty {
    explicit SimOnPty(const QStringList& args)
    {
        QtApp();
        sim.start(HVN_SIM_PATH, args);
        sim.waitForReadyRead(5000);
        const std::string path = sim.readLine().trimmed().toStdString();
        line = open(path.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(line, &t);
        cfmakeraw(&t);
        tcsetattr(line, TCSANOW, &t);
    }
    ~SimOnPty()
    {
        close(line);
        sim.kill();
        sim.waitForFinished(5000);
    }
    std::string ask(const std::string& bytes) const
    {
        if (write(line, bytes.data(), bytes.size()) < 0)
            return {};
        pollfd p{line, POLLIN, 0};
        char buf[64];
        const ssize_t n = poll(&p, 1, 3000) > 0 ? read(line, buf, sizeof buf) : 0;
        return std::string(buf, static_cast<size_t>(std::max<ssize_t>(n, 0)));
    }
    // Exit code after the signal, or -1 when it did not end normally.
    int stop(int sig)
    {
        kill(static_cast<pid_t>(sim.processId()), sig);
        sim.waitForFinished(5000);
        return sim.exitStatus() == QProcess::NormalExit ? sim.exitCode() : -1;
    }

    QProcess sim;
    int line = -1;
};

}  // namespace

TEST(SwitcherSimProcess, AnswersThePollOnItsPseudoTerminalAndStopsOnSignal)
{
    for (int sig : {SIGTERM, SIGINT}) {
        SimOnPty s({"--size", "16", "--baud", "57600", "--trace"});
        ASSERT_GE(s.line, 0);
        EXPECT_EQ(s.ask("\xF5"), "\xF4");
        EXPECT_EQ(s.stop(sig), 0);
        EXPECT_EQ(s.sim.readAllStandardError().toStdString(), "rx F5\ntx F4\n");
    }
}

TEST(SwitcherSimProcess, InvalidOptionsPrintUsageAndExitWith2)
{
    QtApp();
    for (const QStringList& args : {QStringList{"--size", "0"},
                                    {"--size", "513"},
                                    {"--size"},
                                    {"--baud", "fast"},
                                    {"--colour"},
                                    {"--device", "/dev/null", "--baud", "12345"}}) {
        QProcess p;
        p.start(HVN_SIM_PATH, args);
        p.waitForFinished(5000);
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardError().startsWith("usage: hvn-switcher-sim"));
    }
}
