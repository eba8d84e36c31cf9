#pragma once

#include "core/Exceptions.h"

namespace tb {

// An MP3 file could not be opened for analysis. The value is the errno of
// the failure (EISDIR or EINVAL for something that is not a regular file).
class Mp3FileException : public GeneralException {
public:
    explicit Mp3FileException(int32_t error) : GeneralException("cannot open MP3 file", error) {}
};

} // namespace tb
