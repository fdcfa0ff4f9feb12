#pragma once
#include <cstdint>
#include <string>

#include "gui/Window.h"

struct CollectionBitmap;
class X256BitmapBrowser;

// What dragging one bitmap of a bitmap page carries: the bitmap and the page it came from.
struct BitmapDDData : Window::DragDropData {
  static constexpr uint32_t kTypeId = 0x42495431;  // 'BIT1'
  BitmapDDData() { type_id = kTypeId; }
  CollectionBitmap* bitmap = nullptr;
  X256BitmapBrowser* source = nullptr;
  std::string label;  // the bitmap's name, shown while dragging
};
