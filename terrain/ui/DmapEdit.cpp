#include "terrain/ui/DmapEdit.h"

#include <vector>

#include "gui/TextBox.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"

namespace {
constexpr uint32_t kDtexGroup = tagcode::Make("dtex");
}  // namespace

DmapEdit::DmapEdit(const TagHeader& header) : TagEdit(header) {
  text_ = new TextBox(TextBox::kReadOnly, this);
  text_->Show();
  SetInitialFocus(text_);
  SetClientSize(kClientSize);
  OnResized();
}

TagEdit* DmapEdit::Make(const TagHeader& header) {
  return new DmapEdit(header);
}

void DmapEdit::OnResized() {
  const Rect& client = ClientRect();
  text_->SetFrameRect({0, 0, client.Width(), client.Height()});
}

std::string DmapEdit::Listing(const DetailMap& map) {
  Codex& codex = ProgramCodex();
  std::string out;
  for (const DetailSlot& slot : map.slots) {
    if (!slot.HasTexture()) continue;
    CodexEntry* entry = codex.Find(kDtexGroup, slot.dtex);
    const std::string name = entry ? codex.EntryHeader(*entry).Name() : std::string(kNotFound);
    out += tagcode::Display(slot.dtex) + " - " + name + "\n";
  }
  return out;
}

bool DmapEdit::ReadData(TagStream& stream, const TagHeader& header) {
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data)) {
    ReportLoadProblem(
        kLog, "its " + std::to_string(header.data_size) + " bytes of data could not be read");
    return false;
  }
  DetailMap map;
  std::string error;
  if (!DetailMap::Read(data, header, map, error)) {
    ReportLoadProblem(kLog, error);
    return false;
  }
  map_ = std::move(map);
  text_->SetText(Listing(map_));
  return true;
}
