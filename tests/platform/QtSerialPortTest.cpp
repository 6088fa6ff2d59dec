#include "platform/QtLoop.h"
#include "platform/QtSerialPort.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The port opens the slave of a pseudo-terminal by path; the test plays the
// switcher on the master.
class QtSerialPortTest : public testing::Test {
protected:
    QtSerialPortTest()
    {
        QtApp();
        port.setHandler(&log);
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = name;
        ::fcntl(master, F_SETFL, O_NONBLOCK);
    }
    ~QtSerialPortTest() override
    {
        ::close(master);
        ::close(slave);
    }

    void openPort(const std::string& settings = "9600,n,8,1")
    {
        std::string error;
        ASSERT_TRUE(port.open(path, settings, error)) << error;
        EXPECT_TRUE(port.isOpen());
    }
    termios line() const
    {
        termios t{};
        ::tcgetattr(slave, &t);
        return t;
    }
    speed_t speed() const
    {
        const termios t = line();
        return cfgetospeed(&t);
    }
    Bytes received() const
    {
        Bytes all;
        for (const Bytes& c : log.chunks)
            all += c;
        return all;
    }
    // What the port wrote, until count bytes came or the deadline passed.
    Bytes sent(size_t count)
    {
        Bytes got;
        char buf[4096];
        SpinUntil([&] {
            for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
                got.append(buf, static_cast<size_t>(n));
            return got.size() >= count;
        });
        return got;
    }

    int master = -1, slave = -1;
    std::string path;
    EventLog log;
    QtSerialPort port;
};

// A pseudo-terminal keeps speed, stop bits and odd/even but forces 8 data bits
// without parity, so those cannot be checked here.
TEST_F(QtSerialPortTest, SettingsReachTheLine)
{
    openPort("9600,n,8,1");
    EXPECT_EQ(speed(), static_cast<speed_t>(B9600));
    EXPECT_FALSE(line().c_cflag & CSTOPB);
    openPort(" 57600 , O , 7 , 2 ");
    EXPECT_EQ(speed(), static_cast<speed_t>(B57600));
    EXPECT_TRUE(line().c_cflag & PARODD);
    EXPECT_TRUE(line().c_cflag & CSTOPB);
    openPort("19200,e,5,1");
    EXPECT_EQ(speed(), static_cast<speed_t>(B19200));
    EXPECT_FALSE(line().c_cflag & PARODD);
}

TEST_F(QtSerialPortTest, RefusesWhatItCannotOpenWithAReasonAndNoEvent)
{
    std::string error;
    for (const char* bad :
         {"", "9600", "9600,n,8", "9600,n,8,1,1", "fast,n,8,1", "0,n,8,1", "-9600,n,8,1", "99999999999,n,8,1",
          "9600,x,8,1", "9600,no,8,1", "9600,n,9,1", "9600,n,4,1", "9600,n,8,3", "9600,n,8,"}) {
        error.clear();
        EXPECT_FALSE(port.open(path, bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_FALSE(port.open("/dev/no-such-serial-device", "9600,n,8,1", error));
    EXPECT_NE(error.find("/dev/no-such-serial-device"), std::string::npos) << error;
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write("x"));
    SpinFor(20);
    EXPECT_TRUE(log.serialErrors.empty());
}

TEST_F(QtSerialPortTest, BytesTravelUnchangedAndInOrderBothWays)
{
    openPort();
    Bytes big;
    for (int i = 0; i < 200000; ++i)
        big.push_back(static_cast<char>(i * 7 + i / 256));
    ASSERT_TRUE(port.write(big));
    EXPECT_TRUE(sent(big.size()) == big);

    const Bytes first = big.substr(0, 256), second("\xFF\x00tail", 6);
    ASSERT_EQ(::write(master, first.data(), first.size()), 256);
    ASSERT_TRUE(SpinUntil([&] { return received().size() >= 256; }));
    ASSERT_EQ(::write(master, second.data(), second.size()), 6);
    ASSERT_TRUE(SpinUntil([&] { return received().size() >= 262; }));
    EXPECT_EQ(received(), first + second);
    for (const Bytes& chunk : log.chunks)
        EXPECT_FALSE(chunk.empty());
}

TEST_F(QtSerialPortTest, ClosingIsQuietAndTheLineCanBeReopened)
{
    openPort();
    port.close();
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write("x"));
    ASSERT_EQ(::write(master, "early", 5), 5);
    SpinFor(30);
    EXPECT_TRUE(log.chunks.empty());
    EXPECT_TRUE(log.serialErrors.empty());

    openPort();
    ASSERT_TRUE(SpinUntil([&] { return received() == "early"; }));
}

TEST_F(QtSerialPortTest, LostLineIsReportedOnceAndLeftClosedForAReopen)
{
    openPort();
    ::close(master);  // the far end goes, as when an adapter is pulled
    master = -1;
    ASSERT_TRUE(SpinUntil([&] { return !log.serialErrors.empty(); }));
    SpinFor(100);
    EXPECT_EQ(log.serialErrors, std::vector<int>{QSerialPort::ResourceError});
    EXPECT_FALSE(port.isOpen());
}

}  // namespace
