#include "collections/SequenceDrop.h"

#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "collections/SequenceEdits.h"

namespace cl = collection_layout;

namespace {

bool IsShadow(const CollectionBitmap& bitmap) {
  return (bitmap.flags & cl::kBitmapShadow) != 0;
}

}  // namespace

bool SequenceDrop::Plan(const Collection& collection, const Sequence& sequence,
                        const Payload& payload, int frame, int column,
                        std::vector<Placement>& out) {
  out.clear();
  const int frames = static_cast<int>(sequence.frames.size());
  const int columns = 1 + SequenceEdits::RealViews(sequence);
  if (payload.items.empty() || frame < 0 || frame >= frames || column < 0 || column >= columns) {
    return false;
  }
  for (const Item& item : payload.items) {
    if (!item.bitmap || collection.IndexOfBitmap(item.bitmap) < 0) return false;
  }
  std::vector<Placement> plan;
  if (payload.shaped) {
    const Item& first = payload.items.front();
    for (size_t i = 0; i < payload.items.size(); ++i) {
      const Item& item = payload.items[i];
      plan.push_back({frame + item.frame - first.frame, column + item.column - first.column, i});
    }
  } else if (column == 0) {
    for (size_t i = 0; i < payload.items.size(); ++i) {
      plan.push_back({frame + static_cast<int>(i), 0, i});
    }
  } else {
    // Views to the right, then on into the next frame's first view.
    const int views = columns - 1;
    const int start = frame * views + (column - 1);
    for (size_t i = 0; i < payload.items.size(); ++i) {
      const int cell = start + static_cast<int>(i);
      plan.push_back({cell / views, 1 + cell % views, i});
    }
  }
  for (const Placement& p : plan) {
    if (p.frame < 0 || p.frame >= frames || p.column < 0 || p.column >= columns) return false;
    // Shadows on shadow cells, everything else on view cells.
    if (IsShadow(*payload.items[p.item].bitmap) != (p.column == 0)) return false;
  }
  out = std::move(plan);
  return true;
}

void SequenceDrop::Apply(const Collection& collection, Sequence& sequence, const Payload& payload,
                         const std::vector<Placement>& plan) {
  for (const Placement& p : plan) {
    const Item& item = payload.items[p.item];
    SequenceFrame& frame = sequence.frames[static_cast<size_t>(p.frame)];
    const int index = collection.IndexOfBitmap(item.bitmap);
    if (p.column == 0) {
      FrameRecord& record = frame.record;
      if (item.from_cell && item.column == 0) {
        record.flags = item.record.flags;
        record.shadow_offset_x = item.record.shadow_offset_x;
        record.shadow_offset_y = item.record.shadow_offset_y;
      }
      record.shadow = item.bitmap;
      record.shadow_index = static_cast<uint16_t>(index);
      continue;
    }
    FrameView& view = frame.views[static_cast<size_t>(p.column - 1)];
    if (item.from_cell && item.column > 0) {
      view.flags = item.view.flags;
      view.registration_x = item.view.registration_x;
      view.registration_y = item.view.registration_y;
      view.key_x = item.view.key_x;
      view.key_y = item.view.key_y;
      // An alternate is the high-resolution form of the bitmap: it travels with it.
      view.alternate_index = item.view.alternate_index;
      view.alternate_size_factor = item.view.alternate_size_factor;
      view.alternate_registration_x = item.view.alternate_registration_x;
      view.alternate_registration_y = item.view.alternate_registration_y;
      view.alternate = item.view.alternate;
    }
    SequenceEdits::ShowBitmap(collection, view, item.bitmap);
  }
  SequenceEdits::DeriveMirroredViews(sequence);
}
