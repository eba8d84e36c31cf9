#pragma once

#include "core/IPAddress.h"

namespace tb::socket_handle {

// Small helpers shared by the two socket kinds; all throw SocketException.
int Open();
void CloseQuietly(int handle) noexcept;
IPAddress LocalAddress(int handle);
IPAddress PeerAddress(int handle);

} // namespace tb::socket_handle
