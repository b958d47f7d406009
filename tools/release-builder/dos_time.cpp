#include "dos_time.h"

namespace release_builder {

uint32_t DosDateTime(std::time_t moment) {
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr || local.tm_year < 80) {
        local = std::tm{};
        local.tm_year = 80;
        local.tm_mday = 1;
    } else if (local.tm_year > 207) {
        local = std::tm{};
        local.tm_year = 207;
        local.tm_mon = 11;
        local.tm_mday = 31;
        local.tm_hour = 23;
        local.tm_min = 59;
        local.tm_sec = 58;
    }
    const uint32_t date = uint32_t(local.tm_year - 80) << 9 | uint32_t(local.tm_mon + 1) << 5 |
                          uint32_t(local.tm_mday);
    // A leap second (60) would overflow the 5-bit field.
    const int seconds = local.tm_sec > 59 ? 59 : local.tm_sec;
    const uint32_t time =
        uint32_t(local.tm_hour) << 11 | uint32_t(local.tm_min) << 5 | uint32_t(seconds / 2);
    return date << 16 | time;
}

}  // namespace release_builder
