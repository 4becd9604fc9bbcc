#include "platform/platform.h"

#include <string>
#if !defined(_WIN32)
#include <mutex>
#endif

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
#include <time.h>

namespace sawline::platform {
namespace {

struct Seam {
  bool clockFixed = false;
  int64_t clockMs = 0;
  int64_t clockStep = 0;
  double clockScale = 0.0;      // > 0: the live clock runs this many times as fast
  int64_t scaledOriginUs = -1;  // live microseconds at the first scaled read
  bool seedFixed = false;
  uint32_t seed = 0;
  bool localTimeFixed = false;
  std::tm localTime{};
  bool calendarFixed = false;
  int64_t calendarSeconds = 0;
  int32_t utcOffsetSeconds = 0;
  int32_t seedsBeforeAdvance = -1;  // seeds still to read before the calendar moves on
  void (*clockObserver)() = nullptr;
  std::string logPath;
};

Seam& TheSeam() {
  static Seam seam;
  return seam;
}

uint32_t randomState = 1;

// Both locks are constant-initialised: no constructor has to run before the first call.
// On Windows the slim reader/writer lock of kernel32 serves, so the DLL keeps importing
// only system DLLs (the 32-bit toolchain's C++ runtime has no std::mutex).
#if defined(_WIN32)
SRWLOCK callLock = SRWLOCK_INIT;
#else
std::mutex callLock;
#endif

}  // namespace

#if defined(_WIN32)
CallLock::CallLock() {
  AcquireSRWLockExclusive(&callLock);
}

CallLock::~CallLock() {
  ReleaseSRWLockExclusive(&callLock);
}
#else
CallLock::CallLock() {
  callLock.lock();
}

CallLock::~CallLock() {
  callLock.unlock();
}
#endif

namespace {

// Elapsed wall time in units of 1 / perSecond seconds (1000: milliseconds), from a
// monotonic clock. On Windows that is the performance counter: the C runtime's clock()
// is a 32-bit count of milliseconds there, and in a host that runs longer than 24.8 days
// it would overflow and the search would never see its time share run out. On POSIX
// systems clock() is processor time, and the search budget is wall time.
int64_t LiveTime(int64_t perSecond) {
#if defined(_WIN32)
  LARGE_INTEGER counter{};
  LARGE_INTEGER frequency{};
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  const int64_t ticks = counter.QuadPart;
  const int64_t ticksPerSecond = frequency.QuadPart;
  return ticks / ticksPerSecond * perSecond + ticks % ticksPerSecond * perSecond / ticksPerSecond;
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * perSecond + now.tv_nsec / (1000000000 / perSecond);
#endif
}

}  // namespace

int64_t ClockMilliseconds() {
  Seam& seam = TheSeam();
  if (seam.clockObserver != nullptr) seam.clockObserver();
  if (seam.clockFixed) {
    const int64_t now = seam.clockMs;
    seam.clockMs += seam.clockStep;
    return now;
  }
  if (seam.clockScale > 0.0) {
    const int64_t now = LiveTime(1000000);
    if (seam.scaledOriginUs < 0) seam.scaledOriginUs = now;
    const double elapsedUs = static_cast<double>(now - seam.scaledOriginUs) * seam.clockScale;
    return static_cast<int64_t>(elapsedUs / 1000.0);
  }
  return LiveTime(1000);
}

// The 32-bit Windows C runtime's time_t is 32 bits wide and runs out in January 2038,
// after which time() fails and the run log's date and the search's seed would be
// wrong; its 64-bit calendar functions give the same values without that end.
int64_t CalendarSeconds() {
  const Seam& seam = TheSeam();
  if (seam.calendarFixed) return seam.calendarSeconds;
#if defined(_WIN32)
  return static_cast<int64_t>(_time64(nullptr));
#else
  return static_cast<int64_t>(std::time(nullptr));
#endif
}

std::tm LocalTime() {
  Seam& seam = TheSeam();
  if (seam.localTimeFixed) return seam.localTime;
  std::tm result{};
  if (seam.calendarFixed) {
    // The civil date of the shifted instant, computed here so that neither the desk's
    // zone nor the C runtime's time_t range plays a part.
    const int64_t shifted = seam.calendarSeconds + seam.utcOffsetSeconds;
    int64_t days = shifted / 86400;
    int64_t secondOfDay = shifted % 86400;
    if (secondOfDay < 0) {
      secondOfDay += 86400;
      --days;
    }
    // Days since 1970-01-01 to year, month, day (proleptic Gregorian calendar).
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // 0 is March
    const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    result.tm_year = static_cast<int>(year - 1900);
    result.tm_mon = static_cast<int>(month - 1);
    result.tm_mday = static_cast<int>(day);
    result.tm_hour = static_cast<int>(secondOfDay / 3600);
    result.tm_min = static_cast<int>(secondOfDay / 60 % 60);
    result.tm_sec = static_cast<int>(secondOfDay % 60);
    result.tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    return result;
  }
#if defined(_WIN32)
  const __time64_t now = _time64(nullptr);
  _localtime64_s(&result, &now);
#else
  const std::time_t now = std::time(nullptr);
  localtime_r(&now, &result);
#endif
  return result;
}

void SeedRandom(uint32_t seed) {
  randomState = seed;
}

int32_t NextRandom() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int32_t>((randomState >> 16) & 0x7FFFu);
}

