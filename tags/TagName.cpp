#include "tags/TagName.h"

#include <algorithm>

#include "tags/TagCode.h"

namespace tagname {

namespace {

bool IsReserved(unsigned char c) {
  return c < 0x20 || c == 0x7F ||
         std::string_view("\\/|\"<>*?:").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsWordBreak(char c) {
  return std::string_view(" \t\n()[]{}?!:;-").find(c) != std::string_view::npos;
}

}  // namespace

std::string Sanitise(std::string_view name) {
  name = name.substr(0, std::min(name.find('\0'), name.size()));
  name = name.substr(0, std::min(name.size(), kMaxLength));
  std::string out(name);
  for (char& c : out) {
    if (IsReserved(static_cast<unsigned char>(c))) c = '_';
  }
  // Also turns "." and ".." into the empty name, handled below.
  while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
  if (out.empty()) out.push_back('_');
  return out;
}

std::string WithSuffix(std::string_view base, std::string_view suffix) {
  suffix = suffix.substr(0, std::min(suffix.find('\0'), suffix.size()));
  base = base.substr(0, std::min(base.find('\0'), base.size()));
  if (suffix.size() >= kMaxLength) return Sanitise(suffix);
  const size_t room = kMaxLength - suffix.size();
  const size_t keep = std::min(base.size(), room);
  std::string joined(keep + suffix.size(), '\0');
  std::copy_n(base.begin(), keep, joined.begin());
  std::copy_n(suffix.begin(), suffix.size(), joined.begin() + static_cast<std::ptrdiff_t>(keep));
  return Sanitise(joined);
}

uint32_t DeriveTagId(std::string_view name, const std::function<bool(uint32_t)>& taken) {
  name = name.substr(0, std::min({name.find('\0'), name.size(), size_t{32}}));
  std::string id = "    ";
  // Where each word's characters go and how many it may give.
  constexpr size_t kStart[] = {0, 2, 3};
  constexpr size_t kCount[] = {4, 2, 1};
  size_t word = 0;
  size_t i = 0;
  while (word < 3 && i < name.size()) {
    while (i < name.size() && IsWordBreak(name[i])) ++i;
    if (i == name.size()) break;
    const size_t begin = i;
    while (i < name.size() && !IsWordBreak(name[i])) ++i;
    const size_t n = std::min(i - begin, kCount[word]);
    for (size_t k = 0; k < n; ++k) id[kStart[word] + k] = name[begin + k];
    ++word;
  }
  uint32_t value = tagcode::Make(id);
  // Bounded so a caller that reports every id as taken cannot hang us.
  for (uint64_t tries = 0; value != tagcode::kNone && taken && taken(value) && tries < 0xFFFFFFFFu;
       ++tries) {
    ++value;
  }
  return value;
}

}  // namespace tagname
