#include "gui/Skin.h"

#include "gui/PagePacker.h"
#include "gui/TexturePackFile.h"

namespace {
const SkinPiece kNoPiece{};
}

Skin& CurrentSkin() {
  static Skin skin;
  return skin;
}

std::string Skin::Load(const std::filesystem::path& path, int32_t max_texture_size,
                       std::vector<PageImage>& pages) {
  TexturePackReadResult read = TexturePackFile::Load(path);
  if (!read) return read.error;
  return LoadImages(*read.images, max_texture_size, pages);
}

std::string Skin::LoadImages(const std::vector<TexturePackImage>& images, int32_t max_texture_size,
                             std::vector<PageImage>& pages) {
  // The pack is small; one 1024 page holds it, however large the driver allows.
  const PagePacker packer(std::min(max_texture_size, PagePacker::kTexturePackMaxSide));
  std::vector<PackerInput> inputs;
  std::vector<std::span<const uint8_t>> pixels;
  inputs.reserve(images.size());
  pixels.reserve(images.size());
  for (const TexturePackImage& image : images) {
    inputs.push_back({image.width, image.height, false});
    pixels.emplace_back(image.rgba);
  }
  const PackerLayout layout = packer.Pack(inputs);
  if (!layout.ok()) return "the texture pack cannot be packed: " + layout.error;

  std::vector<PageImage> composed(layout.pages.size());
  for (size_t p = 0; p < layout.pages.size(); ++p) {
    PageImage& page = composed[p];
    page.width = layout.pages[p].width;
    page.height = layout.pages[p].height;
    page.bytes_per_pixel = 4;
    std::string error =
        PagePacker::ComposePage(layout, static_cast<uint32_t>(p), inputs, pixels, 4, page.pixels);
    if (!error.empty()) return error;
  }

  const auto table = TexturePackFile::SkinTable(images);
  std::array<SkinPiece, kSkinImageCount> pieces{};
  for (int32_t id = 0; id < kSkinImageCount; ++id) {
    const int32_t index = table[static_cast<size_t>(id)];
    if (index < 0) continue;
    const PackerPlacement& at = layout.placements[static_cast<size_t>(index)];
    const TexturePackImage& image = images[static_cast<size_t>(index)];
    pieces[static_cast<size_t>(id)] = {
        at.placed,    static_cast<int32_t>(at.page), at.x, at.y, image.width, image.height,
        at.transposed};
  }
  pieces_ = pieces;
  page_sizes_ = layout.pages;
  metrics_ = TexturePackFile::Metrics(images);
  loaded_ = true;
  pages = std::move(composed);
  return {};
}

const SkinPiece& Skin::Piece(int32_t id) const {
  if (id < 0 || id >= kSkinImageCount) return kNoPiece;
  return pieces_[static_cast<size_t>(id)];
}

Size Skin::ImageSize(int32_t id) const {
  const SkinPiece& p = Piece(id);
  return p.present ? Size{p.width, p.height} : Size{};
}

Size Skin::PageSize(int32_t page) const {
  if (page < 0 || static_cast<size_t>(page) >= page_sizes_.size()) return {};
  return page_sizes_[static_cast<size_t>(page)];
}
