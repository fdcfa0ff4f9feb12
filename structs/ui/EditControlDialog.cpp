#include "structs/ui/EditControlDialog.h"

#include <algorithm>
#include <limits>

#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"
#include "structs/DialogControlType.h"
#include "tags/TagCode.h"

namespace {

// The first line break of the text, so that an edited text keeps the kind it had. The game's
// own texts break lines with a carriage return.
std::string LineEndOf(const std::string& text) {
  const size_t at = text.find_first_of("\r\n");
  if (at == std::string::npos) return "\r";
  if (text[at] == '\n') return "\n";
  return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
}

}  // namespace

EditControlDialog::EditControlDialog(const DialogControl& control)
    : DialogWindow(kTitle), result_(control) {
  const char* labels[] = {"ID:", "Type:", "Tag:", "Text: "};
  for (int i = 0; i < 4; ++i) {
    labels_[i] = new TextBox(TextBox::kLabel, this);
    labels_[i]->SetText(labels[i]);
  }
  id_ = new TextBox(TextBox::kIntegerField, this);
  id_->SetInteger(control.id);
  type_ = new ComboBox(this, 0);
  for (const dialogtype::Entry& e : dialogtype::All()) type_->AddItem(e.code, e.name);
  type_->Fit(kTypeRows, false);
  type_->SelectById(control.type);
  tag_ = new TextBox(TextBox::kLineField, this);
  tag_->SetMaxLength(4);
  tag_->SetLiteral(true);
  tag_->SetText(tagcode::Chars(control.type));
  shown_tag_ = tag_->GetText();
  text_ = new TextBox(TextBox::kEditor, this);
  text_->SetLiteral(true);
  // A text longer than the field's limit is shown whole: cutting it would save it cut.
  text_->SetMaxLength(std::max<int32_t>(kTextLimit, static_cast<int32_t>(control.text.size())));
  text_->SetText(control.text);
  shown_text_ = text_->GetText();
  line_end_ = LineEndOf(control.text);
  text_->SelectAll();
  ::Connect<&EditControlDialog::OnTypeChosen>(type_->selection_changed, this);

  const int32_t lh = LineHeight();
  const int32_t text_top = 3 * (lh + 6) + 8;
  const int32_t text_bottom = text_top + 5 * lh + 4;
  SetClientSize({kContentWidth, text_bottom + 8 + Button::Height() + kButtonGap});
  OnResized();
  Window::SetTabOrder({id_, type_, tag_, text_});
  SetTabOrder(text_);
  Window::SetFocus(id_, 0);
}

int32_t EditControlDialog::LineHeight() const {
  const Font* font = GetFont() ? GetFont() : DefaultFont();
  return font ? font->line_height() : 16;
}

void EditControlDialog::OnResized() {
  DialogWindow::OnResized();
  if (!text_) return;
  const int32_t lh = LineHeight();
  const int32_t rows[4] = {8, lh + 14, 2 * (lh + 6) + 8, 3 * (lh + 6) + 8};
  const int32_t heights[4] = {lh + 4, type_->RowHeight(), lh + 4, 5 * lh + 4};
  Window* fields[4] = {id_, type_, tag_, text_};
  for (int i = 0; i < 4; ++i) {
    labels_[i]->SetFrameRect({kLabelX, rows[i] + 2, kLabelX + kLabelWidth, rows[i] + lh + 2});
    fields[i]->SetFrameRect({kFieldX, rows[i], kFieldX + kFieldWidth, rows[i] + heights[i]});
  }
}

void EditControlDialog::OnTypeChosen(intptr_t selection) {
  const auto* chosen = reinterpret_cast<const ComboBox::Selection*>(selection);
  if (!chosen || !chosen->item) return;
  tag_->SetText(tagcode::Chars(static_cast<uint32_t>(chosen->id)));
}

bool EditControlDialog::Accept() {
  int32_t id = 0;
  if (!id_->GetInteger(id) || id < std::numeric_limits<int16_t>::min() ||
      id > std::numeric_limits<int16_t>::max()) {
    MessageBoxWindow::Show("Invalid ID", "The ID must be a whole number from -32768 to 32767.",
                           {"OK"});
    Window::SetFocus(id_, 0);
    return false;
  }
  const std::string tag = tag_->GetText();
  // A type whose code the field cannot show whole (a zero byte in it) stays as it was unless
  // another is chosen or typed.
  const bool type_kept = tag == shown_tag_;
  if (tag.size() != 4 && !type_kept) {
    MessageBoxWindow::Show("Invalid Type", "The tag must be exactly four characters.", {"OK"});
    Window::SetFocus(tag_, 0);
    return false;
  }
  result_.id = static_cast<int16_t>(id);
  if (!type_kept) result_.type = tagcode::Make(tag);
  const std::string text = text_->GetText();
  if (text != shown_text_) {
    std::string stored;
    for (char c : text) {
      if (c == '\n')
        stored += line_end_;
      else
        stored += c;
    }
    result_.text = std::move(stored);
  }
  return true;
}

bool EditControlDialog::Edit(DialogControl& control) {
  auto* dialog = new EditControlDialog(control);
  const bool ok = dialog->RunModal() == 1;
  if (ok) control = dialog->result();
  Window::Close(dialog);
  return ok;
}
