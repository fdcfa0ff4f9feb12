#include "terrain/ui/DtexEdit.h"

#include <algorithm>
#include <filesystem>
#include <span>

#include "collections/DataFile.h"
#include "collections/ExportNames.h"
#include "collections/Image.h"
#include "gui/Choosers.h"
#include "gui/Menu.h"
#include "gui/MenuItem.h"
#include "gui/MessageBoxWindow.h"
#include "gui/Painter.h"
#include "gui/Platform.h"
#include "gui/WindowManager.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"
#include "terrain/DtexImage.h"
#include "terrain/DtexTag.h"

namespace {
constexpr uint32_t kGroup = tagcode::Make("dtex");
constexpr int32_t kTile = Painter::kScratchSize;

void ShowError(const char* message) {
  MessageBoxWindow::Show("Error", message, {"OK"});
}

struct MenuLine {
  const char* label;
  int32_t id;
};
constexpr MenuLine kMenu[] = {
    {"Export (Cmd-E)", DtexEdit::kExport},
    {"Import (Cmd-I)", DtexEdit::kImport},
    {"Copy (Cmd-C)", DtexEdit::kCopy},
    {"Paste (Cmd-V)", DtexEdit::kPaste},
    {"Save Tag (Cmd-S)", DtexEdit::kSaveTag},
    {"Mean Center rgb", DtexEdit::kMeanCenterRgb},
    {"Mean Center luma", DtexEdit::kMeanCenterLuma},
};
}  // namespace

DtexEdit::DtexEdit(const TagHeader& header) : TagEdit(header) {}

DtexEdit::~DtexEdit() {
  ReleaseTexture();
}

TagEdit* DtexEdit::Make(const TagHeader& header) {
  return new DtexEdit(header);
}

void DtexEdit::ReleaseTexture() {
  if (!tag_) return;
  DtexTag* tag = tag_;
  tag_ = nullptr;
  ProgramDtexTags().Release(tag);
}

// ----------------------------------------------------------------------- tag operations

bool DtexEdit::Load() {
  if (!entry()) return false;
  tag_ = ProgramDtexTags().Acquire(entry());
  if (!tag_) {
    const std::string& why = DtexTag::LastReadError();
    ReportLoadProblem(kLog, why.empty() ? "its texture could not be read" : why);
    return false;
  }
  if (WM().Modifiers() & kModShift) {
    // Shows the tiling seams in the middle, where they can be judged.
    dteximage::ShiftHalf(tag_->width(), tag_->height(), tag_->mutable_pixels());
    tag_->PixelsChanged();
    shifted_on_open_ = true;
  }
  TakeEntry(tag_->entry(), tag_->header());
  return true;
}

bool DtexEdit::Create(uint32_t group, std::string_view name) {
  tag_ = ProgramDtexTags().Create(group, name, tagcode::kNone);
  if (!tag_) return false;
  TakeEntry(tag_->entry(), tag_->header());
  return true;
}

bool DtexEdit::Save() {
  if (!tag_ || !tag_->Save()) return false;
  TakeEntry(tag_->entry(), tag_->header());
  return true;
}

bool DtexEdit::Discard() {
  // Another user (the mesh editor) would otherwise go on drawing the unsaved pixels. A reload
  // that fails (a new tag that was never saved) leaves them as they are.
  if (tag_ && tag_->reference_count() >= 2) tag_->Load();
  return true;
}

void DtexEdit::Show() {
  FitToTexture();
  TagEdit::Show();
  if (shifted_on_open_) {
    shifted_on_open_ = false;
    MarkDirty(true);
  }
}

void DtexEdit::OnClose() {
  TagEdit::OnClose();
  ReleaseTexture();
}

Size DtexEdit::PreferredClientSize() const {
  if (!tag_) return {kMaxShown / 2, kMaxShown / 2};
  return {static_cast<int32_t>(std::min<uint32_t>(tag_->width(), kMaxShown)),
          static_cast<int32_t>(std::min<uint32_t>(tag_->height(), kMaxShown))};
}

void DtexEdit::FitToTexture() {
  SetClientSize(PreferredClientSize());
  InvalidateClient();
}

// ------------------------------------------------------------------------------ drawing

