#include "record/record_rebuild.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>
#include <utility>

#include "desk/block_geometry.h"
#include "interface/run_log_format.h"

namespace sawline::tools {
namespace {

// The library's thresholds for order rows that are worth something: fixed-length rows
// need a weight (or value) above it, variable-length rows at least it.
constexpr float kWeightThreshold = 0.001f;
// The search budget of a whole board, shared among its segments.
constexpr float kBoardBudget = 0.35f;
// Whole-length order rows match pieces within this much (the per-order counts).
constexpr double kCountTolerance = 0.1;

std::string Printed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// A weight that prints as the record's and passes `passes`: the printed value itself
// when it can, else a value within the printed rounding.
template <typename Test>
std::optional<float> WeightLike(double printed, Test passes) {
  const std::string want = Printed(printed, 3);
  for (const double offset : {0.0, 0.0002, -0.0002, 0.0004, -0.0004}) {
    const auto weight = static_cast<float>(printed + offset);
    if (Printed(static_cast<double>(weight), 3) == want && passes(weight)) return weight;
  }
  return std::nullopt;
}

// In value optimization a list holds value / divisor; a host value whose quotient
// prints as the record's, and that passes `passes`.
template <typename Test>
std::optional<float> ValueLike(double printed, double divisor, Test passes) {
  const std::string want = Printed(printed, 3);
  for (const double offset : {0.0, 0.0001, -0.0001, 0.0002, -0.0002, 0.0004, -0.0004}) {
    const auto value = static_cast<float>((printed + offset) * divisor);
    const auto weight = static_cast<float>(static_cast<double>(value) / divisor);
    if (Printed(static_cast<double>(weight), 3) == want && passes(value)) return value;
  }
  return std::nullopt;
}

class Rebuilder {
 public:
  Rebuilder(const Record& record, MarkReading reading) : record_(record), reading_(reading) {}

  RebuiltJob Run() {
    Settings();
    OrderLists();
    Marks();
    return std::move(out_);
  }

 private:
  void Limit(int line, std::string text) { out_.limits.push_back({line, std::move(text)}); }
  void Choice(int line, std::string text) { out_.choices.push_back({line, std::move(text)}); }

  int Mode() const { return static_cast<int>(record_.settings.OptimizeMode.value); }

  // ---- Settings and head and tail cuts ----

  void Settings() {
    const RecordSettings& s = record_.settings;
    const std::pair<const char*, const RecordValue*> settings[] = {
        {"WasteGateSelect", &s.WasteGateSelect},
        {"WasteMarkCount", &s.WasteMarkCount},
        {"TailUnmarkedLength", &s.TailUnmarkedLength},
        {"GradeMarkLength", &s.GradeMarkLength},
        {"GradeAMinLength", &s.GradeAMinLength},
        {"UnmarkedGrade", &s.UnmarkedGrade},
        {"KerfWidth", &s.KerfWidth},
        {"FluorescentLineWidth", &s.FluorescentLineWidth},
        {"FrontMarkingMode", &s.FrontMarkingMode},
        {"TopWasteSideGradeLines", &s.TopWasteSideGradeLines},
        {"SeparateAdjacentSameGrade", &s.SeparateAdjacentSameGrade},
        {"RemnantCentering", &s.RemnantCentering},
        {"OptimizeMode", &s.OptimizeMode},
        {"PriorityDowngrade", &s.PriorityDowngrade},
        {"WasteMaxLength", &s.WasteMaxLength},
        {"WasteKickerCode", &s.WasteKickerCode},
    };
    for (const auto& [name, value] : settings)
      out_.job.SetSetting(name, static_cast<float>(value->value));
    for (int g = 1; g <= kMaxOrderGrade; ++g) {
      const RecordTrim& trim = record_.trims[static_cast<size_t>(g)];
      out_.job.SetHeadTail(g, trim.head, trim.tail);
    }
    Limit(s.KerfWidth.line, "KerfWidth is printed to 0.1: a kerf with more decimals (" +
                                Printed(s.KerfWidth.value, 1) + " may have been " +
                                Printed(s.KerfWidth.value - 0.05, 2) + " to " +
                                Printed(s.KerfWidth.value + 0.05, 2) + ") comes back rounded");
    Limit(s.WasteGateSelect.line,
          "whole-number settings are printed as the library read them (truncated): a host "
          "value with a fraction comes back as the whole number, which the library reads alike");
    CheckTimeLimit();
    if (record_.refusal &&
        record_.refusal->find(SAWLINE_LOG_REASON_NON_FINITE) != std::string::npos) {
      Limit(record_.refusalLine,
            "the record does not say which value was not a finite number; a NaN or infinity "
            "in a column the record does not print cannot be rebuilt");
    }
  }

