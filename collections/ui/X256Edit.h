#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "collections/Collection.h"
#include "collections/ui/X256EditHost.h"
#include "gui/UndoHistory.h"
#include "tags/ui/TagEdit.h"

class TabWindow;
class X256BitmapBrowser;
class X256HueBrowser;
class X256SequenceBrowser;

// The editor of sprite collections (`.256` tags): one collection shown on seven tab pages.
// Every change of any page or window is one step of the editor's undo history; the tag counts
// as modified exactly while the history stands elsewhere than where it stood at the last load
// or save.
class X256Edit : public TagEdit, public X256EditHost {
 public:
  static constexpr Size kClientSize{575, 360};
  static constexpr const char* kLog = "X256Edit";
  static constexpr const char* kColorMapMessage =
      "The collection is a color map, which is currently not supported for editing.";
  // Not an Affects bit of a change: a page that wants to hear when editor windows open or
  // close (the optimisation page's lock).
  static constexpr uint32_t kEditorWindows = 0x100;

  explicit X256Edit(const TagHeader& header);
  ~X256Edit() override;
  // The factory of the group's row.
  static TagEdit* Make(const TagHeader& header);

  // --- TagEdit
  const char* GetClassName() const override { return "X256Edit"; }
  void OnResized() override;
  bool OnKey(InputEvent& event) override;
  void OnClose() override;
  bool WriteData(ByteWriter& out, TagHeader& header) override;
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  bool Save() override;
  bool Create(uint32_t group, std::string_view name) override;

  // --- X256EditHost
  Collection& EditedCollection() override { return collection_; }
  std::unique_ptr<CollectionChange> BeginChange() override;
  void Commit(std::unique_ptr<CollectionChange> change, uint32_t affects) override;
  void Abandon(std::unique_ptr<CollectionChange> change) override;
  const CollectionDisplay::Palette& DisplayPalette() const override { return palette_; }
  bool ShowingAlternates() const override { return showing_alternates_; }
  void EditorWindowsChanged() override;
  bool AnyEditorWindowOpen() const override;

  // A page to refresh after changes that concern it (Affects bits, kEditorWindows) and after
  // every undo and redo.
  void AddPage(Window* page, uint32_t concerns, std::function<void()> refresh);
  // Ctrl+Z and Ctrl+Y.
  bool Undo();
  bool Redo();
  void ToggleAlternates();

  TabWindow* Tabs() const { return tabs_; }
  X256BitmapBrowser* BitmapsPage() const { return bitmaps_; }
  X256BitmapBrowser* ShadowsPage() const { return shadows_; }
  X256SequenceBrowser* SequencesPage() const { return sequences_; }
  X256HueBrowser* HueChangesPage() const { return hues_; }
  const UndoHistory& History() const { return history_; }

 private:
  class ChangeAction;
  struct PageEntry {
    Window* page = nullptr;
    uint32_t concerns = 0;
    std::function<void()> refresh;
  };

  void CreatePages();
  void Refresh(uint32_t affects);
  // After an undo or redo, and after a commit: the modified mark follows the history.
  void MarkFromHistory();
  uint64_t CurrentStep() const;
  void Loaded();

  Collection collection_;
  CollectionDisplay::Palette palette_{};
  UndoHistory history_;
  uint64_t next_step_ = 1;
  // The history step at the last load or save; never matches after a new tag is created.
  uint64_t saved_step_ = 0;
  bool showing_alternates_ = false;
  TabWindow* tabs_ = nullptr;
  X256BitmapBrowser* bitmaps_ = nullptr;
  X256BitmapBrowser* shadows_ = nullptr;
  X256SequenceBrowser* sequences_ = nullptr;
  X256HueBrowser* hues_ = nullptr;
  std::vector<PageEntry> pages_;
};
