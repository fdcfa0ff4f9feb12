#include "collections/ui/X256SequenceEdit.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "collections/Collection.h"
#include "collections/CollectionChange.h"
#include "collections/CollectionLayout.h"
#include "collections/SequenceDrop.h"
#include "collections/SequenceEdits.h"
#include "collections/ui/BitmapDDData.h"
#include "collections/ui/BitmapDrawer.h"
#include "collections/ui/BitmapGrid.h"
#include "collections/ui/BitmapGridDDData.h"
#include "collections/ui/SequenceCellsDDData.h"
#include "collections/ui/X256EditHost.h"
#include "collections/ui/X256SequenceFrameEdit.h"
#include "gui/CheckBox.h"
#include "gui/Choosers.h"
#include "gui/ComboBox.h"
#include "gui/Draw.h"
#include "gui/Menu.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace cl = collection_layout;

namespace {

constexpr int32_t kMargin = 8;
constexpr int32_t kRow = 24;
constexpr int32_t kLine = 18;
constexpr int32_t kNumberWidth = 56;
constexpr int32_t kSoundWidth = 48;
constexpr int32_t kGap = 12;

constexpr const char* kNumberLabels[X256SequenceEdit::kFieldCount] = {
    "Frames:", "Views:", "Ticks per Frame:", "Key Frame:", "Transfer Period:", "Loop Frame:"};
constexpr const char* kSoundLabels[X256SequenceEdit::kSoundCount] = {
    "First Sound Tag:", "Key Sound Tag:", "Last Sound Tag:"};
constexpr const char* kCheckLabels[5] = {"Use Mirroring", "No Rotation", "Horz. Mirror",
                                         "Vert. Mirror", "Shadow Is Light"};

struct TransferMode {
  uint16_t value;
  const char* label;
};
constexpr TransferMode kModes[] = {{0, "None"},      {1, "Fade Out"},     {2, "Fade In"},
                                   {5, "Appearing"}, {6, "Disappearing"}, {7, "Cycle"}};

bool KnownMode(uint16_t mode) {
  return std::any_of(std::begin(kModes), std::end(kModes),
                     [mode](const TransferMode& m) { return m.value == mode; });
}

uint32_t& SoundOf(Sequence& s, int32_t field) {
  return field == 0 ? s.first_sound : field == 1 ? s.key_sound : s.last_sound;
}

DataFile::FileFormat FormatAt(int32_t index) {
  // The order of the image kind's file types in "Target Format:".
  static constexpr DataFile::FileFormat kFormats[] = {DataFile::kBmp, DataFile::kPng,
                                                      DataFile::kTiff};
  return kFormats[std::clamp<int32_t>(index, 0, 2)];
}

void Report(const std::string& text) {
  if (!text.empty()) MessageBoxWindow::Show("", text.c_str(), {"OK"});
}

}  // namespace

