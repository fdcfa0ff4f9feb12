#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "tags/TagResource.h"
#include "tags/TagResourceManager.h"

// A detail texture loaded as a shared tag resource, so that the texture editor and the mesh
// editor work on the same pixels. The GPU copy is the drawing side's business: it compares
// `revision()` with the revision it last uploaded.
class DtexTag : public TagResource {
 public:
  using TagResource::TagResource;
  const char* GetClassName() const override { return "DtexTag"; }

  // The checkerboard, then event 3 for the entry.
  bool InitNew() override;
  // Decodes aside; the pixels change only when the whole read succeeds.
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  bool WriteData(ByteWriter& out, TagHeader& header) override;

  // Replaces the pixels with a copy, counts a new revision and sends event 3 for the entry.
  void SetImage(uint32_t width, uint32_t height, std::span<const uint8_t> rgb);
  // After changing pixels() in place.
  void PixelsChanged();

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  const std::vector<uint8_t>& pixels() const { return pixels_; }
  std::vector<uint8_t>& mutable_pixels() { return pixels_; }
  uint64_t revision() const { return revision_; }
  bool empty() const { return pixels_.empty(); }

 private:
  void SendChanged();
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  std::vector<uint8_t> pixels_;
  uint64_t revision_ = 1;
};

// The one program-wide manager of detail textures (on the program's index).
TagResourceManager<DtexTag>& ProgramDtexTags();
