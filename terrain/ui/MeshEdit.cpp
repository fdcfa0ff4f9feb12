#include "terrain/ui/MeshEdit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "base/SafeFile.h"
#include "collections/CollectionReader.h"
#include "collections/ColorTableFile.h"
#include "collections/DataFile.h"
#include "collections/ExportNames.h"
#include "gui/Choosers.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "gui/MessageBoxWindow.h"
#include "gui/WindowManager.h"
#include "tags/Codex.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"
#include "tags/TagOperations.h"
#include "tags/TagStream.h"
#include "terrain/DetailFill.h"
#include "terrain/DetailImages.h"
#include "terrain/DtexTag.h"
#include "terrain/ui/AutoDetailDialog.h"
#include "terrain/ui/BrushStrokeAction.h"
#include "terrain/ui/DetailAttributesDialog.h"
#include "terrain/ui/FloodFillAction.h"
#include "terrain/ui/InfoOverlay.h"
#include "terrain/ui/MeshView.h"
#include "terrain/ui/SlotPalette.h"

namespace {
constexpr uint32_t kColorMapGroup = tagcode::Make(".256");
constexpr uint32_t kDmapGroup = tagcode::Make("dmap");
constexpr uint32_t kDtexGroup = tagcode::Make("dtex");
constexpr int32_t kLeftButton = 0;
constexpr int32_t kRightButton = 1;
constexpr int32_t kCornerGap = 8;
// Function keys the toolkit names only in part: F1 is 98, the rest follow.
constexpr int kF3 = Key::F1 + 2;
constexpr int kF5 = Key::F1 + 4;
constexpr int kF6 = Key::F1 + 5;
constexpr int kF7 = Key::F1 + 6;
constexpr const char* kHighlightModeNames[3] = {"Tinted", "Solid", "Textured Tint"};

const char* OnOff(bool on) {
  return on ? "On" : "Off";
}

std::filesystem::path& TablePath() {
  static std::filesystem::path path = "res/dtex.act";
  return path;
}

std::filesystem::path& ShippedTablePath() {
  static std::filesystem::path path;
  return path;
}

const std::filesystem::path& TableToRead() {
  std::error_code ec;
  if (ShippedTablePath().empty() || std::filesystem::exists(TablePath(), ec)) return TablePath();
  return ShippedTablePath();
}

// A tag's whole data through the program's index; false when it cannot be read.
bool ReadTag(CodexEntry* entry, std::vector<uint8_t>& data, TagHeader& header) {
  Codex& codex = ProgramCodex();
  TagStream* stream = codex.OpenData(entry);
  if (!stream) return false;
  header = codex.EntryHeader(*entry);
  const bool ok = stream->ReadRest(data);
  codex.CloseData(entry);
  return ok;
}
}  // namespace

MeshEdit::MeshEdit(const TagHeader& header) : TagEdit(header) {
  view_ = new MeshView(this);
  overlay_ = new InfoOverlay(this);
  overlay_->Show(info_shown_);
  palette_ = new SlotPalette(*this, this);
  palette_->Hide();
  brush_.radius = kInitialRadius;
  brush_.material = kInitialMaterial;
  textures_.fill(nullptr);
  highlighted_.fill(true);
  protected_.fill(false);
  view_->SetDetail(nullptr, &highlight_);
  view_->SetSlotTextures(&textures_, &highlighted_);
  SetInitialFocus(view_);
  SetClientSize(kClientSize);
  OnResized();
  ProgramCodex().AddListener(&MeshEdit::OnCodexEvent, this);
}

MeshEdit::~MeshEdit() {
  ReleaseSlotTextures();
  ProgramCodex().RemoveListener(&MeshEdit::OnCodexEvent, this);
}

TagEdit* MeshEdit::Make(const TagHeader& header) {
  return new MeshEdit(header);
}

void MeshEdit::SetHighlightTablePath(const std::filesystem::path& path) {
  TablePath() = path;
}

void MeshEdit::SetShippedHighlightTablePath(const std::filesystem::path& path) {
  ShippedTablePath() = path;
}

const std::filesystem::path& MeshEdit::HighlightTablePath() {
  return TablePath();
}

// ------------------------------------------------------------------------------ loading

