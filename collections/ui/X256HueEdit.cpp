#include "collections/ui/X256HueEdit.h"

#include <algorithm>

#include "collections/CollectionChange.h"
#include "collections/HueChange.h"
#include "collections/ui/ColorBar.h"
#include "collections/ui/X256EditHost.h"
#include "gui/CheckBox.h"
#include "gui/ColorButton.h"
#include "gui/ComboBox.h"
#include "gui/Painter.h"
#include "gui/TextBox.h"

namespace {

constexpr const char* kHueLabels[3] = {"Start Hue:", "Median Hue:", "End Hue:"};
constexpr int32_t kFieldLeft = X256HueEdit::kMargin + X256HueEdit::kLabelWidth;
constexpr int32_t kClientWidth = ColorBar::kWidth + 2 * X256HueEdit::kMargin;
constexpr int32_t kLine = 18;

int32_t RowTop(int32_t row) {
  return X256HueEdit::kMargin + row * X256HueEdit::kRow;
}

}  // namespace

uint16_t X256HueEdit::StoredSaturation(int32_t percent) {
  if (percent >= 100) return 65535;
  const int32_t p = std::max(percent, 0);
  return static_cast<uint16_t>(p * 65535 / 100 + 1);
}

int32_t X256HueEdit::ShownSaturation(uint16_t value) {
  return static_cast<int32_t>(value) * 100 / 65535;
}

std::string X256HueEdit::HueText(uint16_t hue) {
  return std::to_string((static_cast<uint32_t>(hue) * 360) >> 16) + kDegreeSign;
}

X256HueEdit::X256HueEdit(X256EditHost& host, HueChange* hue_change, Window* parent)
    : Window(kFlags, parent), host_(host), hue_change_(hue_change) {
  // Row 0: the name; rows 1-2: the bar; rows 3-5: the hues; then one control a row.
  Label("Name:", 0);
  name_ = new TextBox(TextBox::kLineField, this);
  name_->SetMaxLength(static_cast<int32_t>(kMaxName));
  name_->SetFrameRect({kFieldLeft, RowTop(0), kClientWidth - kMargin, RowTop(0) + kLine});
  ::Connect<&X256HueEdit::OnNameEntered>(name_->enter, this);
  ::Connect<&X256HueEdit::OnNameFocusLost>(name_->focus_lost, this);

  Label("Affected Hue Range:", 1);
  bar_ = new ColorBar(host_, hue_change_, this);
  bar_->SetFrameRect({kMargin, RowTop(1) + kLine, kMargin + ColorBar::kWidth,
                      RowTop(1) + kLine + ColorBar::kHeight});
  ::Connect<&X256HueEdit::OnBarMoved>(bar_->changed, this);

  for (int32_t i = 0; i < 3; ++i) {
    Label(kHueLabels[i], 3 + i);
    auto* value = new TextBox(TextBox::kLabel, this);
    value->SetFrameRect({kFieldLeft, RowTop(3 + i), kFieldLeft + 80, RowTop(3 + i) + kLine});
    hue_labels_[static_cast<size_t>(i)] = value;
  }

  Label("Min % Saturation:", 6);
  saturation_ = new TextBox(TextBox::kIntegerField, this);
  saturation_->SetFrameRect({kFieldLeft, RowTop(6), kFieldLeft + 60, RowTop(6) + kLine});
  ::Connect<&X256HueEdit::OnSaturationEntered>(saturation_->enter, this);
  ::Connect<&X256HueEdit::OnSaturationFocusLost>(saturation_->focus_lost, this);

  Label("Use As:", 7);
  use_as_ = new ComboBox(this, 0);
  use_as_->AddItem(HueChange::kNone, "None");
  use_as_->AddItem(HueChange::kPrimary, "Primary Color");
  use_as_->AddItem(HueChange::kSecondary, "Secondary Color");
  use_as_->Fit(3, false);
  use_as_->SetFrameRect({kFieldLeft, RowTop(7), kFieldLeft + ComboBox::kInitialWidth,
                         RowTop(7) + use_as_->RowHeight()});
  ::Connect<&X256HueEdit::OnUseAs>(use_as_->selection_changed, this);

  reversed_ = new CheckBox(this, "Reversed Hue Change", kReversedId);
  replacement_ = new CheckBox(this, "Replacement Color:", kReplacementId);
  solid_ = new CheckBox(this, "Replace with Solid Color", kSolidId);
  int32_t row = 8;
  for (CheckBox* box : {reversed_, replacement_, solid_}) {
    box->SizeToFit();
    const Rect r = box->FrameRectInParent();
    box->SetFrameRect({kMargin, RowTop(row), kMargin + r.Width(), RowTop(row) + r.Height()});
    ::Connect<&X256HueEdit::OnCheckBox>(box->clicked_with_id, this);
    ++row;
  }
  color_ = new ColorButton(this);
  // Beside its check box, whose label may reach past the label column.
  const int32_t color_left = std::max(kFieldLeft, replacement_->FrameRectInParent().right + 8);
  color_->SetFrameRect({color_left, RowTop(9), color_left + 42, RowTop(9) + 20});
  ::Connect<&X256HueEdit::OnColor>(color_->color_changed, this);

  Window::SetTabOrder({name_, saturation_, use_as_, reversed_, replacement_, color_, solid_});
  SetClientSize({kClientWidth, RowTop(11) + kMargin});
  Refresh();
}

