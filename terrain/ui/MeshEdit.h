#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "collections/Collection.h"
#include "gui/UndoHistory.h"
#include "tags/ui/TagEdit.h"
#include "terrain/DetailBrush.h"
#include "terrain/DetailMap.h"
#include "terrain/FromTerrain.h"
#include "terrain/Mesh.h"
#include "terrain/MeshScene.h"

class Archive;
class CodexEntry;
class DtexTag;
class InfoOverlay;
class Menu;
class MeshView;
class SlotPalette;

// The editor of terrain meshes (`mesh` tags): the mesh in 3-D, coloured by its colour map, and
// the detail map that goes with it (the `dmap` tag with the colour map's tag id), which the
// user paints with a brush and flood fills, makes from the terrain types, and moves to and from
// images. The mesh itself is never written: saving writes the detail map.
class MeshEdit : public TagEdit {
 public:
  static constexpr Size kClientSize{640, 480};
  static constexpr const char* kLog = "MeshEdit";
  static constexpr float kMinRadius = 0.2f;
  static constexpr float kMaxRadius = 10.0f;
  static constexpr float kRadiusStep = 0.2f;
  static constexpr float kInitialRadius = 2.0f;
  static constexpr uint8_t kInitialMaterial = 1;
  static constexpr int kDefaultSlotScale = 16;
  static constexpr double kMediaStep = 1.0 / 60.0;
  static constexpr const char* kConflictTitle = "dmap tagid conflict detected";
  static constexpr const char* kReplaceTitle = "Replace Detail Map?";

  enum Tool : int { kNoTool = 0, kDetailMapTool = 1 };
  // Context menu commands.
  enum Command : int32_t {
    kCmdSwitchTool = 1,
    kCmdNoTool,
    kCmdDetailMapTool,
    kCmdFromTerrain,
    kCmdBlank,
    kCmdImportVertex,
    kCmdExportVertex,
    kCmdImportTriangle,
    kCmdExportTriangle,
    kCmdImportClut,
    kCmdToggleInfo,
    kCmdTogglePalette,
    kCmdToggleWireframe,
    kCmdToggleDetailTextures,
    kCmdToggleHighlighting,
    kCmdToggleBrushShape,
    kCmdToggleTriangleMode,
    kCmdToggleMediaAnimation,
    kCmdToggleHighlightMode,
  };

  explicit MeshEdit(const TagHeader& header);
  ~MeshEdit() override;
  static TagEdit* Make(const TagHeader& header);

  // Where the highlight colour table is kept between runs ("res/dtex.act" beside the program).
  static void SetHighlightTablePath(const std::filesystem::path& path);
  // Read instead while the table above does not exist yet (an install's shipped copy, before
  // the user first edits the colours).
  static void SetShippedHighlightTablePath(const std::filesystem::path& path);
  static const std::filesystem::path& HighlightTablePath();

  // --- TagEdit
  const char* GetClassName() const override { return "MeshEdit"; }
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  // Writes the detail map; fails without one.
  bool Save() override;
  void Show() override;
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;
  bool OnKey(InputEvent& event) override;
  void OnIdle() override;
  void OnResized() override;
  bool RequestClose(bool forced) override;
  void OnClose() override;

  // --- Commands (the context menu and the keys come here)
  Menu* MakeContextMenu();
  void ShowContextMenu(Point screen_point);
  void RunCommand(int32_t id);
  bool Undo();
  bool Redo();
  void NewBlankDetailMap();
  // Runs "Automatic Detail Texturing"; OK makes the detail map from the rows.
  void NewDetailMapFromTerrain();
  void MakeDetailMapFromTerrain(const std::array<TerrainRow, terrain::kTerrainTypeCount>& rows);
  void ExportDetail(DetailLayer layer);
  void ImportDetail(DetailLayer layer);
  void ImportHighlightClut();
  // A palette entry chosen: edits it and makes it the brush material.
  void ChoosePaletteEntry(int slot);
  void ToggleProtected(int slot);
  void ToggleSlotHighlight(int slot);