bool MeshEdit::ReadData(TagStream& stream, const TagHeader& header) {
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data)) {
    ReportLoadProblem(
        kLog, "its " + std::to_string(header.data_size) + " bytes of data could not be read");
    return false;
  }
  Mesh mesh;
  std::string error;
  if (!Mesh::Read(data, header, mesh, error)) {
    ReportLoadProblem(kLog, error);
    return false;
  }
  Codex& codex = ProgramCodex();
  CodexEntry* color_entry = codex.Find(kColorMapGroup, mesh.color_map);
  if (!color_entry) {
    ReportLoadProblem(kLog, "its color map " + tagcode::Display(mesh.color_map) +
                                " is not among the collections");
    return false;
  }
  std::vector<uint8_t> color_data;
  TagHeader color_header;
  if (!ReadTag(color_entry, color_data, color_header)) {
    ReportLoadProblem(kLog,
                      "its color map " + tagcode::Display(mesh.color_map) + " could not be read");
    return false;
  }
  Collection color_map;
  if (!CollectionReader::Read(color_data, color_header, true, color_map, error)) {
    ReportLoadProblem(kLog, "its color map " + tagcode::Display(mesh.color_map) +
                                " could not be read (" + error + ")");
    return false;
  }
  mesh_ = std::move(mesh);
  color_map_ = std::move(color_map);
  color_map_name_ = color_header.Name();
  color_map_id_ = mesh_.color_map;
  scene_.Build(mesh_, &color_map_);
  view_->SetScene(&scene_);
  FindDetailMap();
  return true;
}

void MeshEdit::FindDetailMap() {
  Codex& codex = ProgramCodex();
  CodexEntry* entry = codex.Find(kDmapGroup, color_map_id_);
  if (!entry) return;
  std::vector<uint8_t> data;
  TagHeader header;
  DetailMap loaded;
  std::string error;
  if (!ReadTag(entry, data, header) || !DetailMap::Read(data, header, loaded, error)) {
    // Saving will ask before it replaces what could not be read.
    LogMessage(0, kLog, "the detail map '%s' (%s) could not be read: %s\n", header.Name().c_str(),
               tagcode::Display(color_map_id_).c_str(), error.c_str());
    return;
  }
  if (loaded.width != static_cast<uint32_t>(mesh_.cellsWide()) ||
      loaded.height != static_cast<uint32_t>(mesh_.cellsHigh())) {
    char message[1024];
    std::snprintf(message, sizeof message,
                  "WARNING: A the dmap tag %s (%s) matches this color map, but its dimensions do "
                  "not match. If you edit and save the dmap on this mesh, it will overwrite the "
                  "existing file, and the meshes which used that dmap will no longer have "
                  "working detail textures.",
                  header.Name().c_str(), tagcode::Display(color_map_id_).c_str());
    MessageBoxWindow::Show(kConflictTitle, message, {"OK"});
    return;
  }
  TakeDetailMap(std::move(loaded));
  owns_detail_tag_ = true;
}

void MeshEdit::TakeDetailMap(DetailMap&& map) {
  map_ = std::move(map);
  for (int i = 0; i < DetailMap::kSlotCount; ++i) {
    const DetailSlot& slot = map_.slots[static_cast<size_t>(i)];
    highlight_[static_cast<size_t>(i) * 3] = slot.red;
    highlight_[static_cast<size_t>(i) * 3 + 1] = slot.green;
    highlight_[static_cast<size_t>(i) * 3 + 2] = slot.blue;
  }
  stroke_copy_ = map_;
  has_detail_ = true;
  tool_ = kDetailMapTool;
  view_->options().detail_textures = true;
  view_->options().highlighting = true;
  view_->SetDetail(&map_, &highlight_);
  AcquireSlotTextures();
  AllDetailChanged();
}

// ------------------------------------------------------------------------------ slots

void MeshEdit::AcquireSlotTextures() {
  for (int i = 0; i < DetailMap::kSlotCount; ++i) AcquireSlotTexture(i);
}

void MeshEdit::AcquireSlotTexture(int slot) {
  DtexTag*& texture = textures_[static_cast<size_t>(slot)];
  if (texture) ProgramDtexTags().Release(texture);
  texture = nullptr;
  const uint32_t id = map_.slots[static_cast<size_t>(slot)].dtex;
  if (has_detail_ && id != DetailSlot::kNoTexture)
    texture = ProgramDtexTags().Acquire(kDtexGroup, id);
  if (view_) view_->InvalidateClient();
}

void MeshEdit::ReleaseSlotTextures() {
  for (DtexTag*& texture : textures_) {
    if (texture) ProgramDtexTags().Release(texture);
    texture = nullptr;
  }
}

void MeshEdit::OnCodexEvent(void* context, Archive* /*archive*/, CodexEntry* entry, int event) {
  auto* self = static_cast<MeshEdit*>(context);
  if (event != kCodexResourceChanged || !entry) return;
  for (DtexTag* texture : self->textures_) {
    if (texture && texture->entry() == entry) {
      // The view uploads textures whose revision moved on; it only needs a frame.
      self->view_->InvalidateClient();
      return;
    }
  }
}

bool MeshEdit::LoadHighlightTable() {
  ColorTableFile::Palette palette{};
  uint32_t count = 0;
  std::string error;
  const std::filesystem::path& path = TableToRead();
  if (!ColorTableFile::readColorTable(path, palette, count, error)) {
    LogMessage(0, kLog, "the highlight colours %s could not be read: %s\n", path.string().c_str(),
               error.c_str());
    return false;
  }
  std::copy(palette.begin(), palette.end(), highlight_.begin());
  return true;
}

