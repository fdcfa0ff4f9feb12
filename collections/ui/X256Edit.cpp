#include "collections/ui/X256Edit.h"

#include <string>
#include <utility>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/CollectionChange.h"
#include "collections/CollectionLayout.h"
#include "collections/ui/X256BitmapBrowser.h"
#include "collections/ui/X256ColorTableEdit.h"
#include "collections/ui/X256FlagsEdit.h"
#include "collections/ui/X256HueBrowser.h"
#include "collections/ui/X256OptimizeEdit.h"
#include "collections/ui/X256SequenceBrowser.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TabWindow.h"
#include "gui/TextBox.h"
#include "gui/WindowManager.h"
#include "tags/TagStream.h"

// One change of the collection in the history. The first "do" is the change already made;
// later ones are redos.
class X256Edit::ChangeAction : public UndoableAction {
 public:
  ChangeAction(std::unique_ptr<CollectionChange> change, uint64_t step)
      : change_(std::move(change)), step_(step) {}
  bool Do() override {
    change_->Apply();
    return true;
  }
  void Undo() override { change_->Revert(); }
  uint64_t step() const { return step_; }

 private:
  std::unique_ptr<CollectionChange> change_;
  uint64_t step_;
};

X256Edit::X256Edit(const TagHeader& header) : TagEdit(header) {
  tabs_ = new TabWindow(WindowFlag::Visible, this);
  tabs_->SetTitle("Tabs");
  CreatePages();
  tabs_->Select(0);
  SetInitialFocus(bitmaps_);
  SetClientSize(kClientSize);
  OnResized();
}

X256Edit::~X256Edit() = default;

TagEdit* X256Edit::Make(const TagHeader& header) {
  return new X256Edit(header);
}

void X256Edit::CreatePages() {
  bitmaps_ = new X256BitmapBrowser(*this, X256BitmapBrowser::kBitmaps, tabs_);
  AddPage(bitmaps_, kBitmapList | kSequences | kPalette | kHueChanges,
          [this] { bitmaps_->Refresh(); });
  shadows_ = new X256BitmapBrowser(*this, X256BitmapBrowser::kShadows, tabs_);
  AddPage(shadows_, kBitmapList | kSequences | kPalette | kHueChanges,
          [this] { shadows_->Refresh(); });
  sequences_ = new X256SequenceBrowser(*this, tabs_);
  AddPage(sequences_, kSequences | kBitmapList, [this] { sequences_->Refresh(); });
  hues_ = new X256HueBrowser(*this, tabs_);
  AddPage(hues_, kHueChanges | kPalette, [this] { hues_->Refresh(); });
  auto* color_table = new X256ColorTableEdit(*this, tabs_);
  AddPage(color_table, kPalette, [color_table] { color_table->Refresh(); });
  auto* flags = new X256FlagsEdit(*this, tabs_);
  AddPage(flags, X256EditHost::kFlags, [flags] { flags->Refresh(); });
  auto* optimize = new X256OptimizeEdit(*this, tabs_);
  AddPage(optimize, kEditorWindows, [optimize] { optimize->Refresh(); });
}

void X256Edit::AddPage(Window* page, uint32_t concerns, std::function<void()> refresh) {
  pages_.push_back({page, concerns, std::move(refresh)});
}

void X256Edit::OnResized() {
  const Rect& client = ClientRect();
  tabs_->SetFrameRect({0, 0, client.Width(), client.Height()});
}

// ------------------------------------------------------------------------------ load, save

bool X256Edit::ReadData(TagStream& stream, const TagHeader& header) {
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data)) {
    ReportLoadProblem(
        kLog, "its " + std::to_string(header.data_size) + " bytes of data could not be read");
    return false;
  }
  std::string error;
  Collection loaded;
  if (!loaded.Load(data, header, true, error)) {
    ReportLoadProblem(kLog, error);
    return false;
  }
  if (loaded.usage & collection_layout::kUsageColorMap) {
    MessageBoxWindow::Show("Unsupported", kColorMapMessage, {"Close"});
    LoadAlreadyReported();
    return false;
  }
  collection_ = std::move(loaded);
  Loaded();
  return true;
}

