#pragma once
// The real server binary, started headless in a folder of its own, and a
// plain TCP client for it.
#include "platform/QtLoop.h"
#include "support/TempDir.h"
#include "support/WireBytes.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <fstream>
#include <functional>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <vector>

struct RunResult {
    int status = -1;
    std::string out, err;
};

inline RunResult RunToEnd(const QStringList& args)
{
    QProcess p;
    p.start(HVNSERVER_PATH, args);
    p.waitForFinished(10000);
    return {p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

// A test that crashes or is killed must not leave its server behind: one
// still retrying its serial device would open the next test's pseudo-terminal
// of the same number.
inline void DieWithTheTest(QProcess& p)
{
    p.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

class ServerProcess {
public:
    // A DescriptorLimit above 0 is the server's limit of open files, soft and hard.
    ServerProcess(const TempDir& dir, QStringList extra = {}, rlim_t descriptorLimit = 0)
    {
        QtApp();
        process_.setChildProcessModifier([descriptorLimit] {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const rlimit limit{descriptorLimit, descriptorLimit};
            if (descriptorLimit > 0)
                setrlimit(RLIMIT_NOFILE, &limit);
        });
        process_.start(HVNSERVER_PATH,
                       QStringList{"--headless", "--app-dir", QString::fromStdString(dir.app())} + extra);
        process_.waitForStarted(5000);
    }
    ~ServerProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Waits until Text has appeared Times times on standard output.
    bool waitForOutput(const std::string& text, int ms = 5000, int times = 1)
    {
        return SpinUntil(
            [&] {
                process_.waitForReadyRead(20);
                out_ += process_.readAllStandardOutput().toStdString();
                int seen = 0;
                for (size_t at = out_.find(text); at != std::string::npos; at = out_.find(text, at + 1))
                    ++seen;
                return seen >= times;
            },
            ms);
    }
    // Waits until Text has appeared on standard error, where message boxes go.
    bool waitForError(const std::string& text, int ms = 5000)
    {
        return SpinUntil(
            [&] {
                process_.waitForReadyRead(20);
                err_ += process_.readAllStandardError().toStdString();
                return err_.find(text) != std::string::npos;
            },
            ms);
    }

    // The orderly exit a supervisor asks for.
    int terminate()
    {
        // A server that is gone already has no pid: 0 would signal the test's own process group.
        const pid_t pid = static_cast<pid_t>(process_.processId());
        if (pid <= 0)
            return -1;
        ::kill(pid, SIGTERM);
        process_.waitForFinished(10000);
        out_ += process_.readAllStandardOutput().toStdString();
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

    // Killed without a chance to finish anything.
    void kill()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }

    qint64 pid() const { return process_.processId(); }
    const std::string& out() const { return out_; }

private:
    QProcess process_;
    std::string out_, err_;
};

inline Bytes ReadFromServer(QTcpSocket& s, size_t count)
{
    Bytes got;
    SpinUntil(
        [&] {
            s.waitForReadyRead(20);
            const QByteArray a = s.readAll();
            got.append(a.constData(), static_cast<size_t>(a.size()));
            return got.size() >= count;
        },
        5000);
    return got;
}

// A port nobody listens on right now, so that tests may run side by side.
inline std::string FreePort()
{
    QtApp();
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return std::to_string(probe.serverPort());
}

inline std::string VelaIni() { return "[CONFIGURATION]\r\nSwitcher Type=Vela\r\nTCP/IP Port=" + FreePort() + "\r\n"; }

inline std::vector<std::string> IniKeys(const std::string& text)
{
    std::vector<std::string> keys;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (const size_t eq = line.find('='); eq != std::string::npos)
            keys.push_back(line.substr(0, eq));
    return keys;
}

// A plain TCP client of the server under test.
class TestClient {
public:
    bool connectTo(const std::string& port, int ms = 5000)
    {
        QtApp();
        return SpinUntil(
            [&] {
                if (socket.state() == QAbstractSocket::UnconnectedState)
                    socket.connectToHost("127.0.0.1", static_cast<quint16>(std::stoi(port)));
                socket.waitForConnected(100);
                return socket.state() == QAbstractSocket::ConnectedState;
            },
            ms);
    }
    void send(const Bytes& data)
    {
        socket.write(data.data(), static_cast<qint64>(data.size()));
        socket.waitForBytesWritten(1000);
    }
    // Collects what arrives until Done says enough or Ms milliseconds passed.
    Bytes& readUntil(const std::function<bool(const Bytes&)>& done, int ms = 5000)
    {
        SpinUntil(
            [&] {
                socket.waitForReadyRead(10);
                const QByteArray a = socket.readAll();
                received.append(a.constData(), static_cast<size_t>(a.size()));
                return done(received);
            },
            ms);
        return received;
    }
    Bytes& readFor(int ms)
    {
        return readUntil([](const Bytes&) { return false; }, ms);
    }
    bool waitFor(const Bytes& needle, int ms = 5000)
    {
        return readUntil([&](const Bytes& got) { return got.find(needle) != Bytes::npos; }, ms).find(needle) !=
               Bytes::npos;
    }
    bool closedByServer(int ms = 5000)
    {
        return SpinUntil(
            [&] {
                socket.waitForReadyRead(10);
                received += socket.readAll().toStdString();
                return socket.state() == QAbstractSocket::UnconnectedState;
            },
            ms);
    }

    QTcpSocket socket;
    Bytes received;
};

// A logged-in client's keep-alive is answered "ready": the server is up and
// on line with its switcher.
inline bool AnswersReady(TestClient& Client)
{
    Client.received.clear();
    Client.send(Wire({0xF5}));
    return Client.waitFor(Wire({0xF4}), 1000);
}

// Resident memory of a process in kilobytes, from /proc.
inline long ResidentKb(qint64 Pid)
{
    std::ifstream status("/proc/" + std::to_string(Pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// Defined under AddressSanitizer (gcc and clang tell it differently), whose
// allocator holds freed memory back on purpose: resident sizes say little there.
#if defined(__SANITIZE_ADDRESS__)
#define HVN_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HVN_ADDRESS_SANITIZER 1
#endif
#endif
