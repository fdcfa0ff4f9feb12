#pragma once
#include <cstdint>
#include <vector>

#include "gui/UndoableAction.h"
#include "terrain/DetailBrush.h"
#include "terrain/DetailMap.h"

class MeshEdit;

// One brush stroke of the mesh editor: the bytes of one detail layer inside the rectangle the
// stroke touched, as they were before it and as it left them. The stroke is already painted
// when the action is recorded; "do" is its redo.
class BrushStrokeAction : public UndoableAction {
 public:
  BrushStrokeAction(MeshEdit& editor, DetailLayer layer, const CellRect& rect,
                    std::vector<uint8_t> before, std::vector<uint8_t> after);

  bool Do() override;
  void Undo() override;

  DetailLayer layer() const { return layer_; }
  const CellRect& rect() const { return rect_; }
  const std::vector<uint8_t>& before() const { return before_; }
  const std::vector<uint8_t>& after() const { return after_; }

 private:
  void Put(const std::vector<uint8_t>& bytes);

  MeshEdit& editor_;
  DetailLayer layer_;
  CellRect rect_;
  std::vector<uint8_t> before_;
  std::vector<uint8_t> after_;
};
