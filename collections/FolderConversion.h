#pragma once
#include <filesystem>
#include <functional>
#include <string>

#include "collections/DataFile.h"

// Converts every image file in a folder and its sub-folders to one format, beside the source.
class FolderConversion {
 public:
  enum class Mode {
    kFull,       // the whole image
    kAlphaOnly,  // the alpha as greyscale, written as "name.alpha.ext"; else the whole image
  };

  struct Result {
    int processed = 0;  // files written
    int failed = 0;     // image files that could not be read or written
  };

  // `progress` gets each file before it is treated; `failure` each file that fails, with why.
  // Files are gathered before any is written, so outputs are never taken for inputs. An
  // output that would replace one of the folder's files or another output of this run is
  // not written and counts as a failure.
  static Result Run(
      const std::filesystem::path& folder, DataFile::FileFormat target, Mode mode,
      const std::function<void(const std::filesystem::path&)>& progress,
      const std::function<void(const std::filesystem::path&, const std::string&)>& failure);

  // The file's path with its extension (if any) replaced by `extension`; `.alpha` goes
  // before it when `alpha` is set.
  static std::filesystem::path OutputPath(const std::filesystem::path& source,
                                          DataFile::FileFormat target, bool alpha);
};
