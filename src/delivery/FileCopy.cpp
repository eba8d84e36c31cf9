#include "delivery/FileCopy.h"

#include "core/Event.h"
#include "core/Socket.h"
#include "server/HttpRequest.h"
#include "web/UserList.h"

#include <algorithm>
#include <unistd.h>

namespace tb {

constexpr int32_t ChunkSize = 5000;
constexpr int ChunksPerCheck = 5;

std::pair<int64_t, int64_t> RangeOf(int64_t size, int32_t rangeStart) {
    int64_t start = rangeStart < 0 ? std::max<int64_t>(0, size + rangeStart)
                                   : std::min<int64_t>(rangeStart, size);
    return {start, size - start};
}

String StatusKey(const HttpRequest& request) {
    return request.user ? request.user->Key() : request.unitKey;
}

bool CopyFileToClient(HttpRequest& request, int fd, int64_t length, const char* status) {
    char buffer[ChunkSize];
    String key = StatusKey(request);
    for (int64_t chunk = 0; length > 0; ++chunk) {
        if (chunk % ChunksPerCheck == 0 && chunk > 0) {
            if (request.quitEvent && request.quitEvent->IsSet())
                return true;
            if (request.users)
                request.users->SetStatus(key, status, 5);
        }
        ssize_t n = ::read(fd, buffer, static_cast<size_t>(std::min<int64_t>(length, ChunkSize)));
        if (n <= 0)
            return false;
        request.socket->Write(buffer, static_cast<int32_t>(n));
        length -= n;
    }
    return true;
}

} // namespace tb
