#include "tools/cli/cli_fixture.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>

#include "committed_files.h"
#include "desk/raw_blocks.h"
#include "platform/platform.h"
#include "tools/support/record_fixtures.h"

namespace sawline::tools {

namespace fs = std::filesystem;

CliResult Sawline(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv{"sawline"};
  for (const std::string& argument : arguments)
    argv.push_back(argument.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunSawline(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

std::vector<std::pair<std::string, std::string_view>> ExampleJobs() {
  std::vector<std::pair<std::string, std::string_view>> jobs;
  for (const auto& file : committed::kFiles) {
    const std::string name(file.name);
    if (name.size() > 5 && name.substr(name.size() - 5) == ".json" && name != "job.schema.json") {
      jobs.emplace_back(name, file.text);
    }
  }
  return jobs;
}

std::string_view CommittedFile(const std::string& name) {
  for (const auto& file : committed::kFiles) {
    if (file.name == name) return file.text;
  }
  return {};
}

std::string JobWithSettings(const std::string& settings, const std::string& rest) {
  return "{\"settings\": {\"UnmarkedGrade\": 5, \"WasteMarkCount\": 9, \"KerfWidth\": 4" +
         settings + "},\n" + rest + "}\n";
}

std::string UnwritableName(const std::string& extension) {
  return std::string(300, 'x') + extension;
}

float JsonFloat(const nlohmann::json& value) {
  return static_cast<float>(value.get<double>());
}

bool SameBlock(const float* a, const float* b, size_t count) {
  return std::memcmp(a, b, count * sizeof(float)) == 0;
}

void ExpectCases(const std::vector<Case>& cases) {
  for (const Case& entry : cases) {
    SCOPED_TRACE(entry.name);
    const CliResult result = Sawline(entry.arguments);
    EXPECT_EQ(result.status, entry.status) << result.out << result.err;
    EXPECT_NE(result.out.find(entry.out), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(entry.err), std::string::npos) << result.err;
    if (entry.status == kExitBadInput) {
      EXPECT_EQ(result.out.find("pieces in the cut list"), std::string::npos) << "nothing is run";
    }
  }
}

void Cli::SetUp() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = fs::temp_directory_path() / ("sawline-cli-" + std::string(info->name()) + "-" +
                                         std::to_string(reinterpret_cast<uintptr_t>(this)));
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  previous_ = fs::current_path();
  fs::current_path(folder_);
}

void Cli::TearDown() {
  fs::current_path(previous_);
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
  platform::ReleaseFixes();
}

void Cli::Write(const std::string& name, std::string_view text) {
  std::ofstream(name, std::ios::binary) << text;
}

void Cli::WriteJob() {
  Write("job.json",
        JobWithSettings("", std::string(kOrders) + "\"marks\": {\"pairs\": [[1, 3000]]}"));
}

void Cli::WriteRefusedBlocks() {
  JobBlocks refused;
  refused.SetSetting("KerfWidth", -4.0f);
  refused.SetSetting("UnmarkedGrade", 5.0f);
  refused.SetSetting("WasteMarkCount", 9.0f);
  refused.AddFixedOrder({1, 900, 1.0f, 0.0f, 0.0f, 0, 0, 0});
  refused.SetPairs({{1, 3000}});
  std::string error;
  ASSERT_TRUE(WriteRawJob(refused, "refused.f32", "m.f32", &error)) << error;
}

void Cli::WriteExampleRecord(const std::string& name,
                             const std::function<void(std::vector<std::string>&)>& edit) {
  JobBlocks job = test::ExampleJob();
  std::vector<std::string> lines = test::RecordLines(test::WriteRecord(job, "written-" + name).log);
  if (edit) edit(lines);
  std::ofstream(name, std::ios::binary) << test::JoinLines(lines);
}

}  // namespace sawline::tools
