// Replays saved inputs through a fuzz target without libFuzzer, so that every
// build (and the sanitizer build) runs the seeds and the regression inputs:
//   NAME_replay FILE_OR_FOLDER...
// Exits 1 when nothing was replayed; a finding that comes back crashes here
// as it crashed under the fuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::set<fs::path> inputs;  // sorted: the same order on every run
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    if (fs::is_directory(arg)) {
      for (const auto& entry : fs::directory_iterator(arg))
        if (entry.is_regular_file() && entry.path().filename() != "README.md")
          inputs.insert(entry.path());
    } else if (fs::is_regular_file(arg)) {
      inputs.insert(arg);
    }
  }
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size());
  return inputs.empty() ? 1 : 0;
}
