#include "cli/command_support.h"

#include <filesystem>

#include "desk/run_time.h"
#include "views/run_views.h"

namespace sawline::tools {

namespace fs = std::filesystem;

std::string ExitStatusText(std::initializer_list<ExitMeaning> meanings) {
  std::string text = "Exit status:";
  const char* separator = " ";
  for (const ExitMeaning& meaning : meanings) {
    text += separator + std::to_string(static_cast<int>(meaning.status)) + " " + meaning.meaning;
    separator = "; ";
  }
  return text + ".";
}

namespace {

// What keeps `path` from being written as a file, as far as can be seen before writing;
// "" when nothing does.
std::string OutputProblem(const std::string& path) {
  if (path.empty()) return "an empty file name";
  std::error_code error;
  if (fs::is_directory(path, error)) return path + " is a folder, not a file";
  const fs::path folder = fs::path(path).parent_path();
  if (folder.empty() || fs::is_directory(folder, error)) return "";
  return "the folder " + folder.string() +
         (fs::exists(folder, error) ? " is not a folder" : " does not exist");
}

}  // namespace

CLI::Validator OutputFile(bool dashIsOutput) {
  return CLI::Validator(
      [dashIsOutput](std::string& path) {
        return dashIsOutput && path == "-" ? std::string() : OutputProblem(path);
      },
      "");
}

CLI::Validator BoardReportFile() {
  return CLI::Validator(
      [](std::string& path) {
        if (!BoardReportAvailable())
          return std::string("this build of sawline has no board report");
        return OutputProblem(path);
      },
      "");
}

CLI::Validator RunTimeText() {
  return CLI::Validator(
      [](std::string& text) {
        RunTime time;
        std::string error;
        return ParseRunTime(text, &time, &error) ? std::string() : error;
      },
      "");
}

void PrintDiagnostics(const JobDiagnostics& diagnostics, std::ostream& err) {
  for (const std::string& error : diagnostics.errors)
    err << error << '\n';
  for (const std::string& warning : diagnostics.warnings)
    err << "warning: " << warning << '\n';
}

}  // namespace sawline::tools
