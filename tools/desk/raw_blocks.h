// The host's raw blocks as files: little-endian 32-bit floats, exactly as many as the
// block has (2102 parameters, 201 board marks), nothing before or after them.
#pragma once

#include <cstddef>
#include <string>

namespace sawline::tools {

struct JobBlocks;

// Reads `floats` floats from `path` into `block`; any other file size is an error that
// says what the file holds. `what` names the block in messages ("parameter block").
bool ReadRawBlock(const std::string& path, float* block, size_t floats, const char* what,
                  std::string* error);
bool WriteRawBlock(const std::string& path, const float* block, size_t floats, std::string* error);

// Both blocks of a job.
bool ReadRawJob(const std::string& parametersPath, const std::string& marksPath, JobBlocks& job,
                std::string* error);
bool WriteRawJob(const JobBlocks& job, const std::string& parametersPath,
                 const std::string& marksPath, std::string* error);

}  // namespace sawline::tools
