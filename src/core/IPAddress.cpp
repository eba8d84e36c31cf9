#include "core/IPAddress.h"

#include "core/Exceptions.h"

#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>

namespace tb {
namespace {

uint16_t ParsePort(const char* text) {
    if (!*text)
        throw IPAddressException();
    uint32_t port = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            throw IPAddressException();
        port = port * 10 + static_cast<uint32_t>(*p - '0');
        if (port > 65535)
            throw IPAddressException();
    }
    return static_cast<uint16_t>(port);
}

} // namespace

IPAddress IPAddress::FromHost(const char* text) {
    in_addr converted{};
    if (inet_pton(AF_INET, text, &converted) != 1)
        throw IPAddressException();
    return IPAddress(converted.s_addr, 0);
}

IPAddress IPAddress::FromHostPort(const char* text) {
    const char* colon = strchr(text, ':');
    if (!colon)
        throw IPAddressException();
    String host(text, static_cast<int32_t>(colon - text));
    IPAddress result = FromHost(host.c_str());
    result.port_ = ParsePort(colon + 1);
    return result;
}

IPAddress IPAddress::FromHostPort(const char* text, const char* anyText) {
    size_t anyLength = strlen(anyText);
    if (strncmp(text, anyText, anyLength) != 0)
        return FromHostPort(text);
    if (text[anyLength] != ':')
        throw IPAddressException();
    return IPAddress(0, ParsePort(text + anyLength + 1));
}

std::optional<IPAddress> IPAddress::Resolve(const char* host, uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (*host == '\0' || getaddrinfo(host, nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    uint32_t address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return IPAddress(address, port);
}

String IPAddress::HostText() const {
    char text[INET_ADDRSTRLEN] = {};
    in_addr a{};
    a.s_addr = address_;
    inet_ntop(AF_INET, &a, text, sizeof text);
    return String(text);
}

String IPAddress::DisplayText(const char* anyText) const {
    return (address_ == 0 ? String(anyText) : HostText()) + ":" + String::FromUnsigned(port_);
}

String IPAddress::HostPortText() const {
    return HostText() + ":" + String::FromUnsigned(port_);
}

} // namespace tb
