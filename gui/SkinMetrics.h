#pragma once
#include <cstdint>

#include "gui/Geometry.h"

// Frame measurements that the window frames and hit tests share. The texture pack sets them
// from its images when it loads; until then these defaults keep the geometry sensible.
struct SkinMetrics {
  int32_t thick_border = 4;
  int32_t thin_border = 1;
  int32_t title_bar_height = 22;
  Size title_button = {16, 14};
  // Scroll bars: the thickness is also the length of each arrow; the two thumb caps together
  // are the shortest thumb.
  int32_t scroll_bar = 14;
  int32_t scroll_thumb_min = 12;
  // Tabs: height, the width of each slanted cap, and how far neighbours overlap.
  int32_t tab_height = 20;
  int32_t tab_cap = 10;
  int32_t tab_overlap = 8;
};

SkinMetrics& CurrentSkinMetrics();
