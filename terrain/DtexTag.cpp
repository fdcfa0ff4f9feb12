#include "terrain/DtexTag.h"

#include <memory>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "tags/Codex.h"
#include "tags/TagStream.h"
#include "terrain/DtexCodec.h"
#include "terrain/DtexImage.h"

namespace {
std::string& LastError() {
  static std::string error;
  return error;
}
}  // namespace

const std::string& DtexTag::LastReadError() {
  return LastError();
}

bool DtexTag::InitNew() {
  pixels_ = dteximage::Checkerboard(width_, height_);
  ++revision_;
  SendChanged();
  return true;
}

bool DtexTag::ReadData(TagStream& stream, const TagHeader& /*header*/) {
  const auto fail = [this](std::string why) {
    LogMessage(1, "DtexTag", "'%s': %s\n", header().Name().c_str(), why.c_str());
    read_error_ = why;
    LastError() = std::move(why);
    return false;
  };
  if (stream.remaining() > kMaxDataSize) {
    return fail("the texture data is " + std::to_string(stream.remaining()) +
                " bytes, more than any texture takes");
  }
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data)) return fail("the texture data could not be read");
  DtexCodec::Decoded decoded;
  std::string error;
  if (!DtexData::Read(data, decoded, error)) return fail(error);
  // Only a complete image replaces the one users are drawing: a failed reload keeps it.
  width_ = decoded.width;
  height_ = decoded.height;
  pixels_ = std::move(decoded.rgb);
  read_error_.clear();
  ++revision_;
  SendChanged();
  return true;
}

bool DtexTag::WriteData(ByteWriter& out, TagHeader& /*header*/) {
  if (pixels_.empty()) return false;
  const std::vector<uint8_t> data = DtexData::Write(width_, height_, pixels_);
  if (data.empty()) return false;
  out.WriteBytes(data);
  return true;
}

bool DtexTag::Save() {
  if (!TagResource::Save()) return false;
  if (entry()) set_header(codex().EntryHeader(*entry()));
  return true;
}

bool DtexTag::SetImage(uint32_t width, uint32_t height, std::span<const uint8_t> rgb) {
  if (width == 0 || height == 0 || rgb.size() != size_t{width} * height * 3) return false;
  width_ = width;
  height_ = height;
  pixels_.assign(rgb.begin(), rgb.end());
  PixelsChanged();
  return true;
}

void DtexTag::PixelsChanged() {
  ++revision_;
  SendChanged();
}

void DtexTag::SendChanged() {
  if (entry()) codex().Notify(nullptr, entry(), kCodexResourceChanged);
}

TagResourceManager<DtexTag>& ProgramDtexTags() {
  static std::unique_ptr<TagResourceManager<DtexTag>> manager;
  static Codex* made_for = nullptr;
  Codex& codex = ProgramCodex();
  if (!manager || made_for != &codex) {
    // A new program index (after a release at shut-down, or between tests) needs a manager of
    // its own. Textures still held by the old one belong to an index that is gone: they are
    // left, never detached from it.
    if (manager && manager->size() > 0) (void)manager.release();
    manager = std::make_unique<TagResourceManager<DtexTag>>(codex);
    made_for = &codex;
  }
  return *manager;
}
