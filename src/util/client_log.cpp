#include "util/client_log.h"

#include <ctime>

#include "util/cos_global_settings.h"

namespace objstore {
namespace {

constexpr int kOutputStdout = 1;
constexpr char kLeadingFormat[] = "%s:%s(%d) ";
constexpr size_t kLeadingLength = sizeof(kLeadingFormat) - 1;

// A va_list cannot be extended with the three leading values, so they are
// written into the format itself ('%' escaped) in place of their conversions.
std::string SpliceLeading(const char* format, const char* first, const char* operation, int line) {
    if (std::char_traits<char>::compare(format, kLeadingFormat, kLeadingLength) != 0) {
        return format;
    }
    std::string lead = std::string(first) + ":" + operation + "(" + std::to_string(line) + ") ";
    std::string spliced;
    spliced.reserve(lead.size() + std::char_traits<char>::length(format));
    for (char c : lead) {
        spliced += c;
        if (c == '%') spliced += '%';
    }
    spliced += format + kLeadingLength;
    return spliced;
}

// Formats the whole line first so it reaches the stream in a single write.
void PrintLine(std::FILE* out, const std::string& format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format.c_str(), copy);
    va_end(copy);
    if (needed < 0) return;
    std::string text(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format.c_str(), args);
    std::fwrite(text.data(), 1, static_cast<size_t>(needed), out);
}

}  // namespace

const char* LogLevelTag(int level) {
    switch (level) {
        case kLogError:
            return "[ERR] ";
        case kLogWarn:
            return "[WARN] ";
        case kLogInfo:
            return "[INFO] ";
        case kLogDebug:
            return "[DBG] ";
        default:
            return "[CRIT]";
    }
}

void ClientLog(int level, const char* sourceFile, const char* operation, int line,
               const char* format, ...) {
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
    if (settings.GetLogLevel() < level) return;  // filtered: nothing is formatted

    if (settings.GetLogOutput() == kOutputStdout) {
        va_list args;
        va_start(args, format);
        PrintLine(stdout, SpliceLeading(format, LogLevelTag(level), operation, line), args);
        va_end(args);
    }
    // Output 2 is a system-log sink that does nothing on this platform.

    if (settings.HasLogCallback()) {
        LogCallback callback = settings.GetLogCallback();
        if (callback) {
            va_list args;
            va_start(args, format);
            std::string text = FormatLogLineV(
                level, SpliceLeading(format, sourceFile, operation, line).c_str(), args);
            va_end(args);
            callback(text);
        }
    }
}

std::string FormatLogLineV(int level, const char* format, va_list args) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char timeText[64];
    size_t timeLength = std::strftime(timeText, sizeof(timeText), "%Y-%m-%d %H:%M:%S", &local);

    char body[kLogLineBufferSize];
    int written = std::vsnprintf(body, sizeof(body), format, args);
    if (written < 0) body[0] = '\0';

    std::string line(timeText, timeLength);
    line += ' ';
    line += LogLevelTag(level);
    line += body;
    return line;
}

std::string FormatLogLine(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = FormatLogLineV(level, format, args);
    va_end(args);
    return line;
}

}  // namespace objstore
