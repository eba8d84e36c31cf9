#include "core/DateTime.h"

#include "core/Exceptions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace tb {

// Failure messages show a String's text.
[[maybe_unused]] static void PrintTo(const String& s, std::ostream* os) {
    *os << '"' << s.View() << '"';
}

namespace {

constexpr int64_t SecondsFrom1601To1970 = 11644473600;
constexpr uint64_t TicksPerSecond = 10000000;

SystemTime Make(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                int milliseconds = 0) {
    SystemTime t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    t.second = static_cast<uint16_t>(second);
    t.milliseconds = static_cast<uint16_t>(milliseconds);
    return t;
}

// The C library's answer for a UTC date.
int64_t UnixSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<int64_t>(timegm(&tm));
}

uint64_t FileTimeOfUnix(int64_t seconds) {
    return static_cast<uint64_t>(seconds + SecondsFrom1601To1970) * TicksPerSecond;
}

// What the HTTP date text of a UTC instant must read, from gmtime_r.
std::string ExpectedHttpDate(int64_t seconds) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    time_t t = static_cast<time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[64];
    snprintf(text, sizeof text, "%s, %d %s %d %d:%d:%d GMT", days[tm.tm_wday], tm.tm_mday,
             months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

TEST(DateTimeTest, LeapYearsFollowTheGregorianRule) {
    EXPECT_TRUE(DateTime::IsLeapYear(2000));
    EXPECT_FALSE(DateTime::IsLeapYear(1900));
    EXPECT_TRUE(DateTime::IsLeapYear(2004));
    EXPECT_FALSE(DateTime::IsLeapYear(2005));
    EXPECT_TRUE(DateTime::IsLeapYear(1600));
    EXPECT_FALSE(DateTime::IsLeapYear(1700));
    EXPECT_FALSE(DateTime::IsLeapYear(2100));
    EXPECT_TRUE(DateTime::IsLeapYear(2400));
    EXPECT_TRUE(DateTime::IsLeapYear(0));

    const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month) {
        EXPECT_EQ(DateTime::DaysInMonth(2005, month), days[month - 1]) << month;
        EXPECT_EQ(DateTime::DaysInMonth(2004, month), month == 2 ? 29 : days[month - 1]);
    }
    EXPECT_EQ(DateTime::DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DateTime::DaysInMonth(2000, 2), 29);
}

TEST(DateTimeTest, ImpossibleBrokenDownTimesAreRefused) {
    EXPECT_THROW(DateTime(Make(2005, 2, 29)), DateTimeBoundError);
    EXPECT_NO_THROW(DateTime(Make(2004, 2, 29)));
    EXPECT_NO_THROW(DateTime(Make(2000, 2, 29)));
    EXPECT_THROW(DateTime(Make(1900, 2, 29)), DateTimeBoundError);
    EXPECT_THROW(DateTime(Make(2005, 0, 1)), DateTimeBoundError);
    EXPECT_THROW(DateTime(Make(2005, 13, 1)), DateTimeBoundError);
    EXPECT_THROW(DateTime(Make(2005, 1, 0)), DateTimeBoundError);
    EXPECT_THROW(DateTime(Make(2005, 4, 31)), DateTimeBoundError);
    EXPECT_NO_THROW(DateTime(Make(2005, 12, 31)));
    EXPECT_THROW(DateTime(Make(2005, 1, 1, 24)), DateTimeBoundError);
    EXPECT_THROW(DateTime(Make(2005, 1, 1, 0, 60)), DateTimeBoundError);
    EXPECT_THROW(DateTime(Make(2005, 1, 1, 0, 0, 60)), DateTimeBoundError);
    EXPECT_THROW(DateTime(Make(2005, 1, 1, 0, 0, 0, 1000)), DateTimeBoundError);
    EXPECT_NO_THROW(DateTime(Make(2005, 1, 1, 23, 59, 59, 999)));
    // The date and time errors are their own family.
    static_assert(std::is_base_of_v<RuntimeError, DateTimeBoundError>);
    static_assert(std::is_base_of_v<RuntimeError, DateTimeInitError>);
    static_assert(std::is_base_of_v<APIError, DateTimeError>);
    static_assert(!std::is_base_of_v<GeneralException, RuntimeError>);
}

