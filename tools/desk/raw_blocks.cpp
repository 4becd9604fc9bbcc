#include "desk/raw_blocks.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "desk/blocks.h"
#include "desk/files.h"

namespace sawline::tools {

bool ReadRawBlock(const std::string& path, float* block, size_t floats, const char* what,
                  std::string* error) {
  std::string bytes;
  if (ReadFile(path, &bytes) != FileRead::kRead) {
    *error = path + ": cannot be read";
    return false;
  }
  const size_t expected = floats * sizeof(float);
  if (bytes.size() != expected) {
    const std::string held = bytes.size() % sizeof(float) == 0
                                 ? std::to_string(bytes.size() / sizeof(float)) + " floats"
                                 : "not a whole number of floats";
    *error = path + ": " + std::to_string(bytes.size()) + " bytes (" + held + "); a " + what +
             " is " + std::to_string(floats) + " little-endian 32-bit floats, " +
             std::to_string(expected) + " bytes";
    return false;
  }
  for (size_t i = 0; i < floats; ++i) {
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data()) + i * sizeof(float);
    const uint32_t bits = static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                          static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
    std::memcpy(&block[i], &bits, sizeof bits);
  }
  return true;
}

bool WriteRawBlock(const std::string& path, const float* block, size_t floats, std::string* error) {
  std::vector<unsigned char> bytes(floats * sizeof(float));
  for (size_t i = 0; i < floats; ++i) {
    uint32_t bits = 0;
    std::memcpy(&bits, &block[i], sizeof bits);
    for (size_t k = 0; k < sizeof bits; ++k)
      bytes[i * sizeof bits + k] = static_cast<unsigned char>(bits >> (8 * k));
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    *error = path + ": cannot be written";
    return false;
  }
  return true;
}

bool ReadRawJob(const std::string& parametersPath, const std::string& marksPath, JobBlocks& job,
                std::string* error) {
  job = JobBlocks{};
  return ReadRawBlock(parametersPath, job.parameters.data(), job.parameters.size(),
                      "parameter block", error) &&
         ReadRawBlock(marksPath, job.marks.data(), job.marks.size(), "board-mark block", error);
}

bool WriteRawJob(const JobBlocks& job, const std::string& parametersPath,
                 const std::string& marksPath, std::string* error) {
  return WriteRawBlock(parametersPath, job.parameters.data(), job.parameters.size(), error) &&
         WriteRawBlock(marksPath, job.marks.data(), job.marks.size(), error);
}

}  // namespace sawline::tools
