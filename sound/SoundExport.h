#pragma once
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

class SoundTag;

// What exporting one permutation came to.
struct SoundExportResult {
  size_t index = 0;
  std::string name;            // the permutation's name
  std::filesystem::path file;  // empty when nothing was written
  bool skipped = false;        // no samples, so nothing to write
  std::string error;           // why a permutation with samples was not written
};

// Exports permutations of a sound tag as WAV files into one folder, as the sound editor's
// Export All and Export Selected and `zarv-tool sound export` do.
class SoundExport {
 public:
  // Writes the given permutations (in that order) under the names WavFile::ExportNames gives
  // them. One that fails does not stop the rest; one without samples is skipped; an index past
  // the tag's permutations is a failure.
  static std::vector<SoundExportResult> Run(const SoundTag& tag, std::span<const size_t> indices,
                                            const std::filesystem::path& folder);
  // Every permutation of the tag.
  static std::vector<SoundExportResult> RunAll(const SoundTag& tag,
                                               const std::filesystem::path& folder);

  // One message naming every failure with its reason, "" when there was none.
  static std::string FailureMessage(std::span<const SoundExportResult> results);
};
