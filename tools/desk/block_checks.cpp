#include "desk/block_checks.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "desk/block_geometry.h"
#include "desk/marks.h"
#include "desk/order_tables.h"
#include "desk/text.h"
#include "interface/settings_table.h"

namespace sawline::tools {
namespace {

// Thresholds of the order lists: rows at or below them are not used.
constexpr int kShortestFixedLength = 80;     // fixed-length rows of 79 or shorter are dropped
constexpr int kShortestVariableLength = 50;  // variable and uncut minimums of 49 or shorter
// Weights and values at or below this (fixed-length rows) or below it (variable-length
// rows) are not used; the library compares the block's floats with this float.
constexpr float kLeastWeight = 0.001f;
// Row warnings beyond this many are counted, not listed.
constexpr int kMaxRowWarnings = 12;

std::string Number(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "infinity" : "-infinity";
  return FloatText(value);
}

class Checker {
 public:
  Checker(const float* parameters, const float* marks, const BlockCheckOptions& options)
      : p_(parameters), marks_(ReadMarkView(marks)), options_(options) {
    mode_ = TruncToInt(p_[SAWLINE_PARAM_OPTIMIZE_MODE]);
    kerf_ = static_cast<double>(p_[SAWLINE_PARAM_KERF_WIDTH]);
  }

  std::vector<std::string> Run() {
    if (options_.ranges) Ranges();
    Marks();
    Orders();
    if (skippedRows_ > 0) {
      warnings_.push_back(
          "and " + CountText(skippedRows_, "more order row that is", "more order rows that are") +
          " never used");
    }
    return warnings_;
  }

 private:
  float At(int index) const { return p_[index]; }
  int IntAt(int index) const { return TruncToInt(p_[index]); }
  bool Enabled(OrderTable table, int row) const {
    return IntAt(EnabledColumnOf(table).first + row) == 1;
  }

  void RangeOf(const std::string& what, float value, SettingType type, double min, double max,
               const char* note) {
    const double number = static_cast<double>(value);
    if (!std::isfinite(value)) {
      warnings_.push_back(what + " is " + Number(value) + " (the library refuses such a board)");
    } else if (number < min || number > max) {
      warnings_.push_back(what + " is " + Number(value) + ", outside " + RangeText(min, max) +
                          note);
    } else if (type == SettingType::kInt && number != std::trunc(number)) {
      warnings_.push_back(what + " is " + Number(value) +
                          ", not a whole number: the library reads " +
                          std::to_string(TruncToInt(number)));
    }
  }

  void Ranges() {
    for (const SettingInfo& setting : kScalarSettings) {
      RangeOf(
          setting.name, At(setting.index), setting.type, setting.min, setting.max,
          setting.outOfRange == OutOfRange::kRefused ? " (the library refuses such a board)" : "");
    }
    for (const GradeSettingInfo& setting : kGradeSettings) {
      for (int grade = 1; grade <= kMaxOrderGrade; ++grade) {
        RangeOf(std::string(setting.name) + " of grade " + std::to_string(grade),
                At(setting.base + grade), SettingType::kInt, setting.min, setting.max, "");
      }
    }
    for (const OrderColumnInfo& column : kOrderColumns) {
      for (int row = 0; row < column.rows; ++row) {
        if (!Enabled(column.table, row)) continue;
        RangeOf(std::string(OrderTableTitle(column.table)) + " row " + std::to_string(row) + ": " +
                    column.field,
                At(column.first + row), column.type, column.min, column.max, "");
      }
    }
    const float kind = marks_.kind;
    if (kind != 0.0f && !marks_.pairs) {
      warnings_.push_back("the mark kind (entry 200 of the board-mark block) is " + Number(kind) +
                          ": only exactly 1 means grade/length pairs, so the marks are read as "
                          "marking-line intervals");
    }
    const double largestExact = kLargestExactWhole;
    auto checkCode = [&](const std::string& what, float code) {
      if (static_cast<double>(code) > largestExact) {
        warnings_.push_back(what + " " + Number(code) + " is above 16777216: a 32-bit float " +
                            "cannot hold every code this large, so it may not be the code meant");
      }
    };
    checkCode("WasteKickerCode", At(SAWLINE_PARAM_WASTE_KICKER_CODE));
    for (const OrderColumnInfo& column : kOrderColumns) {
      if (std::strcmp(column.unit, "code") != 0) continue;
      for (int row = 0; row < column.rows; ++row) {
        if (Enabled(column.table, row)) {
          checkCode(
              std::string(OrderTableTitle(column.table)) + " row " + std::to_string(row) + ": code",
              At(column.first + row));
        }
      }
    }
  }

