#pragma once
#include <span>
#include <string>
#include <vector>

#include "gui/TexturePackFile.h"

// Draws the program's skin: one image for every id of gui/SkinIds.h, all in one dark, calm
// theme with a single accent colour for the active title bar, selections and focus.
class SkinPainter {
 public:
  // Every skin image, one per id from 0 to kSkinImageCount - 1, in id order.
  static std::vector<TexturePackImage> PaintAll();

  // Checks the sizes that the toolkit's layout depends on (border widths, button, check box,
  // arrow and title-bar button sizes, frame corners matching their edges, every id present
  // once); returns what is wrong, empty when everything holds.
  static std::string Check(std::span<const TexturePackImage> images);
};
