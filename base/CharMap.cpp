#include "base/CharMap.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "base/MacRoman.h"

namespace {

static_assert(kCharMapEntryCount == kMacRomanPrintableCount);

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one code point at `pos` and moves past it. A malformed sequence consumes only its
// first byte, so the bytes after a damaged character still decode.
char32_t DecodeUtf8(std::string_view text, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1F;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0F;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07;
    minimum = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (text.size() - pos < static_cast<size_t>(length)) {
    ++pos;
    return kReplacement;
  }
  for (int k = 1; k < length; ++k) {
    const uint8_t next = byte(pos + k);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += length;
  return cp;
}

}  // namespace

CharMap::CharMap() {
  Reset();
}

void CharMap::Reset() {
  std::copy(kMacRomanToUnicode.begin(), kMacRomanToUnicode.end(), entries_.begin());
}

bool CharMap::LoadFromBytes(std::span<const uint8_t> bytes) {
  if (bytes.size() != kCharMapFileSize) return false;
  for (int i = 0; i < kCharMapEntryCount; ++i) {
    entries_[i] = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return true;
}

CharMapLoadStatus CharMap::Load(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return CharMapLoadStatus::kMissing;
  std::ifstream in(path, std::ios::binary);
  if (!in) return CharMapLoadStatus::kUnreadable;
  // One byte more than a valid file holds is enough to tell that it is too long, whatever its
  // real size; a huge file is never read whole.
  std::vector<char> bytes(kCharMapFileSize + 1);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return CharMapLoadStatus::kUnreadable;
  bytes.resize(static_cast<size_t>(in.gcount()));
  const std::span<const uint8_t> view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return LoadFromBytes(view) ? CharMapLoadStatus::kLoaded : CharMapLoadStatus::kWrongSize;
}

char16_t CharMap::ToWide(uint8_t code) const {
  if (code < kCharMapFirstCode) return code;
  const uint16_t entry = entries_[code - kCharMapFirstCode];
  return entry == 0 ? u' ' : static_cast<char16_t>(entry);
}

uint8_t CharMap::ToNarrow(char16_t wide) const {
  if (wide <= 32) return static_cast<uint8_t>(wide);
  const auto it = std::find(entries_.begin(), entries_.end(), static_cast<uint16_t>(wide));
  if (it != entries_.end()) {
    return static_cast<uint8_t>(kCharMapFirstCode + (it - entries_.begin()));
  }
  return static_cast<uint8_t>(std::min<unsigned>(wide, 255));
}

uint8_t CharMap::FindNarrow(char32_t wide) const {
  if (wide < static_cast<char32_t>(kCharMapFirstCode) || wide > 0xFFFF) return 0;
  const auto it = std::find(entries_.begin(), entries_.end(), static_cast<uint16_t>(wide));
  if (it == entries_.end()) return 0;
  return static_cast<uint8_t>(kCharMapFirstCode + (it - entries_.begin()));
}

std::string CharMap::NarrowToUtf8(std::string_view narrow) const {
  std::string out;
  out.reserve(narrow.size());
  for (char c : narrow) {
    const char32_t wide = ToWide(static_cast<uint8_t>(c));
    AppendUtf8(out, (wide >= 0xD800 && wide <= 0xDFFF) ? kReplacement : wide);
  }
  return out;
}

std::string CharMap::Utf8ToNarrow(std::string_view utf8) const {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t cp = DecodeUtf8(utf8, pos);
    const uint8_t code = cp > 0xFFFF ? uint8_t{255} : ToNarrow(static_cast<char16_t>(cp));
    out.push_back(static_cast<char>(code));
  }
  return out;
}

bool CharMap::Utf8ToNarrowExact(std::string_view utf8, std::string& narrow,
                                char32_t& refused) const {
  narrow.clear();
  size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t cp = DecodeUtf8(utf8, pos);
    const uint8_t code = cp > 0xFFFF ? uint8_t{255} : ToNarrow(static_cast<char16_t>(cp));
    if (ToWide(code) != cp) {
      refused = cp;
      return false;
    }
    narrow.push_back(static_cast<char>(code));
  }
  return true;
}

CharMap& ProgramCharMap() {
  static CharMap map;
  return map;
}