  // --- Painting, at a brush position in cells. A stroke ends on release, on losing the
  // pointer, and before any other command.
  void BeginStroke(float x, float y, bool override);
  void MoveBrush(float x, float y);
  void EndStroke();
  bool FloodFill(float x, float y, bool override);
  bool stroking() const { return stroking_; }

  // The info overlay's text as it stands.
  std::string InfoText() const;

  // --- State
  const Mesh& mesh() const { return mesh_; }
  const std::string& color_map_name() const { return color_map_name_; }
  uint32_t color_map_id() const { return color_map_id_; }
  bool has_detail_map() const { return has_detail_; }
  DetailMap& Detail() { return map_; }
  const DetailMap& Detail() const { return map_; }
  Tool tool() const { return tool_; }
  const DetailBrush& brush() const { return brush_; }
  DetailBrush& mutable_brush() { return brush_; }
  bool override_protection() const { return override_; }
  bool info_shown() const { return info_shown_; }
  bool palette_shown() const;
  bool textures_highlighted() const;
  const std::array<uint8_t, 768>& highlight_table() const { return highlight_; }
  const SlotProtection& protection() const { return protected_; }
  const std::array<bool, DetailMap::kSlotCount>& slot_highlights() const { return highlighted_; }
  DtexTag* SlotTexture(int slot) const { return textures_[static_cast<size_t>(slot)]; }
  const UndoHistory& History() const { return history_; }
  MeshView* View() const { return view_; }
  SlotPalette* Palette() const { return palette_; }
  InfoOverlay* Overlay() const { return overlay_; }
  MeshScene& Scene() { return scene_; }

  // The actions call this after writing bytes back: the display follows, the tag is modified.
  void DetailRestored(const CellRect& rect);

 private:
  static void OnCodexEvent(void* context, Archive* archive, CodexEntry* entry, int event);
  static void TrackStroke(Window* window, Point start, Point current, int32_t phase);
  void FindDetailMap();
  void TakeDetailMap(DetailMap&& map);
  void ResetDetailMap();
  void AcquireSlotTextures();
  void AcquireSlotTexture(int slot);
  void ReleaseSlotTextures();
  bool LoadHighlightTable();
  void SaveHighlightTable();
  void ApplyBrush();
  void DetailChanged(const CellRect& rect);
  void AllDetailChanged();
  bool BrushPositionAt(Point screen_point, float& x, float& y) const;
  void UpdateOverlay();
  void FormatInfo(char* text, size_t size) const;
  void ToggleInfo();
  void TogglePalette();
  void ToggleWireframe();
  void ToggleDetailTextures();
  void ToggleHighlighting(bool all_slots);
  void ToggleBrushShape();
  void ToggleBrushMode();
  void ToggleMediaAnimation();
  void NextHighlightMode();
  void StepSlotScale(int delta);
  void StepRadius(int steps);
  std::string SafeProposedName(const char* suffix) const;

  Mesh mesh_;
  Collection color_map_;
  std::string color_map_name_;
  uint32_t color_map_id_ = 0xFFFFFFFF;
  MeshScene scene_;

  bool has_detail_ = false;
  // The `dmap` tag with the colour map's id is the one this editor read (or wrote): saving may
  // replace it without asking.
  bool owns_detail_tag_ = false;
  DetailMap map_;
  DetailMap stroke_copy_;  // the layer as it was when the stroke began
  std::array<DtexTag*, DetailMap::kSlotCount> textures_{};
  std::array<bool, DetailMap::kSlotCount> highlighted_{};
  SlotProtection protected_{};
  std::array<uint8_t, 768> highlight_{};

  bool info_shown_ = true;
  Tool tool_ = kNoTool;
  DetailBrush brush_;
  bool override_ = false;
  UndoHistory history_;

  bool stroking_ = false;
  bool stroke_applied_ = false;
  int32_t stroke_modal_depth_ = 0;
  CellRect stroke_rect_;

  double last_idle_ = -1;
  double media_pending_ = 0;
  bool fitted_ = false;

  MeshView* view_ = nullptr;
  InfoOverlay* overlay_ = nullptr;
  SlotPalette* palette_ = nullptr;
  char info_buffer_[2048] = {};
};
