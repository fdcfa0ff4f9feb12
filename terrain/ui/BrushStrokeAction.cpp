#include "terrain/ui/BrushStrokeAction.h"

#include <utility>

#include "terrain/ui/MeshEdit.h"

BrushStrokeAction::BrushStrokeAction(MeshEdit& editor, DetailLayer layer, const CellRect& rect,
                                     std::vector<uint8_t> before, std::vector<uint8_t> after)
    : editor_(editor),
      layer_(layer),
      rect_(rect),
      before_(std::move(before)),
      after_(std::move(after)) {}

bool BrushStrokeAction::Do() {
  Put(after_);
  return true;
}

void BrushStrokeAction::Undo() {
  Put(before_);
}

void BrushStrokeAction::Put(const std::vector<uint8_t>& bytes) {
  // A detail map replaced since (a new one, or one of other dimensions) has nothing of ours.
  DetailMap& map = editor_.Detail();
  if (rect_.empty() || rect_.x1 >= static_cast<int>(map.width) ||
      rect_.y1 >= static_cast<int>(map.height)) {
    return;
  }
  PasteRect(map, layer_, rect_, bytes);
  editor_.DetailRestored(rect_);
}
