#include "core/IPAddress.h"

#include "core/Exceptions.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ostream>

namespace tb {

// Failure messages show a String's text.
[[maybe_unused]] static void PrintTo(const String& s, std::ostream* os) {
    *os << '"' << s.View() << '"';
}

namespace {

uint32_t NetworkAddress(const char* text) {
    in_addr a{};
    EXPECT_EQ(inet_pton(AF_INET, text, &a), 1) << text;
    return a.s_addr;
}

TEST(IPAddressTest, HostAndPortText) {
    IPAddress a = IPAddress::FromHostPort("192.168.1.5:42961");
    EXPECT_EQ(a.Port(), 42961);
    EXPECT_EQ(a.Address(), NetworkAddress("192.168.1.5"));
    EXPECT_EQ(a.HostText(), "192.168.1.5");
    EXPECT_EQ(a.HostPortText(), "192.168.1.5:42961");
    EXPECT_EQ(a.DisplayText(IPAddress::AnyText), "192.168.1.5:42961");

    IPAddress b = IPAddress::FromHostPort("10.0.0.1:0");
    EXPECT_EQ(b.Port(), 0);
    EXPECT_EQ(IPAddress::FromHostPort("1.2.3.4:65535").Port(), 65535);

    IPAddress host = IPAddress::FromHost("127.0.0.1");
    EXPECT_EQ(host.Address(), NetworkAddress("127.0.0.1"));
    EXPECT_EQ(host.Port(), 0);
    host.SetPort(8080);
    EXPECT_EQ(host.HostPortText(), "127.0.0.1:8080");
    EXPECT_EQ(host, IPAddress::FromHostPort("127.0.0.1:8080"));
}

TEST(IPAddressTest, AddressZeroIsShownAsAllLocalAddresses) {
    IPAddress any(0, 42961);
    EXPECT_EQ(any.DisplayText(IPAddress::AnyText), "[All local IP-addresses]:42961");
    EXPECT_EQ(any.DisplayText("*"), "*:42961");
    EXPECT_EQ(any.HostPortText(), "0.0.0.0:42961");

    IPAddress parsed = IPAddress::FromHostPort("[All local IP-addresses]:8000", IPAddress::AnyText);
    EXPECT_EQ(parsed.Address(), 0u);
    EXPECT_EQ(parsed.Port(), 8000);
    IPAddress plain = IPAddress::FromHostPort("127.0.0.1:8000", IPAddress::AnyText);
    EXPECT_EQ(plain.Address(), NetworkAddress("127.0.0.1"));
    EXPECT_EQ(plain.Port(), 8000);
    EXPECT_THROW(IPAddress::FromHostPort("[All local IP-addresses]", IPAddress::AnyText),
                 IPAddressException);
    EXPECT_THROW(IPAddress::FromHostPort("[All local IP-addresses] 80", IPAddress::AnyText),
                 IPAddressException);
}

TEST(IPAddressTest, MalformedTextsThrow) {
    try {
        IPAddress::FromHostPort("192.168.1.5");
        FAIL() << "no exception";
    } catch (const GeneralException& e) {
        EXPECT_EQ(e.Value(), -1);
    }
    const char* bad[] = {
        "256.1.1.1:80", "a.b.c.d:80", ":80",         "1.2.3.4:", "1.2.3.4:65536",
        "1.2.3.4:8x",   "1.2.3.4:-1", "1.2.3.4.5:1", "host:80",  "1.2.3.4:99999999999",
    };
    for (const char* text : bad)
        EXPECT_THROW(IPAddress::FromHostPort(text), IPAddressException) << text;
    EXPECT_THROW(IPAddress::FromHost("example.org"), IPAddressException);
    EXPECT_THROW(IPAddress::FromHost(""), IPAddressException);
}

TEST(IPAddressTest, HostTextMatchesTheCLibrary) {
    const uint32_t hosts[] = {0x00000000, 0x7F000001, 0xC0A80105, 0x0A000001,
                              0xFFFFFFFF, 0x01020304, 0xAC10FE01, 0x08080808};
    for (uint32_t host : hosts) {
        in_addr a{};
        a.s_addr = htonl(host);
        char expected[INET_ADDRSTRLEN];
        ASSERT_NE(inet_ntop(AF_INET, &a, expected, sizeof expected), nullptr);
        IPAddress address(htonl(host), 1);
        EXPECT_EQ(address.HostText(), expected);
        EXPECT_EQ(IPAddress::FromHost(expected).Address(), htonl(host));
    }
}

} // namespace
} // namespace tb
