#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collections/SequenceTransfer.h"
#include "gui/Window.h"

class BitmapGrid;
class CheckBox;
class CollectionChange;
class ComboBox;
class Menu;
class TextBox;
class X256EditHost;
class X256SequenceFrameEdit;
struct Sequence;

// The editor window of one sequence: its header fields, and the frames × views grid of
// bitmaps (one row per frame; column 0 the frame's shadow, then the real views), which takes
// bitmaps dragged from the bitmap pages or from its own cells, imports and exports them, and
// opens frame editors on its view cells. Every edit is one change of the collection editor's
// history.
class X256SequenceEdit : public Window {
 public:
  static constexpr uint32_t kFlags = WindowFlag::TitleBar | WindowFlag::DropShadow |
                                     WindowFlag::Resizable | WindowFlag::BackgroundB |
                                     WindowFlag::CloseButton | WindowFlag::Visible;
  static constexpr Size kInitialSize{800, 600};
  static constexpr int32_t kCellSize = 64;
  static constexpr const char* kNoBitmap = "<no bitmap>";

  // The header's number boxes, in the order they are laid out.
  enum Field : int32_t {
    kFrames = 0,
    kViews,
    kTicks,
    kKeyFrame,
    kTransferPeriod,
    kLoopFrame,
    kFieldCount,
  };
  enum SoundField : int32_t { kFirstSound = 0, kKeySound, kLastSound, kSoundCount };
  // The context menu's commands.
  enum Command : int32_t {
    kImportFramesThenViews = 1,
    kImportViewsThenFrames,
    kImportPlate,
    kAlphaFramesThenViews,
    kAlphaViewsThenFrames,
    kAlphaPlate,
    kExportBitmaps,
    kExportAlphas,
    kExportBitmapPlate,
    kExportAlphaPlate,
    kImportMenu = 20,
    kAlphaMenu,
    kExportMenu,
  };

  X256SequenceEdit(X256EditHost& host, Sequence* sequence, Window* parent);
  ~X256SequenceEdit() override;

  const char* GetClassName() const override { return "X256SequenceEdit"; }
  void OnResized() override;
  void OnClose() override;
  // The collection editor's Ctrl keys (undo, redo, save) work here too.
  bool OnKey(InputEvent& event) override;

  // Shows the sequence as it now is (after any change of the collection); closes when the
  // sequence has gone. Open frame editors follow.
  void Refresh();
  Sequence* EditedSequence() const { return sequence_; }
  // The sequence is about to go: the window and its frame editors only wait to close.
  void Detach();
  void SetGoneHandler(std::function<void(X256SequenceEdit*)> handler) {
    gone_ = std::move(handler);
  }

  // Cells: index frame × columns + column.
  int32_t Columns() const;
  int32_t CellIndex(int32_t frame, int32_t column) const { return frame * Columns() + column; }
  // Selects one cell, makes it current and gives the grid the focus.
  void FocusCell(int32_t frame, int32_t column);

  // A frame editor on view cell (frame, column ≥ 1), raised when one is open there; null for
  // a shadow cell.
  X256SequenceFrameEdit* OpenFrameEditor(int32_t frame, int32_t column);
  const std::vector<X256SequenceFrameEdit*>& FrameEditors() const { return frame_editors_; }
  void FrameEditorGone(X256SequenceFrameEdit* editor);

  // The header controls' edits, as typing a value and pressing Enter does.
  void EnterNumber(Field field, int64_t value);
  void EnterSound(SoundField field, const std::string& text);
  void SetTransferMode(uint16_t mode);
  void SetFlag(int32_t check_box_id, bool on);

  // A drop of `data` on cell `cell` (-1 outside): whether it would be taken, and when `query`
  // is false, takes it as one change.
  bool Drop(int32_t cell, DragDropData* data, bool query);

  // The context menu as it would open now (the caller deletes it), and its commands.
  Menu* MakeContextMenu();
  void RunCommand(int32_t id);
  // The commands with their files chosen, for the tool's way and the tests.
  bool ImportFiles(const std::vector<std::filesystem::path>& files, SequenceTransfer::Order order);
  bool ImportPlate(const std::filesystem::path& file);
  bool ImportAlphaFiles(const std::vector<std::filesystem::path>& files,
                        SequenceTransfer::Order order);
  bool ImportAlphaPlate(const std::filesystem::path& file);

  BitmapGrid* Grid() const { return grid_; }
  TextBox* NumberBox(Field field) const { return numbers_[static_cast<size_t>(field)]; }
  TextBox* SoundBox(SoundField field) const { return sounds_[static_cast<size_t>(field)]; }
  ComboBox* ModeBox() const { return mode_; }
  CheckBox* FlagBox(int32_t id) const;
  // The shown label of a cell: its bitmap's name or kNoBitmap.
  std::string CellLabel(int32_t cell) const;

  enum CheckId : int32_t {
    kMirroringId = 1,
    kNoRotationId,
    kHorzMirrorId,
    kVertMirrorId,
    kShadowLightId,
  };

 private:
  void Layout();
  TextBox* Label(const char* text, int32_t& x, int32_t y);
  // One change of the sequence: `edit` returns whether it changed anything.
  void Edit(const std::function<bool(Sequence&)>& edit);
  void CommitNumber(Field field);
  void CommitSound(SoundField field);
  void OnNumberEntered(intptr_t);
  void OnNumberFocusLost(intptr_t);
  void OnSoundEntered(intptr_t);
  void OnSoundFocusLost(intptr_t);
  void OnMode(intptr_t selection);
  void OnCheckBox(intptr_t id);
  void OnSelection(intptr_t);
  void ShowCellFlags();
  void DrawCell(int32_t index, const Rect& rect);
  void StartDrag(int32_t index);
  void ShowContextMenu(Point screen_point);
  // Runs an import that changes the collection as one change; false (the user told why)
  // leaves it as it was.
  bool Import(const std::function<bool(std::string&)>& run);
  void ChooseAndImport(bool alpha, SequenceTransfer::Order order);
  void ChooseAndImportPlate(bool alpha);
  void Export(bool alpha);
  void ExportPlate(bool alpha);
  uint16_t FieldValue(Field field) const;
  void CloseFrameEditors();

  X256EditHost& host_;
  Sequence* sequence_ = nullptr;
  BitmapGrid* grid_ = nullptr;
  std::array<TextBox*, kFieldCount> numbers_{};
  std::array<TextBox*, kSoundCount> sounds_{};
  // What each box was last set to from the sequence: a box commits only when it reads
  // otherwise, so opening and closing the editor changes nothing.
  std::array<std::string, kFieldCount> shown_numbers_{};
  std::array<std::string, kSoundCount> shown_sounds_{};
  ComboBox* mode_ = nullptr;
  std::array<CheckBox*, 5> checks_{};
  int32_t header_height_ = 0;
  bool refreshing_ = false;
  std::vector<X256SequenceFrameEdit*> frame_editors_;
  std::function<void(X256SequenceEdit*)> gone_;
};
