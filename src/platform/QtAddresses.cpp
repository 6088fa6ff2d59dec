#include "platform/QtAddresses.h"

std::string DottedAddress(const QHostAddress& address)
{
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return (v4 ? QHostAddress(ip) : address).toString().toStdString();
}

QHostAddress ListenHostAddress(const std::string& address)
{
    if (address.empty())
        return QHostAddress(QHostAddress::AnyIPv4);
    if (address == "::")
        return QHostAddress(QHostAddress::Any);
    return QHostAddress(QString::fromStdString(address));
}

std::optional<QHostAddress> ListenTarget(const std::string& Address, long PortNumber, std::string& Error)
{
    if (PortNumber < 1 || PortNumber > 65535) {
        Error = "invalid port number " + std::to_string(PortNumber);
        return std::nullopt;
    }
    const QHostAddress local = ListenHostAddress(Address);
    if (local.isNull()) {
        Error = "invalid listen address " + Address;
        return std::nullopt;
    }
    return local;
}
