#include "gui/TexturePackFile.h"

#include <fstream>
#include <iterator>
#include <limits>

#include "base/ByteReader.h"

namespace {

std::string ShortAt(const ByteReader& reader, const std::string& what) {
  return "texture pack ends early in " + what + " (" + std::to_string(reader.remaining()) + " of " +
         std::to_string(reader.size()) + " bytes left at offset " +
         std::to_string(reader.position()) + ")";
}

std::string RecordName(uint32_t index, uint32_t count) {
  return "image record " + std::to_string(index) + " of " + std::to_string(count);
}

bool ReadRecord(ByteReader& reader, uint32_t index, uint32_t count, TexturePackImage& image,
                std::string& error) {
  // The placeholder fields are skipped rather than kept: they describe another program's
  // memory and say nothing about the image.
  const bool ok = reader.Skip(12) && reader.ReadU16Le(image.width) &&
                  reader.ReadU16Le(image.height) && reader.Skip(8) && reader.ReadU32Le(image.id);
  if (!ok) {
    error = ShortAt(reader, RecordName(index, count) + " header");
    return false;
  }
  // At most 65535 * 65535 * 4, which needs 64 bits; compared with what is really there before
  // anything is allocated.
  const uint64_t size = uint64_t{image.width} * image.height * kTexturePackBytesPerPixel;
  if (size > reader.remaining()) {
    error = RecordName(index, count) + " (id " + std::to_string(image.id) + "): a " +
            std::to_string(image.width) + " x " + std::to_string(image.height) + " image needs " +
            std::to_string(size) + " bytes of pixels but only " +
            std::to_string(reader.remaining()) + " are left in the texture pack";
    return false;
  }
  std::span<const uint8_t> pixels;
  if (!reader.ReadView(static_cast<size_t>(size), pixels)) {
    error = ShortAt(reader, RecordName(index, count) + " pixels");
    return false;
  }
  image.rgba.assign(pixels.begin(), pixels.end());
  return true;
}

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

TexturePackReadResult TexturePackFile::Read(std::span<const uint8_t> bytes) {
  TexturePackReadResult result;
  ByteReader reader(bytes);
  uint32_t count = 0;
  if (!reader.ReadU32Le(count)) {
    result.error = ShortAt(reader, "the image count");
    return result;
  }
  // Every record has at least its header, so the count can be checked before anything is
  // reserved for it.
  const uint64_t least = uint64_t{count} * kTexturePackRecordHeaderSize;
  if (least > reader.remaining()) {
    result.error = "the texture pack claims " + std::to_string(count) +
                   " images, which need at least " + std::to_string(least) + " bytes, but only " +
                   std::to_string(reader.remaining()) + " follow the count";
    return result;
  }
  std::vector<TexturePackImage> images;
  images.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    TexturePackImage image;
    if (!ReadRecord(reader, i, count, image, result.error)) return result;
    images.push_back(std::move(image));
  }
  if (!reader.AtEnd()) {
    result.error = "texture pack has " + std::to_string(reader.remaining()) +
                   " bytes after its last image (at offset " + std::to_string(reader.position()) +
                   "); the image count or a size is wrong";
    return result;
  }
  result.images = std::move(images);
  return result;
}

TexturePackReadResult TexturePackFile::Load(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    TexturePackReadResult result;
    result.error = "cannot open texture pack " + path.string();
    return result;
  }
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    TexturePackReadResult result;
    result.error = "cannot read texture pack " + path.string();
    return result;
  }
  TexturePackReadResult result = Read(bytes);
  if (!result) result.error = path.string() + ": " + result.error;
  return result;
}

std::string TexturePackFile::Check(std::span<const TexturePackImage> images) {
  if (images.size() > std::numeric_limits<uint32_t>::max()) {
    return "too many images for a texture pack: " + std::to_string(images.size());
  }
  for (size_t i = 0; i < images.size(); ++i) {
    const TexturePackImage& image = images[i];
    const uint64_t size = uint64_t{image.width} * image.height * kTexturePackBytesPerPixel;
    if (image.rgba.size() != size) {
      return "image " + std::to_string(i) + " (id " + std::to_string(image.id) + ", " +
             std::to_string(image.width) + " x " + std::to_string(image.height) + ") has " +
             std::to_string(image.rgba.size()) + " bytes of pixels instead of " +
             std::to_string(size);
    }
  }
  return {};
}

TexturePackWriteResult TexturePackFile::Write(std::span<const TexturePackImage> images) {
  TexturePackWriteResult result;
  result.error = Check(images);
  if (!result.ok()) return result;
  size_t total = 4;
  for (const TexturePackImage& image : images) {
    total += kTexturePackRecordHeaderSize + image.rgba.size();
  }
  std::vector<uint8_t>& out = result.bytes;
  out.reserve(total);
  PutU32(out, static_cast<uint32_t>(images.size()));
  for (const TexturePackImage& image : images) {
    out.insert(out.end(), 12, 0);
    PutU16(out, image.width);
    PutU16(out, image.height);
    out.insert(out.end(), 8, 0);
    PutU32(out, image.id);
    out.insert(out.end(), image.rgba.begin(), image.rgba.end());
  }
  return result;
}

std::string TexturePackFile::Save(std::span<const TexturePackImage> images,
                                  const std::filesystem::path& path) {
  const TexturePackWriteResult written = Write(images);
  if (!written.ok()) return written.error;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return "cannot create " + path.string();
  out.write(reinterpret_cast<const char*>(written.bytes.data()),
            static_cast<std::streamsize>(written.bytes.size()));
  out.close();
  if (!out) return "cannot write " + path.string();
  return {};
}

std::array<int32_t, kSkinImageCount> TexturePackFile::SkinTable(
    std::span<const TexturePackImage> images) {
  std::array<int32_t, kSkinImageCount> table;
  table.fill(-1);
  for (size_t i = 0; i < images.size() && i <= size_t(std::numeric_limits<int32_t>::max()); ++i) {
    if (images[i].id < uint32_t{kSkinImageCount}) table[images[i].id] = static_cast<int32_t>(i);
  }
  return table;
}

SkinMetrics TexturePackFile::Metrics(std::span<const TexturePackImage> images) {
  const std::array<int32_t, kSkinImageCount> table = SkinTable(images);
  SkinMetrics metrics;
  auto piece = [&](int32_t id) -> const TexturePackImage* {
    return table[id] < 0 ? nullptr : &images[static_cast<size_t>(table[id])];
  };
  if (const TexturePackImage* edge = piece(kSkinThickBorderEdge)) {
    metrics.thick_border = edge->height;
  }
  if (const TexturePackImage* edge = piece(kSkinThinBorderEdge)) {
    metrics.thin_border = edge->height;
  }
  if (const TexturePackImage* button = piece(kSkinTitleButtonClose)) {
    metrics.title_button = {button->width, button->height};
  }
  if (const TexturePackImage* track = piece(kSkinScrollTrackVertical)) {
    metrics.scroll_bar = track->width;
  }
  const TexturePackImage* thumb_top = piece(kSkinScrollThumbTop);
  const TexturePackImage* thumb_bottom = piece(kSkinScrollThumbBottom);
  if (thumb_top && thumb_bottom)
    metrics.scroll_thumb_min = thumb_top->height + thumb_bottom->height;
  if (const TexturePackImage* tab = piece(kSkinTabLeft)) {
    metrics.tab_height = tab->height;
    metrics.tab_cap = tab->width;
  }
  return metrics;
}