X256SequenceEdit::X256SequenceEdit(X256EditHost& host, Sequence* sequence, Window* parent)
    : Window(kFlags, parent), host_(host), sequence_(sequence) {
  std::vector<Window*> tab_order;
  int32_t x = kMargin;
  int32_t y = kMargin;
  for (int32_t i = 0; i < kFieldCount; ++i) {
    if (i == kKeyFrame + 1) {
      x = kMargin;
      y += kRow;
    }
    Label(kNumberLabels[i], x, y);
    auto* box = new TextBox(TextBox::kIntegerField, this);
    box->SetWindowId(i);
    box->SetMaxLength(6);
    box->SetFrameRect({x, y, x + kNumberWidth, y + kLine});
    x += kNumberWidth + kGap;
    ::Connect<&X256SequenceEdit::OnNumberEntered>(box->enter, this);
    ::Connect<&X256SequenceEdit::OnNumberFocusLost>(box->focus_lost, this);
    numbers_[static_cast<size_t>(i)] = box;
    tab_order.push_back(box);
    if (i == kTransferPeriod) {
      Label("Mode:", x, y);
      mode_ = new ComboBox(this, 0);
      mode_->SetFrameRect({x, y, x + 130, y + mode_->RowHeight()});
      x += 130 + kGap;
      ::Connect<&X256SequenceEdit::OnMode>(mode_->selection_changed, this);
      tab_order.push_back(mode_);
    }
  }
  x = kMargin;
  y += kRow;
  for (int32_t i = 0; i < kSoundCount; ++i) {
    Label(kSoundLabels[i], x, y);
    auto* box = new TextBox(TextBox::kLineField, this);
    box->SetWindowId(i);
    box->SetMaxLength(4);
    box->SetFrameRect({x, y, x + kSoundWidth, y + kLine});
    x += kSoundWidth + kGap;
    ::Connect<&X256SequenceEdit::OnSoundEntered>(box->enter, this);
    ::Connect<&X256SequenceEdit::OnSoundFocusLost>(box->focus_lost, this);
    sounds_[static_cast<size_t>(i)] = box;
    tab_order.push_back(box);
  }
  x = kMargin;
  y += kRow;
  for (int32_t i = 0; i < 5; ++i) {
    auto* box = new CheckBox(this, kCheckLabels[i], kMirroringId + i);
    box->SizeToFit();
    const Rect r = box->FrameRectInParent();
    box->SetFrameRect({x, y, x + r.Width(), y + r.Height()});
    x += r.Width() + kGap;
    ::Connect<&X256SequenceEdit::OnCheckBox>(box->clicked_with_id, this);
    checks_[static_cast<size_t>(i)] = box;
    tab_order.push_back(box);
  }
  header_height_ = y + kRow + 4;

  grid_ = new BitmapGrid(WindowFlag::Visible, this);
  grid_->SetTitle("Views");
  grid_->SetCellSize(kCellSize, kCellSize);
  grid_->SetDropOnCells(true);
  grid_->SetDrawCallback(
      [this](int32_t index, uint64_t, const Rect& rect, bool) { DrawCell(index, rect); });
  grid_->SetOpenCallback([this](int32_t index, uint64_t) {
    const int32_t columns = Columns();
    if (columns > 0) OpenFrameEditor(index / columns, index % columns);
  });
  grid_->SetDragCallback([this](int32_t index, uint64_t) { StartDrag(index); });
  grid_->SetDropCallback(
      [this](int32_t cell, DragDropData* data, bool query) { return Drop(cell, data, query); });
  grid_->SetContextCallback([this](Point p) { ShowContextMenu(p); });
  ::Connect<&X256SequenceEdit::OnSelection>(grid_->selection_changed, this);
  tab_order.push_back(grid_);
  Window::SetTabOrder(tab_order);

  SetClientSize(kInitialSize);
  Refresh();
}

X256SequenceEdit::~X256SequenceEdit() {
  // Torn down with the whole tree at exit: frame editors still to go must not call back.
  for (X256SequenceFrameEdit* editor : frame_editors_) editor->Detach();
  if (gone_) gone_(this);
}

TextBox* X256SequenceEdit::Label(const char* text, int32_t& x, int32_t y) {
  auto* label = new TextBox(TextBox::kLabel, this);
  label->SetText(text);
  const int32_t width = MeasureTextWidth(DefaultFont(), text, 0, kTextLiteral) + 6;
  label->SetFrameRect({x, y, x + width, y + kLine});
  x += width;
  return label;
}

void X256SequenceEdit::OnResized() {
  Layout();
}

void X256SequenceEdit::Layout() {
  if (!grid_) return;
  const Rect& client = ClientRect();
  grid_->SetFrameRect({0, header_height_, client.Width(), client.Height()});
}

int32_t X256SequenceEdit::Columns() const {
  return sequence_ ? 1 + SequenceEdits::RealViews(*sequence_) : 1;
}

CheckBox* X256SequenceEdit::FlagBox(int32_t id) const {
  return id >= kMirroringId && id <= kShadowLightId ? checks_[static_cast<size_t>(id - 1)]
                                                    : nullptr;
}

// ------------------------------------------------------------------------------ showing

uint16_t X256SequenceEdit::FieldValue(Field field) const {
  const Sequence& s = *sequence_;
  switch (field) {
    case kFrames:
      return static_cast<uint16_t>(s.frames.size());
    case kViews:
      return s.view_count;
    case kTicks:
      return s.ticks_per_frame;
    case kKeyFrame:
      return s.key_frame;
    case kTransferPeriod:
      return s.transfer_period;
    case kLoopFrame:
      return s.loop_frame;
    default:
      return 0;
  }
}

