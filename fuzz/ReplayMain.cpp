// Stands in for libFuzzer where the compiler has none: runs the target's entry point once over
// every file named on the command line, and over every file inside each folder named, so that
// a corpus or a crash input can be replayed under an ordinary debugger or sanitizer build.
// Arguments starting with '-' are libFuzzer options and are ignored, which lets one test
// command line serve both builds.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "replay: cannot open %s\n", path.c_str());
    return false;
  }
  const std::vector<char> contents((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  // An exact-size heap copy, so that a sanitizer build catches a read one byte past the end.
  std::unique_ptr<uint8_t[]> data(new uint8_t[std::max<size_t>(contents.size(), 1)]);
  std::copy(contents.begin(), contents.end(), data.get());
  LLVMFuzzerTestOneInput(data.get(), contents.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;
    const std::filesystem::path path = argv[i];
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      std::vector<std::filesystem::path> entries;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path, error)) {
        if (entry.is_regular_file()) entries.push_back(entry.path());
      }
      if (error) {
        std::fprintf(stderr, "replay: cannot list %s: %s\n", path.c_str(), error.message().c_str());
        return 1;
      }
      // Sorted so that a failure shows up at the same input on every run.
      std::sort(entries.begin(), entries.end());
      files.insert(files.end(), entries.begin(), entries.end());
    } else if (std::filesystem::is_regular_file(path, error)) {
      files.push_back(path);
    } else {
      std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", path.c_str());
      return 1;
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "replay: no inputs; usage: %s FILE_OR_FOLDER...\n", argv[0]);
    return 1;
  }
  for (const auto& file : files) {
    std::printf("replay: %s\n", file.c_str());
    std::fflush(stdout);  // so the last line names the input when the target crashes
    if (!RunFile(file)) return 1;
  }
  std::printf("replay: %zu inputs ran without a crash\n", files.size());
  return 0;
}
