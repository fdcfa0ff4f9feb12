#pragma once
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

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

  using Progress = std::function<void(const std::filesystem::path&)>;
  using Failure = std::function<void(const std::filesystem::path&, const std::string&)>;

  // A run one file at a time, for a caller that shows progress between files. The folder is
  // walked by the first Next.
  FolderConversion(std::filesystem::path folder, DataFile::FileFormat target, Mode mode);
  // Treats the next file; false once every file has been treated (nothing done by the call).
  bool Next(const Progress& progress, const Failure& failure);
  // The file the next call treats (empty before the walk and at the end).
  std::filesystem::path Upcoming() const;
  size_t FileCount() const { return files_.size(); }
  size_t FilesDone() const { return next_; }
  const Result& Totals() const { return result_; }

  // `progress` gets each file before it is treated; `failure` each file that fails, with why.
  // Files are gathered before any is written, so outputs are never taken for inputs. An
  // output that would replace one of the folder's files or another output of this run is
  // not written and counts as a failure.
  static Result Run(const std::filesystem::path& folder, DataFile::FileFormat target, Mode mode,
                    const Progress& progress, const Failure& failure);

  // The file's path with its extension (if any) replaced by `extension`; `.alpha` goes
  // before it when `alpha` is set.
  static std::filesystem::path OutputPath(const std::filesystem::path& source,
                                          DataFile::FileFormat target, bool alpha);

 private:
  void Treat(const std::filesystem::path& path, const Failure& failure);

  std::filesystem::path folder_;
  DataFile::FileFormat target_;
  Mode mode_;
  bool walked_ = false;
  std::vector<std::filesystem::path> files_;
  std::set<std::filesystem::path> inputs_;
  std::set<std::filesystem::path> outputs_;
  size_t next_ = 0;
  Result result_;
};
