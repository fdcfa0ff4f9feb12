#pragma once
#include "gui/UndoableAction.h"
#include "terrain/DetailFill.h"
#include "terrain/DetailMap.h"

class MeshEdit;

// One flood fill of the mesh editor: the spans it filled in one detail layer, with the value
// they held and the value they took. Recorded after the fill ran; "do" is its redo.
class FloodFillAction : public UndoableAction {
 public:
  FloodFillAction(MeshEdit& editor, DetailLayer layer, DetailFill fill);

  bool Do() override;
  void Undo() override;

  DetailLayer layer() const { return layer_; }
  const DetailFill& fill() const { return fill_; }

 private:
  void Put(uint8_t value);

  MeshEdit& editor_;
  DetailLayer layer_;
  DetailFill fill_;
};
