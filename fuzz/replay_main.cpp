// Replays saved fuzz inputs through the fuzz target, so every input ever saved in
// the corpus stays a regression test: replay_main FILE_OR_DIRECTORY...
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int ReplayFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
    return 1;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  int replayed = 0;
  for (int a = 1; a < argc; ++a) {
    const std::filesystem::path root(argv[a]);
    if (std::filesystem::is_directory(root)) {
      for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        failures += ReplayFile(entry.path());
        ++replayed;
      }
    } else {
      failures += ReplayFile(root);
      ++replayed;
    }
  }
  std::printf("replayed %d inputs\n", replayed);
  return failures == 0 && replayed > 0 ? 0 : 1;
}
