#include "request_log.h"

#include <Poco/DateTimeFormat.h>
#include <Poco/DateTimeFormatter.h>
#include <Poco/Timestamp.h>

namespace standin {
namespace {

// Fields are space-separated; keep them free of blanks and control bytes.
std::string Field(const std::string& text) {
    if (text.empty()) return "-";
    std::string out;
    for (unsigned char c : text) {
        if (c <= ' ' || c == 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

bool RequestLog::Open(const std::string& path) {
    if (path.empty()) return true;
    m_file = std::fopen(path.c_str(), "a");
    return m_file != nullptr;
}

RequestLog::~RequestLog() {
    if (m_file != nullptr) std::fclose(m_file);
}

void RequestLog::Write(const RequestRecord& record) {
    if (m_file == nullptr) return;
    const std::string line =
        Poco::DateTimeFormatter::format(Poco::Timestamp(), "%Y-%m-%dT%H:%M:%S.%iZ") + " " +
        Field(record.method) + " " + Field(record.path) + " " + Field(record.range) + " " +
        std::to_string(record.status) + " " + std::to_string(record.bodyBytes) + " " +
        Field(record.requestId) + " " + Field(record.faults) + "\n";
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fputs(line.c_str(), m_file);
    std::fflush(m_file);
}

}  // namespace standin
