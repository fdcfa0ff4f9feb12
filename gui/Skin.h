#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/Painter.h"
#include "gui/SkinIds.h"
#include "gui/SkinMetrics.h"

struct TexturePackImage;

// Where one skin image lies in the skin's texture pages.
struct SkinPiece {
  bool present = false;
  int32_t page = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;  // the image's own size, whatever the page orientation
  int32_t height = 0;
  bool transposed = false;  // stored turned: image pixel (c, r) is page pixel (x + r, y + c)
};

// The GUI skin: the images of the texture pack packed into pages, looked up by skin id.
// Loading is pure data; the pages it composes are handed to the painter to upload.
class Skin {
 public:
  // Reads and packs the pack file; on success `pages` holds the page pixels to upload. An
  // error (missing, short or inconsistent file, images that cannot be packed) is returned as
  // a message and leaves the skin as it was.
  std::string Load(const std::filesystem::path& path, int32_t max_texture_size,
                   std::vector<PageImage>& pages);
  std::string LoadImages(const std::vector<TexturePackImage>& images, int32_t max_texture_size,
                         std::vector<PageImage>& pages);

  bool IsLoaded() const { return loaded_; }
  const SkinPiece& Piece(int32_t id) const;
  Size ImageSize(int32_t id) const;
  Size PageSize(int32_t page) const;
  const SkinMetrics& Metrics() const { return metrics_; }

 private:
  bool loaded_ = false;
  std::array<SkinPiece, kSkinImageCount> pieces_{};
  std::vector<Size> page_sizes_;
  SkinMetrics metrics_;
};

// The skin windows draw with.
Skin& CurrentSkin();
