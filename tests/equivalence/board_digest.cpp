// Board digest: runs a stream of random but plannable boards through the exported
// entry, with a fixed calendar (so every search has its own fixed seed) and a frozen
// millisecond clock, and prints a digest of every answer: the returned count, every
// byte of the result block and every byte of the run log. Two builds that print the
// same digests answer every one of these boards identically.
//
//   sawline_digest COUNT [FIRST] [--boards] [--expect HEX]
//
// COUNT boards from board number FIRST (default 0); --boards prints one line per
// board; --expect compares the total digest and fails on a difference. The boards
// cover every optimization mode, grade/length pairs and marking lines on one or two
// faces (front marking too), priority downgrade on and off, remnant centering, long
// cut lists and a few boards that are refused.
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "interface/block_layout.h"
#include "interface/sawline.h"
#include "platform/platform.h"

namespace {

using namespace sawline;

// splitmix64: the boards depend on nothing but their number.
struct BoardRandom {
  uint64_t state;
  uint64_t Next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Between(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1));
  }
  bool Chance(int percent) { return Between(1, 100) <= percent; }
  float Weight() { return static_cast<float>(Between(1, 3000)) / 1000.0f; }
  float Code() { return static_cast<float>(Between(1, 16) * 1000000 + Between(0, 999999)); }
};

struct Blocks {
  std::vector<float> parameters = std::vector<float>(kParameterBlockFloats, 0.0f);
  std::vector<float> marks = std::vector<float>(kBoardMarkBlockFloats, 0.0f);
};

int OrderGrade(BoardRandom& r) {
  return r.Chance(60) ? r.Between(1, 3) : r.Between(1, 8);
}

void AddOrders(BoardRandom& r, Blocks& b, bool longCutList) {
  float* p = b.parameters.data();
  const int fixedRows = r.Chance(15) ? r.Between(60, 200) : r.Between(0, 30);
  for (int row = 0; row < fixedRows; ++row) {
    p[SAWLINE_PARAM_FIXED_ORDER_ENABLED + row] =
        r.Chance(92) ? 1.0f : static_cast<float>(r.Between(0, 2));
    p[SAWLINE_PARAM_FIXED_ORDER_GRADE + row] = static_cast<float>(OrderGrade(r));
    p[SAWLINE_PARAM_FIXED_ORDER_LENGTH + row] = static_cast<float>(r.Between(60, 3200));
    p[SAWLINE_PARAM_FIXED_ORDER_WEIGHT + row] = r.Weight();
    p[SAWLINE_PARAM_FIXED_ORDER_START_WEIGHT + row] = r.Weight();
    p[SAWLINE_PARAM_FIXED_ORDER_VALUE + row] = static_cast<float>(r.Between(0, 5000)) / 100.0f;
    const int quantity = r.Chance(40) ? 0 : r.Between(1, 12);
    p[SAWLINE_PARAM_FIXED_ORDER_QUANTITY + row] = static_cast<float>(quantity);
    p[SAWLINE_PARAM_FIXED_ORDER_DONE + row] = static_cast<float>(r.Between(0, quantity + 1));
    p[SAWLINE_PARAM_FIXED_ORDER_CODE + row] = r.Code();
  }
  const int variableRows = longCutList ? r.Between(1, 4) : r.Between(0, 24);
  for (int row = 0; row < variableRows; ++row) {
    const int minLength = longCutList ? r.Between(50, 70) : r.Between(40, 900);
    p[SAWLINE_PARAM_VARIABLE_ORDER_ENABLED + row] = r.Chance(92) ? 1.0f : 0.0f;
    p[SAWLINE_PARAM_VARIABLE_ORDER_GRADE + row] =
        static_cast<float>(longCutList ? 1 : OrderGrade(r));
    p[SAWLINE_PARAM_VARIABLE_ORDER_MIN_LENGTH + row] = static_cast<float>(minLength);
    p[SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH + row] =
        static_cast<float>(minLength + (longCutList ? r.Between(0, 20) : r.Between(-20, 1500)));
    p[SAWLINE_PARAM_VARIABLE_ORDER_WEIGHT + row] = r.Weight();
    p[SAWLINE_PARAM_VARIABLE_ORDER_VALUE + row] = static_cast<float>(r.Between(0, 9000)) / 100.0f;
    p[SAWLINE_PARAM_VARIABLE_ORDER_CODE + row] = r.Code();
  }
  for (int row = 0; row < kUncutOrderRows; ++row) {
    if (!r.Chance(12)) continue;
    const int minLength = r.Between(40, 2500);
    p[SAWLINE_PARAM_UNCUT_ORDER_ENABLED + row] = 1.0f;
    p[SAWLINE_PARAM_UNCUT_ORDER_MIN_LENGTH + row] = static_cast<float>(minLength);
    p[SAWLINE_PARAM_UNCUT_ORDER_MAX_LENGTH + row] =
        static_cast<float>(minLength + r.Between(-10, 600));
    p[SAWLINE_PARAM_UNCUT_ORDER_CODE + row] = r.Code();
  }
}

