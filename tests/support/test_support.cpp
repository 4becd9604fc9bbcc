#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <iconv.h>
#include <unistd.h>
#endif

#include "interface/sawline.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

namespace sawline::test {

void WorkspaceTest::SetUp() {
  ResetWorkspace();
  platform::ReleaseFixes();
  platform::FixClock(0);
  platform::FixSeed(1);
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
#if defined(_WIN32)
  logPath_ = "BackupData." + name + ".txt";
#else
  logPath_ = "BackupData." + name + "." + std::to_string(getpid()) + ".txt";
#endif
  platform::SetLogPath(logPath_.c_str());
}

void WorkspaceTest::TearDown() {
  std::remove(logPath_.c_str());
  platform::ReleaseFixes();
}

std::string WorkspaceTest::LogBytes() const {
#if defined(_WIN32)
  // The log is written in text mode: fold its CR LF line ends back to "\n" so that the
  // suites compare the same text on every platform.
  std::string bytes = ReadFileBytes(logPath_);
  std::string folded;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    folded.push_back(bytes[i]);
  }
  return folded;
#else
  return ReadFileBytes(logPath_);
#endif
}

int RunJob(const tools::JobBlocks& job, std::array<float, kResultBlockFloats>& result) {
  return OptimizationCompute(job.parameters.data(), job.marks.data(), result.data());
}

std::string SourcePath(const std::string& relative) {
  if (const char* root = std::getenv("SAWLINE_SOURCE_DIR"); root != nullptr && *root != '\0')
    return std::string(root) + "/" + relative;
  std::string up;
  for (int level = 0; level < 4; ++level, up += "../") {
    if (std::ifstream(up + relative)) return up + relative;
  }
  return relative;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string GbkToUtf8(const std::string& gbk) {
#if defined(_WIN32)
  if (gbk.empty()) return "";
  constexpr UINT kGbk = 936;
  const int wide = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(),
                                       static_cast<int>(gbk.size()), nullptr, 0);
  if (wide <= 0) return "";
  std::wstring utf16(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()),
                      utf16.data(), wide);
  const int narrow =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
  if (narrow <= 0) return "";
  std::string out(static_cast<size_t>(narrow), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, out.data(), narrow, nullptr, nullptr);
  return out;
#else
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string in = gbk;
  std::string out(in.size() * 2 + 16, '\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return "";
  out.resize(out.size() - outLeft);
  return out;
#endif
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace sawline::test
