#include "DeviceHttpAnswer.h"

#include <cstdlib>
#include <strings.h>

namespace tb::test {

DeviceHttpAnswer DeviceHttpAnswer::Parse(std::string raw) {
    DeviceHttpAnswer answer;
    answer.raw = std::move(raw);
    size_t end = answer.raw.find("\r\n\r\n");
    if (end == std::string::npos)
        return answer;
    answer.hasHeader = true;
    answer.body = answer.raw.substr(end + 4);
    size_t lineEnd = answer.raw.find("\r\n");
    answer.statusLine = answer.raw.substr(0, lineEnd);
    for (size_t at = lineEnd + 2; at < end + 2;) {
        size_t next = answer.raw.find("\r\n", at);
        std::string line = answer.raw.substr(at, next - at);
        at = next + 2;
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        // One space after the colon is the separator; more belong to the value.
        size_t value = colon + 1 < line.size() && line[colon + 1] == ' ' ? colon + 2 : colon + 1;
        answer.headers.emplace_back(line.substr(0, colon), line.substr(value));
    }
    if (const std::string* length = answer.Header("Content-Length")) {
        char* stop = nullptr;
        long long n = std::strtoll(length->c_str(), &stop, 10);
        if (!length->empty() && *stop == '\0')
            answer.contentLength = n;
    }
    return answer;
}

const std::string* DeviceHttpAnswer::Header(const std::string& name) const {
    for (const auto& [field, value] : headers)
        if (strcasecmp(field.c_str(), name.c_str()) == 0)
            return &value;
    return nullptr;
}

std::string DeviceHttpAnswer::Describe() const {
    if (raw.empty())
        return "no answer";
    if (!hasHeader)
        return "an unterminated header of " + std::to_string(raw.size()) + " bytes";
    return "'" + statusLine + "', Content-Length " + std::to_string(contentLength) + ", " +
           std::to_string(body.size()) + " body bytes";
}

} // namespace tb::test
