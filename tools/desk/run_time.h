// The calendar time of a run: what the library reads as the current time (the search's
// random seed and the run log's timestamp), written as ISO 8601 with its UTC offset.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sawline::tools {

struct RunTime {
  int64_t seconds = 0;           // calendar seconds since 1970-01-01T00:00:00Z
  int32_t utcOffsetSeconds = 0;  // how far the local clock runs ahead of UTC
};

// Reads "2026-03-01T08:15:00+08:00" (also "Z", "+0800", "+08", a space for the "T",
// and no seconds). Without an offset the time is on the desk's local clock. Whole
// seconds only; false and a reason on anything else.
bool ParseRunTime(std::string_view text, RunTime* time, std::string* error);

// "2026-03-01T08:15:00+08:00": the local time and the offset it was read with.
std::string FormatRunTime(const RunTime& time);

// Now, on the desk's local clock.
RunTime CurrentRunTime();

// The desk's UTC offset at the instant `seconds`.
int32_t LocalUtcOffset(int64_t seconds);

}  // namespace sawline::tools
