#pragma once

#include "core/Exceptions.h"

#include <string>

namespace tb {

// A stored object that cannot be turned back into an object. The code is
// always 0; what() is the message text itself.
class PersistantObjectException : public GeneralException {
public:
    static constexpr const char* LoaderNotAvailable = "Object loader not available.";

    explicit PersistantObjectException(const char* message)
        : GeneralException("persistent object error", 0), message_(message) {}

    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

} // namespace tb
