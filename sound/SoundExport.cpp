#include "sound/SoundExport.h"

#include <numeric>

#include "sound/SoundTag.h"
#include "sound/WavFile.h"

std::vector<SoundExportResult> SoundExport::Run(const SoundTag& tag,
                                                std::span<const size_t> indices,
                                                const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (size_t i : indices)
    names.push_back(i < tag.permutations.size() ? tag.permutations[i].name : std::string());
  const std::vector<std::string> files = WavFile::ExportNames(names);

  std::vector<SoundExportResult> results;
  for (size_t k = 0; k < indices.size(); ++k) {
    SoundExportResult r;
    r.index = indices[k];
    if (r.index >= tag.permutations.size()) {
      r.error = "there is no permutation " + std::to_string(r.index);
      results.push_back(std::move(r));
      continue;
    }
    const SoundPermutation& p = tag.permutations[r.index];
    r.name = p.name;
    if (p.samples.empty()) {
      r.skipped = true;
    } else if (const std::filesystem::path path = folder / files[k];
               WavFile::Write(path, p, r.error)) {
      r.file = path;
    }
    results.push_back(std::move(r));
  }
  return results;
}

std::vector<SoundExportResult> SoundExport::RunAll(const SoundTag& tag,
                                                   const std::filesystem::path& folder) {
  std::vector<size_t> all(tag.permutations.size());
  std::iota(all.begin(), all.end(), size_t{0});
  return Run(tag, all, folder);
}

std::string SoundExport::FailureMessage(std::span<const SoundExportResult> results) {
  std::string message;
  for (const SoundExportResult& r : results) {
    if (r.skipped || !r.file.empty()) continue;
    if (message.empty()) message = "These sounds could not be exported:";
    message += "\n" + (r.name.empty() ? "permutation " + std::to_string(r.index) : r.name) + ": " +
               r.error;
  }
  return message;
}
