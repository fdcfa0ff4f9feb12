#include "structs/ui/TextEdit.h"

#include <limits>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "gui/TextBox.h"
#include "structs/TextTagText.h"
#include "tags/TagStream.h"

TextEdit::TextEdit(const TagHeader& header) : TagEdit(header) {
  box_ = new TextBox(TextBox::kEditor, this);
  // A tag's text is taken whole, however long: a box that cut it would save it cut.
  box_->SetMaxLength(std::numeric_limits<int32_t>::max());
  box_->SetLiteral(true);
  Connect<&TextEdit::OnTextChanged>(box_->text_changed, this);
  SetInitialFocus(box_);
  SetClientSize(kClientSize);
  OnResized();
}

TagEdit* TextEdit::Make(const TagHeader& header) {
  return new TextEdit(header);
}

void TextEdit::OnResized() {
  const Rect& client = ClientRect();
  box_->SetFrameRect({0, 0, client.Width(), client.Height()});
}

bool TextEdit::ReadData(TagStream& stream, const TagHeader& header) {
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data)) return false;
  const texttag::Loaded loaded = texttag::TextFromData(header.group, data);
  if (!loaded.ok) {
    ReportLoadProblem(kLog, "a zero byte at offset " + std::to_string(loaded.zero_offset) +
                                " comes before more of its text");
    return false;
  }
  if (loaded.dropped > 0) {
    LogMessage(1, kLog,
               "%s: %zu empty string%s dropped; the strings after %s move up when it is saved.\n",
               header.Name().c_str(), loaded.dropped, loaded.dropped == 1 ? " was" : "s were",
               loaded.dropped == 1 ? "it" : "them");
  }
  loading_ = true;
  box_->SetText(loaded.text);
  loading_ = false;
  box_->ScrollToRow(0);
  return true;
}

bool TextEdit::WriteData(ByteWriter& out, TagHeader& /*header*/) {
  const std::vector<uint8_t> data = texttag::DataFromText(box_->GetText());
  if (!data.empty()) out.WriteBytes(data);
  return true;
}

void TextEdit::OnTextChanged(intptr_t) {
  if (!loading_ && !dirty()) MarkDirty(true);
}
