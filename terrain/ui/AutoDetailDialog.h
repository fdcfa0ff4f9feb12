#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "gui/DialogWindow.h"
#include "terrain/FromTerrain.h"
#include "terrain/TerrainTypes.h"

class ListWindow;

// "Automatic Detail Texturing": one row per terrain type with the detail texture and colour a
// detail map made from the terrain gives it; double-clicking a row edits it in "Edit Detail
// Texture Attributes".
class AutoDetailDialog : public DialogWindow {
 public:
  static constexpr const char* kTitle = "Automatic Detail Texturing";
  static constexpr Size kSize{448, 320};
  static constexpr int32_t kColumnWidth = 224;
  using Rows = std::array<TerrainRow, terrain::kTerrainTypeCount>;

  explicit AutoDetailDialog(const Rows& rows);
  const char* GetClassName() const override { return "AutoDetailDialog"; }
  void OnResized() override;

  // The rows as the terrain types offer them: each default texture as the program sees it.
  static Rows DefaultRows();
  // Runs it modally; OK leaves the (edited) rows in `rows`. True on OK.
  static bool Run(Rows& rows);

  const Rows& rows() const { return rows_; }
  ListWindow* List() const { return list_; }
  // What double-clicking row `index` does.
  void EditRow(size_t index);

 private:
  // What the two columns show of a row.
  struct Cells {
    std::string type;
    std::string texture;
  };
  void OnActivated(intptr_t item);

  Rows rows_;
  std::array<Cells, terrain::kTerrainTypeCount> cells_;
  ListWindow* list_ = nullptr;
};
