#pragma once
// Who may connect: the addresses and networks of "Allowed Clients"
// ("192.168.1.0/24, 10.0.0.7, fd00::/8", separated by commas, semicolons
// or blanks), and what a listen address may be.
#include <string>

// The first entry that is neither an address nor a network; empty when there is none.
std::string BadAllowedClient(const std::string& Text);
// Whether a peer at Address may connect: anybody when Text has no entries,
// else a peer inside one of them. An entry that does not parse lets nobody in,
// so a typing error never opens the server. An IPv4 peer seen through an IPv6
// listener (::ffff:a.b.c.d) is matched as IPv4.
bool ClientAllowed(const std::string& Text, const std::string& Address);
// Why a connection from Address is refused at the door when the port holds
// Connections already: the log line ("Client Refused - ..."), or null to let it in.
const char* ConnectionRefusal(const std::string& AllowedClients, long MaxClients, const std::string& Address,
                              int Connections);
// Empty (every address), or one IPv4 or IPv6 address, an IPv6 one with an optional %zone.
bool ValidListenAddress(const std::string& Text);
