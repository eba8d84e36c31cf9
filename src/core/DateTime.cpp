#include "core/DateTime.h"

#include "core/Exceptions.h"
#include "core/Hex.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace tb {
namespace {

constexpr uint64_t TicksPerSecond = 10'000'000;
constexpr uint64_t TicksPerDay = TicksPerSecond * 86400;
constexpr int64_t UnixEpochSeconds = 11'644'473'600; // 1601-01-01 to 1970-01-01
constexpr int InvalidParameter = 22;                 // EINVAL
// The largest file time a conversion accepts (as on the original platform).
constexpr uint64_t MaxFileTime = 0x7FFFFFFFFFFFFFFF;

// Days since 1601-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yoe = year - era * 400;
    int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 584694; // 0000-03-01 to 1601-01-01
}

void CivilFromDays(int64_t days, SystemTime& t) {
    days += 584694;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t doe = days - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t month = mp < 10 ? mp + 3 : mp - 9;
    t.year = static_cast<uint16_t>(yoe + era * 400 + (month <= 2));
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(doy - (153 * mp + 2) / 5 + 1);
}

DateTime FromTm(const std::tm& tm, long nanoseconds) {
    SystemTime t;
    t.year = static_cast<uint16_t>(tm.tm_year + 1900);
    t.month = static_cast<uint16_t>(tm.tm_mon + 1);
    t.day = static_cast<uint16_t>(tm.tm_mday);
    t.hour = static_cast<uint16_t>(tm.tm_hour);
    t.minute = static_cast<uint16_t>(tm.tm_min);
    t.second = static_cast<uint16_t>(tm.tm_sec > 59 ? 59 : tm.tm_sec); // no leap seconds
    t.milliseconds = static_cast<uint16_t>(nanoseconds / 1'000'000);
    return DateTime(t);
}

} // namespace

bool DateTime::IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DateTime::DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

DateTime::DateTime(const SystemTime& time) : systemTime_(time), systemTimeValid_(true) {
    systemTime_.dayOfWeek = SystemTime::UnknownWeekday;
    const SystemTime& t = systemTime_;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) ||
        t.hour > 23 || t.minute > 59 || t.second > 59 || t.milliseconds >= 1000)
        throw DateTimeBoundError();
}

DateTime DateTime::Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm{};
    localtime_r(&now.tv_sec, &tm);
    return FromTm(tm, now.tv_nsec);
}

DateTime DateTime::NowUtc() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return FromUnix(now.tv_sec, now.tv_nsec);
}

DateTime DateTime::FromUnix(int64_t seconds, int64_t nanoseconds) {
    int64_t fileSeconds = seconds + UnixEpochSeconds;
    if (fileSeconds < 0)
        return DateTime(uint64_t{0});
    return DateTime(static_cast<uint64_t>(fileSeconds) * TicksPerSecond +
                    static_cast<uint64_t>(nanoseconds / 100));
}

bool DateTime::FromFile(const char* path, FileTimeKind which) {
    struct statx info {};
    unsigned mask = which == FileTimeKind::Creation ? STATX_BTIME | STATX_CTIME : STATX_BASIC_STATS;
    if (statx(AT_FDCWD, path, 0, mask, &info) != 0)
        return false;
    statx_timestamp stamp = info.stx_mtime;
    if (which == FileTimeKind::LastAccess)
        stamp = info.stx_atime;
    else if (which == FileTimeKind::Creation)
        stamp = (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime;
    *this = FromUnix(stamp.tv_sec, stamp.tv_nsec);
    return true;
}

uint64_t DateTime::FileTime() const {
    if (fileTimeValid_)
        return fileTime_;
    if (!systemTimeValid_)
        throw DateTimeInitError();
    const SystemTime& t = systemTime_;
    if (t.year < 1601 || t.year > 30827)
        throw DateTimeError(InvalidParameter);
    int64_t days = DaysFromCivil(t.year, t.month, t.day);
    uint64_t seconds =
        static_cast<uint64_t>(days) * 86400 + t.hour * 3600u + t.minute * 60u + t.second;
    fileTime_ = seconds * TicksPerSecond + t.milliseconds * 10'000u;
    fileTimeValid_ = true;
    return fileTime_;
}

const SystemTime& DateTime::GetSystemTime() const {
    if (systemTimeValid_)
        return systemTime_;
    if (!fileTimeValid_)
        throw DateTimeInitError();
    if (fileTime_ > MaxFileTime)
        throw DateTimeError(InvalidParameter);
    int64_t days = static_cast<int64_t>(fileTime_ / TicksPerDay);
    uint64_t rest = fileTime_ % TicksPerDay;
    SystemTime t;
    CivilFromDays(days, t);
    t.dayOfWeek = static_cast<uint16_t>((days + 1) % 7); // 1601-01-01 was a Monday
    t.hour = static_cast<uint16_t>(rest / (3600 * TicksPerSecond));
    t.minute = static_cast<uint16_t>(rest / (60 * TicksPerSecond) % 60);
    t.second = static_cast<uint16_t>(rest / TicksPerSecond % 60);
    t.milliseconds = static_cast<uint16_t>(rest / 10'000 % 1000);
    systemTime_ = t;
    systemTimeValid_ = true;
    return systemTime_;
}

void DateTime::Complete() const {
    if (systemTimeValid_ && systemTime_.dayOfWeek == SystemTime::UnknownWeekday) {
        FileTime();
        systemTimeValid_ = false;
    }
    GetSystemTime();
    FileTime();
}

String DateTime::TimeTag() const {
    char digits[16];
    WriteHex(FileTime(), digits, 16);
    return String(digits, 16);
}

String DateTime::HttpDateText() const {
    static const char* const weekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    Complete();
    const SystemTime& t = systemTime_;
    return String::Format("%s, %u %s %u %u:%u:%u GMT", weekdays[t.dayOfWeek % 7], t.day,
                          months[t.month - 1], t.year, t.hour, t.minute, t.second);
}

} // namespace tb
