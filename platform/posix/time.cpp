// The local calendar time (GetLocalTime), from the host clock and time zone.
#include <time.h>

#include "platform/win32.h"

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
