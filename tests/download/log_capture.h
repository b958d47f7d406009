// Collects the storage client's log lines for one test through the log callback.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "util/cos_global_settings.h"

namespace objstore {
namespace test {

class LogCapture {
  public:
    explicit LogCapture(int level = 4) {
        CosGlobalSettings& settings = CosGlobalSettings::Instance();
        settings.SetLogLevel(level);
        settings.SetLogOutput(0);
        settings.SetLogCallback([this](const std::string& line) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_lines.push_back(line);
        });
    }
    ~LogCapture() {
        CosGlobalSettings::Instance().SetLogCallback(nullptr);
        CosGlobalSettings::Instance().SetLogLevel(0);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_lines;
    }

    // The URLs of the "send request to [URL]" statements, in order.
    std::vector<std::string> UrlsSent() const {
        static const std::string kMarker = "send request to [";
        std::vector<std::string> urls;
        for (const std::string& line : Lines()) {
            const size_t at = line.find(kMarker);
            if (at == std::string::npos) continue;
            const size_t start = at + kMarker.size();
            urls.push_back(line.substr(start, line.find(']', start) - start));
        }
        return urls;
    }

  private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
};

}  // namespace test
}  // namespace objstore