void X256SequenceEdit::Refresh() {
  if (!sequence_) return;
  if (host_.EditedCollection().IndexOfSequence(sequence_) < 0) {
    // Gone (an undone "New Sequence"): nothing is left to show.
    Detach();
    Window::Close(this);
    return;
  }
  refreshing_ = true;
  const Sequence& s = *sequence_;
  SetTitle(s.Name().c_str());
  for (int32_t i = 0; i < kFieldCount; ++i) {
    const std::string text = std::to_string(FieldValue(static_cast<Field>(i)));
    TextBox* box = numbers_[static_cast<size_t>(i)];
    // A box keeps what is being typed into it unless its value itself changed.
    if (text != shown_numbers_[static_cast<size_t>(i)] || !box->HasFocus()) box->SetText(text);
    shown_numbers_[static_cast<size_t>(i)] = text;
  }
  const uint32_t ids[kSoundCount] = {s.first_sound, s.key_sound, s.last_sound};
  for (int32_t i = 0; i < kSoundCount; ++i) {
    const std::string text = SequenceEdits::SoundText(ids[i]);
    TextBox* box = sounds_[static_cast<size_t>(i)];
    if (text != shown_sounds_[static_cast<size_t>(i)] || !box->HasFocus()) box->SetText(text);
    shown_sounds_[static_cast<size_t>(i)] = text;
  }
  // A mode the list lacks is shown as its number, and kept.
  mode_->Clear();
  for (const TransferMode& m : kModes) mode_->AddItem(m.value, m.label);
  if (!KnownMode(s.transfer_mode)) {
    mode_->AddItem(s.transfer_mode, "(" + std::to_string(s.transfer_mode) + ")");
  }
  mode_->Fit(7, false);
  mode_->SelectById(s.transfer_mode);
  checks_[0]->SetState((s.flags & cl::kSequenceMirroring) ? Button::kOn : Button::kUp, true);
  checks_[1]->SetState((s.flags & cl::kSequenceNoRotation) ? Button::kOn : Button::kUp, true);
  checks_[1]->SetEnabled((s.flags & cl::kSequenceMirroring) == 0);

  // The grid: one row per frame, the shadow first.
  const int32_t columns = Columns();
  const int32_t cells = static_cast<int32_t>(s.frames.size()) * columns;
  const std::vector<int32_t> selected = grid_->SelectedCells();
  const int32_t current = grid_->CurrentCell();
  grid_->SetFixedColumnCount(columns);
  if (grid_->CellCount() != cells) grid_->SetCellCount(cells);
  for (int32_t i = 0; i < cells; ++i) grid_->SetCellLabel(i, CellLabel(i));
  // SetCellCount drops what lay past the new count; the rest stays selected.
  if (grid_->CurrentCell() < 0 && current >= 0 && current < cells && selected.empty()) {
    grid_->Select(current, false);
  }
  grid_->InvalidateClient();
  ShowCellFlags();
  refreshing_ = false;

  // Frame editors whose view went with fewer frames or views close; the others follow.
  for (X256SequenceFrameEdit* editor : std::vector<X256SequenceFrameEdit*>(frame_editors_)) {
    if (editor->Frame() >= static_cast<int32_t>(s.frames.size()) ||
        editor->View() >= SequenceEdits::RealViews(s)) {
      Window::Close(editor);
    } else {
      editor->Refresh();
    }
  }
}

std::string X256SequenceEdit::CellLabel(int32_t cell) const {
  const int32_t columns = Columns();
  if (!sequence_ || cell < 0 || cell >= static_cast<int32_t>(sequence_->frames.size()) * columns)
    return {};
  const SequenceFrame& frame = sequence_->frames[static_cast<size_t>(cell / columns)];
  const int32_t column = cell % columns;
  const CollectionBitmap* bitmap =
      column == 0 ? frame.record.shadow : frame.views[static_cast<size_t>(column - 1)].bitmap;
  return bitmap ? bitmap->Name() : kNoBitmap;
}

