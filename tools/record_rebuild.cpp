#include "record_rebuild.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>
#include <utility>

#include "interface/block_layout.h"

namespace sawline::tools {
namespace {

// The library's thresholds for order rows that are worth something: fixed-length rows
// need a weight (or value) above it, variable-length rows at least it.
constexpr float kWeightThreshold = 0.001f;
// Whole-length order rows match pieces within this much (the per-order counts).
constexpr double kCountTolerance = 0.1;
// Orders of entries tried per grade before the rebuild falls back to placeholder rows.
constexpr int kMaxOrdersTried = 4000;

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

bool SameEntry(const RecordFixedEntry& a, const RecordFixedEntry& b) {
  return a.length == b.length && a.weight == b.weight && a.startWeight == b.startWeight &&
         a.quantity == b.quantity && a.done == b.done && a.code == b.code;
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
    if (record_.refusal && record_.refusal->find("finite") != std::string::npos) {
      Limit(record_.refusalLine,
            "the record does not say which value was not a finite number; a NaN or infinity "
            "in a column the record does not print cannot be rebuilt");
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
        Limit(0, "weights are printed to 3 decimals: a weight with more digits comes back "
                 "rounded, and the search may then choose differently");
      }
    } else if (mode == 1) {
      Limit(0, "value optimization: the lists hold value per length unit to 3 decimals, so "
               "piece values come back only approximately (list weight x length, and per 1000 "
               "units for variable-length orders), and so do the value statistics");
    }
    Limit(0, "order columns this mode does not use are not printed and are 0 in the rebuilt job" +
                 std::string(mode == 1 ? " (weights and start weights)"
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

  struct Member {
    int entry = -1;      // index into record_.fixed
    int pinnedRow = -1;  // the row it must take
    int release = 0;     // the first row it may take
  };

  // The entries of `grade` in a host row order that the library's sort turns into the
  // recorded list, with the first entry of each counted length pinned to its row; empty
  // when no such order was found within the search's bound.
  std::vector<Member> PinnedChain(const std::vector<int>& listed, const std::map<int, int>& pins) {
    // Blocks of equal length, in list order; counted blocks are put in row order.
    std::vector<std::vector<int>> blocks;
    for (const int entry : listed) {
      if (blocks.empty() || record_.fixed[static_cast<size_t>(blocks.back().front())].length !=
                                record_.fixed[static_cast<size_t>(entry)].length) {
        blocks.emplace_back();
      }
      blocks.back().push_back(entry);
    }
    auto lengthOf = [&](const std::vector<int>& block) {
      return record_.fixed[static_cast<size_t>(block.front())].length;
    };
    std::vector<size_t> pinnedPlaces;
    std::vector<std::vector<int>> pinnedBlocks;
    for (size_t b = 0; b < blocks.size(); ++b) {
      if (pins.count(lengthOf(blocks[b])) != 0) {
        pinnedPlaces.push_back(b);
        pinnedBlocks.push_back(blocks[b]);
      }
    }
    std::stable_sort(pinnedBlocks.begin(), pinnedBlocks.end(),
                     [&](const std::vector<int>& a, const std::vector<int>& b) {
                       return pins.at(lengthOf(a)) < pins.at(lengthOf(b));
                     });
    for (size_t i = 0; i < pinnedPlaces.size(); ++i)
      blocks[pinnedPlaces[i]] = pinnedBlocks[i];

    std::vector<size_t> shuffled;  // blocks whose entries may come in another order
    for (size_t b = 0; b < blocks.size(); ++b) {
      if (blocks[b].size() > 1) {
        std::sort(blocks[b].begin(), blocks[b].end());
        shuffled.push_back(b);
      }
    }
    for (int tried = 0; tried < kMaxOrdersTried; ++tried) {
      std::vector<int> order;
      for (const std::vector<int>& block : blocks)
        order.insert(order.end(), block.begin(), block.end());
      if (SortsToList(order, listed)) {
        std::vector<Member> chain;
        for (const int entry : order) {
          Member member{entry, -1, 0};
          const int length = record_.fixed[static_cast<size_t>(entry)].length;
          const auto pin = pins.find(length);
          const bool first = std::none_of(chain.begin(), chain.end(), [&](const Member& m) {
            return record_.fixed[static_cast<size_t>(m.entry)].length == length;
          });
          if (pin != pins.end() && first) member.pinnedRow = pin->second;
          chain.push_back(member);
        }
        return chain;
      }
      // The next order: the blocks' entry orders counted like the digits of a number.
      size_t digit = 0;
      while (digit < shuffled.size() &&
             !std::next_permutation(blocks[shuffled[digit]].begin(), blocks[shuffled[digit]].end())) {
        ++digit;
      }
      if (digit == shuffled.size()) break;
    }
    return {};
  }

  bool SortsToList(const std::vector<int>& order, const std::vector<int>& listed) const {
    std::vector<int> lengths;
    for (const int entry : order)
      lengths.push_back(record_.fixed[static_cast<size_t>(entry)].length);
    const std::vector<int> sorted = SortedFixedOrder(lengths);
    for (size_t k = 0; k < sorted.size(); ++k) {
      const int entry = order[static_cast<size_t>(sorted[k])];
      if (!SameEntry(record_.fixed[static_cast<size_t>(entry)],
                     record_.fixed[static_cast<size_t>(listed[k])])) {
        return false;
      }
    }
    return true;
  }

  // Rows for every chain, lowest first: a pinned entry takes its row, the others the
  // free rows in between, the chain with the nearest pinned row first. False when the
  // 200 rows do not hold them all.
  static bool AssignRows(const std::vector<std::vector<Member>>& chains,
                         const std::array<bool, kFixedOrderRows>& reserved,
                         std::array<int, kFixedOrderRows>* rowOf /* by entry */) {
    std::vector<size_t> next(chains.size(), 0);
    std::array<int, kFixedOrderRows> pinnedChain{};
    pinnedChain.fill(-1);
    for (size_t c = 0; c < chains.size(); ++c) {
      for (const Member& member : chains[c]) {
        if (member.pinnedRow >= 0) pinnedChain[static_cast<size_t>(member.pinnedRow)] = static_cast<int>(c);
      }
    }
    for (int row = 0; row < kFixedOrderRows; ++row) {
      const size_t r = static_cast<size_t>(row);
      if (pinnedChain[r] >= 0) {
        const auto c = static_cast<size_t>(pinnedChain[r]);
        if (next[c] >= chains[c].size() || chains[c][next[c]].pinnedRow != row) return false;
        (*rowOf)[static_cast<size_t>(chains[c][next[c]].entry)] = row;
        ++next[c];
        continue;
      }
      if (reserved[r]) continue;
      int best = -1;
      int bestDeadline = std::numeric_limits<int>::max();
      for (size_t c = 0; c < chains.size(); ++c) {
        if (next[c] >= chains[c].size()) continue;
        const Member& member = chains[c][next[c]];
        if (member.pinnedRow >= 0 || member.release > row) continue;
        int deadline = std::numeric_limits<int>::max() - 1;
        for (size_t k = next[c]; k < chains[c].size(); ++k) {
          if (chains[c][k].pinnedRow >= 0) {
            deadline = chains[c][k].pinnedRow;
            break;
          }
        }
        if (deadline < bestDeadline) {
          best = static_cast<int>(c);
          bestDeadline = deadline;
        }
      }
      if (best < 0) continue;
      const auto c = static_cast<size_t>(best);
      (*rowOf)[static_cast<size_t>(chains[c][next[c]].entry)] = row;
      ++next[c];
    }
    for (size_t c = 0; c < chains.size(); ++c) {
      if (next[c] != chains[c].size()) return false;
    }
    return true;
  }

  void FixedRows() {
    const int mode = Mode();
    std::vector<Group> groups = CountedGroups();
    std::array<bool, kFixedOrderRows> reserved{};
    std::vector<std::pair<int, Group>> placeholders;  // row, grade and length
    std::vector<std::vector<Member>> chains;

    for (int g = 1; g <= kMaxOrderGrade; ++g) {
      std::vector<int> listed;
      for (size_t i = 0; i < record_.fixed.size(); ++i) {
        if (record_.fixed[i].grade == g) listed.push_back(static_cast<int>(i));
      }
      std::map<int, int> pins;  // length -> row, for lengths the list has
      for (const Group& group : groups) {
        if (group.grade != g || group.row < 0) continue;
        const bool listedLength = std::any_of(listed.begin(), listed.end(), [&](int entry) {
          return record_.fixed[static_cast<size_t>(entry)].length == group.length;
        });
        if (listedLength) {
          pins[group.length] = group.row;
        } else {
          placeholders.push_back({group.row, group});
          reserved[static_cast<size_t>(group.row)] = true;
        }
      }
      if (listed.empty()) continue;
      std::vector<Member> chain = PinnedChain(listed, pins);
      if (chain.empty()) {
        // No host order found within the bound: the entries keep the list's order and
        // switched-off rows at the counted rows carry the counts.
        for (const int entry : listed) {
          const auto pin = pins.find(record_.fixed[static_cast<size_t>(entry)].length);
          chain.push_back({entry, -1, pin == pins.end() ? 0 : pin->second + 1});
        }
        for (const auto& [length, row] : pins) {
          placeholders.push_back({row, Group{g, length, 0, row}});
          reserved[static_cast<size_t>(row)] = true;
        }
        Choice(record_.fixed[static_cast<size_t>(listed.front())].line,
               "no host row order of grade " + std::to_string(g) +
                   " gives its list with every counted order at its row; switched-off rows "
                   "carry the counts instead");
      }
      chains.push_back(std::move(chain));
    }

    std::array<int, kFixedOrderRows> rowOf{};
    rowOf.fill(-1);
    if (record_.fixed.size() > static_cast<size_t>(kFixedOrderRows) ||
        !AssignRows(chains, reserved, &rowOf)) {
      // Not even that fits: the entries go to the first rows in list order.
      Limit(0, "the fixed-length entries and the counted rows do not fit in 200 host rows "
               "together; the entries take the first rows and the counts are not reproduced");
      placeholders.clear();
      rowOf.fill(-1);
      for (size_t i = 0; i < record_.fixed.size() && i < static_cast<size_t>(kFixedOrderRows); ++i)
        rowOf[i] = static_cast<int>(i);
    }

    int lastRow = -1;
    for (size_t i = 0; i < record_.fixed.size() && i < rowOf.size(); ++i) {
      if (rowOf[i] < 0) continue;
      const RecordFixedEntry& entry = record_.fixed[i];
      SetFixedRow(rowOf[i], entry, mode);
      lastRow = std::max(lastRow, rowOf[i]);
    }
    for (const auto& [row, group] : placeholders) {
      out_.job.Set(param::kFixedOrderEnabled + row, 0.0f);
      out_.job.Set(param::kFixedOrderGrade + row, static_cast<float>(group.grade));
      out_.job.Set(param::kFixedOrderLength + row, static_cast<float>(group.length));
      lastRow = std::max(lastRow, row);
      ++out_.placeholderRows;
    }
    out_.job.fixedRows = lastRow + 1;
    for (const Group& group : groups) {
      if (group.row >= 0) ++out_.pinnedRows;
    }
    out_.pinnedRows -= out_.placeholderRows;
    if (!record_.fixed.empty()) {
      Limit(record_.fixed.front().line,
            "host rows of fixed-length orders are not printed: rows are chosen so that the "
            "lists come out in the recorded order and every counted order sits at its row");
    }
    if (out_.placeholderRows > 0) {
      Choice(record_.statistics.orderCountsLine,
             std::to_string(out_.placeholderRows) +
                 " switched-off fixed-length rows stand at counted rows (grade and length "
                 "only), so that the pieces are counted where the record counts them");
    }
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
    job.Set(param::kFixedOrderEnabled + row, 1.0f);
    job.Set(param::kFixedOrderGrade + row, static_cast<float>(entry.grade));
    job.Set(param::kFixedOrderLength + row, static_cast<float>(entry.length));
    job.Set(param::kFixedOrderWeight + row, weight);
    job.Set(param::kFixedOrderStartWeight + row, startWeight);
    job.Set(param::kFixedOrderValue + row, value);
    job.Set(param::kFixedOrderQuantity + row, static_cast<float>(entry.quantity));
    job.Set(param::kFixedOrderDone + row, static_cast<float>(entry.done));
    job.Set(param::kFixedOrderCode + row, static_cast<float>(entry.code));
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
      out_.job.SetUncutOrder((entry.grade - 1) * kMaxUncutOrders + j, entry.minLength,
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
        Choice(marks.entries[i].line, "a grade printed as 0 inside the count was between -1 "
                                      "and 1 (a 0 would end the list); taken as 0.5");
      }
      job.marks[i] = first;
      job.marks[static_cast<size_t>(kMarkHalf) + i] = static_cast<float>(marks.entries[i].second);
    }
    job.marks[kMarkKindIndex] = pairs ? 1.0f : (marks.pairs ? 1.5f : 0.0f);
    if (marks.pairs) {
      Limit(firstLine, "the mark kind is not printed: a pairs listing means a kind that "
                       "truncates to 1, read as pairs only when it is exactly 1.0");
      Choice(firstLine, pairs ? "the marks are read as grade/length pairs (mark kind 1.0)"
                              : "the marks listed as pairs are read as marking-line intervals "
                                "(mark kind 1.5): their lengths add up to the board length");
      Limit(firstLine, pairs ? "pair grades are printed as whole numbers and lengths to 0.1"
                             : "the top face's intervals are printed as whole numbers here");
    } else {
      Limit(firstLine, "marking-line intervals are printed to 0.1; the mark kind is not printed "
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
      if (lengths[static_cast<size_t>(order[i])] > lengths[static_cast<size_t>(order[best])]) best = i;
    }
    if (best != k) std::swap(order[k], order[best]);
  }
  return order;
}

RebuiltJob RebuildJob(const Record& record, MarkReading reading) {
  return Rebuilder(record, reading).Run();
}

}  // namespace sawline::tools
