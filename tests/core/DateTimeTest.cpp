// Dates and times checked against the C library's calendar, and the texts
// the server sends.
#include "core/DateTime.h"

#include "core/CoreTestHelpers.h"
#include "core/Exceptions.h"

#include <cstdio>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace tb {
namespace {

constexpr int64_t SecondsFrom1601To1970 = 11644473600;
constexpr uint64_t TicksPerSecond = 10000000;

SystemTime Make(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                int milliseconds = 0) {
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    return SystemTime{u(year), u(month), 0, u(day), u(hour), u(minute), u(second), u(milliseconds)};
}

// The C library's seconds of a UTC date.
int64_t UnixSeconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    std::tm tm{second, minute, hour, day, month - 1, year - 1900, 0, 0, 0, 0, nullptr};
    return static_cast<int64_t>(timegm(&tm));
}

uint64_t FileTimeOfUnix(int64_t seconds) {
    return static_cast<uint64_t>(seconds + SecondsFrom1601To1970) * TicksPerSecond;
}

TEST(DateTimeTest, ImpossibleBrokenDownTimesAreRefused) {
    const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month) {
        EXPECT_NO_THROW(DateTime(Make(2005, month, days[month - 1]))) << month;
        EXPECT_THROW(DateTime(Make(2005, month, days[month - 1] + 1)), DateTimeBoundError) << month;
    }
    for (int year : {1600, 2000, 2004, 2400})
        EXPECT_NO_THROW(DateTime(Make(year, 2, 29))) << year;
    for (int year : {1700, 1900, 2005, 2100})
        EXPECT_THROW(DateTime(Make(year, 2, 29)), DateTimeBoundError) << year;
    for (const SystemTime& t :
         {Make(2005, 0, 1), Make(2005, 13, 1), Make(2005, 1, 0), Make(2005, 1, 1, 24),
          Make(2005, 1, 1, 0, 60), Make(2005, 1, 1, 0, 0, 60), Make(2005, 1, 1, 0, 0, 0, 1000)})
        EXPECT_THROW(DateTime{t}, DateTimeBoundError) << t.month << " " << t.day << " " << t.hour;
    EXPECT_NO_THROW(DateTime(Make(2005, 1, 1, 23, 59, 59, 999)));
}

TEST(DateTimeTest, ConversionsAndHttpDateTextsAgreeWithTheCLibrary) {
    // Every 9 days, 13 hours, 7 minutes and 11 seconds from 1601 to beyond
    // 2400: all weekdays, leap days, century years and times of day.
    const int64_t step = ((9 * 24 + 13) * 60 + 7) * 60 + 11;
    ASSERT_EQ(UnixSeconds(1601, 1, 1), -SecondsFrom1601To1970);
    int checked = 0;
    for (int64_t s = -SecondsFrom1601To1970; s < UnixSeconds(2405, 1, 1); s += step, ++checked) {
        time_t t = static_cast<time_t>(s);
        std::tm tm{};
        ASSERT_NE(gmtime_r(&t, &tm), nullptr);
        SystemTime broken = Make(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                 tm.tm_min, tm.tm_sec, static_cast<int>(s % 1000 + 1000) % 1000);
        uint64_t ticks = FileTimeOfUnix(s) + broken.milliseconds * uint64_t{10000};
        ASSERT_EQ(DateTime(broken).FileTime(), ticks) << s;
        const SystemTime b = DateTime(ticks).GetSystemTime();
        ASSERT_TRUE(b.year == broken.year && b.month == broken.month && b.day == broken.day &&
                    b.dayOfWeek == tm.tm_wday && b.hour == broken.hour &&
                    b.minute == broken.minute && b.second == broken.second &&
                    b.milliseconds == broken.milliseconds)
            << s;
        // The HTTP date text has no leading zeros.
        char text[64];
        snprintf(text, sizeof text, "%.3s, %d %.3s %d %d:%d:%d GMT",
                 "SunMonTueWedThuFriSat" + 3 * tm.tm_wday, tm.tm_mday,
                 "JanFebMarAprMayJunJulAugSepOctNovDec" + 3 * tm.tm_mon, tm.tm_year + 1900,
                 tm.tm_hour, tm.tm_min, tm.tm_sec);
        ASSERT_EQ(DateTime(broken).HttpDateText(), text) << s;
    }
    EXPECT_GT(checked, 30000);
    SystemTime wrongWeekday = Make(2005, 3, 6, 9, 5, 3);
    wrongWeekday.dayOfWeek = 3; // a caller's weekday is recomputed
    EXPECT_EQ(DateTime(wrongWeekday).HttpDateText(), "Sun, 6 Mar 2005 9:5:3 GMT");
}

TEST(DateTimeTest, FileTimesTheirTagsAndTheirLimits) {
    EXPECT_EQ(DateTime(uint64_t{0}).TimeTag(), "0000000000000000");
    EXPECT_EQ(DateTime(uint64_t{0x0123456789ABCDEF}).TimeTag(), "0123456789abcdef");
    // 1970-01-01 is 11644473600 s after 1601-01-01: 116444736000000000 ticks.
    EXPECT_EQ(DateTime(Make(1970, 1, 1)).TimeTag(), "019db1ded53e8000");
    const int64_t seconds = UnixSeconds(2005, 3, 6, 9, 5, 3);
    EXPECT_EQ(DateTime::FromUnix(seconds, 123456789).FileTime(), FileTimeOfUnix(seconds) + 1234567);
    EXPECT_EQ(DateTime::FromUnix(-SecondsFrom1601To1970 - 5, 0).FileTime(), 0u);
    DateTime empty;
    EXPECT_THROW(empty.TimeTag(), DateTimeInitError);
    EXPECT_THROW(empty.GetSystemTime(), DateTimeInitError);
    EXPECT_THROW(DateTime(Make(1600, 2, 29)).FileTime(), DateTimeError); // before the epoch
    EXPECT_THROW(DateTime(Make(30828, 1, 1)).FileTime(), DateTimeError);
    EXPECT_THROW(DateTime(~uint64_t{0}).GetSystemTime(), DateTimeError);
    // The last millisecond a 63-bit file time reaches converts both ways.
    uint64_t last = DateTime(Make(30827, 12, 31, 23, 59, 59, 999)).FileTime();
    const SystemTime back = DateTime(last).GetSystemTime();
    EXPECT_TRUE(back.year == 30827 && back.day == 31 && back.milliseconds == 999);
}

} // namespace
} // namespace tb
