#pragma once

#include "core/String.h"

#include <cstdint>
#include <utility>

namespace tb {

struct HttpRequest;

// Where a ranged answer starts and how many bytes it sends: a start past
// the end sends nothing, a negative start counts back from the end.
std::pair<int64_t, int64_t> RangeOf(int64_t size, int32_t rangeStart);

// Sends `length` bytes of the open file from its current position in
// 5000-byte chunks. Before every fifth chunk it stops if the server is
// quitting, else reports `status` for the request's user again. Returns
// false when the file ended early. Socket failures throw.
bool CopyFileToClient(HttpRequest& request, int fd, int64_t length, const char* status);

// The login ID status reports are filed under.
String StatusKey(const HttpRequest& request);

} // namespace tb
