#pragma once
#include "gui/ScrollableWindow.h"

// A 4000 × 4000 picture (a grid of numbered-looking squares in shifting colours) scrolled in
// pixels, ten to a line step; what it shows follows from the positions alone, so a screenshot
// tells where it is scrolled to.
class GalleryView : public ScrollableWindow {
 public:
  static constexpr int32_t kSide = 4000;
  static constexpr int32_t kCell = 50;

  explicit GalleryView(Window* parent);
  const char* GetClassName() const override { return "GalleryView"; }
  void Draw() override;
  void OnResized() override;

 protected:
  void OnScrolled() override { InvalidateClient(); }
};