X256HueEdit::~X256HueEdit() {
  if (gone_) gone_(this);
}

bool X256HueEdit::OnKey(InputEvent& event) {
  if (hue_change_ && (event.flags & kModControl) == kModControl) {
    if (auto* editor = dynamic_cast<Window*>(&host_)) return editor->OnKey(event);
  }
  return Window::OnKey(event);
}

void X256HueEdit::Detach() {
  hue_change_ = nullptr;
  bar_->SetHueChange(nullptr);
}

TextBox* X256HueEdit::Label(const char* text, int32_t row) {
  auto* label = new TextBox(TextBox::kLabel, this);
  label->SetText(text);
  label->SetFrameRect({kMargin, RowTop(row), kFieldLeft, RowTop(row) + kLine});
  return label;
}

void X256HueEdit::Refresh() {
  if (!hue_change_) return;
  refreshing_ = true;
  const HueChange& hc = *hue_change_;
  // A field keeps what is being typed into it unless the value itself changed (an undo).
  const std::string name = hc.Name();
  SetTitle(name.c_str());
  if (name != shown_name_ || !name_->HasFocus()) name_->SetText(name);
  shown_name_ = name;
  if (hc.min_saturation != shown_saturation_ || !saturation_->HasFocus()) {
    saturation_->SetText(std::to_string(ShownSaturation(hc.min_saturation)));
  }
  shown_saturation_ = hc.min_saturation;
  use_as_->SelectById(hc.use_as);
  reversed_->SetState((hc.hue_flags & HueChange::kReversed) ? Button::kOn : Button::kUp, true);
  const bool replacing = (hc.replacement_mode & HueChange::kReplacementEnabled) != 0;
  replacement_->SetState(replacing ? Button::kOn : Button::kUp, true);
  solid_->SetState((hc.replacement_mode & HueChange::kReplaceWithSolid) ? Button::kOn : Button::kUp,
                   true);
  // Solid replacement means nothing without a replacement colour.
  solid_->SetEnabled(replacing);
  color_->SetColor(MakeColor(static_cast<uint8_t>(hc.replacement[0] >> 8),
                             static_cast<uint8_t>(hc.replacement[1] >> 8),
                             static_cast<uint8_t>(hc.replacement[2] >> 8)));
  ShowHues();
  bar_->InvalidateClient();
  refreshing_ = false;
}

void X256HueEdit::ShowHues() {
  const HueChange& hc = *hue_change_;
  hue_labels_[0]->SetText(HueText(hc.start_hue));
  hue_labels_[1]->SetText(HueText(hc.median_hue));
  hue_labels_[2]->SetText(HueText(hc.end_hue));
}

