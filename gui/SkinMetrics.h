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
};

SkinMetrics& CurrentSkinMetrics();
