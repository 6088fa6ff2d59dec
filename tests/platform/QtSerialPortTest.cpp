#include "platform/QtLoop.h"
#include "platform/QtSerialPort.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace {

// A pseudo-terminal: the port opens the slave by path, the test plays the
// switcher on the master.
class Pty {
public:
    Pty()
    {
        char name[128] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
            path_ = name;
            ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        }
    }
    ~Pty()
    {
        closeMaster();
        if (slave_ >= 0)
            ::close(slave_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& path() const { return path_; }
    int slave() const { return slave_; }

    void send(const Bytes& data) { ASSERT_EQ(::write(master_, data.data(), data.size()), static_cast<ssize_t>(data.size())); }

    // Reads what the port wrote until count bytes came or the deadline passed.
    Bytes receive(size_t count, int timeoutMs = 3000)
    {
        Bytes got;
        SpinUntil([&] {
            char buf[4096];
            ssize_t n;
            while ((n = ::read(master_, buf, sizeof buf)) > 0)
                got.append(buf, static_cast<size_t>(n));
            return got.size() >= count;
        }, timeoutMs);
        return got;
    }

    // Hangs the line up, as when the far end of an adapter goes away.
    void closeMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

class QtSerialPortTest : public testing::Test {
protected:
    QtSerialPortTest()
    {
        QtApp();
        port.setHandler(&log);
    }

    void openPort(const std::string& settings = "9600,n,8,1")
    {
        ASSERT_FALSE(pty.path().empty());
        std::string error;
        ASSERT_TRUE(port.open(pty.path(), settings, error)) << error;
        EXPECT_TRUE(port.isOpen());
    }

    termios lineSettings() const
    {
        termios t{};
        ::tcgetattr(pty.slave(), &t);
        return t;
    }

    Pty pty;
    EventLog log;
    QtSerialPort port;
};

// A pseudo-terminal keeps speed, stop bits and odd/even but forces 8 data bits
// without parity, so those two cannot be seen here.
TEST_F(QtSerialPortTest, SettingsReachTheLine)
{
    openPort("9600,n,8,1");
    termios t = lineSettings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_FALSE(t.c_cflag & CSTOPB);

    openPort(" 57600 , O , 7 , 2 ");
    t = lineSettings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B57600));
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_TRUE(t.c_cflag & CSTOPB);

    openPort("19200,e,5,1");
    t = lineSettings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_FALSE(t.c_cflag & PARODD);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
}

TEST_F(QtSerialPortTest, RefusesWhatItCannotOpenWithAReasonAndNoEvents)
{
    ASSERT_FALSE(pty.path().empty());
    for (const char* bad : {"", "9600", "9600,n,8", "9600,n,8,1,1", "fast,n,8,1", "0,n,8,1", "-9600,n,8,1",
                            "99999999999,n,8,1", "9600,x,8,1", "9600,no,8,1", "9600,n,9,1", "9600,n,4,1",
                            "9600,n,8,3", "9600,n,8,"}) {
        std::string error;
        EXPECT_FALSE(port.open(pty.path(), bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_FALSE(port.isOpen());
    }

    std::string error;
    EXPECT_FALSE(port.open("/dev/no-such-serial-device", "9600,n,8,1", error));
    EXPECT_NE(error.find("/dev/no-such-serial-device"), std::string::npos) << error;
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.open("", "9600,n,8,1", error));
    EXPECT_FALSE(port.write("x"));

    SpinFor(20);
    EXPECT_TRUE(log.serialErrors.empty());
}

TEST_F(QtSerialPortTest, BytesTravelUnchangedBothWays)
{
    openPort();
    const Bytes all = AllByteValues();
    ASSERT_TRUE(port.write(all));
    EXPECT_EQ(pty.receive(all.size()), all);

    pty.send(all);
    ASSERT_TRUE(SpinUntil([&] { return log.serialData().size() >= all.size(); }));
    pty.send("tail");
    ASSERT_TRUE(SpinUntil([&] { return log.serialData().size() >= all.size() + 4; }));
    EXPECT_EQ(log.serialData(), all + "tail");
    for (const Bytes& chunk : log.chunks)
        EXPECT_FALSE(chunk.empty());
}

TEST_F(QtSerialPortTest, LargeWriteIsBufferedAndSentWhole)
{
    openPort();
    Bytes big;
    for (int i = 0; i < 200000; ++i)
        big.push_back(static_cast<char>(i * 7 + i / 256));
    ASSERT_TRUE(port.write(big));
    EXPECT_EQ(pty.receive(big.size()), big);
}

TEST_F(QtSerialPortTest, ClosingIsQuietAndReopeningWorks)
{
    openPort();
    port.close();
    EXPECT_FALSE(port.isOpen());
    port.close();
    EXPECT_FALSE(port.write("x"));
    pty.send("ignored");
    SpinFor(30);
    EXPECT_TRUE(log.serialErrors.empty());
    EXPECT_TRUE(log.chunks.empty());

    openPort();
    pty.send("after");
    ASSERT_TRUE(SpinUntil([&] { return log.serialData().size() >= 5; }));
    EXPECT_EQ(log.serialData().substr(log.serialData().size() - 5), "after");
}

TEST_F(QtSerialPortTest, LostDeviceIsReportedOnceAndLeavesThePortClosed)
{
    openPort();
    pty.closeMaster();
    ASSERT_TRUE(SpinUntil([&] { return !log.serialErrors.empty(); }));
    SpinFor(100);
    EXPECT_EQ(log.serialErrors, std::vector<int>{QSerialPort::ResourceError});
    EXPECT_FALSE(port.isOpen());
}

}  // namespace
