#include "gui/ColorChooserDialog.h"

#include "gui/Button.h"
#include "gui/Choosers.h"
#include "gui/Draw.h"
#include "gui/TextBox.h"
#include "gui/WindowManager.h"

namespace {

constexpr uint32_t kDialogFlags = WindowFlag::TitleBar | WindowFlag::ThickFrame |
                                  WindowFlag::BackgroundA | WindowFlag::DropShadow |
                                  WindowFlag::Centered | WindowFlag::FloatingLayer;
constexpr int32_t kMargin = 16;
constexpr int32_t kSwatch = 20;
constexpr int32_t kSwatchGap = 4;
constexpr int32_t kRowHeight = 26;
constexpr int32_t kLabelWidth = 56;
constexpr int32_t kFieldWidth = 64;
constexpr int32_t kFieldsTop = kMargin + 2 * (kSwatch + kSwatchGap) + 12;
// Wide enough for "Add to Custom Colours" beside OK and Cancel.
constexpr int32_t kClientWidth = 420;
constexpr int32_t kButtonsTop = kFieldsTop + 3 * kRowHeight + 12;
constexpr int32_t kClientHeight = kButtonsTop + 24 + kMargin;
const char* const kLabels[3] = {"Red:", "Green:", "Blue:"};

Color ToColor(uint32_t rgb) {
  return MakeColor(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                   static_cast<uint8_t>(rgb));
}

uint32_t Pack(const uint8_t rgb[3]) {
  return uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
}

}  // namespace

std::array<uint32_t, ColorChooserDialog::kCustomCount>& ColorChooserDialog::CustomColors() {
  // White until the user keeps a colour in a place.
  static std::array<uint32_t, kCustomCount> colors = [] {
    std::array<uint32_t, kCustomCount> white{};
    white.fill(0xFFFFFF);
    return white;
  }();
  return colors;
}

Rect ColorChooserDialog::CustomRect(int32_t index) {
  const int32_t x = kMargin + (index % 8) * (kSwatch + kSwatchGap);
  const int32_t y = kMargin + (index / 8) * (kSwatch + kSwatchGap);
  return {x, y, x + kSwatch, y + kSwatch};
}

Rect ColorChooserDialog::OldRect() {
  const int32_t x = kClientWidth - kMargin - 96;
  return {x, kFieldsTop, x + 48, kFieldsTop + 3 * kRowHeight - 6};
}

Rect ColorChooserDialog::NewRect() {
  const Rect old = OldRect();
  return {old.right, old.top, old.right + 48, old.bottom};
}

ColorChooserDialog::ColorChooserDialog(const uint8_t rgb[3]) : Window(kDialogFlags, nullptr) {
  SetTitle("Choose Colour");
  std::copy(rgb, rgb + 3, old_);
  SetClientSize({kClientWidth, kClientHeight});
  for (int32_t c = 0; c < 3; ++c) {
    auto* label = new TextBox(0, this);
    label->SetText(kLabels[c]);
    const int32_t y = kFieldsTop + c * kRowHeight;
    label->SetFrameRect({kMargin, y + 3, kMargin + kLabelWidth, y + kRowHeight});
    TextBox* field = new TextBox(2, this);
    field->SetFrameRect(
        {kMargin + kLabelWidth, y, kMargin + kLabelWidth + kFieldWidth, y + kRowHeight - 6});
    Connect<&ColorChooserDialog::OnFieldChanged>(field->text_changed, this);
    // The fields keep Enter to themselves and say so by their signal.
    Connect<&ColorChooserDialog::OnFieldEnter>(field->enter, this);
    fields_[static_cast<size_t>(c)] = field;
  }
  add_ = new Button(this, "Add to Custom Colours", 2);
  add_->SetFrameRect({kMargin, kButtonsTop, kMargin + 170, kButtonsTop + 24});
  ok_ = new Button(this, "OK", 1);
  cancel_ = new Button(this, "Cancel", 0);
  ok_->SetFrameRect(
      {kClientWidth - kMargin - 172, kButtonsTop, kClientWidth - kMargin - 92, kButtonsTop + 24});
  cancel_->SetFrameRect(
      {kClientWidth - kMargin - 80, kButtonsTop, kClientWidth - kMargin, kButtonsTop + 24});
  Connect<&ColorChooserDialog::OnOk>(ok_->clicked, this);
  Connect<&ColorChooserDialog::OnCancel>(cancel_->clicked, this);
  Connect<&ColorChooserDialog::OnAddCustom>(add_->clicked, this);
  SetTabOrder({fields_[0], fields_[1], fields_[2], add_, ok_, cancel_});
  SetFields(Pack(old_));
  CenterInParent();
  SetFocus(fields_[0], 0);
  fields_[0]->SelectAll();
}