void DtexEdit::Draw() {
  Painter* painter = CurrentPainter();
  if (!painter || !tag_ || tag_->empty()) return;
  drawn_revision_ = tag_->revision();
  const auto width = static_cast<int32_t>(tag_->width());
  const auto height = static_cast<int32_t>(tag_->height());
  // Only what the client area shows, piece by piece through the scratch texture.
  const int32_t shown_w = std::min(width, ClientRect().Width());
  const int32_t shown_h = std::min(height, ClientRect().Height());
  if (shown_w <= 0 || shown_h <= 0) return;
  if (tile_.empty()) tile_.resize(static_cast<size_t>(kTile) * kTile * 4);
  const Color tint = painter->CurrentColor();
  painter->SetColor(kWhite);
  const uint8_t* pixels = tag_->pixels().data();
  for (int32_t ty = 0; ty < shown_h; ty += kTile) {
    const int32_t th = std::min(kTile, shown_h - ty);
    for (int32_t tx = 0; tx < shown_w; tx += kTile) {
      const int32_t tw = std::min(kTile, shown_w - tx);
      uint8_t* o = tile_.data();
      for (int32_t y = 0; y < th; ++y) {
        const uint8_t* p = pixels + (static_cast<size_t>(ty + y) * width + tx) * 3;
        for (int32_t x = 0; x < tw; ++x, p += 3, o += 4) {
          o[0] = p[0];
          o[1] = p[1];
          o[2] = p[2];
          o[3] = 255;
        }
      }
      const Rect place{0, 0, tw, th};
      painter->UploadScratch(
          place, std::span<const uint8_t>(tile_.data(), static_cast<size_t>(tw) * th * 4));
      TexturedQuad quad;
      quad.x0 = static_cast<float>(tx);
      quad.y0 = static_cast<float>(ty);
      quad.x1 = static_cast<float>(tx + tw);
      quad.y1 = static_cast<float>(ty + th);
      const float u1 = static_cast<float>(tw) / kTile;
      const float v1 = static_cast<float>(th) / kTile;
      quad.u[0] = quad.u[3] = 0;
      quad.u[1] = quad.u[2] = u1;
      quad.v[0] = quad.v[1] = 0;
      quad.v[2] = quad.v[3] = v1;
      painter->DrawScratchQuads(std::span<const TexturedQuad>(&quad, 1));
    }
  }
  painter->SetColor(tint);
}

void DtexEdit::OnIdle() {
  // Another user may have changed the shared pixels (a Discard reloading them, say).
  if (tag_ && tag_->revision() != drawn_revision_) {
    drawn_revision_ = tag_->revision();
    InvalidateClient();
  }
  TagEdit::OnIdle();
}

// ------------------------------------------------------------------------------ commands

Menu* DtexEdit::MakeContextMenu() const {
  auto* menu = new Menu(false);
  if (GetFont()) menu->SetFont(GetFont());
  for (const MenuLine& line : kMenu) menu->AddItem(line.label, line.id, true);
  return menu;
}

void DtexEdit::OnMouseButton(InputEvent& event) {
  if (event.c != 1 || event.d != 1) return;
  const int32_t id = MakeContextMenu()->PopUpOnce({event.a, event.b});
  RunCommand(id);
}

bool DtexEdit::OnKey(InputEvent& event) {
  if (event.flags & kModControl) {
    int32_t id = 0;
    switch (event.a) {
      case 'E':
        id = kExport;
        break;
      case 'I':
        id = kImport;
        break;
      case 'C':
      case 'X':
        id = kCopy;
        break;
      case 'V':
        id = kPaste;
        break;
      default:
        break;
    }
    if (id) {
      if (event.b == 1) RunCommand(id);
      return true;
    }
  }
  return TagEdit::OnKey(event);
}

void DtexEdit::RunCommand(int32_t id) {
  if (!tag_) return;
  switch (id) {
    case kExport:
      ExportImage();
      break;
    case kImport:
      ImportImage();
      break;
    case kCopy:
      CopyImage();
      break;
    case kPaste:
      PasteImage();
      break;
    case kSaveTag:
      SaveAndReport();
      break;
    case kMeanCenterRgb:
      MeanCenterRgb();
      break;
    case kMeanCenterLuma:
      MeanCenterLuma();
      break;
    default:
      break;
  }
}

bool DtexEdit::ReplaceImage(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb) {
  if (!tag_ || !tag_->SetImage(width, height, rgb)) return false;
  MarkDirty(true);
  FitToTexture();
  return true;
}

bool DtexEdit::ReadImageFile(const std::string& path, uint32_t& width, uint32_t& height,
                             std::vector<uint8_t>& rgb) {
  DataFile file(path, DataFile::kImage);
  if (!file.probe()) {
    ShowError("Failed to load image data.");
    return false;
  }
  const Image& header = file.image();
  const std::string refused =
      dteximage::CheckImage(header.is(ImageFormat::kRgb), header.width(), header.height());
  if (!refused.empty()) {
    ShowError(refused.c_str());
    return false;
  }
  if (!file.loadPixels() || !file.image().is(ImageFormat::kRgb)) {
    ShowError("Failed to load image data.");
    return false;
  }
  width = file.image().width();
  height = file.image().height();
  rgb.assign(file.image().pixels().begin(), file.image().pixels().end());
  return true;
}

