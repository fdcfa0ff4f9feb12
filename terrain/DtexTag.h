#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tags/TagResource.h"
#include "tags/TagResourceManager.h"

// A detail texture loaded as a shared tag resource, so that the texture editor and the mesh
// editor work on the same pixels. The GPU copy is the drawing side's business: it compares
// `revision()` with the revision it last uploaded.
class DtexTag : public TagResource {
 public:
  // Tag data larger than this is refused unread: the largest texture the codec can hold
  // takes well under it.
  static constexpr uint64_t kMaxDataSize = uint64_t{80} << 20;

  using TagResource::TagResource;
  const char* GetClassName() const override { return "DtexTag"; }

  // The checkerboard, then event 3 for the entry.
  bool InitNew() override;
  // Decodes aside; the pixels change only when the whole read succeeds.
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  bool WriteData(ByteWriter& out, TagHeader& header) override;
  // Saves, then takes the header the index committed (data size, fixed-up name).
  bool Save() override;

  // Replaces the pixels with a copy, counts a new revision and sends event 3 for the entry.
  // False, changing nothing, when `rgb` does not hold width x height pixels or a side is 0.
  bool SetImage(uint32_t width, uint32_t height, std::span<const uint8_t> rgb);
  // After changing pixels() in place.
  void PixelsChanged();

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  const std::vector<uint8_t>& pixels() const { return pixels_; }
  std::vector<uint8_t>& mutable_pixels() { return pixels_; }
  uint64_t revision() const { return revision_; }
  bool empty() const { return pixels_.empty(); }
  // Why the last ReadData of this texture failed.
  const std::string& read_error() const { return read_error_; }
  // Why the last ReadData of any texture failed: a resource whose load fails is gone before
  // its caller could ask it.
  static const std::string& LastReadError();

 private:
  void SendChanged();
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  std::vector<uint8_t> pixels_;
  uint64_t revision_ = 1;
  std::string read_error_;
};

// The one program-wide manager of detail textures (on the program's index).
TagResourceManager<DtexTag>& ProgramDtexTags();
