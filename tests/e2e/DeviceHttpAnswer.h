#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tb::test {

// One HTTP answer as a device receives it: everything read until the
// server closed the connection, split into status line, header fields and
// body.
struct DeviceHttpAnswer {
    std::string raw;
    bool hasHeader = false; // the empty line that ends the header block arrived
    std::string statusLine;
    std::vector<std::pair<std::string, std::string>> headers; // names and values as sent
    std::string body;
    long long contentLength = -1; // -1 without a Content-Length field

    static DeviceHttpAnswer Parse(std::string raw);

    // The value of the first field of this name (any case), or null.
    const std::string* Header(const std::string& name) const;
    // A header, a Content-Length, and exactly that many body bytes.
    bool Complete() const {
        return hasHeader && contentLength >= 0 &&
               body.size() == static_cast<unsigned long long>(contentLength);
    }
    // A short description for failure messages.
    std::string Describe() const;
};

} // namespace tb::test
