// compare_runs: checks that another build of the library (Windows, or 32-bit Linux)
// answered every job exactly as the 64-bit Linux build did, from the files
// sawline_host left in two folders.
//
//   compare_runs [--lf] LINUX_DIR OTHER_DIR NAME...
//
// For each NAME:
// - NAME.result (piece count and result block) must be equal byte for byte, so every
//   float is bit-identical;
// - NAME.log from the other build must end every line with CR LF (Windows) or, with
//   --lf, with LF alone, and hold no other CR; with those CRs removed it must equal the
//   Linux log line for line, except the two lines that carry the call's timing ("Sum
//   Optimizing Time is:" and "Now Time:"), which must stand at the same places in both.
// Prints one line per job and a closing "N passed, N failed" line; exits non-zero on
// any failure.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool ReadBytes(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  *bytes = out.str();
  return true;
}

std::string CompareResults(const std::string& onLinux, const std::string& onWindows) {
  if (onLinux.size() != onWindows.size()) {
    return "result files differ in size: " + std::to_string(onLinux.size()) + " and " +
           std::to_string(onWindows.size());
  }
  if (onLinux.size() < sizeof(int32_t)) return "result file too short";
  int32_t piecesLinux = 0;
  int32_t piecesWindows = 0;
  std::memcpy(&piecesLinux, onLinux.data(), sizeof piecesLinux);
  std::memcpy(&piecesWindows, onWindows.data(), sizeof piecesWindows);
  if (piecesLinux != piecesWindows) {
    return "piece counts differ: " + std::to_string(piecesLinux) + " and " +
           std::to_string(piecesWindows);
  }
  for (size_t at = sizeof(int32_t); at + sizeof(float) <= onLinux.size(); at += sizeof(float)) {
    if (std::memcmp(onLinux.data() + at, onWindows.data() + at, sizeof(float)) == 0) continue;
    float a = 0;
    float b = 0;
    std::memcpy(&a, onLinux.data() + at, sizeof a);
    std::memcpy(&b, onWindows.data() + at, sizeof b);
    char text[160];
    std::snprintf(text, sizeof text, "result float %zu differs: %.9g and %.9g",
                  (at - sizeof(int32_t)) / sizeof(float), static_cast<double>(a),
                  static_cast<double>(b));
    return text;
  }
  return "";
}

// Splits at LF; a final line without LF counts as a line too.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool IsTimingLine(const std::string& line) {
  return line.rfind("Sum Optimizing Time is:", 0) == 0 || line.rfind("Now Time:", 0) == 0;
}

std::string CompareLogs(const std::string& onLinux, const std::string& onWindows, bool lf) {
  std::string folded;
  if (lf) {
    if (onWindows.find('\r') != std::string::npos) return "the other log holds a CR";
    folded = onWindows;
  }
  for (size_t i = 0; i < onWindows.size() && !lf; ++i) {
    const bool crlf = onWindows[i] == '\r' && i + 1 < onWindows.size() && onWindows[i + 1] == '\n';
    if (onWindows[i] == '\r' && !crlf)
      return "Windows log has a CR without LF at byte " + std::to_string(i);
    if (onWindows[i] == '\n' && (i == 0 || onWindows[i - 1] != '\r')) {
      return "Windows log has a line end without CR at byte " + std::to_string(i);
    }
    if (!crlf) folded.push_back(onWindows[i]);
  }
  if (onLinux.find('\r') != std::string::npos) return "Linux log holds a CR";
  if ((onLinux.empty() || onLinux.back() == '\n') != (folded.empty() || folded.back() == '\n')) {
    return "the logs differ in their last line end";
  }
  const std::vector<std::string> a = Lines(onLinux);
  const std::vector<std::string> b = Lines(folded);
  if (a.size() != b.size()) {
    return "logs differ in line count: " + std::to_string(a.size()) + " and " +
           std::to_string(b.size());
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsTimingLine(a[i]) && IsTimingLine(b[i]) && a[i].substr(0, 4) == b[i].substr(0, 4)) {
      continue;
    }
    if (a[i] != b[i]) return "log line " + std::to_string(i + 1) + " differs";
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  const bool lf = argc > 1 && std::strcmp(argv[1], "--lf") == 0;
  const int first = lf ? 2 : 1;
  if (argc < first + 3) {
    std::fprintf(stderr, "usage: compare_runs [--lf] LINUX_DIR OTHER_DIR NAME...\n");
    return 2;
  }
  const std::string linuxDir = argv[first];
  const std::string windowsDir = argv[first + 1];
  int passed = 0;
  int failed = 0;
  for (int i = first + 2; i < argc; ++i) {
    const std::string name = argv[i];
    std::string why;
    int32_t pieces = 0;
    std::string linuxResult, windowsResult, linuxLog, windowsLog;
    if (!ReadBytes(linuxDir + "/" + name + ".result", &linuxResult) ||
        !ReadBytes(windowsDir + "/" + name + ".result", &windowsResult) ||
        !ReadBytes(linuxDir + "/" + name + ".log", &linuxLog) ||
        !ReadBytes(windowsDir + "/" + name + ".log", &windowsLog)) {
      why = "missing output files";
    } else {
      why = CompareResults(linuxResult, windowsResult);
      if (linuxResult.size() >= sizeof pieces)
        std::memcpy(&pieces, linuxResult.data(), sizeof pieces);
      if (why.empty()) why = CompareLogs(linuxLog, windowsLog, lf);
    }
    if (why.empty()) {
      std::printf("  same answer and log: %s (%d pieces)\n", name.c_str(),
                  static_cast<int>(pieces));
      ++passed;
    } else {
      std::printf("  DIFFERENT: %s: %s\n", name.c_str(), why.c_str());
      ++failed;
    }
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