uint32_t RandomSeed() {
  Seam& seam = TheSeam();
  if (seam.seedFixed) return seam.seed;
  const uint32_t seed = static_cast<uint32_t>(CalendarSeconds());
  if (seam.calendarFixed && seam.seedsBeforeAdvance > 0 && --seam.seedsBeforeAdvance == 0) {
    ++seam.calendarSeconds;
  }
  return seed;
}

const char* LogPath() {
  const Seam& seam = TheSeam();
  return seam.logPath.empty() ? kLogFileName : seam.logPath.c_str();
}

// On Windows the log is written in text mode, so every "\n" becomes CR LF; the 't' is
// explicit because a host may have switched the C runtime's default mode to binary.
// Text mode changes no other byte of GBK text: no lead or trail byte is a line feed.
#if defined(_WIN32)
constexpr const char* kTruncateMode = "wt";
constexpr const char* kAppendMode = "at";
#else
constexpr const char* kTruncateMode = "w";
constexpr const char* kAppendMode = "a";
#endif

void TruncateLog() {
  std::FILE* file = std::fopen(LogPath(), kTruncateMode);
  if (file != nullptr) std::fclose(file);
}

std::FILE* OpenLogForAppend() {
  return std::fopen(LogPath(), kAppendMode);
}

void CloseLog(std::FILE* file) {
  if (file != nullptr) std::fclose(file);
}

void FixClock(int64_t ms, int64_t stepPerRead) {
  Seam& seam = TheSeam();
  seam.clockFixed = true;
  seam.clockMs = ms;
  seam.clockStep = stepPerRead;
}

void FixSeed(uint32_t seed) {
  Seam& seam = TheSeam();
  seam.seedFixed = true;
  seam.seed = seed;
}

void FixLocalTime(const std::tm& when) {
  Seam& seam = TheSeam();
  seam.localTimeFixed = true;
  seam.localTime = when;
}

void FixCalendar(int64_t seconds, int32_t utcOffsetSeconds, int32_t advanceAfterSeeds) {
  Seam& seam = TheSeam();
  seam.calendarFixed = true;
  seam.calendarSeconds = advanceAfterSeeds == 0 ? seconds + 1 : seconds;
  seam.utcOffsetSeconds = utcOffsetSeconds;
  seam.seedsBeforeAdvance = advanceAfterSeeds;
}

void ScaleClock(double factor) {
  Seam& seam = TheSeam();
  seam.clockScale = factor > 0.0 ? factor : 0.0;
  seam.scaledOriginUs = -1;
}

void ObserveClock(void (*observer)()) {
  TheSeam().clockObserver = observer;
}

void SetLogPath(const char* path) {
  TheSeam().logPath = path != nullptr ? path : "";
}

void ReleaseFixes() {
  TheSeam() = Seam{};
}

}  // namespace sawline::platform
