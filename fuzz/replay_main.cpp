// Runs a fuzz target over saved inputs (files or folders of files), without the fuzzing engine:
// the regression run of the test suite.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_input.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  int inputs = 0;
  auto run = [&](const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(stream)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++inputs;
  };
  for (int i = 1; i < argc; ++i) {
    const fs::path path(argv[i]);
    if (!fs::exists(path)) continue;  // a target without saved failures has no folder
    if (fs::is_directory(path)) {
      for (const auto& entry : fs::recursive_directory_iterator(path)) {
        if (entry.is_regular_file()) run(entry.path());
      }
    } else {
      run(path);
    }
  }
  std::printf("%d inputs ran without a finding\n", inputs);
  return inputs > 0 ? 0 : 1;
}
