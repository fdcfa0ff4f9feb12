#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "collections/Collection.h"
#include "collections/SequenceFolder.h"

// Adds high-resolution renders to a collection as the alternate bitmaps of its frame views.
// The renders are read one sequence per call to Next (so a window can redraw between them);
// Finish estimates their scale against the collection's bitmaps, resamples them to the
// target scale and, only when every step passed, changes the collection and saves it.
class CollectionUpRes {
 public:
  struct Options {
    std::string name;  // the collection's, for the log
    double target_scale = 1.0;
    double tolerance = 0.05;
    bool invert_alphas = false;
    BitmapOrder order = BitmapOrder::kFramesThenViews;
    bool align_individually = false;
  };
  // How often a scale pass that accepts no pair may raise the tolerance before giving up.
  static constexpr int kMaxToleranceRaises = 20;

  // The alternate size factor for a target scale, 10 / scale in 16.16; 0 when it does not fit
  // (zero, negative or not a number, or past 32 bits).
  static uint32_t SizeFactor(double target_scale);

  // Opens the log "UpRes N (NAME)"; `collection` must outlive the run.
  CollectionUpRes(Collection& collection, const std::filesystem::path& folder, Options options);

  const std::string& LogName() const { return log_; }
  // The sequence the next call reads, empty when none is left.
  std::string Upcoming() const;
  bool Next();

  // Steps 3 to 6. False (the collection untouched, `save` not called) on a FATAL line; else the
  // result of `save`.
  bool Finish(const std::function<bool(Collection&)>& save);

  double ComputedScale() const { return scale_; }
  int Instances() const { return instances_; }
  int Unique() const { return unique_; }
  int SkippedSequences() const { return skipped_; }

 private:
  // One high-res render beside the standard bitmap of its frame view.
  struct Pair {
    Sequence* sequence = nullptr;
    size_t frame = 0, view = 0;
    std::string file_name;
    Image image;  // cropped to its opaque bounds
    int32_t x0 = 0, y0 = 0;
    double reg_x = 0, reg_y = 0;  // the registration point in the render's coordinates
  };
  void ReadSequence(Sequence& sequence);
  // Steps 3 and 4 of the estimate; false after a FATAL line.
  bool EstimateScale();
  // The render at the target scale in the collection's colours, as (alpha, index) pixels.
  void Resample(const Pair& pair, uint32_t width, uint32_t height, uint16_t* nearest,
                Image& out) const;

  Collection& collection_;
  Options options_;
  std::string log_;
  std::vector<std::filesystem::path> folders_;
  size_t next_ = 0;
  std::vector<Pair> pairs_;
  // Which entries of the last render palette seen are the collection's transparency.
  std::array<uint8_t, 768> clear_palette_{};
  std::array<bool, 256> clear_{};
  bool clear_known_ = false;
  double scale_ = 0;
  int instances_ = 0;
  int unique_ = 0;
  int skipped_ = 0;
  std::chrono::steady_clock::time_point start_;
};
