#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "collections/Collection.h"
#include "collections/ColorImport.h"
#include "collections/SequenceFolder.h"

// Builds a new collection in memory from a folder of sequence folders, one folder per call to
// Next so that a window can redraw between folders, writing the log as it goes. A folder with
// an error is skipped whole (nothing of it stays in the collection); the others are built.
// Nothing touches the disk until Finish hands the finished collection to the caller's save.
class CollectionBuilder {
 public:
  struct Options {
    std::string name;  // the collection's, for the log
    int32_t registration_x = 0;
    int32_t registration_y = 0;
    bool invert_alphas = false;
    BitmapOrder order = BitmapOrder::kFramesThenViews;
  };

  // Opens the log "BuildCollection N (NAME)" and lists the sequence folders of `root`.
  CollectionBuilder(const std::filesystem::path& root, Options options);

  const std::string& LogName() const { return log_; }
  // The folder the next call builds, empty when none is left.
  std::filesystem::path Upcoming() const;
  // Builds the next folder; false when there was none left.
  bool Next();

  size_t FolderCount() const { return folders_.size(); }
  int Built() const { return built_; }
  int Skipped() const { return skipped_; }
  Collection& Result() { return collection_; }

  // Logs the writing and the time taken around `save`, which writes Result() wherever the
  // caller keeps collections; its result.
  bool Finish(const std::function<bool(Collection&)>& save);

 private:
  bool BuildFolder(const SequenceFolder& folder);
  // The bitmap an earlier identical image made, or null.
  CollectionBitmap* FindShared(const Image& image, uint32_t hash) const;

  std::vector<std::filesystem::path> folders_;
  size_t next_ = 0;
  Options options_;
  std::string log_;
  Collection collection_;
  ColorImport::UsedEntries used_;
  std::unordered_multimap<uint32_t, CollectionBitmap*> by_hash_;
  int64_t frame_views_ = 0;
  int built_ = 0;
  int skipped_ = 0;
  std::chrono::steady_clock::time_point start_;
};
