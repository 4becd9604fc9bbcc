#include "platform/platform.h"

#include <string>

#if defined(_WIN32)
#include <time.h>
#else
#include <time.h>
#endif

namespace sawline::platform {
namespace {

struct Seam {
  bool clockFixed = false;
  int64_t clockMs = 0;
  int64_t clockStep = 0;
  bool seedFixed = false;
  uint32_t seed = 0;
  bool localTimeFixed = false;
  std::tm localTime{};
  std::string logPath;
};

Seam& TheSeam() {
  static Seam seam;
  return seam;
}

uint32_t randomState = 1;

}  // namespace

int64_t ClockMilliseconds() {
  Seam& seam = TheSeam();
  if (seam.clockFixed) {
    const int64_t now = seam.clockMs;
    seam.clockMs += seam.clockStep;
    return now;
  }
#if defined(_WIN32)
  // The Windows C runtime's clock() counts wall-clock milliseconds since the process
  // started (CLOCKS_PER_SEC is 1000 there).
  return static_cast<int64_t>(clock()) * 1000 / CLOCKS_PER_SEC;
#else
  // clock() is processor time on POSIX systems; the search budget is wall time.
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#endif
}

int64_t CalendarSeconds() {
  return static_cast<int64_t>(std::time(nullptr));
}

std::tm LocalTime() {
  Seam& seam = TheSeam();
  if (seam.localTimeFixed) return seam.localTime;
  const std::time_t now = std::time(nullptr);
  std::tm result{};
#if defined(_WIN32)
  localtime_s(&result, &now);
#else
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
  const Seam& seam = TheSeam();
  if (seam.seedFixed) return seam.seed;
  return static_cast<uint32_t>(CalendarSeconds());
}

const char* LogPath() {
  const Seam& seam = TheSeam();
  return seam.logPath.empty() ? kLogFileName : seam.logPath.c_str();
}

void TruncateLog() {
  std::FILE* file = std::fopen(LogPath(), "w");
  if (file != nullptr) std::fclose(file);
}

std::FILE* OpenLogForAppend() {
  return std::fopen(LogPath(), "a");
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

void SetLogPath(const char* path) {
  TheSeam().logPath = path != nullptr ? path : "";
}

void ReleaseFixes() {
  TheSeam() = Seam{};
}

}  // namespace sawline::platform