void MeshEdit::SaveHighlightTable() {
  ColorTableFile::Palette palette{};
  std::copy(highlight_.begin(), highlight_.end(), palette.begin());
  std::string error;
  if (!ColorTableFile::writeColorTable(TablePath(), palette, DetailMap::kSlotCount, error)) {
    MessageBoxWindow::ShowError("The highlight colors could not be saved to %s: %s",
                                TablePath().string().c_str(), error.c_str());
  }
}

// ------------------------------------------------------------------------------ saving

bool MeshEdit::Save() {
  EndStroke();
  if (!has_detail_) return false;
  Codex& codex = ProgramCodex();
  CodexEntry* entry = codex.Find(kDmapGroup, color_map_id_);
  TagHeader header;
  bool created = false;
  if (entry) {
    header = codex.EntryHeader(*entry);
    if (!owns_detail_tag_) {
      char question[1024];
      std::snprintf(question, sizeof question,
                    "The detail map '%s' (%s) of this color map was not loaded here (its "
                    "dimensions do not match this mesh, or it could not be read). Saving "
                    "replaces it.",
                    header.Name().c_str(), tagcode::Display(color_map_id_).c_str());
      if (MessageBoxWindow::Show(kReplaceTitle, question, {"Replace", "Cancel"}) != 0) return false;
    }
  } else {
    tagops::CreatedTag tag =
        tagops::CreateTag(codex, kDmapGroup, color_map_id_, color_map_name_, false);
    if (!tag.entry) return false;
    entry = tag.entry;
    header = tag.header;
    created = true;
  }
  DetailMap out = map_;
  for (int i = 0; i < DetailMap::kSlotCount; ++i) {
    DetailSlot& slot = out.slots[static_cast<size_t>(i)];
    slot.red = highlight_[static_cast<size_t>(i) * 3];
    slot.green = highlight_[static_cast<size_t>(i) * 3 + 1];
    slot.blue = highlight_[static_cast<size_t>(i) * 3 + 2];
  }
  const std::vector<uint8_t> bytes = out.Write(header);
  LooseTagWriter* writer = codex.BeginWrite(entry, header);
  if (!writer) {
    if (created) codex.ForgetIfUnused(entry);
    return false;
  }
  writer->data().WriteBytes(bytes);
  if (!codex.EndWrite(entry, header, true)) {
    if (created) codex.ForgetIfUnused(entry);
    return false;
  }
  owns_detail_tag_ = true;
  return true;
}

// ------------------------------------------------------------------------------ window

void MeshEdit::Show() {
  TagEdit::Show();
  if (!fitted_) {
    fitted_ = true;
    view_->FitWholeMesh();
  }
}

void MeshEdit::OnResized() {
  const Rect& client = ClientRect();
  view_->SetFrameRect({0, 0, client.Width(), client.Height()});
  const int32_t height = std::max(overlay_->NeededHeight(), 2 * InfoOverlay::kPadding);
  overlay_->SetFrameRect(
      {kCornerGap, kCornerGap, kCornerGap + InfoOverlay::kWidth, kCornerGap + height});
  const Size size = SlotPalette::kSize;
  palette_->SetFrameRect({client.Width() - size.width - kCornerGap,
                          client.Height() - size.height - kCornerGap, client.Width() - kCornerGap,
                          client.Height() - kCornerGap});
}

bool MeshEdit::BrushPositionAt(Point screen_point, float& x, float& y) const {
  const Rect& area = view_->ClientRect();
  return view_->CellAt({screen_point.x - area.left, screen_point.y - area.top}, x, y);
}

bool MeshEdit::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  if (TagEdit::HandleEvent(target, type, event)) return true;
  if (target != view_ && target != this) return false;
  if (type == kEventMove) {
    float x = 0, y = 0;
    if (BrushPositionAt({event.a, event.b}, x, y)) MoveBrush(x, y);
    return false;  // the view turns and pans with the pointer as well
  }
  if (type != kEventButton || event.d != 1 || event.flags != static_cast<int32_t>(Part::Client)) {
    return false;
  }
  if (event.c == kRightButton) {
    EndStroke();
    WM().BringToFront(this);
    ShowContextMenu({event.a, event.b});
    return true;
  }
  if (event.c != kLeftButton || tool_ != kDetailMapTool || !has_detail_) return false;
  EndStroke();
  WM().BringToFront(this);
  if (!view_->HasFocus()) Window::SetFocus(view_, 1);
  float x = 0, y = 0;
  const bool on_mesh = BrushPositionAt({event.a, event.b}, x, y);
  const bool override = (event.mods & kModShift) != 0;
  if (event.mods & kModAlt) {
    override_ = override;
    if (on_mesh) FloodFill(x, y, override);
    return true;
  }
  if (!on_mesh) {
    // The brush stays where it was last on the mesh.
    x = brush_.x;
    y = brush_.y;
  }
  BeginStroke(x, y, override);
  if (!WM().TrackMouse(this, &MeshEdit::TrackStroke)) EndStroke();
  return true;
}

