// Whole files in and out, for every desk command.
#pragma once

#include <cstddef>
#include <limits>
#include <ostream>
#include <string>

namespace sawline::tools {

enum class FileRead {
  kRead,        // the whole file is in the bytes
  kUnreadable,  // it cannot be opened or read
  kTooLarge,    // it holds more than the limit; the bytes are left empty
};

// Reads the file `path` into `*bytes` as it is, unless it holds more than `limit` bytes.
FileRead ReadFile(const std::string& path, std::string* bytes,
                  size_t limit = std::numeric_limits<size_t>::max());

// Writes `text` to the file `path` (replacing it); false, with a message on `err`, when
// it cannot be written.
bool WriteText(const std::string& path, const std::string& text, std::ostream& err);

}  // namespace sawline::tools
