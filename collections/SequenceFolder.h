#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "collections/Image.h"

// Which rendered image shows frame f, view v of a sequence folder: all views of frame 0 first
// (image views × f + v), or all frames of view 0 first (image frames × v + f).
enum class BitmapOrder { kFramesThenViews, kViewsThenFrames };

// One sequence folder of a build: "NAME (VIEWS,FRAMES)" holding bitmaps/ with the colour
// renders, optionally alphas/ with one greyscale alpha image per render, and optionally a
// script.txt. The build and the up-res tool read it the same way.
class SequenceFolder {
 public:
  // No frame view of a collection can lie past this: frame view indices are 16 bits, with
  // 0xFFFF meaning none.
  static constexpr int64_t kMaxFrameViews = 65535;
  static constexpr int kEmptyFrame = -1;  // "~" in a frame list

  struct Script {
    std::optional<BitmapOrder> order;
    std::optional<bool> align_individually;
    // 1-based frame image sets, kEmptyFrame for "~"; empty without a "(" line.
    std::vector<int> frame_list;
    bool has_frame_list = false;
  };

  std::filesystem::path path;
  std::string folder_name;  // as on disk
  std::string name;         // the sequence name: the folder name before its last "("
  // From "(%d,%d)" after the last "(", unchecked: `has_dimensions` false when it is missing.
  bool has_dimensions = false;
  int64_t views = 0;
  int64_t frames = 0;
  Script script;
  std::vector<std::filesystem::path> bitmaps;  // natural order
  std::vector<std::filesystem::path> alphas;

  // Splits a folder name into the sequence name and its dimensions.
  static void ParseName(std::string_view folder_name, std::string& name, bool& has_dimensions,
                        int64_t& views, int64_t& frames);
  static Script ParseScript(std::string_view text);
  // The sub-folders of `root` in natural order (ties broken byte-wise, so the order is total).
  static std::vector<std::filesystem::path> SequenceFolders(const std::filesystem::path& root);
  // The files of a folder in natural order, none when it does not exist.
  static std::vector<std::filesystem::path> Files(const std::filesystem::path& folder);

  // Reads name, script and file lists; never fails (what is missing stays empty).
  static SequenceFolder Read(const std::filesystem::path& folder);

  // The order the script asks for, else `fallback`.
  BitmapOrder Order(BitmapOrder fallback) const { return script.order.value_or(fallback); }
  // Distinct image sets: the frame list's count of distinct numbers, else the frames.
  int64_t ImageSets() const;
  // The image of frame f, view v, or -1 for an empty frame. Needs checked dimensions.
  int64_t ImageIndex(int64_t frame, int64_t view, BitmapOrder order) const;

  // Checks the dimensions, the alpha count, the frame list and the image count in the build's
  // order, logging to `log` as the build words it. False when the folder must be skipped;
  // `frame_views_left` is what the collection can still take.
  bool Check(const char* log, int64_t frame_views_left) const;

  // A render as read: its indices (greyscale levels taken as indices into the grey ramp), its
  // palette, and its alpha image when alphas/ has one.
  struct Render {
    Image color;
    Image alpha;
    bool has_alpha = false;
    std::array<uint8_t, 768> palette{};
  };
  // Loads render `index` and its alpha image, checked as the build words it. False with the
  // ERROR line logged.
  bool LoadRender(const char* log, size_t index, Render& out) const;

  // The render's opaque pixels, cropped to their bounds, as (alpha, index) pixels: alpha from
  // the alpha image (255 - a with `invert_alphas`, 255 without one; below 16 it is 0, as the
  // collection's four bits of alpha would make it; rounded to a multiple of 17 with
  // `round_alpha`), index `index_of` of the render's, and pixels whose index is `clear`
  // transparent (alpha 0, index 0). False when nothing is opaque.
  static bool Compose(const Render& render, bool invert_alphas,
                      const std::array<uint8_t, 256>& index_of, const std::array<bool, 256>& clear,
                      bool round_alpha, Image& out, Image::Rect& bounds);
};
