#include "config/RegistryException.h"

namespace tb {

RegistryException::RegistryException(int32_t code, const String& name, std::string detail)
    : GeneralException("registry error", code), name_(name), detail_(std::move(detail)) {
    message_ =
        "registry error " + std::to_string(code) + " at \"" + std::string(name.View()) + "\"";
    if (!detail_.empty())
        message_ += ": " + detail_;
}

} // namespace tb
