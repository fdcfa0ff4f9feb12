#pragma once
#include <cstdint>

#include "collections/SequenceDrop.h"
#include "collections/ui/BitmapGridDDData.h"

struct Sequence;

// What dragging cells of a sequence editor's grid carries: the cells' bitmaps with their
// records and grid offsets, so that a drop keeps the selection's shape. It shows its label as
// a bitmap page's drag does, and is no bitmap page's drag: pages refuse it.
struct SequenceCellsDDData : BitmapGridDDData {
  static constexpr uint32_t kTypeId = 0x53455143;  // 'SEQC'
  SequenceCellsDDData() { type_id = kTypeId; }
  SequenceDrop::Payload payload;
  const Sequence* sequence = nullptr;
};