  // The time limit is no input: the fixed budget over the segment count before
  // merging, which is at least the number of converted segments. A limit that no such
  // count gives says the record does not come from this library.
  void CheckTimeLimit() {
    const RecordValue& limit = record_.settings.OptimizeTimeLimit;
    const std::string printed = Printed(limit.value, 2);
    const auto converted = static_cast<int>(record_.converted.size());
    bool fits = converted == 0 && printed == Printed(static_cast<double>(kBoardBudget), 2);
    for (int count = std::max(converted, 1); count <= kResultSegments && !fits; ++count) {
      const float share = kBoardBudget / static_cast<float>(count);
      fits = Printed(static_cast<double>(share), 2) == printed;
    }
    if (!fits) {
      Limit(limit.line, "the time limit " + printed +
                            " s is not the 0.35 s budget shared by the board's segments; the "
                            "record may come from another version of the library");
    }
  }

  // ---- Order lists ----

  void OrderLists() {
    const int mode = Mode();
    Limit(0,
          "order rows that the lists dropped (switched off, too short, worth nothing in this "
          "mode, or complete) are not in the record and not in the rebuilt job");
    if (mode == 0 || mode == 2) {
      if (!record_.fixed.empty() || !record_.variable.empty()) {
        Limit(0,
              "weights are printed to 3 decimals: a weight with more digits comes back "
              "rounded, and the search may then choose differently");
      }
    } else if (mode == 1) {
      Limit(0,
            "value optimization: the lists hold value per length unit to 3 decimals, so "
            "piece values come back only approximately (list weight x length, and per 1000 "
            "units for variable-length orders), and so do the value statistics");
    }
    Limit(0, "order columns this mode does not use are not printed and are 0 in the rebuilt job" +
                 std::string(mode == 1   ? " (weights and start weights)"
                             : mode == 2 ? " (values)"
                                         : " (values and start weights)"));
    FixedRows();
    VariableRows();
    UncutRows();
  }

  // Fixed-length pieces of the cut list by grade and whole length: the pieces the
  // per-order counts count.
  struct Group {
    int grade = 0;
    int length = 0;
    int pieces = 0;
    int row = -1;  // the host row its count names
  };

  std::vector<Group> CountedGroups() {
    std::vector<Group> groups;
    for (const RecordPiece& piece : record_.cutList) {
      if (piece.gradeCode < 1 || piece.gradeCode > kMaxOrderGrade) continue;
      const double rounded = std::round(piece.length);
      if (!(std::fabs(piece.length - rounded) <= kCountTolerance) ||
          std::fabs(rounded) > 2147483647.0) {
        continue;
      }
      const int length = static_cast<int>(rounded);
      auto it = std::find_if(groups.begin(), groups.end(), [&](const Group& group) {
        return group.grade == piece.gradeCode && group.length == length;
      });
      if (it == groups.end()) {
        groups.push_back({piece.gradeCode, length, 0, -1});
        it = groups.end() - 1;
      }
      ++it->pieces;
    }
    // Counts are matched to groups by their number of pieces; among equal numbers the
    // better grade and the longer piece take the lower row, as a table sorted like the
    // lists would have them.
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
      return a.grade != b.grade ? a.grade < b.grade : a.length > b.length;
    });
    for (const RecordOrderCount& count : record_.statistics.orderCounts) {
      auto it = std::find_if(groups.begin(), groups.end(), [&](const Group& group) {
        return group.row < 0 && group.pieces == count.pieces;
      });
      if (it == groups.end()) {
        Limit(record_.statistics.orderCountsLine,
              "the count of row " + std::to_string(count.row) + " (" +
                  std::to_string(count.pieces) +
                  " pieces) matches no fixed-length pieces of the cut list; that row is not "
                  "rebuilt");
        continue;
      }
      it->row = count.row;
    }
    return groups;
  }

