#pragma once

#include "core/String.h"

#include <cstdint>

namespace tb {

// Broken-down time in the classic system-time layout.
struct SystemTime {
    static constexpr uint16_t UnknownWeekday = 0xFFFF;
    uint16_t year = 0;
    uint16_t month = 0;     // 1..12
    uint16_t dayOfWeek = 0; // 0 = Sunday
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

// One point in time, held as a 64-bit file time (100-ns steps since
// 1601-01-01) and/or a broken-down SystemTime, converted lazily. No time
// zone is applied anywhere: texts show the stored value. A DateTime that
// several threads read must be Complete()d first, since a lazy conversion
// writes the missing form.
class DateTime {
public:
    enum class FileTimeKind { Creation = 0, LastAccess = 1, LastWrite = 2 };

    DateTime() = default; // neither form valid
    explicit DateTime(uint64_t fileTime) : fileTime_(fileTime), fileTimeValid_(true) {}
    // Validates; throws DateTimeBoundError for an impossible time.
    explicit DateTime(const SystemTime& time);

    static DateTime Now();    // local time
    static DateTime NowUtc(); // universal time
    static DateTime FromUnix(int64_t seconds, int64_t nanoseconds);

    // Keeps one of the file's times; false (object unchanged) when the file
    // cannot be examined.
    bool FromFile(const char* path, FileTimeKind which);

    uint64_t FileTime() const;
    const SystemTime& GetSystemTime() const;
    // Makes both forms valid, weekday included.
    void Complete() const;

    // 16 lower-case hexadecimal digits of the file time.
    String TimeTag() const;
    // "Sun, 6 Mar 2005 9:5:3 GMT": no leading zeros, the stored time as is.
    String HttpDateText() const;

    static bool IsLeapYear(int year);
    static int DaysInMonth(int year, int month);

private:
    mutable uint64_t fileTime_ = 0;
    mutable SystemTime systemTime_{};
    mutable bool fileTimeValid_ = false;
    mutable bool systemTimeValid_ = false;
};

} // namespace tb