void AddSettings(BoardRandom& r, Blocks& b, int mode) {
  float* p = b.parameters.data();
  static const float kKerfs[] = {0.0f, 3.0f, 4.0f, 4.5f, 5.0f, 2.25f};
  static const float kWasteMax[] = {0.0f, 40.0f, 49.0f, 300.0f, 600.0f, 1000.0f};
  p[SAWLINE_PARAM_WASTE_GATE_SELECT] = static_cast<float>(r.Between(0, r.Chance(10) ? 2 : 1));
  p[SAWLINE_PARAM_WASTE_KICKER_CODE] = r.Chance(20) ? 0.0f : r.Code();
  p[SAWLINE_PARAM_WASTE_MAX_LENGTH] = kWasteMax[r.Between(0, 5)];
  p[SAWLINE_PARAM_REMNANT_CENTERING] = static_cast<float>(r.Between(0, 1));
  p[SAWLINE_PARAM_UNUSED_TIME_LIMIT] = static_cast<float>(r.Between(0, 9));
  p[SAWLINE_PARAM_WASTE_MARK_COUNT] = static_cast<float>(r.Between(1, r.Chance(10) ? 12 : 9));
  p[SAWLINE_PARAM_TAIL_UNMARKED_LENGTH] = static_cast<float>(r.Between(0, 300));
  p[SAWLINE_PARAM_GRADE_MARK_LENGTH] = static_cast<float>(r.Between(20, 40));
  p[SAWLINE_PARAM_GRADE_A_MIN_LENGTH] = static_cast<float>(r.Between(100, 300));
  p[SAWLINE_PARAM_UNMARKED_GRADE] = static_cast<float>(r.Between(1, 9));
  p[SAWLINE_PARAM_OPTIMIZE_MODE] = static_cast<float>(mode) + (r.Chance(10) ? 0.5f : 0.0f);
  p[SAWLINE_PARAM_PRIORITY_DOWNGRADE] = static_cast<float>(r.Chance(45) ? 1 : r.Between(0, 2) & 2);
  p[SAWLINE_PARAM_KERF_WIDTH] = kKerfs[r.Between(0, 5)];
  p[SAWLINE_PARAM_FLUORESCENT_LINE_WIDTH] = static_cast<float>(r.Chance(50) ? 0 : r.Between(1, 6));
  p[SAWLINE_PARAM_FRONT_MARKING_MODE] = static_cast<float>(r.Chance(30) ? 1 : 0);
  p[SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES] = static_cast<float>(r.Chance(40) ? 1 : 0);
  p[SAWLINE_PARAM_SEPARATE_ADJACENT_SAME_GRADE] = static_cast<float>(r.Between(0, 1));
  for (int g = 1; g <= 8; ++g) {
    p[SAWLINE_PARAM_CT + g] = r.Chance(60) ? 0.0f : static_cast<float>(r.Between(1, 150));
    p[SAWLINE_PARAM_CB + g] = r.Chance(60) ? 0.0f : static_cast<float>(r.Between(1, 150));
  }
}

float ZoneLength(BoardRandom& r, bool longCutList) {
  if (longCutList) return static_cast<float>(r.Between(3000, 12000));
  const int kind = r.Between(0, 9);
  if (kind == 0) return static_cast<float>(r.Between(5, 120));
  if (kind <= 2) return static_cast<float>(r.Between(120, 700)) + (r.Chance(20) ? 0.5f : 0.0f);
  return static_cast<float>(r.Between(700, 4500));
}

void AddPairs(BoardRandom& r, Blocks& b, bool longCutList) {
  const int zones = longCutList ? r.Between(1, 3) : r.Between(1, r.Chance(10) ? 40 : 9);
  for (int i = 0; i < zones; ++i) {
    b.marks[static_cast<size_t>(i)] =
        static_cast<float>(r.Chance(25) ? 9 : OrderGrade(r)) + (r.Chance(5) ? 0.5f : 0.0f);
    b.marks[static_cast<size_t>(kMarkHalf + i)] = ZoneLength(r, longCutList);
  }
  b.marks[kMarkKindIndex] = 1.0f;
}

// Intervals of one face: long sound stretches, short grade marks, middling waste.
int AddIntervals(BoardRandom& r, float* half, int most) {
  const int count = r.Between(1, most);
  for (int i = 0; i < count; ++i) {
    const int kind = r.Between(0, 9);
    if (kind <= 2) {
      half[i] = static_cast<float>(r.Between(5, 30));
    } else if (kind == 3) {
      half[i] = static_cast<float>(r.Between(31, 250));
    } else {
      half[i] = static_cast<float>(r.Between(250, 4000));
    }
  }
  return count;
}

