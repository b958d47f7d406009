// Helpers shared by the unit tests: settings restored around every test and a
// log callback that records the lines it is handed.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "util/cos_global_settings.h"

namespace objstore::test {

// Process-wide settings are shared by every test in the binary; each test
// starts and ends with the defaults.
class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { CosGlobalSettings::Instance().ResetToDefaults(); }
    void TearDown() override { CosGlobalSettings::Instance().ResetToDefaults(); }
};

// Installs a LogCallback for its lifetime and keeps every line it receives.
class LogCapture {
  public:
    LogCapture() {
        CosGlobalSettings::Instance().SetLogCallback([this](const std::string& line) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_lines.push_back(line);
        });
    }
    ~LogCapture() { CosGlobalSettings::Instance().SetLogCallback(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_lines;
    }

    // Lines whose text contains the given piece.
    size_t CountContaining(const std::string& piece) const {
        size_t count = 0;
        for (const std::string& line : Lines()) {
            if (line.find(piece) != std::string::npos) ++count;
        }
        return count;
    }

  private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
};

}  // namespace objstore::test
