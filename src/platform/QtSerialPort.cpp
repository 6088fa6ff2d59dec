#include "platform/QtSerialPort.h"

#include <QMetaObject>
#include <QSerialPortInfo>

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

struct LineSettings {
    qint32 baud = 0;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

std::string Trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::vector<std::string> CommaFields(const std::string& text)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        fields.push_back(Trimmed(text.substr(start, comma - start)));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

bool ParseBaud(const std::string& baud, qint32& out)
{
    const bool digits = !baud.empty() && baud.size() <= 9 && std::all_of(baud.begin(), baud.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
    const long rate = digits ? std::stol(baud) : 0;
    out = static_cast<qint32>(rate);
    return rate > 0;
}

bool ParseParity(const std::string& parity, QSerialPort::Parity& out)
{
    if (parity.size() != 1)
        return false;
    switch (std::tolower(static_cast<unsigned char>(parity[0]))) {
    case 'n': out = QSerialPort::NoParity; return true;
    case 'e': out = QSerialPort::EvenParity; return true;
    case 'o': out = QSerialPort::OddParity; return true;
    case 'm': out = QSerialPort::MarkParity; return true;
    case 's': out = QSerialPort::SpaceParity; return true;
    default: return false;
    }
}

bool ParseDataBits(const std::string& bits, QSerialPort::DataBits& out)
{
    if (bits.size() != 1 || bits[0] < '5' || bits[0] > '8')
        return false;
    out = static_cast<QSerialPort::DataBits>(bits[0] - '0');
    return true;
}

bool ParseStopBits(const std::string& stop, QSerialPort::StopBits& out)
{
    if (stop == "1")
        out = QSerialPort::OneStop;
    else if (stop == "1.5")
        out = QSerialPort::OneAndHalfStop;
    else if (stop == "2")
        out = QSerialPort::TwoStop;
    else
        return false;
    return true;
}

// "57600,n,8,1": baud, parity (n e o m s), data bits (5-8), stop bits (1 1.5 2).
bool ParseSettings(const std::string& text, LineSettings& out, std::string& error)
{
    const std::vector<std::string> fields = CommaFields(text);
    error = "invalid serial settings \"" + text + "\": ";
    const char* bad = nullptr;
    if (fields.size() != 4)
        bad = "expected baud,parity,data bits,stop bits";
    else if (!ParseBaud(fields[0], out.baud))
        bad = "bad baud rate";
    else if (!ParseParity(fields[1], out.parity))
        bad = "bad parity";
    else if (!ParseDataBits(fields[2], out.dataBits))
        bad = "bad data bits";
    else if (!ParseStopBits(fields[3], out.stopBits))
        bad = "bad stop bits";
    if (bad != nullptr) {
        error += bad;
        return false;
    }
    error.clear();
    return true;
}

bool LineHungUp(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return fd >= 0 && ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

class Quiet {
public:
    explicit Quiet(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Quiet() { flag_ = was_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    bool& flag_;
    bool was_;
};

}  // namespace

QtSerialPort::QtSerialPort()
{
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { received(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError e) { failed(e); });
}

bool QtSerialPort::open(const std::string& device, const std::string& settings, std::string& error)
{
    LineSettings line;
    if (!ParseSettings(settings, line, error))
        return false;
    if (device.empty()) {
        error = "no serial device given";
        return false;
    }

    Quiet quiet(quiet_);
    close();
    // A name without a directory is taken from /dev, a full path as it is.
    port_.setPortName(QString::fromStdString(device));
    port_.setBaudRate(line.baud);
    port_.setParity(line.parity);
    port_.setDataBits(line.dataBits);
    port_.setStopBits(line.stopBits);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        error = device + ": " + port_.errorString().toStdString();
        return false;
    }
    ++session_;
    lost_ = false;
    readFaultCounters(overruns_, overflows_);
    return true;
}

void QtSerialPort::close()
{
    if (!port_.isOpen())
        return;
    Quiet quiet(quiet_);
    ++session_;
    port_.close();
}

bool QtSerialPort::write(const Bytes& data)
{
    if (!port_.isOpen())
        return false;
    if (data.empty())
        return true;
    Quiet quiet(quiet_);
    // With nothing queued the bytes go onto the line now, without Qt's buffer
    // and write notifier; what the line does not take waits in the queue, in
    // order, and a failed write leaves it all to Qt, which reports the error.
    size_t sent = 0;
    if (port_.bytesToWrite() == 0) {
        const ssize_t n = ::write(port_.handle(), data.data(), data.size());
        sent = n > 0 ? static_cast<size_t>(n) : 0;
    }
    const auto rest = static_cast<qint64>(data.size() - sent);
    return rest == 0 || port_.write(data.data() + sent, rest) == rest;
}

std::vector<SerialDeviceInfo> QtSerialPort::availableDevices() const
{
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices.push_back({info.systemLocation().toStdString(), info.description().toStdString()});
    return devices;
}

void QtSerialPort::received()
{
    const QByteArray data = port_.readAll();
    int overruns = overruns_, overflows = overflows_;
    readFaultCounters(overruns, overflows);
    const bool overran = overruns != overruns_;
    const bool overflowed = overflows != overflows_;
    overruns_ = overruns;
    overflows_ = overflows;

    if (!handler_)
        return;
    if (!data.isEmpty())
        handler_->onSerialData(Bytes(data.constData(), static_cast<size_t>(data.size())));
    if (overran)
        handler_->onSerialError(SerialOverrunError);
    if (overflowed)
        handler_->onSerialError(SerialReceiveOverflowError);
}

void QtSerialPort::failed(QSerialPort::SerialPortError error)
{
    if (quiet_ || error == QSerialPort::NoError || !port_.isOpen() || lost_)
        return;
    // A pulled adapter or a hung-up line reads as end of file, which Qt calls
    // ReadError and signals again on every pass of the loop. A line that is
    // hung up or fails to read is closed and reported once, a hung-up one as
    // ResourceError, so the server can reopen it.
    const bool hungUp = LineHungUp(port_.handle());
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError || hungUp) {
        lost_ = true;
        const int code = hungUp ? QSerialPort::ResourceError : error;
        const unsigned session = session_;
        // Closing is left to the loop: this runs inside Qt's notifier code.
        QMetaObject::invokeMethod(
            &port_, [this, session, code] { deviceLost(session, code); }, Qt::QueuedConnection);
        return;
    }
    if (handler_)
        handler_->onSerialError(static_cast<int>(error));
}

void QtSerialPort::deviceLost(unsigned session, int code)
{
    if (session != session_)
        return;
    close();
    if (handler_)
        handler_->onSerialError(code);
}

// Linux keeps per-line fault counts; a rise since the last look is a fault.
// Lines without counts (pseudo-terminals, some USB adapters) report none.
void QtSerialPort::readFaultCounters(int& overruns, int& overflows) const
{
#if defined(__linux__) && defined(TIOCGICOUNT)
    serial_icounter_struct counts{};
    if (port_.handle() >= 0 && ::ioctl(port_.handle(), TIOCGICOUNT, &counts) == 0) {
        overruns = counts.overrun;
        overflows = counts.buf_overrun;
    }
#else
    (void)overruns;
    (void)overflows;
#endif
}