  // Host rows for the fixed-length entries. The library's sort compares lengths only,
  // so the order of lengths in the rows alone decides where each row lands in its
  // grade's list: the rows are laid out by length first, and the entries then go to
  // the rows the sort carries to their places in the recorded list. A counted length
  // takes its counted row as its first row of that grade; the other rows follow in
  // grade order and, within a grade, in list order, filling the rows from 0.
  void FixedRows() {
    RowLayout layout;
    for (size_t i = 0; i < record_.fixed.size(); ++i)
      layout.listed[static_cast<size_t>(record_.fixed[i].grade)].push_back(static_cast<int>(i));
    PinCountedRows(CountedGroups(), layout);
    if (!LayOutListedLengths(layout)) LayOutInListOrder(layout);
    const int lastRow = std::max(FillListedRows(layout), FillPlaceholderRows(layout));
    out_.job.fixedRows = lastRow + 1;
    if (!record_.fixed.empty()) {
      Limit(record_.fixed.front().line,
            "host rows of fixed-length orders are not printed: rows are chosen so that the "
            "lists come out in the recorded order and every counted order sits at its row");
    }
    if (out_.placeholderRows > 0) {
      Choice(record_.statistics.orderCountsLine,
             std::to_string(out_.placeholderRows) +
                 " switched-off fixed-length rows stand at counted rows (grade and length "
                 "only) that no listed order has, so that the pieces are counted there");
    }
  }

  // The host rows of the fixed-length table as FixedRows lays them out.
  struct RowLayout {
    std::array<int, kFixedOrderRows> grade{};  // grade laid out at each row, 0 none
    std::array<int, kFixedOrderRows> length{};
    std::array<bool, kFixedOrderRows> placeholder{};
    std::map<std::pair<int, int>, int> pinOf;                 // (grade, length) -> counted row
    std::array<std::vector<int>, kMaxOrderGrade + 1> listed;  // entries of each grade, list order
  };

  // Each counted group at its counted row: pinned when a listed entry has its length,
  // else a switched-off placeholder row (a counted length no listed order has, as in
  // defect sawing).
  void PinCountedRows(const std::vector<Group>& groups, RowLayout& layout) {
    for (const Group& group : groups) {
      if (group.row < 0) continue;
      const auto& entries = layout.listed[static_cast<size_t>(group.grade)];
      const bool hasEntry = std::any_of(entries.begin(), entries.end(), [&](int entry) {
        return record_.fixed[static_cast<size_t>(entry)].length == group.length;
      });
      const auto r = static_cast<size_t>(group.row);
      layout.grade[r] = group.grade;
      layout.length[r] = group.length;
      if (hasEntry) {
        layout.pinOf[{group.grade, group.length}] = group.row;
        ++out_.pinnedRows;
      } else {
        layout.placeholder[r] = true;
        ++out_.placeholderRows;
      }
    }
  }

  // The lengths still to lay out fill the free rows from 0, per grade in list order; a
  // counted length's first row is its counted row, so the rest of that length comes
  // after it. False when some length finds no row.
  bool LayOutListedLengths(RowLayout& layout) {
    std::array<std::vector<int>, kMaxOrderGrade + 1> waiting;
    for (int g = 1; g <= kMaxOrderGrade; ++g) {
      for (const int entry : layout.listed[static_cast<size_t>(g)]) {
        waiting[static_cast<size_t>(g)].push_back(record_.fixed[static_cast<size_t>(entry)].length);
      }
    }
    for (const auto& [key, row] : layout.pinOf) {
      auto& lengths = waiting[static_cast<size_t>(key.first)];
      lengths.erase(std::find(lengths.begin(), lengths.end(), key.second));
    }
    for (int row = 0; row < kFixedOrderRows; ++row) {
      const auto r = static_cast<size_t>(row);
      for (int g = 1; g <= kMaxOrderGrade && layout.grade[r] == 0; ++g) {
        auto& lengths = waiting[static_cast<size_t>(g)];
        const auto next = std::find_if(lengths.begin(), lengths.end(), [&](int length) {
          const auto pin = layout.pinOf.find({g, length});
          return pin == layout.pinOf.end() || pin->second < row;
        });
        if (next == lengths.end()) continue;
        layout.grade[r] = g;
        layout.length[r] = *next;
        lengths.erase(next);
      }
    }
    return std::all_of(waiting.begin(), waiting.end(),
                       [](const std::vector<int>& lengths) { return lengths.empty(); });
  }

  // Counted rows so late that a length's other orders find no row after them: the
  // entries take the first rows in list order and the counts are not reproduced.
  void LayOutInListOrder(RowLayout& layout) {
    Limit(0,
          "the fixed-length entries and the counted rows do not fit in 200 host rows "
          "together; the entries take the first rows and the counts are not reproduced");
    layout.grade.fill(0);
    layout.placeholder.fill(false);
    out_.pinnedRows = 0;
    out_.placeholderRows = 0;
    for (size_t i = 0; i < record_.fixed.size() && i < layout.grade.size(); ++i) {
      layout.grade[i] = record_.fixed[i].grade;
      layout.length[i] = record_.fixed[i].length;
    }
  }