void DtexEdit::ImportImage() {
  ChosenFile file;
  if (!ChooseOpenFile("Import Detail Texture", file, FileKindId::kImage, nullptr)) return;
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
  if (!ReadImageFile(file.path, width, height, rgb)) return;
  ReplaceImage(width, height, rgb);
}

void DtexEdit::ExportImage() {
  ChosenFile file;
  // The tag's name may hold a separator or a character file systems refuse.
  file.path = ExportNames::Sanitise(header().Name());
  if (!ChooseSaveFile("Export Detail Texture", file, FileKindId::kImage, nullptr)) return;
  Image image;
  std::string error;
  if (!image.setSize(tag_->width(), tag_->height(), ImageFormat::kRgb, tag_->pixels().data()) ||
      !DataFile::saveImage(file.path, image, error)) {
    ShowError("The file could not be written.");
  }
}

void DtexEdit::CopyImage() {
  if (!WM().GetPlatform().PutClipboardImage(tag_->pixels().data(),
                                            static_cast<int32_t>(tag_->width()),
                                            static_cast<int32_t>(tag_->height()))) {
    WM().Beep();
  }
}

void DtexEdit::PasteImage() {
  std::vector<uint8_t> rgb;
  int32_t width = 0, height = 0;
  if (!WM().GetPlatform().GetClipboardImage(rgb, width, height) || width <= 0 || height <= 0) {
    WM().Beep();
    return;
  }
  const std::string refused =
      dteximage::CheckDimensions(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  if (!refused.empty()) {
    ShowError(refused.c_str());
    return;
  }
  ReplaceImage(static_cast<uint32_t>(width), static_cast<uint32_t>(height), rgb);
}

void DtexEdit::MeanCenterRgb() {
  dteximage::MeanCenterRgb(tag_->mutable_pixels());
  tag_->PixelsChanged();
  MarkDirty(true);
  InvalidateClient();
}

void DtexEdit::MeanCenterLuma() {
  if (!dteximage::MeanCenterLuma(tag_->mutable_pixels())) return;
  tag_->PixelsChanged();
  MarkDirty(true);
  InvalidateClient();
}

// -------------------------------------------------------------------- root menu commands

DtexEdit* DtexEdit::NewWithImage(std::string_view default_name, uint32_t width, uint32_t height,
                                 const std::vector<uint8_t>& rgb) {
  // The new tag dialog, kept here because the editor it makes is needed afterwards.
  const TagGroupRow* row = TagGroupTable::Find(kGroup);
  const std::string singular = row ? row->singular : "Detail Texture";
  const std::string prompt = "Enter Name for " + singular;
  const std::string confirm = "Create " + singular;
  std::string name(default_name);
  if (MessageBoxWindow::Prompt(prompt.c_str(), name, {confirm.c_str(), "Cancel"}) != 0) {
    return nullptr;
  }
  if (name.empty()) {
    MessageBoxWindow::Show("Not Created", "You must specify a name.", {"OK"});
    return nullptr;
  }
  auto* editor = dynamic_cast<DtexEdit*>(TagEdit::CreateEditor(kGroup, name));
  if (!editor) return nullptr;
  editor->ReplaceImage(width, height, rgb);
  editor->SaveAndReport();
  return editor;
}

void DtexEdit::NewFromImageFile() {
  ChosenFile file;
  if (!ChooseOpenFile("Import Detail Texture", file, FileKindId::kImage, nullptr)) return;
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
  if (!ReadImageFile(file.path, width, height, rgb)) return;
  NewWithImage(std::filesystem::path(file.path).stem().string(), width, height, rgb);
}

void DtexEdit::NewFromClipboard() {
  std::vector<uint8_t> rgb;
  int32_t width = 0, height = 0;
  if (!WM().GetPlatform().GetClipboardImage(rgb, width, height) || width <= 0 || height <= 0) {
    ShowError("Could not retrieve an image from the clipboard.");
    return;
  }
  const std::string refused =
      dteximage::CheckDimensions(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  if (!refused.empty()) {
    ShowError(refused.c_str());
    return;
  }
  NewWithImage("", static_cast<uint32_t>(width), static_cast<uint32_t>(height), rgb);
}