void X256SequenceEdit::DrawCell(int32_t index, const Rect& rect) {
  if (!sequence_) return;
  const int32_t columns = Columns();
  const size_t frame = static_cast<size_t>(index / columns);
  if (frame >= sequence_->frames.size()) return;
  const int32_t column = index % columns;
  const SequenceFrame& f = sequence_->frames[frame];
  const CollectionBitmap* bitmap =
      column == 0 ? f.record.shadow : f.views[static_cast<size_t>(column - 1)].bitmap;
  if (!bitmap || bitmap->width == 0 || bitmap->height == 0) return;
  FlushSprites();
  const double scale = std::min({1.0, static_cast<double>(rect.Width()) / bitmap->width,
                                 static_cast<double>(rect.Height()) / bitmap->height});
  const int32_t w = std::max(1, static_cast<int32_t>(bitmap->width * scale));
  const int32_t h = std::max(1, static_cast<int32_t>(bitmap->height * scale));
  const int32_t x = rect.left + (rect.Width() - w) / 2;
  const int32_t y = rect.top + (rect.Height() - h) / 2;
  uint32_t mirror = 0;
  if (column > 0) {
    const uint32_t flags = f.views[static_cast<size_t>(column - 1)].flags;
    if (flags & cl::kViewMirrorX) mirror |= BitmapDrawer::kMirrorHorizontal;
    if (flags & cl::kViewMirrorY) mirror |= BitmapDrawer::kMirrorVertical;
  }
  BitmapDrawer::Shared().Draw(*bitmap, host_.DisplayPalette(), {x, y, x + w, y + h}, mirror);
}

void X256SequenceEdit::OnSelection(intptr_t) {
  ShowCellFlags();
}

void X256SequenceEdit::ShowCellFlags() {
  if (!sequence_) return;
  const int32_t columns = Columns();
  bool any_view = false, any_shadow = false;
  const FrameView* view = nullptr;
  const FrameRecord* record = nullptr;
  const std::vector<int32_t> cells = grid_->SelectedCells();
  std::vector<int32_t> order = cells;
  // The current cell speaks for the selection; otherwise the first of each kind.
  const int32_t current = grid_->CurrentCell();
  if (current >= 0) order.insert(order.begin(), current);
  for (int32_t cell : order) {
    const size_t frame = static_cast<size_t>(cell / columns);
    if (frame >= sequence_->frames.size()) continue;
    const int32_t column = cell % columns;
    if (column == 0) {
      any_shadow = true;
      if (!record) record = &sequence_->frames[frame].record;
    } else {
      any_view = true;
      if (!view) view = &sequence_->frames[frame].views[static_cast<size_t>(column - 1)];
    }
  }
  const auto show = [](CheckBox* box, bool enabled, bool on) {
    box->SetEnabled(enabled);
    box->SetState(on ? Button::kOn : Button::kUp, true);
  };
  show(checks_[2], any_view, view && (view->flags & cl::kViewMirrorX));
  show(checks_[3], any_view, view && (view->flags & cl::kViewMirrorY));
  show(checks_[4], any_shadow, record && (record->flags & cl::kFrameShadowLight));
}

void X256SequenceEdit::FocusCell(int32_t frame, int32_t column) {
  const int32_t cell = CellIndex(frame, column);
  if (cell < 0 || cell >= grid_->CellCount()) return;
  grid_->Select(cell, false);
  grid_->ScrollCellIntoView(cell);
  Window::SetFocus(grid_, 0);
}

// ------------------------------------------------------------------------------ editing

void X256SequenceEdit::Edit(const std::function<bool(Sequence&)>& edit) {
  if (!sequence_ || refreshing_) return;
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  edit(*sequence_);
  // A change that changed nothing is dropped; one that did refreshes the sequences page, and
  // through it every sequence editor.
  host_.Commit(std::move(change), X256EditHost::kSequences);
  Refresh();
}

void X256SequenceEdit::EnterNumber(Field field, int64_t value) {
  std::string message;
  Edit([&](Sequence& s) {
    switch (field) {
      case kFrames:
        return SequenceEdits::SetFrames(host_.EditedCollection(), s, value, message);
      case kViews:
        return SequenceEdits::SetViews(host_.EditedCollection(), s, value, message);
      default:
        break;
    }
    const uint16_t v = SequenceEdits::ClampNumber(value);
    uint16_t& target = field == kTicks            ? s.ticks_per_frame
                       : field == kKeyFrame       ? s.key_frame
                       : field == kTransferPeriod ? s.transfer_period
                                                  : s.loop_frame;
    if (target == v) return false;
    target = v;
    return true;
  });
  // Whatever was typed, the box shows what is stored.
  if (sequence_) numbers_[static_cast<size_t>(field)]->SetText(std::to_string(FieldValue(field)));
  if (!message.empty()) MessageBoxWindow::Show("Error", message.c_str(), {"OK"});
}

