#include "support/random_boards.h"

#include <utility>
#include <vector>

namespace sawline::test {
namespace {

// A generator of its own, independent of the optimizer's: drawing a board must not
// move the search's random sequence.
class Draw {
 public:
  explicit Draw(uint32_t seed) : state_(seed * 2654435761u + 1u) {}
  // A whole number in [low, high].
  int Between(int low, int high) {
    state_ = state_ * 1664525u + 1013904223u;
    return low + static_cast<int>((state_ >> 8) % static_cast<uint32_t>(high - low + 1));
  }
  bool OneIn(int n) { return Between(1, n) == 1; }
  // Quarters of a length unit, as the line's scanner reports them.
  float Length(int low, int high) { return static_cast<float>(Between(4 * low, 4 * high)) / 4; }
  // A weight or value in hundredths.
  float Hundredths(int low, int high) { return static_cast<float>(Between(low, high)) / 100; }

 private:
  uint32_t state_;
};

int Code(int kind, int row) {
  return 10000000 * kind + 10000 * (row + 1) + 101;
}

}  // namespace

tools::JobBlocks RandomBoard(uint32_t seed) {
  Draw draw(seed);
  tools::JobBlocks job;
  const int mode = draw.Between(0, 9) < 7 ? draw.Between(0, 2) : draw.Between(3, 4);
  job.SetSetting("OptimizeMode", static_cast<float>(mode));
  job.SetSetting("PriorityDowngrade", draw.OneIn(4) ? 1.0f : 0.0f);
  job.SetSetting("KerfWidth", static_cast<float>(draw.Between(6, 20)) / 4);
  job.SetSetting("WasteMaxLength", static_cast<float>(draw.Between(150, 400)));
  job.SetSetting("WasteKickerCode", 1020304);
  job.SetSetting("GradeMarkLength", 30);
  job.SetSetting("GradeAMinLength", 200);
  job.SetSetting("UnmarkedGrade", static_cast<float>(draw.Between(1, 5)));
  job.SetSetting("WasteMarkCount", 9);
  job.SetSetting("RemnantCentering", static_cast<float>(draw.Between(0, 1)));
  job.SetSetting("SeparateAdjacentSameGrade", static_cast<float>(draw.Between(0, 1)));

  const int grades = draw.Between(1, 3);
  const int fixedRows = draw.Between(mode == 4 ? 0 : 2, 40);
  for (int row = 0; row < fixedRows; ++row) {
    tools::FixedOrder order;
    order.grade = draw.Between(1, grades);
    order.length = 5 * draw.Between(60, 600);
    order.weight = draw.Hundredths(50, 150);
    order.startWeight = draw.Hundredths(50, 150);
    order.value = draw.Hundredths(100, 5000);
    order.quantity = draw.OneIn(3) ? 0 : draw.Between(1, 30);
    order.done = order.quantity > 0 && draw.OneIn(4) ? draw.Between(0, order.quantity) : 0;
    order.code = Code(1, row);
    job.AddFixedOrder(order);
  }
  const int variableRows = draw.Between(0, 6);
  for (int row = 0; row < variableRows; ++row) {
    tools::VariableOrder order;
    order.grade = draw.Between(1, grades);
    order.minLength = 5 * draw.Between(40, 200);
    order.maxLength = order.minLength + 5 * draw.Between(0, 300);
    order.weight = draw.Hundredths(30, 120);
    order.value = draw.Hundredths(100, 3000);
    order.code = Code(2, row);
    job.AddVariableOrder(order);
  }
  for (int grade = 1; grade <= grades; ++grade) {
    if (!draw.OneIn(3)) continue;
    const int row = 3 * (grade - 1) + draw.Between(0, 2);
    const int minLength = 5 * draw.Between(100, 500);
    job.SetUncutOrder(row, minLength, minLength + 5 * draw.Between(0, 200), Code(3, row));
  }
  if (draw.OneIn(3))
    job.SetHeadTail(draw.Between(1, grades), draw.Between(0, 40), draw.Between(0, 40));

  if (draw.OneIn(5)) {
    // Marking lines on the faces, each interval a grade mark or a zone.
    std::vector<float> top;
    std::vector<float> side;
    const int zones = draw.Between(1, 6);
    for (int i = 0; i < zones; ++i) {
      if (i > 0) top.push_back(draw.Length(10, 150));
      top.push_back(draw.Length(300, 3000));
    }
    const int sideZones = draw.Between(1, 6);
    for (int i = 0; i < sideZones; ++i) {
      if (i > 0) side.push_back(static_cast<float>(draw.Between(1, 60)));
      side.push_back(draw.Length(300, 3000));
    }
    job.SetSetting("FrontMarkingMode", static_cast<float>(draw.Between(0, 1)));
    job.SetSetting("TopWasteSideGradeLines", static_cast<float>(draw.Between(0, 1)));
    job.SetIntervals(top, side);
  } else {
    std::vector<std::pair<float, float>> pairs;
    const int zones = draw.Between(1, 12);
    for (int i = 0; i < zones; ++i) {
      const float grade = draw.OneIn(6) ? 9.0f : static_cast<float>(draw.Between(1, grades + 1));
      pairs.emplace_back(grade, draw.OneIn(8) ? draw.Length(20, 250) : draw.Length(250, 4000));
    }
    job.SetPairs(pairs);
  }
  return job;
}

}  // namespace sawline::test
