#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Whole-file reads with a size limit, and writes that never leave a half-written file under
// the target's name: the content goes to a new file in the same folder, which is renamed over
// the target only once it is complete.
class SafeFile {
 public:
  static bool ReadAll(const std::filesystem::path& path, uint64_t max_size,
                      std::vector<uint8_t>& out, std::string& error);
  // Reads at most `count` bytes from the start; `size` receives the file's length.
  static bool ReadStart(const std::filesystem::path& path, size_t count, std::vector<uint8_t>& out,
                        uint64_t& size, std::string& error);

  // `write` gets the path of the new, empty file and fills it.
  using Writer = std::function<bool(const std::string& temp_path, std::string& error)>;
  static bool Replace(const std::filesystem::path& target, const Writer& write, std::string& error);
  static bool ReplaceWithBytes(const std::filesystem::path& target,
                               const std::vector<uint8_t>& bytes, std::string& error);

  // Several files written as one: every new file is made and filled before any is renamed over
  // its target. When a writer fails no target has been touched; when a rename fails, the
  // targets already renamed are removed again. Either way no temporary file is left. The
  // targets must differ.
  struct Part {
    std::filesystem::path target;
    Writer write;
  };
  static bool ReplaceAll(const std::vector<Part>& parts, std::string& error);
};
