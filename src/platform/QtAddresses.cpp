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