void ColorChooserDialog::SetFields(uint32_t rgb) {
  for (int32_t c = 0; c < 3; ++c) {
    fields_[static_cast<size_t>(c)]->SetInteger(static_cast<int32_t>((rgb >> (16 - 8 * c)) & 255));
  }
}

bool ColorChooserDialog::ReadColor(uint8_t rgb[3]) const {
  for (size_t c = 0; c < 3; ++c) {
    int32_t value = 0;
    if (!fields_[c]->GetInteger(value) || value < 0 || value > 255) return false;
    rgb[c] = static_cast<uint8_t>(value);
  }
  return true;
}

void ColorChooserDialog::Confirm() {
  uint8_t rgb[3];
  if (!ReadColor(rgb)) {
    WM().Beep();
    return;
  }
  WM().EndModal(this, 1);
}

void ColorChooserDialog::OnFieldEnter(intptr_t pressed) {
  if (pressed) Confirm();
}

void ColorChooserDialog::OnOk(intptr_t) {
  Confirm();
}

void ColorChooserDialog::OnCancel(intptr_t) {
  WM().EndModal(this, 0);
}

void ColorChooserDialog::OnAddCustom(intptr_t) {
  uint8_t rgb[3];
  if (!ReadColor(rgb)) {
    WM().Beep();
    return;
  }
  // Places are filled in turn and then reused from the first, as long as the run lasts.
  static int32_t next = 0;
  CustomColors()[static_cast<size_t>(next)] = Pack(rgb);
  next = (next + 1) % kCustomCount;
  InvalidateClient();
}

void ColorChooserDialog::OnFieldChanged(intptr_t) {
  // Only the new colour's swatch changes.
  Rect swatch = NewRect();
  const Rect client = ClientRect();
  swatch = {swatch.left + client.left, swatch.top + client.top, swatch.right + client.left,
            swatch.bottom + client.top};
  WM().InvalidateRect(this, swatch, false);
}

bool ColorChooserDialog::OnKey(InputEvent& event) {
  if (event.b != 1) return false;
  if (event.a == Key::Enter) {
    Confirm();
    return true;
  }
  if (event.a == Key::Escape) {
    WM().EndModal(this, 0);
    return true;
  }
  return false;
}

void ColorChooserDialog::OnMouseButton(InputEvent& event) {
  if (event.c != 0 || event.d != 1) return;
  const Point at{event.a - ClientRect().left, event.b - ClientRect().top};
  for (int32_t i = 0; i < kCustomCount; ++i) {
    if (CustomRect(i).Contains(at)) {
      SetFields(CustomColors()[static_cast<size_t>(i)]);
      return;
    }
  }
}

void ColorChooserDialog::Draw() {
  for (int32_t i = 0; i < kCustomCount; ++i) {
    const Rect r = CustomRect(i);
    SetDrawColor(kBlack);
    FillRect({r.left - 1, r.top - 1, r.right + 1, r.bottom + 1});
    SetDrawColor(ToColor(CustomColors()[static_cast<size_t>(i)]));
    FillRect(r);
  }
  uint8_t rgb[3];
  const bool readable = ReadColor(rgb);
  const Rect old = OldRect(), now = NewRect();
  SetDrawColor(kBlack);
  FillRect({old.left - 1, old.top - 1, now.right + 1, now.bottom + 1});
  SetDrawColor(ToColor(Pack(old_)));
  FillRect(old);
  // A colour that does not read shows as the old one's frame only.
  if (readable) {
    SetDrawColor(ToColor(Pack(rgb)));
    FillRect(now);
  }
}

bool ColorChooserDialog::RequestClose(bool forced) {
  if (WM().IsInModalStack(this, false)) {
    WM().EndModal(this, 0);
    return false;
  }
  return Window::RequestClose(forced);
}

bool ChooseColor(uint8_t rgb[3]) {
  WindowManager& wm = WM();
  auto* dialog = new ColorChooserDialog(rgb);
  dialog->Show();
  const int32_t result = wm.RunModal(dialog, WindowManager::kModalKeys | WindowManager::kModalDim |
                                                 WindowManager::kModalCancelOnClose);
  const bool ok = result == 1 && dialog->ReadColor(rgb);
  Window::Close(dialog);
  return ok;
}
