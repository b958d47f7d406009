// The storage client's diagnostic log.
//
// Every statement's format begins with "%s:%s(%d) " and ends with "\n". The three
// leading conversions are filled by the log itself: on standard output with the
// level tag, the operation and the line; on the callback line with the source file
// path, the operation and the line (after a time stamp and the level tag).
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace objstore {

enum ClientLogLevel : int {
    kLogError = 1,
    kLogWarn = 2,
    kLogInfo = 3,
    kLogDebug = 4,
};

// Size of the buffer the callback line's statement text is formatted into,
// terminating zero included; longer text is cut.
constexpr size_t kLogLineBufferSize = 1024;

// Level tag: "[ERR] ", "[WARN] ", "[INFO] ", "[DBG] ", or "[CRIT]" for other values.
const char* LogLevelTag(int level);

// Filters one statement by LogLevel and writes it to the configured sinks. The
// variadic values are the statement's own, after the three leading ones.
void ClientLog(int level, const char* sourceFile, const char* operation, int line,
               const char* format, ...);

// The callback line: local time, a blank, the level tag, then the format filled
// with the given values (all of them, the leading three included), cut to fit
// kLogLineBufferSize with its terminating zero.
std::string FormatLogLine(int level, const char* format, ...);
std::string FormatLogLineV(int level, const char* format, va_list args);

}  // namespace objstore

// The dead printf call lets the compiler check each statement's format against
// its values; it is never executed.
#define OBJSTORE_LOG(level, format, ...)                                                   \
    do {                                                                                   \
        if (false) std::printf(format, "", "", 0, ##__VA_ARGS__);                          \
        ::objstore::ClientLog(level, __FILE__, __func__, __LINE__, format, ##__VA_ARGS__); \
    } while (0)

// The same, logged under a given operation name: for helpers that speak for the
// operation that called them.
#define OBJSTORE_LOG_AS(level, operation, format, ...)                                      \
    do {                                                                                    \
        if (false) std::printf(format, "", "", 0, ##__VA_ARGS__);                           \
        ::objstore::ClientLog(level, __FILE__, operation, __LINE__, format, ##__VA_ARGS__); \
    } while (0)

#define OBJSTORE_LOG_ERR(format, ...) OBJSTORE_LOG(::objstore::kLogError, format, ##__VA_ARGS__)
#define OBJSTORE_LOG_WARN(format, ...) OBJSTORE_LOG(::objstore::kLogWarn, format, ##__VA_ARGS__)
#define OBJSTORE_LOG_INFO(format, ...) OBJSTORE_LOG(::objstore::kLogInfo, format, ##__VA_ARGS__)
#define OBJSTORE_LOG_DBG(format, ...) OBJSTORE_LOG(::objstore::kLogDebug, format, ##__VA_ARGS__)
