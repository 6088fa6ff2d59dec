#pragma once
// Addresses as the listeners take and report them.
#include <QHostAddress>

#include <optional>
#include <string>

// An IPv4 peer in dotted form, also when an IPv6 listener saw it.
std::string DottedAddress(const QHostAddress& address);
// Empty: every IPv4 address, as the server always listened; "::" both families.
QHostAddress ListenHostAddress(const std::string& address);
// Where a listener goes; none, with Error saying why, for an address or a
// port number nothing can listen on.
std::optional<QHostAddress> ListenTarget(const std::string& Address, long PortNumber, std::string& Error);