void X256SequenceEdit::CommitNumber(Field field) {
  if (!sequence_ || refreshing_) return;
  TextBox* box = numbers_[static_cast<size_t>(field)];
  if (box->GetText() == shown_numbers_[static_cast<size_t>(field)]) return;
  int32_t value = 0;
  if (!box->GetInteger(value)) {
    // No number ("" or "-"): what is stored stays, and shows again.
    box->SetText(shown_numbers_[static_cast<size_t>(field)]);
    return;
  }
  EnterNumber(field, value);
}

void X256SequenceEdit::OnNumberEntered(intptr_t down) {
  if (!down) return;
  for (int32_t i = 0; i < kFieldCount; ++i) {
    if (numbers_[static_cast<size_t>(i)]->HasFocus()) CommitNumber(static_cast<Field>(i));
  }
}

void X256SequenceEdit::OnNumberFocusLost(intptr_t) {
  for (int32_t i = 0; i < kFieldCount; ++i) CommitNumber(static_cast<Field>(i));
}

void X256SequenceEdit::EnterSound(SoundField field, const std::string& text) {
  const uint32_t id = SequenceEdits::SoundIdFromText(text);
  Edit([&](Sequence& s) {
    uint32_t& target = SoundOf(s, field);
    if (target == id) return false;
    target = id;
    return true;
  });
}

void X256SequenceEdit::CommitSound(SoundField field) {
  if (!sequence_ || refreshing_) return;
  const std::string text = sounds_[static_cast<size_t>(field)]->GetText();
  // An id the box cannot show stays unless the box is edited.
  if (text == shown_sounds_[static_cast<size_t>(field)]) return;
  EnterSound(field, text);
}

void X256SequenceEdit::OnSoundEntered(intptr_t down) {
  if (!down) return;
  for (int32_t i = 0; i < kSoundCount; ++i) {
    if (sounds_[static_cast<size_t>(i)]->HasFocus()) CommitSound(static_cast<SoundField>(i));
  }
}

void X256SequenceEdit::OnSoundFocusLost(intptr_t) {
  for (int32_t i = 0; i < kSoundCount; ++i) CommitSound(static_cast<SoundField>(i));
}

void X256SequenceEdit::SetTransferMode(uint16_t mode) {
  Edit([mode](Sequence& s) {
    if (s.transfer_mode == mode) return false;
    s.transfer_mode = mode;
    return true;
  });
}

void X256SequenceEdit::OnMode(intptr_t selection) {
  const auto* s = reinterpret_cast<const ComboBox::Selection*>(selection);
  if (refreshing_ || !s || !s->item) return;
  SetTransferMode(static_cast<uint16_t>(s->id));
}

void X256SequenceEdit::SetFlag(int32_t id, bool on) {
  const int32_t columns = Columns();
  const std::vector<int32_t> cells = grid_->SelectedCells();
  Edit([&](Sequence& s) {
    const Sequence before = s;
    switch (id) {
      case kMirroringId:
        SequenceEdits::SetMirroring(s, on);
        break;
      case kNoRotationId:
        SequenceEdits::SetNoRotation(s, on);
        break;
      case kHorzMirrorId:
      case kVertMirrorId: {
        const uint32_t bit = id == kHorzMirrorId ? cl::kViewMirrorX : cl::kViewMirrorY;
        for (int32_t cell : cells) {
          const size_t frame = static_cast<size_t>(cell / columns);
          const int32_t column = cell % columns;
          if (column == 0 || frame >= s.frames.size()) continue;
          uint32_t& flags = s.frames[frame].views[static_cast<size_t>(column - 1)].flags;
          flags = on ? flags | bit : flags & ~bit;
        }
        SequenceEdits::DeriveMirroredViews(s);
        break;
      }
      case kShadowLightId:
        for (int32_t cell : cells) {
          const size_t frame = static_cast<size_t>(cell / columns);
          if (cell % columns != 0 || frame >= s.frames.size()) continue;
          uint32_t& flags = s.frames[frame].record.flags;
          flags = on ? flags | cl::kFrameShadowLight : flags & ~cl::kFrameShadowLight;
        }
        break;
      default:
        break;
    }
    return !(s == before);
  });
}

void X256SequenceEdit::OnCheckBox(intptr_t id) {
  if (refreshing_) return;
  CheckBox* box = FlagBox(static_cast<int32_t>(id));
  if (box) SetFlag(static_cast<int32_t>(id), box->GetState() == Button::kOn);
}

