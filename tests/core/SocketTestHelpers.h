#pragma once

#include "core/Exceptions.h"
#include "core/IPAddress.h"

#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>

namespace tb::test {

inline IPAddress Loopback(uint16_t port) {
    return IPAddress(htonl(INADDR_LOOPBACK), port);
}

// The code of the SocketException `action` throws, or 0 when it throws none.
inline int32_t CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const SocketException& e) {
        return e.Value();
    }
    return 0;
}

} // namespace tb::test
