#include "structs/ui/TagChoices.h"

#include <algorithm>

#include "base/NaturalOrder.h"
#include "gui/TextLayout.h"
#include "structs/TagMember.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"

const std::vector<TagChoices::Choice>& TagChoices::Of(uint32_t group) {
  auto found = groups_.find(group);
  if (found != groups_.end()) return found->second;
  std::vector<Choice>& choices = groups_[group];
  if (group == TagMember::kNoGroup) return choices;
  for (CodexEntry* entry : codex_.Combined()) {
    if (entry->group() != group) continue;
    choices.push_back({entry->tag_id(), codex_.EntryHeader(*entry).Name()});
  }
  std::stable_sort(choices.begin(), choices.end(),
                   [](const Choice& a, const Choice& b) { return NaturalLess(a.name, b.name); });
  return choices;
}

std::string TagChoices::Label(uint32_t group, uint32_t id) {
  if (id == TagMember::kNoTag) return "<no tag>";
  if (CodexEntry* entry = codex_.Find(group, id)) return codex_.EntryHeader(*entry).Name();
  return tagcode::Display(id);
}

int32_t TagChoices::WidestName(uint32_t group, const Font* font) {
  for (const Widest& w : widest_) {
    if (w.group == group && w.font == font) return w.width;
  }
  int32_t widest = MeasureTextWidth(font, "<no tag>", 0, kTextLiteral);
  for (const Choice& choice : Of(group)) {
    widest = std::max(widest, MeasureTextWidth(font, choice.name, 0, kTextLiteral));
  }
  widest_.push_back({group, font, widest});
  return widest;
}