void X256Edit::Loaded() {
  history_.Clear();
  saved_step_ = CurrentStep();
  showing_alternates_ = false;
  Refresh(kEverything);
}

bool X256Edit::WriteData(ByteWriter& out, TagHeader& header) {
  std::string error;
  if (collection_.Save(out, header, error)) return true;
  if (!error.empty()) MessageBoxWindow::ShowError("%s", error.c_str());
  return false;
}

bool X256Edit::Save() {
  if (!TagEdit::Save()) return false;
  saved_step_ = CurrentStep();
  return true;
}

bool X256Edit::Create(uint32_t group, std::string_view name) {
  if (!TagEdit::Create(group, name)) return false;
  collection_ = Collection();
  Loaded();
  // Nothing is on disk yet: no step of the history is the saved one.
  saved_step_ = ~uint64_t{0};
  return true;
}

// ------------------------------------------------------------------------------ changes

std::unique_ptr<CollectionChange> X256Edit::BeginChange() {
  return std::make_unique<CollectionChange>(collection_);
}

void X256Edit::Commit(std::unique_ptr<CollectionChange> change, uint32_t affects) {
  if (!change || !change->Finish()) return;
  // Already done: Add only records it (and drops the steps that had been undone).
  history_.Add(new ChangeAction(std::move(change), next_step_++), true);
  MarkFromHistory();
  Refresh(affects);
}

void X256Edit::Abandon(std::unique_ptr<CollectionChange> change) {
  if (!change) return;
  change->Revert();
  Refresh(kEverything);
}

bool X256Edit::Undo() {
  if (!history_.Undo()) return false;
  MarkFromHistory();
  Refresh(kEverything);
  return true;
}

bool X256Edit::Redo() {
  if (!history_.Redo()) return false;
  MarkFromHistory();
  Refresh(kEverything);
  return true;
}

uint64_t X256Edit::CurrentStep() const {
  const auto* action = dynamic_cast<const ChangeAction*>(history_.Current());
  return action ? action->step() : 0;
}

void X256Edit::MarkFromHistory() {
  MarkDirty(CurrentStep() != saved_step_);
}

void X256Edit::Refresh(uint32_t affects) {
  if (affects & (kPalette | kHueChanges)) palette_ = CollectionDisplay::DisplayPalette(collection_);
  for (PageEntry& page : pages_) {
    if ((page.concerns & affects) && page.refresh) page.refresh();
  }
  Invalidate();
}

// ------------------------------------------------------------------------------ windows

void X256Edit::ToggleAlternates() {
  // Only how views are drawn changes: the collection and the history stay as they are.
  showing_alternates_ = !showing_alternates_;
  Refresh(kSequences);
}

void X256Edit::EditorWindowsChanged() {
  Refresh(kEditorWindows);
}

bool X256Edit::AnyEditorWindowOpen() const {
  return (bitmaps_ && bitmaps_->OpenWindowCount() > 0) ||
         (shadows_ && shadows_->OpenWindowCount() > 0) ||
         (sequences_ && sequences_->EditorCount() > 0);
}

void X256Edit::OnClose() {
  // The windows opened from the pages show this editor's collection: they go first.
  if (bitmaps_) bitmaps_->CloseWindows();
  if (shadows_) shadows_->CloseWindows();
  if (hues_) hues_->CloseEditors();
  if (sequences_) sequences_->CloseEditors();
  TagEdit::OnClose();
}

bool X256Edit::OnKey(InputEvent& event) {
  if ((event.flags & kModControl) == kModControl) {
    const bool down = event.b == 1;
    // A text box keeps its own Ctrl+Z and Ctrl+Y for its text.
    const bool in_text = dynamic_cast<TextBox*>(WM().Focus()) != nullptr;
    switch (event.a) {
      case 'T':
        if (down) ToggleAlternates();
        return true;
      case 'Z':
        if (in_text) break;
        if (down) Undo();
        return true;
      case 'Y':
        if (in_text) break;
        if (down) Redo();
        return true;
      default:
        break;
    }
  }
  return TagEdit::OnKey(event);
}
