#pragma once

#include "core/String.h"

#include <cstdint>
#include <optional>

namespace tb {

// An IPv4 endpoint. The address is kept in network byte order (0 = every
// local address), the port in host byte order.
class IPAddress {
public:
    static constexpr const char* AnyText = "[All local IP-addresses]";

    IPAddress() = default;
    IPAddress(uint32_t networkAddress, uint16_t port) : address_(networkAddress), port_(port) {}

    // "a.b.c.d" (port 0). Throws IPAddressException when it does not convert.
    static IPAddress FromHost(const char* text);
    // "a.b.c.d:port". Throws IPAddressException without ':' or with a bad part.
    static IPAddress FromHostPort(const char* text);
    // As FromHostPort, but a text beginning with `anyText` stands for address 0
    // and must continue with ':' and the port.
    static IPAddress FromHostPort(const char* text, const char* anyText);
    // The first IPv4 address the system's resolver gives for a host name (a
    // dotted quad is a name too), with `port`; nothing when there is none.
    static std::optional<IPAddress> Resolve(const char* host, uint16_t port);

    uint32_t Address() const noexcept { return address_; }
    uint16_t Port() const noexcept { return port_; }
    void SetPort(uint16_t port) noexcept { port_ = port; }

    String HostText() const;
    // `anyText` for address 0, else the dotted quad; then ":" and the port.
    String DisplayText(const char* anyText) const;
    String HostPortText() const;

    bool operator==(const IPAddress&) const = default;

private:
    uint32_t address_ = 0;
    uint16_t port_ = 0;
};

} // namespace tb
