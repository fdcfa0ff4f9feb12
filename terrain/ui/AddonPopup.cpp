#include "terrain/ui/AddonPopup.h"

#include "base/MessageLog.h"
#include "gui/Button.h"
#include "gui/Draw.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "gui/TextLayout.h"
#include "tags/Codex.h"
#include "tags/ui/WorkingSetHooks.h"

namespace {

constexpr int32_t kEdge = 4;  // around the rows, and the right edge of the controls

int32_t LineHeight() {
  const int32_t h = FontLineHeight(DefaultFont());
  return h > 0 ? h : 14;
}

TextBox* Label(const char* text, Window* parent) {
  auto* label = new TextBox(TextBox::kLabel, parent);
  label->SetText(text);
  return label;
}

void ShowBox(const AddonMessage& m) {
  MessageBoxWindow::Show(m.title.c_str(), m.text.c_str(), {m.button.c_str()});
}

}  // namespace

AddonPopup::AddonPopup() : DialogWindow(kTitle) {
  name_label_ = Label("Name:", this);
  name_ = new TextBox(TextBox::kLineField, this);
  name_->SetMaxLength(static_cast<int32_t>(AddonBuilder::kMaxName));
  name_->SetText(kNamePlaceholder);
  url_label_ = Label("URL:", this);
  url_ = new TextBox(TextBox::kLineField, this);
  url_->SetMaxLength(static_cast<int32_t>(AddonBuilder::kMaxUrl));
  url_->SetText(kUrlPlaceholder);
  priority_label_ = Label("Priority:", this);
  priority_ = new TextBox(TextBox::kIntegerField, this);
  priority_->SetInteger(AddonBuilder::kDefaultPriority);
  help_label_ = Label("Help:", this);
  help_ = new TextBox(TextBox::kReadOnly, this);
  help_->SetText(kHelp);
  SetClientSize({kWidth, RowsHeight() + Button::Height() + 2 * kButtonGap});
  OnResized();
  Window::SetTabOrder({name_, url_, priority_});
  SetTabOrder(priority_);
  Window::SetFocus(name_, 0);
  name_->SelectAll();
}

int32_t AddonPopup::RowsHeight() {
  return 11 * LineHeight() + 20;
}

void AddonPopup::OnResized() {
  DialogWindow::OnResized();
  if (!help_) return;
  const int32_t line = LineHeight();
  const int32_t right = ClientRect().Width() - kEdge;
  int32_t y = kEdge;
  for (auto [label, control] : {std::pair{name_label_, name_}, std::pair{url_label_, url_},
                                std::pair{priority_label_, priority_}}) {
    label->SetFrameRect({kEdge, y + 1, kEdge + kLabelWidth, y + line + 3});
    control->SetFrameRect({kControlLeft, y, right, y + line + 2});
    y += line + 4;
  }
  help_label_->SetFrameRect({kEdge, y + 1, kEdge + kLabelWidth, y + line + 3});
  help_->SetFrameRect({kControlLeft, y, right, y + kHelpLines * line});
}

std::optional<AddonFields> AddonPopup::Ask() {
  auto* dialog = new AddonPopup();
  const bool ok = dialog->RunModal() == 1;
  const std::string name = dialog->NameField()->GetText();
  const std::string url = dialog->UrlField()->GetText();
  const std::string priority = dialog->PriorityField()->GetText();
  Window::Close(dialog);
  if (!ok) return std::nullopt;
  AddonFields fields;
  const std::string invalid = AddonBuilder::InvalidFields(name, url, priority, fields);
  if (!invalid.empty()) {
    MessageBoxWindow::Show("Error", AddonBuilder::InvalidFieldsText(invalid).c_str(), {"OK"});
    return std::nullopt;
  }
  return fields;
}

void AddonPopup::BuildCommand(AddonKind kind) {
  const AddonBuilder builder(ProgramCodex(), kind);
  AddonMessage message;
  if (!builder.HasSomethingToPack(message)) {
    ShowBox(message);
    return;
  }
  const std::optional<AddonFields> fields = Ask();
  if (!fields) return;
  // An add-on it replaced may have been active and the new one is not: the stored working set
  // follows, or the next start would activate what the user now sees inactive.
  if (builder.Build(*fields, message)) SaveWorkingSet(ProgramCodex());
  if (!message.reason.empty()) {
    LogMessage(0, AddonBuilder::kLog, "%s\n", message.reason.c_str());
  }
  ShowBox(message);
}