void MeshEdit::TrackStroke(Window* window, Point /*start*/, Point current, int32_t phase) {
  auto* self = static_cast<MeshEdit*>(window);
  if (phase == kTrackEnd) {
    self->EndStroke();
    return;
  }
  float x = 0, y = 0;
  if (phase == kTrackMove && self->BrushPositionAt(current, x, y)) self->MoveBrush(x, y);
}

void MeshEdit::OnIdle() {
  TagEdit::OnIdle();
  WindowManager& wm = WM();
  // A stroke whose release will not come (the pointer was taken, a dialog opened) ends here.
  if (stroking_ && (!wm.IsTracking() || wm.ModalDepth() > stroke_modal_depth_)) EndStroke();
  const double now = wm.GetPlatform().Now();
  if (last_idle_ < 0) last_idle_ = now;
  const double elapsed = std::max(0.0, now - last_idle_);
  last_idle_ = now;
  if (view_->options().media_animation) {
    media_pending_ += elapsed;
    if (media_pending_ > 1.0) media_pending_ = 0;
    bool stepped = false;
    while (media_pending_ >= kMediaStep) {
      view_->Animate(kMediaStep);
      media_pending_ -= kMediaStep;
      stepped = true;
    }
    if (stepped) view_->InvalidateClient();
  }
  UpdateOverlay();
}

bool MeshEdit::RequestClose(bool forced) {
  EndStroke();
  return TagEdit::RequestClose(forced);
}

void MeshEdit::OnClose() {
  EndStroke();
  ReleaseSlotTextures();
  ProgramCodex().RemoveListener(&MeshEdit::OnCodexEvent, this);
  TagEdit::OnClose();
}

// ------------------------------------------------------------------------------ keys

bool MeshEdit::OnKey(InputEvent& event) {
  const bool down = event.b == 1;
  const bool ctrl = (event.flags & kModControl) != 0;
  const bool shift = (event.flags & kModShift) != 0;
  const bool tool = tool_ == kDetailMapTool;
  auto act = [&](auto&& what) {
    if (down) {
      EndStroke();
      what();
    }
    return true;
  };
  if (ctrl) {
    switch (event.a) {
      case 'Z':
        return act([this] { Undo(); });
      case 'Y':
        return act([this] { Redo(); });
      case 'S':
        if (down) EndStroke();
        return TagEdit::OnKey(event);
      default:
        return TagEdit::OnKey(event);
    }
  }
  switch (event.a) {
    case '`':
      return act([this] { ToggleInfo(); });
    case Key::F1:
      return act([this] { ToggleWireframe(); });
    case Key::F2:
      if (!has_detail_) break;
      return act([this] { ToggleDetailTextures(); });
    case kF6:
      return act([this] { ToggleMediaAnimation(); });
    case kF7:
      return act([this] { NextHighlightMode(); });
    case '-':
      if (!tool) break;
      return act([this] { StepSlotScale(-1); });
    case '=':
      if (!tool) break;
      return act([this] { StepSlotScale(1); });
    case '[':
      if (!tool) break;
      return act([this] { StepRadius(-1); });
    case ']':
      if (!tool) break;
      return act([this] { StepRadius(1); });
    case kF3:
      if (!tool) break;
      return act([this, shift] { ToggleHighlighting(shift); });
    case Key::F4:
      if (!tool) break;
      return act([this] { ToggleBrushShape(); });
    case kF5:
      if (!tool) break;
      return act([this] { ToggleBrushMode(); });
    case Key::Tab:
      if (!tool) break;
      return act([this] { TogglePalette(); });
    default:
      break;
  }
  return TagEdit::OnKey(event);
}

// ------------------------------------------------------------------------------ menu

