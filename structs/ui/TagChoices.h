#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class Codex;
class Font;

// The tags of a group as a tag list offers them: every tag in force of the group, by name in
// natural order. Each group is gathered once per object, so the many tag lists of one editor
// share one pass over the index.
class TagChoices {
 public:
  struct Choice {
    uint32_t id = 0;
    std::string name;
  };

  explicit TagChoices(Codex& codex) : codex_(codex) {}

  const std::vector<Choice>& Of(uint32_t group);
  // What a stored id shows as: its tag's name, "<no tag>" for none, and otherwise its four
  // characters (a tag the index does not hold is named by its id, and kept).
  std::string Label(uint32_t group, uint32_t id);
  // The widest of the group's names and "<no tag>" in `font`, measured once per group and font.
  int32_t WidestName(uint32_t group, const Font* font);

 private:
  Codex& codex_;
  std::unordered_map<uint32_t, std::vector<Choice>> groups_;
  struct Widest {
    uint32_t group;
    const Font* font;
    int32_t width;
  };
  std::vector<Widest> widest_;
};
