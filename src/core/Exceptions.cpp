#include "core/Exceptions.h"

namespace tb {

GeneralException::GeneralException(const char* kind, int32_t value)
    : value_(value), message_(std::string(kind) + " (" + std::to_string(value) + ")") {}

} // namespace tb
