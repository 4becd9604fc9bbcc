#include "desk/files.h"

#include <fstream>

namespace sawline::tools {

FileRead ReadFile(const std::string& path, std::string* bytes, size_t limit) {
  bytes->clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return FileRead::kUnreadable;
  char buffer[1 << 16];
  while (in) {
    in.read(buffer, sizeof buffer);
    const size_t got = static_cast<size_t>(in.gcount());
    if (got > limit - bytes->size()) {
      bytes->clear();
      return FileRead::kTooLarge;
    }
    bytes->append(buffer, got);
  }
  if (in.bad()) {
    bytes->clear();
    return FileRead::kUnreadable;
  }
  return FileRead::kRead;
}

bool WriteText(const std::string& path, const std::string& text, std::ostream& err) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (file) return true;
  err << "sawline: " << path << ": cannot be written\n";
  return false;
}

}  // namespace sawline::tools