void AddMarkingLines(BoardRandom& r, Blocks& b) {
  AddIntervals(r, b.marks.data(), r.Chance(10) ? 60 : 12);
  if (b.parameters[SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES] != 0.0f && r.Chance(85)) {
    AddIntervals(r, b.marks.data() + kMarkHalf, r.Chance(10) ? 40 : 10);
  }
  static const float kKinds[] = {0.0f, 2.0f, 1.5f};
  b.marks[kMarkKindIndex] = kKinds[r.Between(0, 2)];
}

// A few boards the library refuses: a value that is not a number, a negative kerf or
// a negative mark length.
void MakeRefused(BoardRandom& r, Blocks& b) {
  switch (r.Between(0, 2)) {
    case 0:
      b.parameters[SAWLINE_PARAM_GRADE_MARK_LENGTH] = NAN;
      break;
    case 1:
      b.parameters[SAWLINE_PARAM_KERF_WIDTH] = -2.0f;
      break;
    default:
      b.marks[kMarkHalf] = -100.0f;
      b.marks[kMarkKindIndex] = 1.0f;
      if (b.marks[0] == 0.0f) b.marks[0] = 1.0f;
      break;
  }
}

Blocks MakeBoard(uint64_t number) {
  BoardRandom r{number * 7919u + 17u};
  Blocks b;
  const int mode = static_cast<int>(number % 5);
  const bool longCutList = r.Chance(6);
  AddSettings(r, b, mode);
  AddOrders(r, b, longCutList);
  if (longCutList || r.Chance(45)) {
    AddPairs(r, b, longCutList);
  } else {
    AddMarkingLines(r, b);
  }
  if (r.Chance(2)) MakeRefused(r, b);
  return b;
}

// 64-bit FNV-1a.
struct Digest {
  uint64_t value = 0xCBF29CE484222325ull;
  void Add(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
      value ^= bytes[i];
      value *= 0x100000001B3ull;
    }
  }
};

// The log's bytes with CR LF folded to LF, as the Windows C runtime's text mode writes.
std::string LogBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string folded;
  folded.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    folded.push_back(bytes[i]);
  }
  return folded;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: sawline_digest COUNT [FIRST] [--boards] [--expect HEX]\n");
    return 2;
  }
  const uint64_t count = std::strtoull(argv[1], nullptr, 10);
  uint64_t first = 0;
  bool perBoard = false;
  const char* expect = nullptr;
  for (int a = 2; a < argc; ++a) {
    if (std::strcmp(argv[a], "--boards") == 0) {
      perBoard = true;
    } else if (std::strcmp(argv[a], "--expect") == 0 && a + 1 < argc) {
      expect = argv[++a];
    } else {
      first = std::strtoull(argv[a], nullptr, 10);
    }
  }

  const std::string logPath = "BackupData.digest." + std::to_string(first) + ".txt";
  platform::SetLogPath(logPath.c_str());
  Digest total;
  uint64_t pieces = 0;
  uint64_t refused = 0;
  for (uint64_t n = first; n < first + count; ++n) {
    const Blocks b = MakeBoard(n);
    platform::FixClock(1000);
    platform::FixCalendar(1700000000 + static_cast<int64_t>(n), 8 * 3600);
    std::vector<float> result(kResultBlockFloats, -7.0f);
    const int32_t returned =
        OptimizationCompute(b.parameters.data(), b.marks.data(), result.data());
    const std::string log = LogBytes(logPath.c_str());
    Digest board;
    board.Add(&returned, sizeof returned);
    board.Add(result.data(), result.size() * sizeof(float));
    board.Add(log.data(), log.size());
    total.Add(&board.value, sizeof board.value);
    pieces += static_cast<uint64_t>(returned > 0 ? returned : 0);
    if (log.find("Board refused") != std::string::npos) ++refused;
    if (perBoard) {
      std::printf("%" PRIu64 " %d %016" PRIx64 "\n", n, returned, board.value);
    }
  }
  if (std::getenv("SAWLINE_DIGEST_KEEP_LOG") == nullptr) std::remove(logPath.c_str());
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016" PRIx64, total.value);
  std::printf("boards %" PRIu64 " pieces %" PRIu64 " refused %" PRIu64 " digest %s\n", count,
              pieces, refused, hex);
  if (expect != nullptr && std::strcmp(expect, hex) != 0) {
    std::fprintf(stderr, "digest differs: expected %s\n", expect);
    return 1;
  }
  return 0;
}
