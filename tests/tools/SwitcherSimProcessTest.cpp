// The simulator binary as a developer starts it beside the server.
#include "core/Bytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Reads what arrives on Fd until Done says so or Ms milliseconds passed.
template <class Done>
std::string ReadUntil(int fd, int ms, Done done)
{
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done(got)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        args.insert(args.begin(), HVN_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, HVN_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~SimProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    std::string firstLine()
    {
        const std::string got = ReadUntil(out_, 5000, [](const std::string& s) { return s.find('\n') != std::string::npos; });
        return got.substr(0, got.find('\n'));
    }
    std::string errors() { return ReadUntil(err_, 2000, [](const std::string&) { return false; }); }

    // The exit status, or -1 when it did not end within 5 seconds.
    int waitExit()
    {
        for (int i = 0; i < 500; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10000);
        }
        return -1;
    }
    void signal(int sig) const { kill(pid_, sig); }

private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
};

int OpenRaw(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return fd;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

}  // namespace

TEST(SwitcherSimProcess, AnswersThePollOnItsPseudoTerminalAndStopsOnSignal)
{
    for (int sig : {SIGTERM, SIGINT}) {
        SimProcess sim({"--size", "16", "--baud", "57600"});
        const std::string path = sim.firstLine();
        ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
        const int line = OpenRaw(path);
        ASSERT_GE(line, 0);

        ASSERT_EQ(write(line, "\xF5", 1), 1);
        EXPECT_EQ(ReadUntil(line, 3000, [](const std::string& s) { return !s.empty(); }), "\xF4");

        sim.signal(sig);
        EXPECT_EQ(sim.waitExit(), 0);
        close(line);
    }
}

TEST(SwitcherSimProcess, TraceShowsBothDirectionsInHex)
{
    SimProcess sim({"--trace"});
    const int line = OpenRaw(sim.firstLine());
    ASSERT_GE(line, 0);
    ASSERT_EQ(write(line, "\xF5", 1), 1);
    ReadUntil(line, 3000, [](const std::string& s) { return !s.empty(); });
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_EQ(sim.errors(), "rx F5\ntx F4\n");
    close(line);
}

TEST(SwitcherSimProcess, InvalidOptionsPrintUsageAndExitWith2)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--size", "0"}, {"--size", "513"}, {"--size"}, {"--baud", "fast"}, {"--colour"},
             {"--device", "/dev/null", "--baud", "12345"}}) {
        SimProcess sim(args);
        EXPECT_EQ(sim.waitExit(), 2) << args[0];
        EXPECT_EQ(sim.errors().rfind("usage: hvn-switcher-sim", 0), 0u) << args[0];
    }
}