// ------------------------------------------------------------------------------ drag and drop

void X256SequenceEdit::StartDrag(int32_t index) {
  if (!sequence_) return;
  const int32_t columns = Columns();
  std::vector<int32_t> cells = grid_->SelectedCells();
  if (std::find(cells.begin(), cells.end(), index) == cells.end()) cells = {index};
  std::sort(cells.begin(), cells.end());
  auto* data = new SequenceCellsDDData;
  data->sequence = sequence_;
  data->payload.shaped = true;
  for (int32_t cell : cells) {
    const size_t frame = static_cast<size_t>(cell / columns);
    if (frame >= sequence_->frames.size()) continue;
    const int32_t column = cell % columns;
    const SequenceFrame& f = sequence_->frames[frame];
    SequenceDrop::Item item;
    item.frame = static_cast<int>(frame);
    item.column = column;
    item.from_cell = true;
    item.record = f.record;
    if (column > 0) item.view = f.views[static_cast<size_t>(column - 1)];
    item.bitmap = column == 0 ? f.record.shadow : item.view.bitmap;
    // Empty cells carry nothing.
    if (!item.bitmap) continue;
    data->payload.items.push_back(item);
    data->bitmaps.push_back(item.bitmap);
  }
  if (data->payload.items.empty()) {
    delete data;
    return;
  }
  char label[64];
  if (data->bitmaps.size() == 1) {
    data->label = data->bitmaps.front()->Name();
  } else {
    std::snprintf(label, sizeof label, "<%d Bitmaps>", static_cast<int>(data->bitmaps.size()));
    data->label = label;
  }
  WM().BeginDrag(grid_, data, nullptr);
}

bool X256SequenceEdit::Drop(int32_t cell, DragDropData* data, bool query) {
  if (!sequence_ || !data || cell < 0) return false;
  SequenceDrop::Payload payload;
  if (data->type_id == BitmapDDData::kTypeId) {
    SequenceDrop::Item item;
    item.bitmap = static_cast<BitmapDDData*>(data)->bitmap;
    payload.items.push_back(item);
  } else if (data->type_id == BitmapGridDDData::kTypeId) {
    for (CollectionBitmap* bitmap : static_cast<BitmapGridDDData*>(data)->bitmaps) {
      SequenceDrop::Item item;
      item.bitmap = bitmap;
      payload.items.push_back(item);
    }
  } else if (data->type_id == SequenceCellsDDData::kTypeId) {
    payload = static_cast<SequenceCellsDDData*>(data)->payload;
  } else {
    return false;
  }
  const int32_t columns = Columns();
  std::vector<SequenceDrop::Placement> plan;
  if (!SequenceDrop::Plan(host_.EditedCollection(), *sequence_, payload, cell / columns,
                          cell % columns, plan)) {
    return false;
  }
  if (query) return true;
  Edit([&](Sequence& s) {
    const Sequence before = s;
    SequenceDrop::Apply(host_.EditedCollection(), s, payload, plan);
    return !(s == before);
  });
  return true;
}

// ------------------------------------------------------------------------------ menu

Menu* X256SequenceEdit::MakeContextMenu() {
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  MenuItem* import = menu->AddItem("Bitmap Import", kImportMenu, true);
  import->AddItem("Assign views, then frames", kImportFramesThenViews, true);
  import->AddItem("Assign frames, then views", kImportViewsThenFrames, true);
  import->AddItem("From Plate", kImportPlate, true);
  MenuItem* alpha = menu->AddItem("Alpha Import", kAlphaMenu, true);
  alpha->AddItem("Assign views, then frames", kAlphaFramesThenViews, true);
  alpha->AddItem("Assign frames, then views", kAlphaViewsThenFrames, true);
  alpha->AddItem("From Plate", kAlphaPlate, true);
  MenuItem* exp = menu->AddItem("Export", kExportMenu, true);
  exp->AddItem("Bitmaps", kExportBitmaps, true);
  exp->AddItem("Alphas", kExportAlphas, true);
  exp->AddItem("Bitmap Plate", kExportBitmapPlate, true);
  exp->AddItem("Alpha Plate", kExportAlphaPlate, true);
  return menu;
}

void X256SequenceEdit::ShowContextMenu(Point screen_point) {
  const int32_t id = MakeContextMenu()->PopUpOnce(screen_point);
  if (id) RunCommand(id);
}

