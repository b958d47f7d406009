// One line per request served, flushed per line so tests can read it at once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace standin {

struct RequestRecord {
    std::string method;
    std::string path;        // "/" + key as the client encodes it, or the raw target when refused
    std::string range;       // the Range header, "" when absent
    int status = 0;          // 0 when the connection was dropped before any answer
    uint64_t bodyBytes = 0;  // body bytes actually sent
    std::string requestId;
    std::string faults;  // "+"-joined fault kinds applied, "" when none
};

class RequestLog {
  public:
    // An empty path disables the log. Returns false when the file cannot be opened.
    bool Open(const std::string& path);
    ~RequestLog();

    // "<UTC time> <method> <path> <range|-> <status> <bytes> <request id> <faults|->"
    void Write(const RequestRecord& record);

  private:
    std::mutex m_mutex;
    std::FILE* m_file = nullptr;
};

}  // namespace standin
