#include "tools/zarv-tool/ToolText.h"

#include <cstdio>

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
