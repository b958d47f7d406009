// MS-DOS date and time of zip entries.
#pragma once

#include <cstdint>
#include <ctime>

namespace release_builder {

// The 32-bit MS-DOS date (high 16 bits) and time (low 16 bits) of a moment, in
// local time, as the installer reads it back when it sets the file times.
// Seconds are rounded down to even numbers (the format keeps two-second steps);
// moments before 1980 become 1980-01-01 00:00:00 and after 2107 the last moment
// of 2107, the range the format can hold.
uint32_t DosDateTime(std::time_t moment);

}  // namespace release_builder
