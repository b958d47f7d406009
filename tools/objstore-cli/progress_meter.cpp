#include "progress_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace objstore_cli {
namespace {
constexpr double kTerminalInterval = 0.1;  // seconds between bar redraws
constexpr double kPlainInterval = 1.0;     // seconds between plain lines
constexpr int kBarWidth = 24;
}  // namespace

double PercentDone(uint64_t transferred, uint64_t total) {
    if (total == 0) return 100.0;
    if (transferred >= total) return 100.0;
    return 100.0 * static_cast<double>(transferred) / static_cast<double>(total);
}

std::string FormatBytes(double bytes) {
    static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof(text), "%.0f %s", bytes, kUnits[unit]);
    } else {
        std::snprintf(text, sizeof(text), "%.1f %s", bytes, kUnits[unit]);
    }
    return text;
}

std::string FormatDuration(std::optional<double> seconds) {
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0) return "--:--";
    const auto whole = static_cast<unsigned long long>(*seconds + 0.5);
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof(text), "%llu:%02llu:%02llu", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof(text), "%llu:%02llu", whole / 60, whole % 60);
    }
    return text;
}

std::string ProgressMeter::RenderLine(uint64_t transferred, uint64_t total, double elapsed,
                                      bool finished) const {
    constexpr double kBelowDone = 99.9;
    double percent = PercentDone(transferred, total);
    if (!finished) percent = std::min(percent, kBelowDone);
    const double rate = elapsed > 0 ? static_cast<double>(transferred) / elapsed : 0;
    std::optional<double> left;
    if (rate > 0 && total >= transferred) left = static_cast<double>(total - transferred) / rate;

    char line[160];
    if (m_terminal) {
        const int filled = static_cast<int>(percent / 100 * kBarWidth);
        std::string bar(static_cast<size_t>(filled), '#');
        bar.resize(kBarWidth, '-');
        std::snprintf(line, sizeof(line), "\r[%s] %5.1f%%  %s / %s  %s/s  left %s ", bar.c_str(),
                      percent, FormatBytes(static_cast<double>(transferred)).c_str(),
                      FormatBytes(static_cast<double>(total)).c_str(), FormatBytes(rate).c_str(),
                      FormatDuration(left).c_str());
    } else {
        std::snprintf(line, sizeof(line), "progress %.0f%% %llu/%llu bytes %s/s left %s\n",
                      std::floor(percent), static_cast<unsigned long long>(transferred),
                      static_cast<unsigned long long>(total), FormatBytes(rate).c_str(),
                      FormatDuration(left).c_str());
    }
    return line;
}

std::optional<std::string> ProgressMeter::Update(uint64_t transferred, uint64_t total,
                                                 double elapsed) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (transferred < m_shown) return std::nullopt;
    m_shown = transferred;
    const int decile = static_cast<int>(std::min(PercentDone(transferred, total), 99.9) / 10);
    const double interval = m_terminal ? kTerminalInterval : kPlainInterval;
    const bool due = m_lastPrint < 0 || elapsed - m_lastPrint >= interval;
    // Plain output also reports every tenth of the way, so short downloads show steps.
    const bool step = !m_terminal && decile != m_lastDecile;
    if (!due && !step) return std::nullopt;
    m_lastPrint = elapsed;
    m_lastDecile = decile;
    m_barOpen = m_terminal;
    return RenderLine(transferred, total, elapsed);
}

std::string ProgressMeter::Interrupt() {
    std::lock_guard<std::mutex> guard(m_lock);
    const bool open = m_barOpen;
    m_barOpen = false;
    return open ? "\n" : "";
}

std::string ProgressMeter::Finish(uint64_t total, double elapsed) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_barOpen = false;
    std::string line = RenderLine(total, total, elapsed, true);
    return m_terminal ? line + "\n" : line;
}

}  // namespace objstore_cli