  // Each grade's rows in order, and the entry each row must hold: the sort carries
  // row rows[order[k]] to place k of the list. The last row filled, -1 for none.
  int FillListedRows(const RowLayout& layout) {
    const int mode = Mode();
    int lastRow = -1;
    for (int g = 1; g <= kMaxOrderGrade; ++g) {
      std::vector<int> rows;
      std::vector<int> lengths;
      for (int row = 0; row < kFixedOrderRows; ++row) {
        const auto r = static_cast<size_t>(row);
        if (layout.grade[r] == g && !layout.placeholder[r]) {
          rows.push_back(row);
          lengths.push_back(layout.length[r]);
        }
      }
      const std::vector<int>& entries = layout.listed[static_cast<size_t>(g)];
      const std::vector<int> order = SortedFixedOrder(lengths);
      for (size_t k = 0; k < order.size() && k < entries.size(); ++k) {
        const int row = rows[static_cast<size_t>(order[k])];
        SetFixedRow(row, record_.fixed[static_cast<size_t>(entries[k])], mode);
        lastRow = std::max(lastRow, row);
      }
    }
    return lastRow;
  }

  // The placeholder rows: switched off, with only their grade and length. The last
  // such row, -1 for none.
  int FillPlaceholderRows(const RowLayout& layout) {
    int lastRow = -1;
    for (int row = 0; row < kFixedOrderRows; ++row) {
      const auto r = static_cast<size_t>(row);
      if (!layout.placeholder[r]) continue;
      out_.job.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + row, 0.0f);
      out_.job.Set(SAWLINE_PARAM_FIXED_ORDER_GRADE + row, static_cast<float>(layout.grade[r]));
      out_.job.Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH + row, static_cast<float>(layout.length[r]));
      lastRow = std::max(lastRow, row);
    }
    return lastRow;
  }

  void SetFixedRow(int row, const RecordFixedEntry& entry, int mode) {
    JobBlocks& job = out_.job;
    float weight = 0.0f;
    float startWeight = 0.0f;
    float value = 0.0f;
    auto fixedPasses = [](float w) { return w > kWeightThreshold; };
    if (mode == 0 || mode == 2) {
      weight = WeightLike(entry.weight, fixedPasses).value_or(static_cast<float>(entry.weight));
      if (mode == 2) startWeight = static_cast<float>(entry.startWeight);
      if (weight != static_cast<float>(entry.weight)) {
        Choice(entry.line, "weight " + Printed(entry.weight, 3) + " taken as " +
                               Printed(static_cast<double>(weight), 4) +
                               ", above the 0.001 a listed fixed-length order needs");
      }
    } else if (mode == 1) {
      value = ValueLike(entry.weight, entry.length, fixedPasses)
                  .value_or(static_cast<float>(entry.weight * entry.length));
    }
    job.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + row, 1.0f);
    job.Set(SAWLINE_PARAM_FIXED_ORDER_GRADE + row, static_cast<float>(entry.grade));
    job.Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH + row, static_cast<float>(entry.length));
    job.Set(SAWLINE_PARAM_FIXED_ORDER_WEIGHT + row, weight);
    job.Set(SAWLINE_PARAM_FIXED_ORDER_START_WEIGHT + row, startWeight);
    job.Set(SAWLINE_PARAM_FIXED_ORDER_VALUE + row, value);
    job.Set(SAWLINE_PARAM_FIXED_ORDER_QUANTITY + row, static_cast<float>(entry.quantity));
    job.Set(SAWLINE_PARAM_FIXED_ORDER_DONE + row, static_cast<float>(entry.done));
    job.Set(SAWLINE_PARAM_FIXED_ORDER_CODE + row, static_cast<float>(entry.code));
  }

  void VariableRows() {
    const int mode = Mode();
    auto passes = [](float w) { return w >= kWeightThreshold; };
    for (const RecordVariableEntry& entry : record_.variable) {
      VariableOrder order;
      order.grade = entry.grade;
      order.minLength = entry.minLength;
      order.maxLength = entry.maxLength;
      order.code = entry.code;
      order.weight = 0.0f;
      order.value = 0.0f;
      if (mode == 0 || mode == 2) {
        order.weight = WeightLike(entry.weight, passes).value_or(static_cast<float>(entry.weight));
      } else if (mode == 1) {
        order.value = ValueLike(entry.weight, 1000.0, passes)
                          .value_or(static_cast<float>(entry.weight * 1000.0));
      }
      if (out_.job.AddVariableOrder(order) < 0) {
        Limit(entry.line, "more variable-length entries than the 24 host rows; left out");
      }
    }
    if (!record_.variable.empty()) {
      Limit(record_.variable.front().line,
            "host rows of variable-length orders are not printed: the entries take rows 0 "
            "onward in list order, which gives the same lists");
    }
  }

  void UncutRows() {
    int previousGrade = 0;
    int j = 0;
    for (const RecordUncutEntry& entry : record_.uncut) {
      j = entry.grade == previousGrade ? j + 1 : 0;
      previousGrade = entry.grade;
      out_.job.SetUncutOrder((entry.grade - 1) * kUncutRowsPerGrade + j, entry.minLength,
                             entry.maxLength, entry.code);
    }
  }

  // ---- Board marks ----

  // The board length each reading of a pairs listing gives: the pairs' lengths, or the
  // top face's intervals (the first column, up to its first 0).
  double PairsLength() const {
    double sum = 0.0;
    const int n = std::min(static_cast<int>(record_.marks.firstHalfCount.value),
                           static_cast<int>(record_.marks.entries.size()));
    for (int i = 0; i < n; ++i)
      sum += record_.marks.entries[static_cast<size_t>(i)].second;
    return sum;
  }

  double TopLength() const {
    double sum = 0.0;
    for (const RecordMarks::Entry& entry : record_.marks.entries) {
      if (entry.first == 0.0) break;
      sum += entry.first;
    }
    return sum;
  }

  void Marks() {
    const RecordMarks& marks = record_.marks;
    const int n = static_cast<int>(marks.firstHalfCount.value);
    const int firstLine = marks.firstHalfCount.line;
    JobBlocks& job = out_.job;
    job.marks.fill(0.0f);
    MarkReading reading = reading_;
    out_.otherReading = marks.pairs;
    if (!marks.pairs) {
      reading = MarkReading::kAsListed;
    } else if (reading == MarkReading::kAuto) {
      const double length = record_.boardLength.value;
      const double pairsOff = std::fabs(PairsLength() - length);
      const double linesOff = std::fabs(TopLength() - length);
      reading = linesOff + 0.5 < pairsOff ? MarkReading::kPairsAsLines : MarkReading::kAsListed;
    }
    out_.reading = reading;
    const bool pairs = marks.pairs && reading == MarkReading::kAsListed;
    for (size_t i = 0; i < marks.entries.size(); ++i) {
      float first = static_cast<float>(marks.entries[i].first);
      // A pair's grade printed as 0 inside the first half's count was not 0 (a 0 ends
      // the half): it lay between -1 and 1.
      if (pairs && first == 0.0f && static_cast<int>(i) < n) {
        first = 0.5f;
        Choice(marks.entries[i].line,
               "a grade printed as 0 inside the count was between -1 "
               "and 1 (a 0 would end the list); taken as 0.5");
      }
      job.marks[i] = first;
      job.marks[static_cast<size_t>(kMarkHalf) + i] = static_cast<float>(marks.entries[i].second);
    }
    job.marks[kMarkKindIndex] = pairs ? 1.0f : (marks.pairs ? 1.5f : 0.0f);
    if (marks.pairs) {
      Limit(firstLine,
            "the mark kind is not printed: a pairs listing means a kind that "
            "truncates to 1, read as pairs only when it is exactly 1.0");
      Choice(firstLine, pairs ? "the marks are read as grade/length pairs (mark kind 1.0)"
                              : "the marks listed as pairs are read as marking-line intervals "
                                "(mark kind 1.5): their lengths add up to the board length");
      Limit(firstLine, pairs ? "pair grades are printed as whole numbers and lengths to 0.1"
                             : "the top face's intervals are printed as whole numbers here");
    } else {
      Limit(firstLine,
            "marking-line intervals are printed to 0.1; the mark kind is not printed "
            "(any value but one that truncates to 1; rebuilt as 0)");
    }
  }

  const Record& record_;
  MarkReading reading_;
  RebuiltJob out_;
};

}  // namespace

std::vector<int> SortedFixedOrder(const std::vector<int>& lengths) {
  std::vector<int> order(lengths.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = static_cast<int>(i);
  for (size_t k = 0; k < order.size(); ++k) {
    size_t best = k;
    for (size_t i = k + 1; i < order.size(); ++i) {
      if (lengths[static_cast<size_t>(order[i])] > lengths[static_cast<size_t>(order[best])])
        best = i;
    }
    if (best != k) std::swap(order[k], order[best]);
  }
  return order;
}

RebuiltJob RebuildJob(const Record& record, MarkReading reading) {
  return Rebuilder(record, reading).Run();
}

}  // namespace sawline::tools
