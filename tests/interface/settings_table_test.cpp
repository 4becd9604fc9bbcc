#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "interface/block_layout.h"
#include "interface/input_blocks.h"
#include "interface/settings_table.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

extern "C" int sawline_header_compiles_as_c(void);

namespace sawline {
namespace {

TEST(PublicHeader, ServesACHostWithTheBlockLayout) {
  EXPECT_EQ(sawline_header_compiles_as_c(), 1);
}

// The block layout as the public header names it, independently of the table.
struct LayoutEntry {
  const char* name;
  int index;
  int count;  // 1 for a setting, rows for a column, grades for a per-grade table
};

const LayoutEntry kLayout[] = {
    {"WasteGateSelect", SAWLINE_PARAM_WASTE_GATE_SELECT, 1},
    {"FixedOrderEnabled", SAWLINE_PARAM_FIXED_ORDER_ENABLED, kFixedOrderRows},
    {"FixedOrderGrade", SAWLINE_PARAM_FIXED_ORDER_GRADE, kFixedOrderRows},
    {"FixedOrderLength", SAWLINE_PARAM_FIXED_ORDER_LENGTH, kFixedOrderRows},
    {"FixedOrderWeight", SAWLINE_PARAM_FIXED_ORDER_WEIGHT, kFixedOrderRows},
    {"FixedOrderStartWeight", SAWLINE_PARAM_FIXED_ORDER_START_WEIGHT, kFixedOrderRows},
    {"FixedOrderValue", SAWLINE_PARAM_FIXED_ORDER_VALUE, kFixedOrderRows},
    {"FixedOrderQuantity", SAWLINE_PARAM_FIXED_ORDER_QUANTITY, kFixedOrderRows},
    {"FixedOrderDone", SAWLINE_PARAM_FIXED_ORDER_DONE, kFixedOrderRows},
    {"FixedOrderCode", SAWLINE_PARAM_FIXED_ORDER_CODE, kFixedOrderRows},
    {"VariableOrderCode", SAWLINE_PARAM_VARIABLE_ORDER_CODE, kVariableOrderRows},
    {"UncutOrderCode", SAWLINE_PARAM_UNCUT_ORDER_CODE, kUncutOrderRows},
    {"WasteKickerCode", SAWLINE_PARAM_WASTE_KICKER_CODE, 1},
    {"VariableOrderEnabled", SAWLINE_PARAM_VARIABLE_ORDER_ENABLED, kVariableOrderRows},
    {"VariableOrderGrade", SAWLINE_PARAM_VARIABLE_ORDER_GRADE, kVariableOrderRows},
    {"VariableOrderMinLength", SAWLINE_PARAM_VARIABLE_ORDER_MIN_LENGTH, kVariableOrderRows},
    {"VariableOrderMaxLength", SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH, kVariableOrderRows},
    {"VariableOrderWeight", SAWLINE_PARAM_VARIABLE_ORDER_WEIGHT, kVariableOrderRows},
    {"VariableOrderValue", SAWLINE_PARAM_VARIABLE_ORDER_VALUE, kVariableOrderRows},
    {"UncutOrderEnabled", SAWLINE_PARAM_UNCUT_ORDER_ENABLED, kUncutOrderRows},
    {"UncutOrderMinLength", SAWLINE_PARAM_UNCUT_ORDER_MIN_LENGTH, kUncutOrderRows},
    {"UncutOrderMaxLength", SAWLINE_PARAM_UNCUT_ORDER_MAX_LENGTH, kUncutOrderRows},
    {"CT", SAWLINE_PARAM_CT, kMaxOrderGrade},
    {"CB", SAWLINE_PARAM_CB, kMaxOrderGrade},
    {"WasteMaxLength", SAWLINE_PARAM_WASTE_MAX_LENGTH, 1},
    {"RemnantCentering", SAWLINE_PARAM_REMNANT_CENTERING, 1},
    {"WasteMarkCount", SAWLINE_PARAM_WASTE_MARK_COUNT, 1},
    {"TailUnmarkedLength", SAWLINE_PARAM_TAIL_UNMARKED_LENGTH, 1},
    {"GradeMarkLength", SAWLINE_PARAM_GRADE_MARK_LENGTH, 1},
    {"GradeAMinLength", SAWLINE_PARAM_GRADE_A_MIN_LENGTH, 1},
    {"UnmarkedGrade", SAWLINE_PARAM_UNMARKED_GRADE, 1},
    {"OptimizeMode", SAWLINE_PARAM_OPTIMIZE_MODE, 1},
    {"PriorityDowngrade", SAWLINE_PARAM_PRIORITY_DOWNGRADE, 1},
    {"KerfWidth", SAWLINE_PARAM_KERF_WIDTH, 1},
    {"FluorescentLineWidth", SAWLINE_PARAM_FLUORESCENT_LINE_WIDTH, 1},
    {"FrontMarkingMode", SAWLINE_PARAM_FRONT_MARKING_MODE, 1},
    {"TopWasteSideGradeLines", SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES, 1},
    {"SeparateAdjacentSameGrade", SAWLINE_PARAM_SEPARATE_ADJACENT_SAME_GRADE, 1},
};

// The table's own view of one entry: first index and count, as the layout gives them.
std::vector<LayoutEntry> TableEntries() {
  std::vector<LayoutEntry> entries;
  for (const SettingInfo& s : kScalarSettings)
    entries.push_back({s.name, s.index, 1});
  for (const GradeSettingInfo& g : kGradeSettings)
    entries.push_back({g.name, g.base + 1, kMaxOrderGrade});
  for (const OrderColumnInfo& c : kOrderColumns)
    entries.push_back({c.name, c.first, c.rows});
  return entries;
}

TEST(SettingsTable, EveryEntryMatchesTheBlockLayoutOfThePublicHeader) {
  const std::vector<LayoutEntry> entries = TableEntries();
  ASSERT_EQ(entries.size(), std::size(kLayout));
  for (const LayoutEntry& expected : kLayout) {
    SCOPED_TRACE(expected.name);
    int found = 0;
    for (const LayoutEntry& entry : entries) {
      if (std::strcmp(entry.name, expected.name) != 0) continue;
      ++found;
      // Per-grade tables hold grade g at their index + g.
      EXPECT_EQ(entry.index, expected.index + (expected.count == kMaxOrderGrade ? 1 : 0));
      EXPECT_EQ(entry.count, expected.count);
    }
    EXPECT_EQ(found, 1);
  }
}

TEST(SettingsTable, EveryBlockIndexIsReadOnceOrListedAsUnread) {
  std::array<int, kParameterBlockFloats> reads{};
  for (const LayoutEntry& entry : TableEntries()) {
    for (int i = entry.index; i < entry.index + entry.count; ++i) {
      ASSERT_GE(i, 0) << entry.name;
      ASSERT_LT(i, kParameterBlockFloats) << entry.name;
      ++reads[static_cast<size_t>(i)];
    }
  }
  for (int32_t unread : kUnreadParameters)
    ++reads[static_cast<size_t>(unread)];
  for (int i = 0; i < kParameterBlockFloats; ++i)
    EXPECT_EQ(reads[static_cast<size_t>(i)], 1) << "parameter index " << i;
}

TEST(SettingsTable, RangesAreNotEmpty) {
  for (const SettingInfo& s : kScalarSettings)
    EXPECT_LE(s.min, s.max) << s.name;
  for (const GradeSettingInfo& g : kGradeSettings)
    EXPECT_LE(g.min, g.max) << g.name;
  for (const OrderColumnInfo& c : kOrderColumns)
    EXPECT_LE(c.min, c.max) << c.name;
}

// Unpacking goes by the table alone. Each entry of a block holding its own index (plus
// 0.5, so that truncation shows) must arrive in the field of the same name, truncated
// into an integer field and bit for bit into a float field.
class SettingsUnpacking : public test::WorkspaceTest {};

#define FIELD(part, name) \
  { #name, static_cast < const void*>(&ws.part.name), sizeof ws.part.name }

TEST_F(SettingsUnpacking, EveryEntryLandsInItsNamedField) {
  struct Field {
    const char* name;
    const void* address;
    size_t bytes;
  };
  const Field fields[] = {
      FIELD(settings, WasteGateSelect),
      FIELD(settings, WasteKickerCode),
      FIELD(settings, WasteMaxLength),
      FIELD(settings, RemnantCentering),
      FIELD(settings, WasteMarkCount),
      FIELD(settings, TailUnmarkedLength),
      FIELD(settings, GradeMarkLength),
      FIELD(settings, GradeAMinLength),
      FIELD(settings, UnmarkedGrade),
      FIELD(settings, OptimizeMode),
      FIELD(settings, PriorityDowngrade),
      FIELD(settings, KerfWidth),
      FIELD(settings, FluorescentLineWidth),
      FIELD(settings, FrontMarkingMode),
      FIELD(settings, TopWasteSideGradeLines),
      FIELD(settings, SeparateAdjacentSameGrade),
      FIELD(settings, CT),
      FIELD(settings, CB),
      FIELD(orderRows, FixedOrderEnabled),
      FIELD(orderRows, FixedOrderGrade),
      FIELD(orderRows, FixedOrderLength),
      FIELD(orderRows, FixedOrderWeight),
      FIELD(orderRows, FixedOrderStartWeight),
      FIELD(orderRows, FixedOrderValue),
      FIELD(orderRows, FixedOrderQuantity),
      FIELD(orderRows, FixedOrderDone),
      FIELD(orderRows, FixedOrderCode),
      FIELD(orderRows, VariableOrderCode),
      FIELD(orderRows, UncutOrderCode),
      FIELD(orderRows, VariableOrderEnabled),
      FIELD(orderRows, VariableOrderGrade),
      FIELD(orderRows, VariableOrderMinLength),
      FIELD(orderRows, VariableOrderMaxLength),
      FIELD(orderRows, VariableOrderWeight),
      FIELD(orderRows, VariableOrderValue),
      FIELD(orderRows, UncutOrderEnabled),
      FIELD(orderRows, UncutOrderMinLength),
      FIELD(orderRows, UncutOrderMaxLength),
  };
  std::array<float, kParameterBlockFloats> block{};
  for (int i = 0; i < kParameterBlockFloats; ++i)
    block[static_cast<size_t>(i)] = static_cast<float>(i) + 0.5f;
  std::memset(&ws.settings, 0xA5, sizeof ws.settings);
  std::memset(&ws.orderRows, 0xA5, sizeof ws.orderRows);
  UnpackParameterBlock(block.data());

  size_t covered = 0;
  for (const LayoutEntry& entry : TableEntries()) {
    SCOPED_TRACE(entry.name);
    const Field* field = nullptr;
    for (const Field& f : fields) {
      if (std::strcmp(f.name, entry.name) == 0) field = &f;
    }
    ASSERT_NE(field, nullptr);
    // Per-grade tables keep an entry 0 that no block entry fills: it reads 0.
    const bool perGrade = entry.count == kMaxOrderGrade;
    const size_t slots = field->bytes / 4;
    ASSERT_EQ(slots, static_cast<size_t>(entry.count + (perGrade ? 1 : 0)));
    covered += field->bytes;
    bool isFloat = false;
    for (const SettingInfo& s : kScalarSettings)
      isFloat |= std::strcmp(s.name, entry.name) == 0 && s.type == SettingType::kFloat;
    for (const OrderColumnInfo& c : kOrderColumns)
      isFloat |= std::strcmp(c.name, entry.name) == 0 && c.type == SettingType::kFloat;
    for (size_t k = 0; k < slots; ++k) {
      const auto* slot = static_cast<const unsigned char*>(field->address) + 4 * k;
      if (perGrade && k == 0) {
        int32_t zero = -1;
        std::memcpy(&zero, slot, 4);
        EXPECT_EQ(zero, 0);
        continue;
      }
      const int index = entry.index + static_cast<int>(k) - (perGrade ? 1 : 0);
      if (isFloat) {
        float value = 0;
        std::memcpy(&value, slot, 4);
        EXPECT_EQ(value, static_cast<float>(index) + 0.5f) << k;
      } else {
        int32_t value = 0;
        std::memcpy(&value, slot, 4);
        EXPECT_EQ(value, index) << k;
      }
    }
  }
  // With the fixed time limit, the table fills every byte of both parts.
  EXPECT_EQ(covered + sizeof ws.settings.OptimizeTimeLimit,
            sizeof ws.settings + sizeof ws.orderRows);
  EXPECT_EQ(ws.settings.OptimizeTimeLimit, 0.35f);
}

#undef FIELD

// The run log prints every setting under the table's label (GBK in the file).
TEST_F(SettingsUnpacking, EveryLogLabelAppearsInTheRunLog) {
  tools::JobBlocks job;
  job.SetSetting("KerfWidth", 4);
  job.AddFixedOrder({1, 1000, 1, 0, 0, 0, 0, 11010101});
  job.SetPairs({{1, 2400}});
  std::array<float, kResultBlockFloats> result{};
  ASSERT_GT(test::RunJob(job, result), 0);
  const std::string log = test::GbkToUtf8(LogBytes());
  ASSERT_FALSE(log.empty());
  for (const SettingInfo& s : kScalarSettings)
    EXPECT_NE(log.find(std::string(s.logLabel) + "："), std::string::npos) << s.name;
  for (const GradeSettingInfo& g : kGradeSettings)
    EXPECT_NE(log.find(std::string(g.logLabel) + "："), std::string::npos) << g.name;
}

}  // namespace
}  // namespace sawline