TEST(DateTimeTest, HttpDateTextHasNoLeadingZeros) {
    SystemTime t = Make(2005, 3, 6, 9, 5, 3);
    t.dayOfWeek = 3; // a wrong weekday from the caller is recomputed
    DateTime d(t);
    EXPECT_EQ(d.HttpDateText(), "Sun, 6 Mar 2005 9:5:3 GMT");
    EXPECT_EQ(d.GetSystemTime().dayOfWeek, 0);
    EXPECT_EQ(DateTime(Make(2010, 12, 31, 23, 59, 59, 999)).HttpDateText(),
              "Fri, 31 Dec 2010 23:59:59 GMT");
    EXPECT_EQ(DateTime(uint64_t{0}).HttpDateText(), "Mon, 1 Jan 1601 0:0:0 GMT");
}

TEST(DateTimeTest, TimeTagIsSixteenLowerCaseHexDigits) {
    EXPECT_EQ(DateTime(uint64_t{0}).TimeTag(), "0000000000000000");
    EXPECT_EQ(DateTime(uint64_t{0x0123456789ABCDEF}).TimeTag(), "0123456789abcdef");
    EXPECT_EQ(DateTime(~uint64_t{0}).TimeTag(), "ffffffffffffffff");
    // 1970-01-01 is 11644473600 s after 1601-01-01: 116444736000000000 ticks.
    EXPECT_EQ(DateTime(Make(1970, 1, 1)).TimeTag(), "019db1ded53e8000");
    EXPECT_EQ(DateTime(Make(1970, 1, 1)).FileTime(), 116444736000000000u);
}

TEST(DateTimeTest, AnEmptyValueHasNoText) {
    DateTime empty;
    EXPECT_THROW(empty.TimeTag(), DateTimeInitError);
    EXPECT_THROW(empty.HttpDateText(), DateTimeInitError);
    EXPECT_THROW(empty.FileTime(), DateTimeInitError);
    EXPECT_THROW(empty.GetSystemTime(), DateTimeInitError);
}

TEST(DateTimeTest, YearsOutsideTheFileTimeRangeDoNotConvert) {
    DateTime early(Make(1600, 2, 29)); // a valid date before the epoch
    EXPECT_THROW(early.FileTime(), DateTimeError);
    EXPECT_THROW(early.HttpDateText(), DateTimeError);
    EXPECT_EQ(DateTime(Make(1601, 1, 1)).FileTime(), 0u);

    // The last second a 63-bit file time reaches converts both ways.
    DateTime last(Make(30827, 12, 31, 23, 59, 59, 999));
    uint64_t ticks = last.FileTime();
    const SystemTime back = DateTime(ticks).GetSystemTime();
    EXPECT_EQ(back.year, 30827);
    EXPECT_EQ(back.month, 12);
    EXPECT_EQ(back.day, 31);
    EXPECT_EQ(back.milliseconds, 999);
    EXPECT_THROW(DateTime(Make(30828, 1, 1)).FileTime(), DateTimeError);
    EXPECT_THROW(DateTime(~uint64_t{0}).GetSystemTime(), DateTimeError);
}