void X256SequenceEdit::RunCommand(int32_t id) {
  if (!sequence_) return;
  switch (id) {
    case kImportFramesThenViews:
      ChooseAndImport(false, SequenceTransfer::kFramesThenViews);
      break;
    case kImportViewsThenFrames:
      ChooseAndImport(false, SequenceTransfer::kViewsThenFrames);
      break;
    case kImportPlate:
      ChooseAndImportPlate(false);
      break;
    case kAlphaFramesThenViews:
      ChooseAndImport(true, SequenceTransfer::kFramesThenViews);
      break;
    case kAlphaViewsThenFrames:
      ChooseAndImport(true, SequenceTransfer::kViewsThenFrames);
      break;
    case kAlphaPlate:
      ChooseAndImportPlate(true);
      break;
    case kExportBitmaps:
      Export(false);
      break;
    case kExportAlphas:
      Export(true);
      break;
    case kExportBitmapPlate:
      ExportPlate(false);
      break;
    case kExportAlphaPlate:
      ExportPlate(true);
      break;
    default:
      break;
  }
}

bool X256SequenceEdit::Import(const std::function<bool(std::string&)>& run) {
  if (!sequence_) return false;
  std::unique_ptr<CollectionChange> change = host_.BeginChange();
  std::string message;
  if (!run(message)) {
    host_.Abandon(std::move(change));
    if (!message.empty()) MessageBoxWindow::Show("Error", message.c_str(), {"OK"});
    return false;
  }
  host_.Commit(std::move(change),
               X256EditHost::kBitmapList | X256EditHost::kPalette | X256EditHost::kSequences);
  Refresh();
  return true;
}

bool X256SequenceEdit::ImportFiles(const std::vector<std::filesystem::path>& files,
                                   SequenceTransfer::Order order) {
  const ColorImport::AskReplace ask = [](const std::string& question) {
    return MessageBoxWindow::Show("Import", question.c_str(), {"Replace", "Cancel"}) == 0;
  };
  return Import([&](std::string& message) {
    return SequenceTransfer::ImportFiles(host_.EditedCollection(), *sequence_, files, order, ask,
                                         message);
  });
}

bool X256SequenceEdit::ImportPlate(const std::filesystem::path& file) {
  return Import([&](std::string& message) {
    Image plate;
    if (!DataFile::loadImage(file, plate, message)) return false;
    return SequenceTransfer::ImportPlate(host_.EditedCollection(), *sequence_, plate,
                                         ColorImport::BitmapNameFromFile(file),
                                         file.filename().string(), message);
  });
}

bool X256SequenceEdit::ImportAlphaFiles(const std::vector<std::filesystem::path>& files,
                                        SequenceTransfer::Order order) {
  return Import([&](std::string& message) {
    return SequenceTransfer::ImportAlphaFiles(host_.EditedCollection(), *sequence_, files, order,
                                              message);
  });
}

bool X256SequenceEdit::ImportAlphaPlate(const std::filesystem::path& file) {
  return Import([&](std::string& message) {
    Image plate;
    if (!DataFile::loadImage(file, plate, message)) return false;
    return SequenceTransfer::ImportAlphaPlate(host_.EditedCollection(), *sequence_, plate,
                                              file.filename().string(), message);
  });
}

void X256SequenceEdit::ChooseAndImport(bool alpha, SequenceTransfer::Order order) {
  if (alpha) {
    // Checked before any file is chosen: there is nothing to replace otherwise.
    const int32_t views = SequenceEdits::RealViews(*sequence_);
    for (const SequenceFrame& frame : sequence_->frames) {
      for (int32_t v = 0; v < views; ++v) {
        if (!frame.views[static_cast<size_t>(v)].bitmap) {
          MessageBoxWindow::Show("Error", SequenceTransfer::kAllAssigned, {"OK"});
          return;
        }
      }
    }
  }
  std::vector<ChosenFile> chosen;
  if (!ChooseOpenFiles(alpha ? "Import Replacement Alphas" : "Import Bitmaps", chosen,
                       FileKindId::kImage, nullptr) ||
      chosen.empty()) {
    return;
  }
  std::vector<std::filesystem::path> files;
  for (const ChosenFile& f : chosen) files.emplace_back(f.path);
  if (alpha) {
    ImportAlphaFiles(files, order);
  } else {
    ImportFiles(files, order);
  }
}

