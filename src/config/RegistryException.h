#pragma once

#include "core/Exceptions.h"
#include "core/String.h"

#include <cstdint>
#include <string>

namespace tb {

// A failure of the persistent store: a Windows-style error code and the key
// or value concerned, plus a human-readable detail when the store itself
// failed (a damaged file, a full disk, missing permissions).
class RegistryException : public GeneralException {
public:
    static constexpr int32_t FileNotFound = 2; // missing key or value
    static constexpr int32_t PathNotFound = 3;
    static constexpr int32_t AccessDenied = 5;
    static constexpr int32_t OutOfMemory = 14;
    static constexpr int32_t GeneralFailure = 31;
    static constexpr int32_t InvalidParameter = 87;
    static constexpr int32_t DiskFull = 112;
    static constexpr int32_t Busy = 170;
    static constexpr int32_t Corrupt = 1015;
    static constexpr int32_t IoFailed = 1016;
    static constexpr int32_t KeyDeleted = 1018;
    // No open key; also every failed DeleteSubKey and value write.
    static constexpr int32_t NotOpen = 15000;
    // The value exists with another type than the one asked for.
    static constexpr int32_t WrongType = 15001;
    // A REG_DWORD whose data is not 4 bytes.
    static constexpr int32_t BadSize = 15002;

    RegistryException(int32_t code, const String& name, std::string detail = {});

    int32_t Code() const noexcept { return Value(); }
    const String& Name() const noexcept { return name_; }
    const std::string& Detail() const noexcept { return detail_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    String name_;
    std::string detail_;
    std::string message_;
};

} // namespace tb
