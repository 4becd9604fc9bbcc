// Number conversions shared by every stage.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace sawline {

// Float (or double) to int by truncation toward zero, exactly as a C cast does for
// every value that fits in 32 bits. NaN gives 0 and values beyond the int range
// saturate, so no input from the host can make the conversion undefined.
inline int32_t TruncToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// The same for a float, widened first (exactly).
inline int32_t TruncToInt(float value) {
  return TruncToInt(static_cast<double>(value));
}

// A segment or piece grade as the optimizer compares it: the stored float truncated.
inline int32_t GradeOf(float grade) {
  return TruncToInt(grade);
}

// True for the grades that have order lists (1 to 8).
inline bool IsOrderGrade(int32_t grade) {
  return grade >= 1 && grade <= 8;
}

// The double infinity (the C macro INFINITY is a float).
inline constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Rounds a double result to the single precision of the float tables.
inline float ToFloat(double value) {
  return static_cast<float>(value);
}

}  // namespace sawline
