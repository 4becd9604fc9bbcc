// Replays saved fuzz inputs through the fuzz target, so every input ever saved in the
// corpus stays a regression test, and keeps their names true to what they exercise:
//
//   replay_main FILE_OR_DIRECTORY...                  replay every input
//   replay_main --describe FILE_OR_DIRECTORY...       print each input's description
//   replay_main --check-names FILE_OR_DIRECTORY...    inputs named "<words>-<12 hex
//       digits>" must be named by their own description; fails naming those that are not
//
// Inputs named otherwise (the hand-written seeds) are replayed but not checked.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "input_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

enum class Task { kReplay, kDescribe, kCheckNames };

// The description a saved name carries, or "" when the name does not end in "-" and 12
// lower-case hexadecimal digits.
std::string DescriptionInName(const std::string& name) {
  constexpr size_t kHashDigits = 12;
  if (name.size() < kHashDigits + 2 || name[name.size() - kHashDigits - 1] != '-') return "";
  for (size_t i = name.size() - kHashDigits; i < name.size(); ++i) {
    if (std::strchr("0123456789abcdef", name[i]) == nullptr) return "";
  }
  return name.substr(0, name.size() - kHashDigits - 1);
}

// Runs the task on one input; returns 1 when it fails.
int Handle(Task task, const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
    return 1;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  if (task == Task::kReplay) {
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 0;
  }
  const std::string description = DescribeFuzzInput(bytes.data(), bytes.size());
  if (task == Task::kDescribe) {
    std::printf("%s\t%s\n", description.c_str(), path.string().c_str());
    return 0;
  }
  const std::string named = DescriptionInName(path.filename().string());
  if (named.empty() || named == description) return 0;
  std::printf("%s: its bytes are \"%s\" now (rename with fuzz/name_corpus.sh)\n",
              path.string().c_str(), description.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  Task task = Task::kReplay;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "--describe") == 0) {
    task = Task::kDescribe;
    first = 2;
  } else if (argc > 1 && std::strcmp(argv[1], "--check-names") == 0) {
    task = Task::kCheckNames;
    first = 2;
  }
  int failures = 0;
  int handled = 0;
  for (int a = first; a < argc; ++a) {
    const std::filesystem::path root(argv[a]);
    std::vector<std::filesystem::path> inputs;
    if (std::filesystem::is_directory(root)) {
      for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else {
      inputs.push_back(root);
    }
    for (const auto& input : inputs) {
      failures += Handle(task, input);
      ++handled;
    }
  }
  if (task == Task::kReplay) std::printf("replayed %d inputs\n", handled);
  if (task == Task::kCheckNames) {
    std::printf("checked the names of %d inputs: %d not named by what they exercise\n", handled,
                failures);
  }
  return failures == 0 && handled > 0 ? 0 : 1;
}