  void Marks() {
    boardLength_ = 0.0;
    for (const float length : marks_.ZoneLengths())
      boardLength_ += static_cast<double>(length);
    // A board whose first half is empty has no segments, whatever the second holds.
    if (marks_.first.empty()) {
      warnings_.push_back("the board has no marks: there is nothing to cut");
    }
  }

  void RowWarning(OrderTable table, int row, const std::string& why) {
    if (rowWarnings_++ >= kMaxRowWarnings) {
      ++skippedRows_;
      return;
    }
    warnings_.push_back(std::string(OrderTableTitle(table)) + " row " + std::to_string(row) + ": " +
                        why);
  }

  std::string TooLong(int length) const {
    char text[160];
    std::snprintf(text, sizeof text, "%d is longer than the board (%s): it can never be cut",
                  length, FloatText(static_cast<float>(boardLength_)).c_str());
    return text;
  }
  bool LongerThanBoard(int length) const {
    return boardLength_ > 0.0 && static_cast<double>(length) + kerf_ > boardLength_ + 0.1;
  }

  // Rows the order lists would drop, and whether any row is left.
  void Orders() {
    FixedRows();
    const int fixedValueless = static_cast<int>(valueless_.size());
    VariableRows();
    UncutRows();
    OrderSummary(fixedValueless);
  }

  void FixedRows() {
    for (int row = 0; row < kFixedOrderRows; ++row) {
      if (!Enabled(OrderTable::kFixed, row)) continue;
      ++orders_.enabled;
      if (mode_ == 4) {
        ++orders_.notInMode;
        continue;
      }
      const int length = IntAt(SAWLINE_PARAM_FIXED_ORDER_LENGTH + row);
      const float weight = At(SAWLINE_PARAM_FIXED_ORDER_WEIGHT + row);
      const float value = At(SAWLINE_PARAM_FIXED_ORDER_VALUE + row);
      const int quantity = IntAt(SAWLINE_PARAM_FIXED_ORDER_QUANTITY + row);
      const int done = IntAt(SAWLINE_PARAM_FIXED_ORDER_DONE + row);
      orders_.anyValue = orders_.anyValue || value > kLeastWeight;
      if (length < kShortestFixedLength) {
        RowWarning(OrderTable::kFixed, row,
                   "length " + std::to_string(length) + " is 79 or shorter: the row is never used");
      } else if ((mode_ == 0 || mode_ == 2) && !(weight > kLeastWeight)) {
        RowWarning(OrderTable::kFixed, row,
                   "weight " + Number(weight) + " is 0.001 or less: in OptimizeMode " +
                       std::to_string(mode_) + " the row is never used");
      } else if (mode_ == 1 && !(value > kLeastWeight)) {
        valueless_.push_back(row);
      } else if (quantity > 0 && done >= quantity) {
        RowWarning(OrderTable::kFixed, row,
                   "done " + std::to_string(done) + " of quantity " + std::to_string(quantity) +
                       ": the row is complete and not used");
      } else if (LongerThanBoard(length)) {
        RowWarning(OrderTable::kFixed, row, "length " + TooLong(length));
      } else {
        ++orders_.usable;
      }
    }
  }

  // A variable-length or uncut row's lengths: a warning when the row can never be used.
  bool LengthsUsable(OrderTable table, int row, int minLength, int maxLength) {
    if (minLength < kShortestVariableLength) {
      RowWarning(
          table, row,
          "min_length " + std::to_string(minLength) + " is 49 or shorter: the row is never used");
      return false;
    }
    if (maxLength <= minLength) {
      RowWarning(table, row,
                 "max_length " + std::to_string(maxLength) + " is not above min_length " +
                     std::to_string(minLength) + ": the row is never used");
      return false;
    }
    return true;
  }

