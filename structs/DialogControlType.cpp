#include "structs/DialogControlType.h"

#include <array>

#include "tags/TagCode.h"

namespace dialogtype {
namespace {
using tagcode::Make;
constexpr std::array<Entry, 36> kTypes = {{
    {Make("bann"), "Banner"},
    {Make("bitm"), "Bitmap"},
    {Make("butt"), "Button"},
    {Make("edit"), "Editable Text"},
    {Make("lste"), "Entrypoint List"},
    {Make("cgrf"), "Carnage Graph"},
    {Make("ched"), "Carnage Header"},
    {Make("cstt"), "Carnage Stats"},
    {Make("chat"), "Chat List"},
    {Make("chek"), "Checkbox"},
    {Make("colr"), "Color Picker"},
    {Make("numb"), "Double Arrow"},
    {Make("game"), "Game Graphic"},
    {Make("gaml"), "Game List"},
    {Make("ipop"), "Icon Popup"},
    {Make("map_"), "Map Graphic"},
    {Make("lstm"), "Map List"},
    {Make("popm"), "Map Popup"},
    {Make("STAT"), "Monster Status"},
    {Make("pass"), "Password Text"},
    {Make("plli"), "Player List"},
    {Make("pbli"), "Plyer List (Buddy)"},
    {Make("poli"), "Player List (Order)"},
    {Make("lstp"), "Plugin List"},
    {Make("popu"), "Popup"},
    {Make("repo"), "Postgame Report"},
    {Make("prog"), "Progress Bar"},
    {Make("prol"), "Prologue Control"},
    {Make("radi"), "Radio Button"},
    {Make("room"), "Room Graphic"},
    {Make("slid"), "Slider Control"},
    {Make("snap"), "Snapshot Image"},
    {Make("stat"), "Static Text"},
    {Make("slst"), "String List"},
    {Make("tabc"), "Tab Control"},
    {Make("lstg"), "Tag List"},
}};

const Entry* Find(uint32_t code) {
  for (const Entry& e : kTypes) {
    if (e.code == code) return &e;
  }
  return nullptr;
}
}  // namespace

std::span<const Entry> All() {
  return kTypes;
}

std::string Name(uint32_t code) {
  if (const Entry* e = Find(code)) return e->name;
  // The four bytes as they are, like the %.4s the name has always been formatted with: a zero
  // byte ends them there.
  std::string chars = tagcode::Chars(code);
  chars.resize(chars.find('\0') == std::string::npos ? 4 : chars.find('\0'));
  return "Unknown(" + chars + ")";
}

bool IsKnown(uint32_t code) {
  return Find(code) != nullptr;
}

}  // namespace dialogtype
