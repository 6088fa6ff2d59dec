#include "model/ClientAddresses.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace {

// An address, or the network of its first PrefixBits bits. IPv4 uses the first 4 bytes.
struct Network {
    std::array<unsigned char, 16> Bytes{};
    bool V4 = true;
    int PrefixBits = 32;
};

const std::array<unsigned char, 12> MappedPrefix{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

std::optional<Network> ParseAddress(std::string Text)
{
    // A zone (fe80::1%eth0) names the interface, not the address.
    if (const size_t zone = Text.find('%'); zone != std::string::npos && Text.find(':') != std::string::npos)
        Text.erase(zone);
    Network n;
    if (inet_pton(AF_INET, Text.c_str(), n.Bytes.data()) == 1)
        return n;
    if (inet_pton(AF_INET6, Text.c_str(), n.Bytes.data()) != 1)
        return std::nullopt;
    n.V4 = false;
    n.PrefixBits = 128;
    return n;
}

// An IPv4 address written the IPv6 way (::ffff:a.b.c.d) becomes the IPv4 one.
Network Unmapped(Network n)
{
    if (n.V4 || n.PrefixBits < 96 || !std::equal(MappedPrefix.begin(), MappedPrefix.end(), n.Bytes.begin()))
        return n;
    std::copy_n(n.Bytes.begin() + 12, 4, n.Bytes.begin());
    std::fill(n.Bytes.begin() + 4, n.Bytes.end(), 0);
    n.V4 = true;
    n.PrefixBits -= 96;
    return n;
}

std::optional<Network> ParseNetwork(const std::string& Entry)
{
    const size_t slash = Entry.find('/');
    std::optional<Network> n = ParseAddress(Entry.substr(0, slash));
    if (!n || slash == std::string::npos)
        return n ? std::optional(Unmapped(*n)) : n;
    const std::string bits = Entry.substr(slash + 1);
    if (bits.empty() || bits.size() > 3 ||
        !std::all_of(bits.begin(), bits.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
        return std::nullopt;
    const int prefix = std::stoi(bits);
    if (prefix > n->PrefixBits)
        return std::nullopt;
    n->PrefixBits = prefix;
    return Unmapped(*n);
}

bool Inside(const Network& Peer, const Network& Net)
{
    if (Peer.V4 != Net.V4)
        return false;
    const auto whole = static_cast<size_t>(Net.PrefixBits / 8);
    if (!std::equal(Net.Bytes.begin(), Net.Bytes.begin() + static_cast<long>(whole), Peer.Bytes.begin()))
        return false;
    const int rest = Net.PrefixBits % 8;
    if (rest == 0)
        return true;
    const auto mask = static_cast<unsigned char>(0xFF << (8 - rest));
    return (Peer.Bytes[whole] & mask) == (Net.Bytes[whole] & mask);
}

std::vector<std::string> AllowedClientEntries(const std::string& Text)
{
    std::vector<std::string> entries;
    std::string entry;
    for (char ch : Text + ',') {
        if (ch == ',' || ch == ';' || ch == ' ' || ch == '\t') {
            if (!entry.empty())
                entries.push_back(entry);
            entry.clear();
        } else {
            entry += ch;
        }
    }
    return entries;
}

}  // namespace

std::string BadAllowedClient(const std::string& Text)
{
    for (const std::string& entry : AllowedClientEntries(Text))
        if (!ParseNetwork(entry))
            return entry;
    return std::string();
}

bool ClientAllowed(const std::string& Text, const std::string& Address)
{
    const std::vector<std::string> entries = AllowedClientEntries(Text);
    if (entries.empty())
        return true;
    const std::optional<Network> peer = ParseAddress(Address);
    if (!peer)
        return false;
    return std::any_of(entries.begin(), entries.end(), [&](const std::string& entry) {
        const std::optional<Network> net = ParseNetwork(entry);
        return net && Inside(Unmapped(*peer), *net);
    });
}

const char* ConnectionRefusal(const std::string& AllowedClients, long MaxClients, const std::string& Address,
                              int Connections)
{
    if (!ClientAllowed(AllowedClients, Address))
        return "Client Refused - Not Allowed";
    if (MaxClients > 0 && Connections >= MaxClients)
        return "Client Refused - Too Many Connections";
    return nullptr;
}

bool ValidListenAddress(const std::string& Text) { return Text.empty() || ParseAddress(Text).has_value(); }
