#include "desk/json_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "jobfile/json_positions.h"

namespace sawline::tools {
namespace {

float FromBits(uint32_t bits) {
  float value = 0.0f;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool SameBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(JsonText, FloatsReadBackAsTheSameFloatThroughEitherParse) {
  const struct {
    float value;
    const char* text;
  } known[] = {
      {1.2f, "1.2"},     {1200.0f, "1200"},         {-0.0f, "-0.0"},
      {0.1f, "0.1"},     {16777216.0f, "16777216"}, {3.4028235e38f, "3.4028234663852886e+38"},
      {1e-45f, "1e-45"}, {850.25f, "850.25"}};
  for (const auto& entry : known)
    EXPECT_EQ(FloatText(entry.value), entry.text);

  uint32_t state = 7;
  for (int i = 0; i < 200000; ++i) {
    state = state * 1664525u + 1013904223u;
    const float value = FromBits(state);
    if (!std::isfinite(value)) continue;
    const std::string text = FloatText(value);
    float parsed = 0.0f;
    ASSERT_TRUE(ParseFloatToken(text, &parsed)) << text;
    ASSERT_TRUE(SameBits(parsed, value)) << text;
    const float viaDouble = static_cast<float>(std::strtod(text.c_str(), nullptr));
    ASSERT_TRUE(SameBits(viaDouble, value)) << text;
    // As a JSON number, printed and parsed back by the JSON library.
    const Json parsedJson = Json::parse(PrettyJson(FloatJson(value)));
    ASSERT_TRUE(SameBits(static_cast<float>(parsedJson.get<double>()), value)) << text;
  }
}

TEST(JsonText, FloatTokensOutsideTheFloatRangeAreRefused) {
  float value = 0.0f;
  EXPECT_FALSE(ParseFloatToken("1e39", &value));
  EXPECT_FALSE(ParseFloatToken("12abc", &value));
  EXPECT_TRUE(ParseFloatToken("1e-50", &value));
  EXPECT_EQ(value, 0.0f);
}

TEST(JsonText, SourceIndexGivesLinesTokensAndRepeatedKeys) {
  const std::string text =
      "{\n  \"a\": [1,\n    2.50],\n  \"b/c\": {\"x\": -3e2},\n  \"b/c\": 1,\n"
      "  \"\\u00e9t\\u00e9\": 0\n}\n";
  const JsonSourceIndex index = IndexJsonSource(text);
  EXPECT_EQ(index.lines.at("/a"), 2);
  EXPECT_EQ(index.lines.at("/a/1"), 3);
  EXPECT_EQ(index.tokens.at("/a/1"), "2.50");
  EXPECT_EQ(index.lines.at("/b~1c/x"), 4);
  EXPECT_EQ(index.tokens.at("/b~1c/x"), "-3e2");
  EXPECT_EQ(index.lines.at("/\xC3\xA9t\xC3\xA9"), 6);
  ASSERT_EQ(index.duplicateKeys.size(), 1u);
  EXPECT_EQ(index.duplicateKeys[0].first, "/b~1c");
  EXPECT_EQ(index.duplicateKeys[0].second, 5);
  EXPECT_EQ(LineOf(index, "/a/7/deep"), 2);  // the nearest enclosing value
}

TEST(JsonText, PrettyJsonKeepsShortValuesOnOneLineAndWrapsLongArrays) {
  Json value = Json::object();
  value["short"] = Json::array({1, 2, 3});
  Json numbers = Json::array();
  for (int i = 0; i < 60; ++i)
    numbers.push_back(1000 + i);
  value["long"] = numbers;
  const std::string text = PrettyJson(value, 60);
  EXPECT_NE(text.find("\"short\": [1, 2, 3],\n"), std::string::npos) << text;
  size_t longest = 0;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  EXPECT_LE(longest, 60u) << text;
  EXPECT_EQ(Json::parse(text), value);
}

TEST(JsonText, ClosestNameSuggestsOnlyCloseNames) {
  const std::vector<std::string> names{"length", "grade", "weight", "start_weight", "KerfWidth"};
  const struct {
    const char* typed;
    const char* suggested;
  } cases[] = {{"lenght", "length"},
               {"Length", "length"},
               {"kerfwidth", "KerfWidth"},
               {"grad", "grade"},
               {"start", "start_weight"},
               {"colour", ""},
               {"w", ""},
               {"eight", "weight"}};
  for (const auto& entry : cases)
    EXPECT_EQ(ClosestName(entry.typed, names), entry.suggested) << entry.typed;
}

}  // namespace
}  // namespace sawline::tools
