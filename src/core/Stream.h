#pragma once

#include <cstdint>

namespace tb {

// A byte source. Read returns the count read, or -1 at the end; Get returns
// one byte (0..255) or -1 at the end.
class InputStream {
public:
    virtual ~InputStream() = default;
    virtual int32_t Read(void* buffer, int32_t maximum);
    virtual int32_t Get() = 0;
};

// A byte sink. The generic Write puts byte by byte.
class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual void Write(const void* bytes, int32_t count);
    virtual void Put(char byte) = 0;
    virtual void Close() {}
};

} // namespace tb