Menu* MeshEdit::MakeContextMenu() {
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  const bool detail = has_detail_;
  const bool tool = tool_ == kDetailMapTool;
  MenuItem* switch_tool = menu->AddItem("Switch Tool", kCmdSwitchTool, true);
  switch_tool->AddItem("No Tool", kCmdNoTool, true)->SetChecked(tool_ == kNoTool);
  switch_tool->AddItem("Detail Map Tool", kCmdDetailMapTool, detail)->SetChecked(tool);
  menu->AddSeparator();
  menu->AddItem("New Detail Map (From Terrain)", kCmdFromTerrain, true);
  menu->AddItem("New Detail Map (Blank)", kCmdBlank, true);
  menu->AddItem("Import Vertex Detail", kCmdImportVertex, detail);
  menu->AddItem("Export Vertex Detail", kCmdExportVertex, detail);
  menu->AddItem("Import Triangle Detail", kCmdImportTriangle, detail);
  menu->AddItem("Export Triangle Detail", kCmdExportTriangle, detail);
  menu->AddItem("Import Highlight CLUT", kCmdImportClut, detail);
  menu->AddSeparator();
  menu->AddItem("Toggle Info (~)", kCmdToggleInfo, true);
  menu->AddItem("Toggle Palette (tab)", kCmdTogglePalette, tool);
  menu->AddItem("Toggle Wireframe (f1)", kCmdToggleWireframe, true);
  menu->AddItem("Toggle Detail Textures (f2)", kCmdToggleDetailTextures, detail);
  menu->AddItem("Toggle Texture Highlighting (f3)", kCmdToggleHighlighting, detail);
  menu->AddItem("Toggle Brush Shape (f4)", kCmdToggleBrushShape, tool);
  menu->AddItem("Toggle Triangle Mode (f5)", kCmdToggleTriangleMode, tool);
  menu->AddItem("Toggle Media Animation (f6)", kCmdToggleMediaAnimation, true);
  menu->AddItem("Toggle Highlight mode (f7)", kCmdToggleHighlightMode, tool);
  return menu;
}

void MeshEdit::ShowContextMenu(Point screen_point) {
  const int32_t id = MakeContextMenu()->PopUpOnce(screen_point);
  if (id > 0) RunCommand(id);
}

void MeshEdit::RunCommand(int32_t id) {
  EndStroke();
  const bool detail = has_detail_;
  const bool tool = tool_ == kDetailMapTool;
  switch (id) {
    case kCmdNoTool:
      tool_ = kNoTool;
      break;
    case kCmdDetailMapTool:
      if (detail) tool_ = kDetailMapTool;
      break;
    case kCmdFromTerrain:
      NewDetailMapFromTerrain();
      break;
    case kCmdBlank:
      NewBlankDetailMap();
      break;
    case kCmdImportVertex:
      if (detail) ImportDetail(DetailLayer::kVertex);
      break;
    case kCmdExportVertex:
      if (detail) ExportDetail(DetailLayer::kVertex);
      break;
    case kCmdImportTriangle:
      if (detail) ImportDetail(DetailLayer::kTriangle);
      break;
    case kCmdExportTriangle:
      if (detail) ExportDetail(DetailLayer::kTriangle);
      break;
    case kCmdImportClut:
      if (detail) ImportHighlightClut();
      break;
    case kCmdToggleInfo:
      ToggleInfo();
      break;
    case kCmdTogglePalette:
      if (tool) TogglePalette();
      break;
    case kCmdToggleWireframe:
      ToggleWireframe();
      break;
    case kCmdToggleDetailTextures:
      if (detail) ToggleDetailTextures();
      break;
    case kCmdToggleHighlighting:
      if (detail) ToggleHighlighting(false);
      break;
    case kCmdToggleBrushShape:
      if (tool) ToggleBrushShape();
      break;
    case kCmdToggleTriangleMode:
      if (tool) ToggleBrushMode();
      break;
    case kCmdToggleMediaAnimation:
      ToggleMediaAnimation();
      break;
    case kCmdToggleHighlightMode:
      if (tool) NextHighlightMode();
      break;
    default:
      break;
  }
  if (tool_ != kDetailMapTool) palette_->Hide();
  view_->InvalidateClient();
}

// ------------------------------------------------------------------------------ toggles

void MeshEdit::ToggleInfo() {
  info_shown_ = !info_shown_;
  overlay_->Show(info_shown_);
}

bool MeshEdit::palette_shown() const {
  return palette_->IsVisible();
}

bool MeshEdit::textures_highlighted() const {
  return view_->options().highlighting;
}

void MeshEdit::TogglePalette() {
  palette_->Show(!palette_->IsVisible());
}

void MeshEdit::ToggleWireframe() {
  view_->options().wireframe = !view_->options().wireframe;
  view_->InvalidateClient();
}

void MeshEdit::ToggleDetailTextures() {
  view_->options().detail_textures = !view_->options().detail_textures;
  view_->InvalidateClient();
}

void MeshEdit::ToggleHighlighting(bool all_slots) {
  MeshView::Options& options = view_->options();
  options.highlighting = !options.highlighting;
  if (all_slots) highlighted_.fill(options.highlighting);
  view_->InvalidateClient();
  palette_->InvalidateClient();
}

void MeshEdit::ToggleBrushShape() {
  brush_.square = !brush_.square;
  view_->SetBrush(brush_, tool_ == kDetailMapTool);
}

void MeshEdit::ToggleBrushMode() {
  brush_.layer =
      brush_.layer == DetailLayer::kVertex ? DetailLayer::kTriangle : DetailLayer::kVertex;
  view_->SetBrush(brush_, tool_ == kDetailMapTool);
}