  void VariableRows() {
    for (int row = 0; row < kVariableOrderRows; ++row) {
      if (!Enabled(OrderTable::kVariable, row)) continue;
      ++orders_.enabled;
      const int grade = IntAt(SAWLINE_PARAM_VARIABLE_ORDER_GRADE + row);
      const int minLength = IntAt(SAWLINE_PARAM_VARIABLE_ORDER_MIN_LENGTH + row);
      const int maxLength = IntAt(SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH + row);
      const float weight = At(SAWLINE_PARAM_VARIABLE_ORDER_WEIGHT + row);
      const float value = At(SAWLINE_PARAM_VARIABLE_ORDER_VALUE + row);
      orders_.anyValue = orders_.anyValue || value >= kLeastWeight;
      if (mode_ == 4 && grade != 1) {
        ++orders_.notInMode;
      } else if (!LengthsUsable(OrderTable::kVariable, row, minLength, maxLength)) {
        continue;
      } else if ((mode_ == 0 || mode_ == 2) && !(weight >= kLeastWeight)) {
        RowWarning(OrderTable::kVariable, row,
                   "weight " + Number(weight) + " is below 0.001: in OptimizeMode " +
                       std::to_string(mode_) + " the row is never used");
      } else if (mode_ == 1 && !(value >= kLeastWeight)) {
        valueless_.push_back(row);
      } else if (LongerThanBoard(minLength)) {
        RowWarning(OrderTable::kVariable, row, "min_length " + TooLong(minLength));
      } else {
        ++orders_.usable;
      }
    }
  }

  void UncutRows() {
    for (int row = 0; row < kUncutOrderRows; ++row) {
      if (!Enabled(OrderTable::kUncut, row)) continue;
      ++orders_.enabled;
      const int minLength = IntAt(SAWLINE_PARAM_UNCUT_ORDER_MIN_LENGTH + row);
      const int maxLength = IntAt(SAWLINE_PARAM_UNCUT_ORDER_MAX_LENGTH + row);
      if (mode_ == 4) {
        ++orders_.notInMode;
      } else if (!LengthsUsable(OrderTable::kUncut, row, minLength, maxLength)) {
        continue;
      } else if (LongerThanBoard(minLength)) {
        RowWarning(OrderTable::kUncut, row, "min_length " + TooLong(minLength));
      } else {
        ++orders_.usable;
      }
    }
  }

  // What the rows tell together: value optimization without values, rows defect sawing
  // leaves out, and no usable row at all.
  void OrderSummary(int fixedValueless) {
    if (mode_ == 1 && !valueless_.empty()) {
      if (!orders_.anyValue) {
        warnings_.push_back(
            "OptimizeMode 1 plans by value, but no fixed-length or variable-length row has a "
            "value above 0.001: in value optimization such rows are never used");
      } else {
        const long long count = static_cast<long long>(valueless_.size());
        warnings_.push_back(CountText(count, "order row has", "order rows have") +
                            " no value above 0.001 (" + std::to_string(fixedValueless) +
                            " fixed-length, " + std::to_string(count - fixedValueless) +
                            " variable-length): in value optimization " +
                            (count == 1 ? "it is" : "they are") + " never used");
      }
    }
    if (orders_.notInMode > 0) {
      warnings_.push_back(
          "defect sawing (OptimizeMode 4) uses only the grade-1 variable-length "
          "rows, for their codes: " +
          CountText(orders_.notInMode, "other order row is", "other order rows are") + " not used");
    }
    if (mode_ != 4 && orders_.usable == 0) {
      warnings_.push_back(orders_.enabled == 0
                              ? "no order row is switched on: the board can only become waste"
                              : "no order row can be used: the board can only become waste");
    }
  }

  // Order rows counted over the three tables.
  struct OrderCounts {
    int usable = 0;     // rows the order lists keep
    int enabled = 0;    // rows switched on
    int notInMode = 0;  // rows defect sawing leaves out
    bool anyValue = false;
  };

  const float* p_;
  MarkView marks_;
  BlockCheckOptions options_;
  std::vector<std::string> warnings_;
  std::vector<int> valueless_;
  OrderCounts orders_;
  int mode_ = 0;
  double kerf_ = 0.0;
  double boardLength_ = 0.0;
  int rowWarnings_ = 0;
  int skippedRows_ = 0;
};

}  // namespace

std::vector<std::string> CheckBlocks(const float* parameters, const float* marks,
                                     const BlockCheckOptions& options) {
  return Checker(parameters, marks, options).Run();
}

}  // namespace sawline::tools
