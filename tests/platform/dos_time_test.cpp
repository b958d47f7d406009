// MS-DOS stamps to FILETIMEs and local FILETIMEs to UTC: the two conversions that give an
// unpacked zip entry its times.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "win_test_support.h"

namespace {

uint64_t TicksOf(const FILETIME& ft) {
    return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;

struct DosStamp {
    WORD date, time;
    uint64_t ticks;  // the same clock reading as a FILETIME
    const char* what;
};

}  // namespace

TEST(DosDateTimeToFileTime, GivesTheSameClockReading) {
    const DosStamp stamps[] = {
        {0x5264, 0x28C4, 132593079680000000ull, "2021-03-04 05:06:08"},
        {0x0021, 0x0000, 119600064000000000ull, "1980-01-01 00:00:00, the first stamp"},
        {0xFF9F, 0xBF7D, 159992927980000000ull, "2107-12-31 23:59:58, the last stamp"},
        {0x585D, 0x6000, 133536816000000000ull, "2024-02-29 12:00:00, a leap day"},
    };
    for (const DosStamp& s : stamps) {
        FILETIME ft = {};
        ASSERT_TRUE(DosDateTimeToFileTime(s.date, s.time, &ft)) << s.what;
        EXPECT_EQ(TicksOf(ft), s.ticks) << s.what;
    }
}

TEST(DosDateTimeToFileTime, RefusesFieldsOutOfRange) {
    const DosStamp stamps[] = {
        {0x5204, 0x28C4, 0, "month 0"},   {0x51A4, 0x28C4, 0, "month 13"},
        {0x5260, 0x28C4, 0, "day 0"},     {0x525E, 0x28C4, 0, "30 February"},
        {0x5264, 0xC000, 0, "hour 24"},   {0x5264, 0x0780, 0, "minute 60"},
        {0x5264, 0x001E, 0, "second 60"},
    };
    for (const DosStamp& s : stamps) {
        FILETIME ft = {};
        EXPECT_FALSE(DosDateTimeToFileTime(s.date, s.time, &ft)) << s.what;
    }
}

// The local clock read now, taken as a local FILETIME and turned to UTC, is the C runtime's UTC
// "now": whatever the machine's time zone, the offset is applied in the right direction.
TEST(LocalFileTimeToFileTime, TakesTheTimeZoneOffsetAway) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    time_t utcNow = time(nullptr);
    WORD date = WORD(((local.wYear - 1980) << 9) | (local.wMonth << 5) | local.wDay);
    WORD dosTime = WORD((local.wHour << 11) | (local.wMinute << 5) | (local.wSecond / 2));
    FILETIME localFt, utcFt;
    ASSERT_TRUE(DosDateTimeToFileTime(date, dosTime, &localFt));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localFt, &utcFt));
    int64_t expected = int64_t(kUnixEpochTicks + uint64_t(utcNow) * kTicksPerSecond);
    int64_t difference = int64_t(TicksOf(utcFt)) - expected;
    // Two-second stamps and the moment between the two reads.
    EXPECT_LE(difference < 0 ? -difference : difference, int64_t(4 * kTicksPerSecond));
}

#ifndef _WIN32
// A zone east of UTC: local 08:00 is 00:00 UTC.
TEST(LocalFileTimeToFileTime, NativeUsesTheZoneOfTheProcess) {
    const char* previous = getenv("TZ");
    std::string saved = previous ? previous : "";
    setenv("TZ", "CST-8", 1);
    tzset();
    uint64_t ticks = 132593079680000000ull + 8 * 3600 * kTicksPerSecond;
    FILETIME local = {DWORD(ticks & 0xFFFFFFFFu), DWORD(ticks >> 32)};
    FILETIME utc;
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    EXPECT_EQ(TicksOf(utc), 132593079680000000ull);
    if (previous)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
#endif