TEST(DateTimeTest, BrokenDownAndFileTimesAgreeWithTheCLibrary) {
    // Every 9 days, 13 hours, 7 minutes and 11 seconds from 1601 to beyond
    // 2400: all weekdays, leap days, century years and times of day.
    const int64_t step = ((9 * 24 + 13) * 60 + 7) * 60 + 11;
    const int64_t first = UnixSeconds(1601, 1, 1, 0, 0, 0);
    const int64_t last = UnixSeconds(2405, 1, 1, 0, 0, 0);
    ASSERT_EQ(first, -SecondsFrom1601To1970);
    int checked = 0;
    for (int64_t s = first; s < last; s += step, ++checked) {
        time_t t = static_cast<time_t>(s);
        std::tm tm{};
        ASSERT_NE(gmtime_r(&t, &tm), nullptr);
        SystemTime broken = Make(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                 tm.tm_min, tm.tm_sec, static_cast<int>(s % 1000 + 1000) % 1000);
        uint64_t ticks = FileTimeOfUnix(s) + broken.milliseconds * uint64_t{10000};

        ASSERT_EQ(DateTime(broken).FileTime(), ticks) << s;
        const SystemTime back = DateTime(ticks).GetSystemTime();
        ASSERT_EQ(back.year, broken.year) << s;
        ASSERT_EQ(back.month, broken.month) << s;
        ASSERT_EQ(back.day, broken.day) << s;
        ASSERT_EQ(back.dayOfWeek, tm.tm_wday) << s;
        ASSERT_EQ(back.hour, broken.hour) << s;
        ASSERT_EQ(back.minute, broken.minute) << s;
        ASSERT_EQ(back.second, broken.second) << s;
        ASSERT_EQ(back.milliseconds, broken.milliseconds) << s;
        ASSERT_EQ(DateTime(broken).HttpDateText(), ExpectedHttpDate(s).c_str()) << s;
    }
    EXPECT_GT(checked, 30000);
}

TEST(DateTimeTest, DatesAroundTheEdgesOfCalendarsAndClocks) {
    struct Case {
        int year, month, day, hour, minute, second;
    } cases[] = {
        {1601, 1, 1, 0, 0, 0},     {1601, 12, 31, 23, 59, 59}, {1899, 12, 31, 12, 0, 0},
        {1900, 2, 28, 23, 59, 59}, {1900, 3, 1, 0, 0, 0},      {1969, 12, 31, 23, 59, 59},
        {1970, 1, 1, 0, 0, 0},     {2000, 2, 29, 12, 0, 0},    {2000, 3, 1, 0, 0, 0},
        {2038, 1, 19, 3, 14, 7},   {2038, 1, 19, 3, 14, 8},    {2100, 2, 28, 23, 59, 59},
        {2100, 3, 1, 0, 0, 0},     {2106, 2, 7, 6, 28, 16},    {9999, 12, 31, 23, 59, 59},
    };
    for (const Case& c : cases) {
        int64_t s = UnixSeconds(c.year, c.month, c.day, c.hour, c.minute, c.second);
        DateTime d(Make(c.year, c.month, c.day, c.hour, c.minute, c.second));
        EXPECT_EQ(d.FileTime(), FileTimeOfUnix(s)) << c.year << "-" << c.month << "-" << c.day;
        EXPECT_EQ(d.HttpDateText(), ExpectedHttpDate(s).c_str());
        EXPECT_EQ(DateTime::FromUnix(s, 0).FileTime(), FileTimeOfUnix(s));
    }
}

TEST(DateTimeTest, FromUnixKeepsTheSubSecondTicks) {
    const int64_t seconds = UnixSeconds(2005, 3, 6, 9, 5, 3);
    DateTime d = DateTime::FromUnix(seconds, 123456789);
    EXPECT_EQ(d.FileTime(), FileTimeOfUnix(seconds) + 1234567);
    EXPECT_EQ(d.GetSystemTime().milliseconds, 123);
    EXPECT_EQ(d.HttpDateText(), "Sun, 6 Mar 2005 9:5:3 GMT");
    EXPECT_EQ(DateTime::FromUnix(-SecondsFrom1601To1970, 0).FileTime(), 0u);
}

TEST(DateTimeTest, CompleteFillsBothFormsOnce) {
    DateTime d(Make(2024, 2, 29, 13, 14, 15, 16));
    d.Complete();
    const SystemTime& t = d.GetSystemTime();
    EXPECT_EQ(t.dayOfWeek, 4); // a Thursday
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.milliseconds, 16);
    EXPECT_EQ(d.FileTime(), FileTimeOfUnix(UnixSeconds(2024, 2, 29, 13, 14, 15)) + 160000);

    DateTime copy = d; // both forms travel with a copy
    EXPECT_EQ(copy.HttpDateText(), "Thu, 29 Feb 2024 13:14:15 GMT");
    EXPECT_EQ(copy.TimeTag(), d.TimeTag());
}

