#pragma once
// A pseudo-terminal standing in for the switcher's serial port: the server
// opens the slave path, the test reads and writes the master.
#include "platform/Bytes.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

class Pty {
public:
    Pty()
    {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            return;
        // Not inherited by the server under test, or it would hold the line open.
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(master_, F_SETFL, O_NONBLOCK);  // a full line must not hang the test
        fcntl(slave_, F_SETFD, FD_CLOEXEC);
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
        path_ = name;
    }
    ~Pty() { close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& path() const { return path_; }

    // Closing both ends hangs up whoever still has the slave open.
    void close()
    {
        if (slave_ >= 0)
            ::close(slave_);
        if (master_ >= 0)
            ::close(master_);
        slave_ = master_ = -1;
    }

    // Writes all of B, more than the line holds at once too; gives up when
    // nobody has taken anything from the line for Ms milliseconds.
    void send(const Bytes& b, int ms = 5000) const
    {
        for (size_t done = 0; done < b.size();) {
            const ssize_t n = ::write(master_, b.data() + done, b.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return;
            pollfd p{master_, POLLOUT, 0};
            if (::poll(&p, 1, ms) <= 0)
                return;
        }
    }

    // Reads what arrives within Ms milliseconds.
    Bytes readFor(int ms) const
    {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return got;
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0 || !(p.revents & POLLIN))
                continue;
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0)
                got.append(buf, static_cast<size_t>(n));
        }
    }

    // Reads until Needle has arrived or Ms milliseconds passed.
    Bytes readUntil(const Bytes& needle, int ms) const
    {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (got.find(needle) == Bytes::npos && std::chrono::steady_clock::now() < end)
            got += readFor(50);
        return got;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};
