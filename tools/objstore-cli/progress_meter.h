// Progress display of a download: a bar with rate and time left on a terminal,
// plain lines otherwise. Plain text in, text out; printing is the caller's.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace objstore_cli {

// Percentage done, 100 for an empty total.
double PercentDone(uint64_t transferred, uint64_t total);
// "12.3 MiB", "512 B", ...
std::string FormatBytes(double bytes);
// "1:02:03" or "2:03"; "--:--" when unknown.
std::string FormatDuration(std::optional<double> seconds);

class ProgressMeter {
  public:
    explicit ProgressMeter(bool terminal) : m_terminal(terminal) {}

    // Called from any thread with handler-wide counts and the seconds since the
    // start; returns the text to print now, if any. Calls arriving out of order
    // never move the display backwards, and it never reads 100% before Finish:
    // the last bytes in are not yet a complete file.
    std::optional<std::string> Update(uint64_t transferred, uint64_t total, double elapsed);
    // The closing text (a newline ends the bar on a terminal); empty when the
    // plain output has shown completion already.
    std::string Finish(uint64_t total, double elapsed);

    // What to print before a message when a download stops early: a newline
    // that ends a bar on a terminal, else nothing.
    std::string Interrupt();

    // One display line for the given state; below 100% unless finished.
    std::string RenderLine(uint64_t transferred, uint64_t total, double elapsed,
                           bool finished = false) const;

  private:
    bool m_terminal;
    std::mutex m_lock;
    uint64_t m_shown = 0;
    double m_lastPrint = -1;
    int m_lastDecile = -1;
    bool m_barOpen = false;  // a terminal bar was drawn and not ended
};

}  // namespace objstore_cli