void MeshEdit::ToggleMediaAnimation() {
  view_->options().media_animation = !view_->options().media_animation;
  media_pending_ = 0;
}

void MeshEdit::NextHighlightMode() {
  MeshView::Options& options = view_->options();
  options.highlight_mode = (options.highlight_mode + 1) % 3;
  view_->InvalidateClient();
}

void MeshEdit::StepSlotScale(int delta) {
  DetailSlot& slot = map_.slots[std::min<size_t>(brush_.material, DetailMap::kSlotCount - 1)];
  const int scale = std::clamp(slot.Scale() + delta, 1, 256);
  if (scale == slot.Scale()) return;
  slot.scale_minus_one = static_cast<uint8_t>(scale - 1);
  MarkDirty(true);
  view_->InvalidateClient();
}

void MeshEdit::StepRadius(int steps) {
  // Counted in whole steps so that a hundred presses do not drift off the bounds.
  const long tenths = std::lround(brush_.radius / kRadiusStep) + steps;
  brush_.radius = std::clamp(static_cast<float>(tenths) * kRadiusStep, kMinRadius, kMaxRadius);
  view_->SetBrush(brush_, tool_ == kDetailMapTool);
}

// ------------------------------------------------------------------------------ undo

bool MeshEdit::Undo() {
  EndStroke();
  if (!history_.Undo()) return false;
  MarkDirty(true);
  return true;
}

bool MeshEdit::Redo() {
  EndStroke();
  if (!history_.Redo()) return false;
  MarkDirty(true);
  return true;
}

void MeshEdit::DetailRestored(const CellRect& rect) {
  DetailChanged(rect);
  MarkDirty(true);
}

void MeshEdit::DetailChanged(const CellRect& rect) {
  if (rect.empty()) return;
  scene_.DetailChanged(rect);
  view_->InvalidateClient();
}

void MeshEdit::AllDetailChanged() {
  scene_.AllDetailChanged();
  view_->InvalidateClient();
}

// ------------------------------------------------------------------------------ painting

void MeshEdit::BeginStroke(float x, float y, bool override) {
  EndStroke();
  if (!has_detail_ || tool_ != kDetailMapTool) return;
  override_ = override;
  stroking_ = true;
  stroke_applied_ = false;
  stroke_modal_depth_ = WM().ModalDepth();
  stroke_rect_ = CellRect{};
  brush_.x = x;
  brush_.y = y;
  view_->SetBrush(brush_, true);
  ApplyBrush();
}

void MeshEdit::MoveBrush(float x, float y) {
  if (x == brush_.x && y == brush_.y) return;
  brush_.x = x;
  brush_.y = y;
  view_->SetBrush(brush_, tool_ == kDetailMapTool);
  if (stroking_) ApplyBrush();
}

void MeshEdit::ApplyBrush() {
  if (!stroke_applied_) {
    // The stroke's undo needs the layer as it was; it is marked modified from here on, so
    // that a stroke that never sees its release is not lost.
    stroke_copy_.width = map_.width;
    stroke_copy_.height = map_.height;
    stroke_copy_.Layer(brush_.layer) = map_.Layer(brush_.layer);
    stroke_applied_ = true;
    MarkDirty(true);
  }
  const CellRect rect = brush_.Apply(map_, protected_, override_);
  if (rect.empty()) return;
  if (stroke_rect_.empty())
    stroke_rect_ = rect;
  else
    stroke_rect_.Include(rect);
  DetailChanged(rect);
}

void MeshEdit::EndStroke() {
  if (!stroking_) return;
  stroking_ = false;
  if (!stroke_applied_ || stroke_rect_.empty()) return;
  std::vector<uint8_t> before = CopyRect(stroke_copy_, brush_.layer, stroke_rect_);
  std::vector<uint8_t> after = CopyRect(map_, brush_.layer, stroke_rect_);
  if (before == after) return;
  history_.Add(
      new BrushStrokeAction(*this, brush_.layer, stroke_rect_, std::move(before), std::move(after)),
      true);
}

bool MeshEdit::FloodFill(float x, float y, bool override) {
  EndStroke();
  if (!has_detail_ || tool_ != kDetailMapTool) return false;
  override_ = override;
  DetailFill fill;
  if (!fill.Run(map_, brush_.layer, x, y, brush_.material)) return false;
  const CellRect bounds = fill.bounds;
  history_.Add(new FloodFillAction(*this, brush_.layer, std::move(fill)), true);
  DetailChanged(bounds);
  MarkDirty(true);
  return true;
}

// ------------------------------------------------------------------------------ new maps

