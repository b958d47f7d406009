// Calendar and file-time conversions. A FILETIME counts 100 ns ticks since 1601-01-01 UTC; local
// conversions use the time zone's current offset, as the Windows functions do.
#include <time.h>

#include "platform/win32.h"

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kUnixEpochTicks = 116444736000000000LL;  // 1970-01-01 as a FILETIME
constexpr int64_t kDaysFrom1601To1970 = 134774;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

int64_t Ticks(const FILETIME& ft) {
    return int64_t((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME FromTicks(int64_t ticks) {
    FILETIME ft;
    ft.dwLowDateTime = DWORD(uint64_t(ticks) & 0xFFFFFFFFu);
    ft.dwHighDateTime = DWORD(uint64_t(ticks) >> 32);
    return ft;
}

// Offset of local time from UTC right now, in seconds.
int64_t CurrentBiasSeconds() {
    time_t now = time(nullptr);
    tm local;
    localtime_r(&now, &local);
    return local.tm_gmtoff;
}

void FillSystemTime(const tm& t, long nanoseconds, SYSTEMTIME* st) {
    st->wYear = WORD(t.tm_year + 1900);
    st->wMonth = WORD(t.tm_mon + 1);
    st->wDayOfWeek = WORD(t.tm_wday);
    st->wDay = WORD(t.tm_mday);
    st->wHour = WORD(t.tm_hour);
    st->wMinute = WORD(t.tm_min);
    st->wSecond = WORD(t.tm_sec > 59 ? 59 : t.tm_sec);
    st->wMilliseconds = WORD(nanoseconds / 1000000);
}

}  // namespace

void GetLocalTime(LPSYSTEMTIME st) {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t;
    localtime_r(&ts.tv_sec, &t);
    FillSystemTime(t, ts.tv_nsec, st);
}

void GetSystemTime(LPSYSTEMTIME st) {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t;
    gmtime_r(&ts.tv_sec, &t);
    FillSystemTime(t, ts.tv_nsec, st);
}

void GetSystemTimeAsFileTime(LPFILETIME ft) {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    *ft = FromTicks(kUnixEpochTicks + int64_t(ts.tv_sec) * kTicksPerSecond + ts.tv_nsec / 100);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft) {
    if (!st || !ft || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 ||
        st->wDay < 1 || st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 ||
        st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) + kDaysFrom1601To1970;
    int64_t seconds = days * 86400 + st->wHour * 3600 + st->wMinute * 60 + st->wSecond;
    *ft = FromTicks(seconds * kTicksPerSecond + int64_t(st->wMilliseconds) * 10000);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st) {
    int64_t ticks = ft ? Ticks(*ft) : -1;
    if (ticks < 0 || !st) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int64_t seconds = ticks / kTicksPerSecond;
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    int64_t y;
    unsigned m, d;
    CivilFromDays(days - kDaysFrom1601To1970, y, m, d);
    st->wYear = WORD(y);
    st->wMonth = WORD(m);
    st->wDay = WORD(d);
    st->wDayOfWeek = WORD((days + 1) % 7);  // 1601-01-01 was a Monday
    st->wHour = WORD(rest / 3600);
    st->wMinute = WORD(rest / 60 % 60);
    st->wSecond = WORD(rest % 60);
    st->wMilliseconds = WORD(ticks % kTicksPerSecond / 10000);
    return TRUE;
}

BOOL DosDateTimeToFileTime(WORD date, WORD dosTime, LPFILETIME ft) {
    SYSTEMTIME st = {};
    st.wYear = WORD(1980 + (date >> 9));
    st.wMonth = WORD((date >> 5) & 0x0F);
    st.wDay = WORD(date & 0x1F);
    st.wHour = WORD(dosTime >> 11);
    st.wMinute = WORD((dosTime >> 5) & 0x3F);
    st.wSecond = WORD((dosTime & 0x1F) * 2);
    return SystemTimeToFileTime(&st, ft);
}

BOOL FileTimeToDosDateTime(const FILETIME* ft, LPWORD date, LPWORD dosTime) {
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(ft, &st) || st.wYear < 1980 || st.wYear > 2107) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *date = WORD(((st.wYear - 1980) << 9) | (st.wMonth << 5) | st.wDay);
    *dosTime = WORD((st.wHour << 11) | (st.wMinute << 5) | (st.wSecond / 2));
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc) {
    if (!local || !utc) return FALSE;
    *utc = FromTicks(Ticks(*local) - CurrentBiasSeconds() * kTicksPerSecond);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local) {
    if (!utc || !local) return FALSE;
    *local = FromTicks(Ticks(*utc) + CurrentBiasSeconds() * kTicksPerSecond);
    return TRUE;
}
