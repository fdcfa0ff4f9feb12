#include "terrain/ui/FloodFillAction.h"

#include <utility>

#include "terrain/ui/MeshEdit.h"

FloodFillAction::FloodFillAction(MeshEdit& editor, DetailLayer layer, DetailFill fill)
    : editor_(editor), layer_(layer), fill_(std::move(fill)) {}

bool FloodFillAction::Do() {
  Put(fill_.new_value);
  return true;
}

void FloodFillAction::Undo() {
  Put(fill_.old_value);
}

void FloodFillAction::Put(uint8_t value) {
  DetailMap& map = editor_.Detail();
  const std::vector<uint8_t>& layer = map.Layer(layer_);
  // Spans reach past the layer only when the map was replaced since: then nothing is ours.
  for (const DetailFill::Span& span : fill_.spans) {
    if (uint64_t{span.start} + span.length > layer.size()) return;
  }
  fill_.Write(map, layer_, value);
  editor_.DetailRestored(fill_.bounds);
}
