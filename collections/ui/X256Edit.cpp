#include "collections/ui/X256Edit.h"

#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/CollectionLayout.h"
#include "gui/TabWindow.h"
#include "tags/TagStream.h"

X256Edit::X256Edit(const TagHeader& header) : TagEdit(header) {
  tabs_ = new TabWindow(WindowFlag::Visible, this);
  tabs_->SetTitle("Tabs");
  CreatePages();
  SetInitialFocus(tabs_);
  SetClientSize(kClientSize);
  OnResized();
}

X256Edit::~X256Edit() = default;

TagEdit* X256Edit::Make(const TagHeader& header) {
  return new X256Edit(header);
}

void X256Edit::CreatePages() {
  // ---- The pages, in tab order: Bitmaps, Shadows, Sequences, Hue Changes, Color Table,
  // Flags, Optimize. Each is a child of tabs_ made with (X256EditHost&, Window* parent).
}

void X256Edit::OnResized() {
  const Rect& client = ClientRect();
  tabs_->SetFrameRect({0, 0, client.Width(), client.Height()});
}

bool X256Edit::ReadData(TagStream& stream, const TagHeader& header) {
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data)) {
    ReportLoadProblem(
        kLog, "its " + std::to_string(header.data_size) + " bytes of data could not be read");
    return false;
  }
  std::string error;
  if (!collection_.Load(data, header, true, error)) {
    ReportLoadProblem(kLog, error);
    return false;
  }
  return true;
}

bool X256Edit::WriteData(ByteWriter& out, TagHeader& header) {
  std::string error;
  return collection_.Save(out, header, error);
}

bool X256Edit::Create(uint32_t group, std::string_view name) {
  if (!TagEdit::Create(group, name)) return false;
  collection_ = Collection();
  return true;
}
