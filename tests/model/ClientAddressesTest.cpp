#include "model/ClientAddresses.h"

#include <gtest/gtest.h>

TEST(ClientAddresses, PeersAreMatchedAgainstAddressesAndNetworksOfEitherFamily)
{
    const std::string list = "192.168.1.0/24, 10.0.0.7;fd00::/8  fe80::1";
    const std::pair<const char*, bool> peers[] = {
        {"192.168.1.77", true},       {"192.168.2.1", false},     {"10.0.0.7", true}, {"10.0.0.8", false},
        {"::ffff:192.168.1.5", true}, {"::ffff:10.0.0.8", false}, {"fd00::2", true},  {"fe80::1%eth0", true},
        {"fe80::2", false},           {"not an address", false},  {"", false},
    };
    for (const auto& [peer, allowed] : peers)
        EXPECT_EQ(ClientAllowed(list, peer), allowed) << peer;
    EXPECT_TRUE(ClientAllowed("", "203.0.113.9"));
    EXPECT_TRUE(ClientAllowed(" , ", "203.0.113.9"));
    EXPECT_TRUE(ClientAllowed("0.0.0.0/0", "203.0.113.9"));
    EXPECT_FALSE(ClientAllowed("0.0.0.0/0", "2001:db8::1"));
    EXPECT_TRUE(ClientAllowed("::ffff:10.0.0.0/104", "10.9.9.9"));
    EXPECT_TRUE(ClientAllowed("192.168.1.200/25", "192.168.1.130"));
    EXPECT_FALSE(ClientAllowed("192.168.1.200/25", "192.168.1.127"));
    EXPECT_EQ(BadAllowedClient(list), "");
}

TEST(ClientAddresses, AnEntryThatIsNoNetworkIsNamedAndLetsNobodyIn)
{
    for (const char* bad : {"10.0.0.300", "10.0.0.0/33", "fd00::/129", "/24", "10.0.0.0/", "10.0.0.0/x", "host"}) {
        EXPECT_EQ(BadAllowedClient(std::string("127.0.0.1, ") + bad), bad);
        EXPECT_FALSE(ClientAllowed(bad, "10.0.0.1")) << bad;
    }
    for (const char* address : {"", "127.0.0.1", "::", "::1", "fe80::1%eth0"})
        EXPECT_TRUE(ValidListenAddress(address)) << address;
    for (const char* address : {"localhost", "127.0.0.1/8", "1.2.3", " 127.0.0.1"})
        EXPECT_FALSE(ValidListenAddress(address)) << address;
}
