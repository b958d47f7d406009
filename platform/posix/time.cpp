// The local calendar time (GetLocalTime), from the host clock and time zone, and the two
// conversions that take an MS-DOS stamp (a zip entry's) to a UTC FILETIME.
#include <time.h>

#include <cstdint>

#include "platform/posix/errors.h"
#include "platform/posix/file_times.h"
#include "platform/win32.h"

using namespace winlayer;

void GetLocalTime(LPSYSTEMTIME st) {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t;
    localtime_r(&ts.tv_sec, &t);
    st->wYear = WORD(t.tm_year + 1900);
    st->wMonth = WORD(t.tm_mon + 1);
    st->wDayOfWeek = WORD(t.tm_wday);
    st->wDay = WORD(t.tm_mday);
    st->wHour = WORD(t.tm_hour);
    st->wMinute = WORD(t.tm_min);
    st->wSecond = WORD(t.tm_sec > 59 ? 59 : t.tm_sec);  // no leap second in a SYSTEMTIME
    st->wMilliseconds = WORD(ts.tv_nsec / 1000000);
}

namespace {

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

// Offset of local time from UTC at this moment, in seconds.
int64_t CurrentOffsetSeconds() {
    time_t now = time(nullptr);
    tm local;
    localtime_r(&now, &local);
    return local.tm_gmtoff;
}

}  // namespace

BOOL DosDateTimeToFileTime(WORD date, WORD dosTime, LPFILETIME ft) {
    int year = 1980 + (date >> 9), month = (date >> 5) & 0x0F, day = date & 0x1F;
    int hour = dosTime >> 11, minute = (dosTime >> 5) & 0x3F, second = (dosTime & 0x1F) * 2;
    if (!ft || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The stamp has no zone: read as UTC it gives the same clock reading as a FILETIME.
    tm fields = {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    *ft = FileTimeFromTimespec(timespec{timegm(&fields), 0});
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc) {
    if (!local || !utc) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    timespec ts = TimespecFromFileTime(*local);
    ts.tv_sec -= time_t(CurrentOffsetSeconds());
    *utc = FileTimeFromTimespec(ts);
    return TRUE;
}