void X256HueEdit::Edit(const std::function<void(HueChange&)>& edit) {
  if (!hue_change_ || refreshing_) return;
  auto change = host_.BeginChange();
  edit(*hue_change_);
  host_.Commit(std::move(change), X256EditHost::kHueChanges);
  Refresh();
}

void X256HueEdit::OnNameEntered(intptr_t down) {
  if (down) CommitName();
}

void X256HueEdit::OnNameFocusLost(intptr_t) {
  CommitName();
}

void X256HueEdit::CommitName() {
  const std::string text = name_->GetText().substr(0, kMaxName);
  if (!hue_change_ || text == hue_change_->Name()) return;
  Edit([&text](HueChange& hc) { hc.SetName(text); });
}

void X256HueEdit::OnSaturationEntered(intptr_t down) {
  if (down) CommitSaturation();
}

void X256HueEdit::OnSaturationFocusLost(intptr_t) {
  CommitSaturation();
}

void X256HueEdit::CommitSaturation() {
  if (!hue_change_) return;
  int32_t percent = 0;
  if (!saturation_->GetInteger(percent)) {
    saturation_->SetText(std::to_string(ShownSaturation(hue_change_->min_saturation)));
    return;
  }
  const uint16_t value = StoredSaturation(percent);
  if (value == hue_change_->min_saturation) {
    // The field may read differently (a negative number, say): show what is stored.
    saturation_->SetText(std::to_string(ShownSaturation(value)));
    return;
  }
  Edit([value](HueChange& hc) { hc.min_saturation = value; });
}

void X256HueEdit::OnUseAs(intptr_t selection) {
  const auto* s = reinterpret_cast<const ComboBox::Selection*>(selection);
  if (!s || !s->item || s->id > HueChange::kSecondary) return;
  const auto use_as = static_cast<uint16_t>(s->id);
  if (hue_change_ && use_as == hue_change_->use_as) return;
  Edit([use_as](HueChange& hc) { hc.use_as = use_as; });
}

void X256HueEdit::OnCheckBox(intptr_t id) {
  switch (id) {
    case kReversedId: {
      const bool on = reversed_->GetState() == Button::kOn;
      Edit([on](HueChange& hc) {
        hc.hue_flags = static_cast<uint16_t>(on ? hc.hue_flags | HueChange::kReversed
                                                : hc.hue_flags & ~HueChange::kReversed);
      });
      break;
    }
    case kReplacementId: {
      const bool on = replacement_->GetState() == Button::kOn;
      Edit([on](HueChange& hc) {
        // Solid replacement goes with the replacement colour.
        hc.replacement_mode =
            static_cast<uint8_t>(on ? hc.replacement_mode | HueChange::kReplacementEnabled
                                    : hc.replacement_mode & ~(HueChange::kReplacementEnabled |
                                                              HueChange::kReplaceWithSolid));
      });
      break;
    }
    case kSolidId: {
      const bool on = solid_->GetState() == Button::kOn;
      Edit([on](HueChange& hc) {
        if (!(hc.replacement_mode & HueChange::kReplacementEnabled)) return;
        hc.replacement_mode =
            static_cast<uint8_t>(on ? hc.replacement_mode | HueChange::kReplaceWithSolid
                                    : hc.replacement_mode & ~HueChange::kReplaceWithSolid);
      });
      break;
    }
    default:
      break;
  }
}

void X256HueEdit::OnColor(intptr_t color) {
  const auto c = static_cast<Color>(color);
  Edit([c](HueChange& hc) {
    hc.replacement[0] = static_cast<uint16_t>(ColorRed(c) << 8);
    hc.replacement[1] = static_cast<uint16_t>(ColorGreen(c) << 8);
    hc.replacement[2] = static_cast<uint16_t>(ColorBlue(c) << 8);
  });
}

void X256HueEdit::OnBarMoved(intptr_t) {
  ShowHues();
}