void MeshEdit::ResetDetailMap() {
  LoadHighlightTable();
  history_.Clear();
  map_.Reset(static_cast<uint32_t>(mesh_.cellsWide()), static_cast<uint32_t>(mesh_.cellsHigh()));
  for (DetailSlot& slot : map_.slots) slot.scale_minus_one = kDefaultSlotScale - 1;
  stroke_copy_ = map_;
  has_detail_ = true;
  view_->SetDetail(&map_, &highlight_);
  view_->options().detail_textures = true;
  view_->options().highlighting = true;
  AcquireSlotTextures();
}

void MeshEdit::NewBlankDetailMap() {
  EndStroke();
  ResetDetailMap();
  tool_ = kDetailMapTool;
  AllDetailChanged();
  MarkDirty(true);
}

void MeshEdit::NewDetailMapFromTerrain() {
  EndStroke();
  AutoDetailDialog::Rows rows = AutoDetailDialog::DefaultRows();
  if (!AutoDetailDialog::Run(rows)) return;
  MakeDetailMapFromTerrain(rows);
}

void MeshEdit::MakeDetailMapFromTerrain(
    const std::array<TerrainRow, terrain::kTerrainTypeCount>& rows) {
  EndStroke();
  ResetDetailMap();
  std::array<TerrainRow, terrain::kTerrainTypeCount> named = rows;
  // Rows without a texture say so in the dialog; their slots stay without a name.
  for (TerrainRow& row : named) {
    if (row.dtex == DetailSlot::kNoTexture && row.name == DetailAttributesDialog::kNoTag)
      row.name.clear();
  }
  fromterrain::Apply(mesh_, named, map_, protected_, override_);
  for (size_t t = 0; t < named.size(); ++t) {
    const size_t entry = (t + 1) * 3;
    highlight_[entry] = named[t].red;
    highlight_[entry + 1] = named[t].green;
    highlight_[entry + 2] = named[t].blue;
  }
  AcquireSlotTextures();
  tool_ = kDetailMapTool;
  AllDetailChanged();
  MarkDirty(true);
}

// ------------------------------------------------------------------------------ images

std::string MeshEdit::SafeProposedName(const char* suffix) const {
  return ExportNames::Sanitise(color_map_name_ + suffix);
}

void MeshEdit::ExportDetail(DetailLayer layer) {
  EndStroke();
  const bool vertex = layer == DetailLayer::kVertex;
  ChosenFile file;
  file.path = SafeProposedName(vertex ? " vertex detail" : " triangle detail");
  if (!ChooseSaveFile(vertex ? "Export Per-Vertex Details" : "Export Per-Triangle Details", file,
                      FileKindId::kImage, nullptr)) {
    return;
  }
  const Image image = detailimages::Export(map_, layer, highlight_);
  std::string error;
  if (!DataFile::saveImage(file.path, image, error)) {
    LogMessage(0, kLog, "%s could not be written: %s\n", file.path.c_str(), error.c_str());
    MessageBoxWindow::Show("Error", "Unable to write the image", {"OK"});
  }
}

void MeshEdit::ImportDetail(DetailLayer layer) {
  EndStroke();
  const bool vertex = layer == DetailLayer::kVertex;
  ChosenFile file;
  file.path = SafeProposedName(vertex ? " vertex detail" : " triangle detail");
  if (!ChooseOpenFile(vertex ? "Import Per-Vertex Details" : "Import Per-Triangle Details", file,
                      FileKindId::kImage, nullptr)) {
    return;
  }
  Image image;
  std::string error;
  if (!DataFile::loadImage(file.path, image, error)) {
    MessageBoxWindow::Show("Error", "Unable to read the file", {"OK"});
    return;
  }
  const detailimages::ImportResult result =
      detailimages::Import(image, map_, layer, protected_, override_);
  if (!result.ok) {
    MessageBoxWindow::Show("Error", result.error.c_str(), {"OK"});
    return;
  }
  history_.Clear();
  std::copy(result.palette.begin(), result.palette.end(), highlight_.begin());
  SaveHighlightTable();
  AcquireSlotTextures();
  AllDetailChanged();
  MarkDirty(true);
  palette_->InvalidateClient();
  if (result.partial) {
    MessageBoxWindow::Show("Partial Success",
                           "The map wasn't 100% perfect, so please carefully check the results.",
                           {"OK"});
  }
}

void MeshEdit::ImportHighlightClut() {
  EndStroke();
  ChosenFile file;
  if (!ChooseOpenFile(nullptr, file, FileKindId::kColorTable, nullptr)) return;
  ColorTableFile::Palette palette{};
  uint32_t count = 0;
  std::string error;
  if (!ColorTableFile::readColorTable(file.path, palette, count, error)) {
    MessageBoxWindow::ShowError("%s", error.c_str());
    return;
  }
  std::copy(palette.begin(), palette.end(), highlight_.begin());
  SaveHighlightTable();
  AcquireSlotTextures();
  MarkDirty(true);
  palette_->InvalidateClient();
}

// ------------------------------------------------------------------------------ palette

