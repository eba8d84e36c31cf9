// Dates and times checked against the C library's calendar, and the texts
// the server sends.
#include "core/DateTime.h"

#include "core/Exceptions.h"

#include <cstdio>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace tb {
namespace {

constexpr int64_t SecondsFrom1601To1970 = 11644473600;

SystemTime Make(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                int milliseconds = 0) {
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    return SystemTime{u(year), u(month), 0, u(day), u(hour), u(minute), u(second), u(milliseconds)};
}

// The C library's seconds of 1 January of a year, UTC.
int64_t UnixSecondsOfYear(int year) {
    std::tm tm{0, 0, 0, 1, 0, year - 1900, 0, 0, 0, 0, nullptr};
    return static_cast<int64_t>(timegm(&tm));
}

TEST(DateTimeTest, FebruaryTheTwentyNinthOnlyInLeapYears) {
    for (int year : {1600, 2000, 2004, 2400})
        EXPECT_NO_THROW(DateTime(Make(year, 2, 29))) << year;
    for (int year : {1700, 1900, 2005, 2100})
        EXPECT_THROW(DateTime(Make(year, 2, 29)), DateTimeBoundError) << year;
}

TEST(DateTimeTest, ConversionsAndHttpDateTextsAgreeWithTheCLibrary) {
    // Every 9 days, 13 hours, 7 minutes and 11 seconds from 1601 to beyond
    // 2400: all weekdays, leap days, century years and times of day.
    const int64_t step = ((9 * 24 + 13) * 60 + 7) * 60 + 11;
    ASSERT_EQ(UnixSecondsOfYear(1601), -SecondsFrom1601To1970);
    int checked = 0;
    for (int64_t s = -SecondsFrom1601To1970; s < UnixSecondsOfYear(2405); s += step, ++checked) {
        time_t t = static_cast<time_t>(s);
        std::tm tm{};
        ASSERT_NE(gmtime_r(&t, &tm), nullptr);
        SystemTime broken = Make(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                 tm.tm_min, tm.tm_sec, static_cast<int>(s % 1000 + 1000) % 1000);
        uint64_t ticks = static_cast<uint64_t>(s + SecondsFrom1601To1970) * 10000000 +
                         broken.milliseconds * uint64_t{10000};
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
}

} // namespace
} // namespace tb