TEST(DateTimeTest, NowIsTheLocalClockAndNowUtcTheUniversalOne) {
    time_t before = time(nullptr);
    DateTime local = DateTime::Now();
    DateTime utc = DateTime::NowUtc();
    time_t after = time(nullptr);

    // The local time read as if it were UTC lies between the two readings
    // taken the same way.
    std::tm tm{};
    localtime_r(&before, &tm);
    int64_t low = timegm(&tm);
    localtime_r(&after, &tm);
    int64_t high = timegm(&tm);
    int64_t localSeconds =
        static_cast<int64_t>(local.FileTime() / TicksPerSecond) - SecondsFrom1601To1970;
    EXPECT_GE(localSeconds, low);
    EXPECT_LE(localSeconds, high);

    int64_t utcSeconds =
        static_cast<int64_t>(utc.FileTime() / TicksPerSecond) - SecondsFrom1601To1970;
    EXPECT_GE(utcSeconds, static_cast<int64_t>(before));
    EXPECT_LE(utcSeconds, static_cast<int64_t>(after));
}

class DateTimeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tb-datetime-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/song.mp3";
        int fd = open(path_.c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    void TearDown() override {
        unlink(path_.c_str());
        rmdir(dir_.c_str());
    }

    std::string dir_;
    std::string path_;
};

TEST_F(DateTimeFileTest, ReadsTheLastWriteAndLastAccessTimes) {
    const int64_t written = UnixSeconds(2005, 3, 6, 9, 5, 3);
    const int64_t accessed = UnixSeconds(2040, 7, 1, 0, 0, 1); // beyond 32-bit seconds
    timespec times[2] = {{static_cast<time_t>(accessed), 500000000},
                         {static_cast<time_t>(written), 250000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, path_.c_str(), times, 0), 0) << errno;

    DateTime lastWrite;
    ASSERT_TRUE(lastWrite.FromFile(path_.c_str(), DateTime::FileTimeKind::LastWrite));
    EXPECT_EQ(lastWrite.FileTime(), FileTimeOfUnix(written) + 2500000);
    EXPECT_EQ(lastWrite.HttpDateText(), "Sun, 6 Mar 2005 9:5:3 GMT");

    DateTime lastAccess;
    ASSERT_TRUE(lastAccess.FromFile(path_.c_str(), DateTime::FileTimeKind::LastAccess));
    EXPECT_EQ(lastAccess.FileTime(), FileTimeOfUnix(accessed) + 5000000);
    EXPECT_EQ(lastAccess.HttpDateText(), "Sun, 1 Jul 2040 0:0:1 GMT");
}

TEST_F(DateTimeFileTest, CreationTimeIsWhenTheFileCameToBe) {
    // Either the birth time or, where the file system keeps none, the
    // status-change time: both lie at or after the file's creation here.
    timespec old[2] = {{0, 0}, {0, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path_.c_str(), old, 0), 0);
    struct stat info {};
    ASSERT_EQ(stat(path_.c_str(), &info), 0);
    DateTime created;
    ASSERT_TRUE(created.FromFile(path_.c_str(), DateTime::FileTimeKind::Creation));
    int64_t seconds = static_cast<int64_t>(created.FileTime() / TicksPerSecond);
    EXPECT_LE(seconds - SecondsFrom1601To1970, static_cast<int64_t>(time(nullptr)));
    EXPECT_GT(seconds - SecondsFrom1601To1970, 0); // not the 1970 last-write time
}

TEST_F(DateTimeFileTest, AMissingFileLeavesTheValueAlone) {
    DateTime d(uint64_t{42});
    EXPECT_FALSE(d.FromFile((dir_ + "/missing.mp3").c_str(), DateTime::FileTimeKind::LastWrite));
    EXPECT_EQ(d.FileTime(), 42u);
    DateTime empty;
    EXPECT_FALSE(empty.FromFile((dir_ + "/missing.mp3").c_str(), DateTime::FileTimeKind::Creation));
    EXPECT_THROW(empty.TimeTag(), DateTimeInitError);
}

} // namespace
} // namespace tb
