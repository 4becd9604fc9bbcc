// The sawline command line run in this process, for the suites of its subcommands: a
// folder of its own for every test, the example jobs and records, and tables of
// command lines with the status and messages each must give.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/command_line.h"

namespace sawline::tools {

inline constexpr const char* kTime = "2026-03-01T08:15:00+08:00";
// The order book of the small jobs: one fixed-length grade-1 order.
inline constexpr const char* kOrders =
    "\"orders\": {\"fixed\": [{\"grade\": 1, \"length\": 900, \"weight\": 1}]},\n";

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

CliResult Sawline(const std::vector<std::string>& arguments);

// The committed example jobs (examples/*.json but the schema), by file name.
std::vector<std::pair<std::string, std::string_view>> ExampleJobs();
std::string_view CommittedFile(const std::string& name);

// A job with the three settings that must be given and `settings` after them.
std::string JobWithSettings(const std::string& settings, const std::string& rest);

// A file name longer than any file system takes: its folder exists, so the command
// runs, and the write fails at the end.
std::string UnwritableName(const std::string& extension);

// A float of a JSON record, and two blocks compared bit for bit.
float JsonFloat(const nlohmann::json& value);
bool SameBlock(const float* a, const float* b, size_t count);

struct Case {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  const char* out;  // expected in the output ("" for no check)
  const char* err;  // expected in the error output
};

// Runs every case; a case of status 2 must not have run a board.
void ExpectCases(const std::vector<Case>& cases);

// Every test runs in a folder of its own, where the tool writes its files and run log.
class Cli : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static void Write(const std::string& name, std::string_view text);
  // job.json: one grade-1 zone and one fixed-length order, planned with pieces.
  static void WriteJob();
  // refused.f32 and m.f32: the raw blocks of job.json with a negative kerf width, a
  // board the library refuses.
  static void WriteRefusedBlocks();
  // The library's record of the example board at kTime, with `edit` applied to its lines.
  static void WriteExampleRecord(const std::string& name,
                                 const std::function<void(std::vector<std::string>&)>& edit = {});

  std::filesystem::path folder_;
  std::filesystem::path previous_;
};

}  // namespace sawline::tools
