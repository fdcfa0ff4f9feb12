#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/Window.h"

struct CollectionBitmap;
class X256BitmapBrowser;

// What dragging several bitmaps of a bitmap page carries, in collection order, with the label
// the drag shows ("<3 Bitmaps>").
struct BitmapGridDDData : Window::DragDropData {
  static constexpr uint32_t kTypeId = 0x4249544E;  // 'BITN'
  BitmapGridDDData() { type_id = kTypeId; }
  std::vector<CollectionBitmap*> bitmaps;
  std::string label;
  X256BitmapBrowser* source = nullptr;
};
