#pragma once
// The switcher link on QSerialPort: raw bytes both ways, each batch of
// received bytes reported as one chunk, line faults reported as error codes.
#include "platform/Seams.h"

#include <QSerialPort>

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();

    // Events before a handler is set are dropped.
    void setHandler(PlatformEvents* handler) { handler_ = handler; }

    bool open(const std::string& device, const std::string& settings, std::string& error) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    bool write(const Bytes& data) override;
    std::vector<SerialDeviceInfo> availableDevices() const override;

private:
    void received();
    void failed(QSerialPort::SerialPortError error);
    void deviceLost(unsigned session, int code);
    void readFaultCounters(int& overruns, int& overflows) const;

    QSerialPort port_;
    PlatformEvents* handler_ = nullptr;
    // Qt signals errors from inside open and close; those are not events.
    bool quiet_ = false;
    // Counts opens and closes so a queued report of a lost device is dropped
    // when the port has been closed or reopened meanwhile.
    unsigned session_ = 0;
    bool lost_ = false;  // the line failed and its close is queued
    int overruns_ = 0;
    int overflows_ = 0;
};
