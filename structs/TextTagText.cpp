#include "structs/TextTagText.h"

#include <algorithm>

#include "tags/TagCode.h"

namespace texttag {

bool IsStringList(uint32_t group) {
  return group == tagcode::Make("stli") || group == tagcode::Make("temp");
}

Loaded TextFromData(uint32_t group, std::span<const uint8_t> data) {
  Loaded out;
  if (IsStringList(group)) {
    size_t start = 0;
    size_t empty = 0;  // since the last kept string
    for (size_t i = 0; i <= data.size(); ++i) {
      const bool end = i == data.size() || data[i] == 0 || data[i] == '\n' || data[i] == '\r';
      if (!end) continue;
      if (i > start) {
        out.text.append(reinterpret_cast<const char*>(data.data()) + start, i - start);
        out.text += '\n';
        out.dropped += empty;
        empty = 0;
      } else if (i < data.size()) {
        ++empty;
      }
      start = i + 1;
    }
    out.ok = true;
    return out;
  }
  const auto zero = std::find(data.begin(), data.end(), uint8_t{0});
  if (std::any_of(zero, data.end(), [](uint8_t b) { return b != 0; })) {
    out.zero_offset = static_cast<size_t>(zero - data.begin());
    return out;
  }
  out.text.assign(data.begin(), zero);
  out.ok = true;
  return out;
}

std::vector<uint8_t> DataFromText(std::string_view text) {
  std::vector<uint8_t> out(text.begin(), text.end());
  std::replace(out.begin(), out.end(), uint8_t{'\n'}, uint8_t{'\r'});
  return out;
}

std::string WithLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace texttag