void MeshEdit::ChoosePaletteEntry(int slot) {
  EndStroke();
  if (slot < 0 || slot >= DetailMap::kSlotCount || !has_detail_) return;
  const size_t entry = static_cast<size_t>(slot) * 3;
  if (slot == 0) {
    MessageBoxWindow::Show("Message", "Index 0 is reserved, but you can edit the highlight color.",
                           {"OK"});
    uint8_t rgb[3] = {highlight_[0], highlight_[1], highlight_[2]};
    if (ChooseColor(rgb)) {
      std::copy(rgb, rgb + 3, highlight_.begin());
      MarkDirty(true);
    }
  } else {
    DetailSlot& s = map_.slots[static_cast<size_t>(slot)];
    TerrainRow row;
    row.dtex = s.dtex;
    row.name = s.Name();
    row.red = highlight_[entry];
    row.green = highlight_[entry + 1];
    row.blue = highlight_[entry + 2];
    if (DetailAttributesDialog::Edit(row)) {
      s.dtex = row.dtex;
      s.SetName(row.dtex == DetailSlot::kNoTexture && row.name == DetailAttributesDialog::kNoTag
                    ? std::string()
                    : row.name);
      highlight_[entry] = row.red;
      highlight_[entry + 1] = row.green;
      highlight_[entry + 2] = row.blue;
      AcquireSlotTexture(slot);
      MarkDirty(true);
    }
  }
  brush_.material = static_cast<uint8_t>(slot);
  palette_->InvalidateClient();
  view_->InvalidateClient();
}

void MeshEdit::ToggleProtected(int slot) {
  if (slot < 0 || slot >= DetailMap::kSlotCount) return;
  protected_[static_cast<size_t>(slot)] = !protected_[static_cast<size_t>(slot)];
  palette_->InvalidateClient();
}

void MeshEdit::ToggleSlotHighlight(int slot) {
  if (slot < 0 || slot >= DetailMap::kSlotCount) return;
  highlighted_[static_cast<size_t>(slot)] = !highlighted_[static_cast<size_t>(slot)];
  palette_->InvalidateClient();
  view_->InvalidateClient();
}

// ------------------------------------------------------------------------------ overlay

std::string MeshEdit::InfoText() const {
  char text[2048];
  FormatInfo(text, sizeof text);
  return text;
}

void MeshEdit::FormatInfo(char* text, size_t size) const {
  const MeshView::Stats& stats = view_->stats();
  const int w = mesh_.cellsWide(), h = mesh_.cellsHigh();
  const double total = static_cast<double>(w) * h;
  const double percent = total > 0 ? 100.0 * stats.cells_rendered / total : 0.0;
  const MeshView::Options& options = view_->options();
  int n = std::snprintf(text, size,
                        "Mesh Dimensions: %d x %d\nMesh Chunks: %d invisible, %d partial, %d "
                        "full\nMesh Cells: %d rendered (%.1f%%)\nWireframe: %s\nMedia "
                        "Animation: %s\n",
                        w, h, stats.invisible, stats.partial, stats.full, stats.cells_rendered,
                        percent, OnOff(options.wireframe), OnOff(options.media_animation));
  if (has_detail_ && n > 0 && static_cast<size_t>(n) < size) {
    const DetailSlot& slot = map_.slots[std::min<size_t>(brush_.material, 127)];
    const DtexTag* texture = textures_[std::min<size_t>(brush_.material, 127)];
    const char* material = slot.HasTexture() ? slot.name.data() : "<none>";
    // How many cells one repeat of the texture covers.
    const double ratio =
        texture && !texture->empty() ? static_cast<double>(texture->width()) / slot.Scale() : 0.0;
    std::snprintf(text + n, size - static_cast<size_t>(n),
                  "Detail Textures: %s\nHighlighting: %s\nHighlight Mode: %s\nBrush Shape: "
                  "%s\nBrush Mode: %s\nBrush Radius: %.1f\nBrush Material: %s\nBrush Scale: "
                  "%d px/cell (%.1f:1)\nBrush Position: {%.2f, %.2f}\n",
                  OnOff(options.detail_textures), OnOff(options.highlighting),
                  kHighlightModeNames[std::clamp(options.highlight_mode, 0, 2)],
                  brush_.square ? "Square" : "Circular",
                  brush_.layer == DetailLayer::kTriangle ? "Triangle" : "Vertex",
                  static_cast<double>(brush_.radius), material, slot.Scale(), ratio,
                  static_cast<double>(brush_.x), static_cast<double>(brush_.y));
  }
}

void MeshEdit::UpdateOverlay() {
  if (!info_shown_) return;
  // Formatting into the editor's own buffer: nothing is allocated while the text stays.
  FormatInfo(info_buffer_, sizeof info_buffer_);
  if (overlay_->SetText(info_buffer_)) OnResized();
}
