#include "tools/zarv-tool/ToolText.h"

#include <cstdio>

#include "base/CharMap.h"

namespace {

// The code point of the UTF-8 sequence at `i` and its length in bytes, or 0 when the bytes there
// are no whole sequence.
int DecodeAt(const std::string& utf8, size_t i, char32_t& code) {
  const auto lead = static_cast<unsigned char>(utf8[i]);
  const int length = lead < 0x80         ? 1
                     : (lead >> 5) == 6  ? 2
                     : (lead >> 4) == 14 ? 3
                     : (lead >> 3) == 30 ? 4
                                         : 0;
  code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
  bool valid = length > 0 && i + length <= utf8.size();
  for (int k = 1; valid && k < length; ++k) {
    const auto next = static_cast<unsigned char>(utf8[i + k]);
    valid = (next & 0xC0) == 0x80;
    code = code << 6 | (next & 0x3F);
  }
  return valid ? length : 0;
}

}  // namespace

std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

void PrintJson(std::ostream& out, const nlohmann::json& doc) {
  out << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

std::string EightBitFromUtf8(const std::string& utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t code = 0;
    const int length = DecodeAt(utf8, i, code);
    if (length == 0) {
      out.push_back('_');
      ++i;
      continue;
    }
    i += static_cast<size_t>(length);
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
      continue;
    }
    const uint8_t narrow = ProgramCharMap().FindNarrow(code);
    out.push_back(narrow == 0 ? '_' : static_cast<char>(narrow));
  }
  return out;
}

bool EightBitFromUtf8Exactly(const std::string& utf8, std::string& out, size_t& line,
                             size_t& column) {
  out.clear();
  line = 1;
  column = 1;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t code = 0;
    const int length = DecodeAt(utf8, i, code);
    if (length == 0) return false;
    uint8_t narrow = static_cast<uint8_t>(code);
    if (code >= 0x80) {
      narrow = ProgramCharMap().FindNarrow(code);
      if (narrow == 0) return false;
    }
    out.push_back(static_cast<char>(narrow));
    i += static_cast<size_t>(length);
    const bool crlf = code == '\r' && i < utf8.size() && utf8[i] == '\n';
    if ((code == '\n' || code == '\r') && !crlf) {
      ++line;
      column = 1;
    } else if (!crlf) {
      ++column;
    }
  }
  return true;
}

std::string Utf8FromEightBit(const std::string& text) {
  return ProgramCharMap().NarrowToUtf8(text);
}