void X256SequenceEdit::ChooseAndImportPlate(bool alpha) {
  if (alpha) {
    const int32_t views = SequenceEdits::RealViews(*sequence_);
    for (const SequenceFrame& frame : sequence_->frames) {
      for (int32_t v = 0; v < views; ++v) {
        if (!frame.views[static_cast<size_t>(v)].bitmap) {
          MessageBoxWindow::Show("Error", SequenceTransfer::kAllAssigned, {"OK"});
          return;
        }
      }
    }
  }
  ChosenFile file;
  file.path = SequenceTransfer::PlateName(*sequence_, alpha);
  if (!ChooseOpenFile(alpha ? "Import Alpha Plate" : "Import Plate", file, FileKindId::kImage,
                      nullptr)) {
    return;
  }
  if (alpha) {
    ImportAlphaPlate(file.path);
  } else {
    ImportPlate(file.path);
  }
}

void X256SequenceEdit::Export(bool alpha) {
  std::string folder;
  int32_t format_index = 1;
  if (!ChooseFolder("Choose a destination folder", folder, format_index, FileKindId::kImage,
                    nullptr)) {
    return;
  }
  BitmapExport::FolderResult result;
  std::string message;
  if (!SequenceTransfer::ExportFiles(host_.EditedCollection(), *sequence_, alpha,
                                     FormatAt(format_index), folder, result, message)) {
    MessageBoxWindow::Show("Error", message.c_str(), {"OK"});
    return;
  }
  std::string problems;
  for (const std::string& line : result.problems) problems += line + "\n";
  Report(problems);
}

void X256SequenceEdit::ExportPlate(bool alpha) {
  Image plate;
  std::string message;
  if (!SequenceTransfer::BuildPlate(host_.EditedCollection(), *sequence_, alpha, plate, message)) {
    MessageBoxWindow::ShowError("%s", message.c_str());
    return;
  }
  ChosenFile file;
  file.path = SequenceTransfer::PlateName(*sequence_, alpha);
  if (!ChooseSaveFile(alpha ? "Export Alpha Plate" : "Export Plate", file, FileKindId::kImage,
                      nullptr)) {
    return;
  }
  std::string error;
  if (!DataFile::saveImage(file.path, plate, error)) {
    MessageBoxWindow::ShowError("%s", error.c_str());
    return;
  }
  Report(message);
}

// ------------------------------------------------------------------------------ frame editors

X256SequenceFrameEdit* X256SequenceEdit::OpenFrameEditor(int32_t frame, int32_t column) {
  if (!sequence_ || column < 1 || column >= Columns() || frame < 0 ||
      frame >= static_cast<int32_t>(sequence_->frames.size())) {
    return nullptr;
  }
  for (X256SequenceFrameEdit* editor : frame_editors_) {
    if (editor->Frame() == frame && editor->View() == column - 1) {
      WM().BringToFront(editor);
      editor->FocusView();
      return editor;
    }
  }
  auto* editor = new X256SequenceFrameEdit(host_, *this, frame, column - 1);
  const Rect r = editor->FrameRectInParent();
  const Point at = WM().NextCascadePosition();
  editor->SetFrameRect({at.x, at.y, at.x + r.Width(), at.y + r.Height()});
  editor->Show();
  WM().BringToFront(editor);
  frame_editors_.push_back(editor);
  editor->FocusView();
  host_.EditorWindowsChanged();
  return editor;
}

void X256SequenceEdit::FrameEditorGone(X256SequenceFrameEdit* editor) {
  const size_t before = frame_editors_.size();
  std::erase(frame_editors_, editor);
  if (frame_editors_.size() != before && sequence_) host_.EditorWindowsChanged();
}

void X256SequenceEdit::CloseFrameEditors() {
  for (X256SequenceFrameEdit* editor : std::vector<X256SequenceFrameEdit*>(frame_editors_)) {
    editor->Detach();
    Window::Close(editor);
  }
  frame_editors_.clear();
}

void X256SequenceEdit::Detach() {
  CloseFrameEditors();
  sequence_ = nullptr;
}

void X256SequenceEdit::OnClose() {
  CloseFrameEditors();
}

bool X256SequenceEdit::OnKey(InputEvent& event) {
  if (sequence_ && (event.flags & kModControl) == kModControl) {
    if (auto* editor = dynamic_cast<Window*>(&host_)) return editor->OnKey(event);
  }
  return Window::OnKey(event);
}
