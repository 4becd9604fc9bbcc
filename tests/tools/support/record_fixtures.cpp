#include "tools/support/record_fixtures.h"

#include <cstdio>

#include "desk/desk_run.h"
#include "record/record_text.h"
#include "support/test_support.h"

namespace sawline::test {

WrittenRecord WriteRecord(const tools::JobBlocks& job, const std::string& path, int64_t seconds,
                          int32_t offset, int split) {
  tools::RunOptions options;
  options.fixedTime = tools::RunTime{seconds, offset};
  options.advanceAfterSeeds = split;
  options.logPath = path;
  const tools::RunOutcome outcome = tools::RunBoard(job, options);
  WrittenRecord written;
  written.returned = outcome.returned;
  written.result = outcome.result;
  written.refusal = outcome.refusal;
  written.log = ReadFileBytes(path);
  std::remove(path.c_str());
  return written;
}

tools::JobBlocks ExampleJob() {
  tools::JobBlocks job;
  job.SetSetting("KerfWidth", 4.0f);
  job.SetSetting("WasteMaxLength", 300.0f);
  job.SetSetting("WasteKickerCode", 1020304.0f);
  job.SetSetting("GradeMarkLength", 30.0f);
  job.SetSetting("GradeAMinLength", 200.0f);
  job.SetSetting("UnmarkedGrade", 5.0f);
  job.SetSetting("WasteMarkCount", 9.0f);
  job.AddFixedOrder({1, 1200, 1.2f, 0.0f, 0.0f, 20, 0, 11010101});
  job.AddFixedOrder({1, 900, 1.1f, 0.0f, 0.0f, 20, 0, 11010102});
  job.AddFixedOrder({1, 600, 1.0f, 0.0f, 0.0f, 0, 0, 11010103});
  job.AddFixedOrder({2, 1000, 0.9f, 0.0f, 0.0f, 0, 0, 12010101});
  job.AddFixedOrder({2, 450, 0.8f, 0.0f, 0.0f, 0, 0, 12010102});
  job.AddVariableOrder({1, 300, 800, 0.7f, 0.0f, 13010101});
  job.AddVariableOrder({2, 250, 700, 0.6f, 0.0f, 14010101});
  job.SetUncutOrder(3, 900, 1000, 15010101);
  job.SetHeadTail(1, 20, 20);
  job.SetHeadTail(2, 20, 20);
  job.SetPairs({{2, 850}, {1, 2100}, {9, 180}, {2, 950}, {9, 100}, {2, 1300}, {9, 760}, {3, 370}});
  return job;
}

tools::JobBlocks SeedSensitiveJob() {
  tools::JobBlocks job = ExampleJob();
  for (int row = 0; row < job.fixedRows; ++row)
    job.Set(6 + row, 0.0f);  // the example's rows switched off
  uint32_t state = 12653;
  auto draw = [&](uint32_t n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 8) % n);
  };
  for (int i = 0; i < 32; ++i) {
    const int grade = 1 + draw(2);
    const int length = 250 + draw(1500);
    const float weight = 1.0f + static_cast<float>(draw(50)) / 1000.0f;
    job.AddFixedOrder({grade, length, weight, 0.0f, 0.0f, 0, 0, 11000000 + i});
  }
  job.SetPairs({{1, 2900}, {9, 100}, {1, 4270}, {9, 60}, {1, 5270}});
  return job;
}

std::vector<std::string> RecordLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

int FindLine(const std::vector<std::string>& lines, const std::string& utf8, int from) {
  const std::string gbk = tools::EncodeRecordText(utf8, tools::RecordEncoding::kGbk);
  for (size_t i = static_cast<size_t>(from); i < lines.size(); ++i) {
    if (lines[i].find(gbk) != std::string::npos) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace sawline::test
