#pragma once
#include <cstdint>

#include "collections/CollectionLayout.h"

struct CollectionBitmap;

// One view of one frame: which bitmap is drawn and where its registration point lies.
struct FrameView {
  uint32_t flags = 0;  // collection_layout::kView*
  uint16_t registration_x = 0;
  uint16_t registration_y = 0;
  uint16_t key_x = 0;
  uint16_t key_y = 0;
  uint16_t bitmap_index = collection_layout::kNoIndex;
  // The alternate (high-resolution) bitmap; meaningful only with kViewHasAlternate.
  uint16_t alternate_index = collection_layout::kNoIndex;
  uint32_t alternate_size_factor = 0;  // 16.16
  uint16_t alternate_registration_x = 0;
  uint16_t alternate_registration_y = 0;

  // Held in memory only: where the view pointed when the collection was loaded (the up-res tool
  // matches views by them), the size factor of the bitmap shown, and the bitmap itself.
  uint16_t load_bitmap_index = collection_layout::kNoIndex;
  uint16_t load_registration_x = 0;
  uint16_t load_registration_y = 0;
  uint32_t size_factor = collection_layout::kStandardSizeFactor;
  CollectionBitmap* bitmap = nullptr;
  // The alternate bitmap itself, resolved from alternate_index on load when the view has
  // kViewHasAlternate; saving writes its position back into alternate_index. Null when the
  // index lay beyond the bitmap list, and then the index is written back as read.
  CollectionBitmap* alternate = nullptr;

  bool operator==(const FrameView&) const = default;
};

// The frame record: a frame's shadow and how it is drawn.
struct FrameRecord {
  uint32_t flags = 0;  // collection_layout::kFrame*
  // Fixed point: 10240 units per display pixel of the shadow.
  int32_t shadow_offset_x = 0;
  int32_t shadow_offset_y = 0;
  uint16_t shadow_index = collection_layout::kNoIndex;
  CollectionBitmap* shadow = nullptr;

  bool operator==(const FrameRecord&) const = default;
};
