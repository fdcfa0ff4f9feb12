#pragma once
#include <cstdint>
#include <vector>

#include "collections/FrameView.h"

class Collection;
struct CollectionBitmap;
struct Sequence;

// Bitmaps dropped on the sequence editor's grid. Cells are (frame, column): column 0 holds the
// frame's shadow, columns 1… the real views. A drop lands whole or not at all: every bitmap
// must belong to the collection, shadows go only to shadow cells and other bitmaps only to view
// cells, and no bitmap may land past the last frame or column.
class SequenceDrop {
 public:
  struct Item {
    CollectionBitmap* bitmap = nullptr;
    // Where it sat in the grid it was dragged from, for a drop that keeps its shape.
    int frame = 0;
    int column = 0;
    // Dragged from a sequence cell: the cell's records travel with the bitmap.
    bool from_cell = false;
    FrameView view;      // a view cell's flags, registration and key point
    FrameRecord record;  // a shadow cell's flags and shadow offset
  };
  struct Payload {
    std::vector<Item> items;
    // Cells of a sequence grid keep their offsets relative to the first one; bitmaps of the
    // bitmap pages (shaped false) fill the frame's views to the right, wrapping to the next
    // frame, or with shadows the shadow cells of the following frames.
    bool shaped = false;
  };
  struct Placement {
    int frame = 0;
    int column = 0;
    size_t item = 0;
  };

  // Where each item lands when dropped on (frame, column), or false when the drop is refused.
  static bool Plan(const Collection& collection, const Sequence& sequence, const Payload& payload,
                   int frame, int column, std::vector<Placement>& out);
  // Carries out a plan: the cells show their bitmaps and, for items from cells of the same
  // kind, take their records; a mirrored sequence's derived views follow.
  static void Apply(const Collection& collection, Sequence& sequence, const Payload& payload,
                    const std::vector<Placement>& plan);
};
