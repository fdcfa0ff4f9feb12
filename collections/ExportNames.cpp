#include "collections/ExportNames.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include "tags/LocalFolder.h"

std::string ExportNames::Sanitise(std::string_view name) {
  constexpr size_t kMaxBytes = 200;
  std::string out;
  for (char c : name.substr(0, kMaxBytes)) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr) {
      out.push_back('_');
    } else {
      out.push_back(c);
    }
  }
  if (out.empty() || out[0] == '.') out.insert(out.begin(), '_');
  return out;
}

std::string ExportNames::ByNumbering(std::string_view kind, uint32_t number,
                                     std::string_view extension) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04u", number);
  return Sanitise(std::string(kind) + " #" + digits) + std::string(extension);
}

bool ExportNames::ByBitmapName(const std::vector<std::string>& names, bool alpha,
                               std::string_view extension, std::vector<std::string>& out,
                               std::string& message) {
  std::vector<std::string> result;
  std::set<std::string> seen;
  for (const std::string& name : names) {
    std::string file = Sanitise(alpha ? name + " alpha" : name) + std::string(extension);
    std::string folded = file;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!seen.insert(folded).second) {
      message =
          "Export by name is not possible because two or more of the selected bitmaps share the "
          "same name. Running the auto-rename function may be useful.";
      return false;
    }
    result.push_back(std::move(file));
  }
  out = std::move(result);
  return true;
}

bool ExportNames::ForSelection(Mode mode, const std::vector<std::string>& names,
                               const std::vector<bool>& shadows, bool alpha,
                               std::string_view extension, std::vector<std::string>& out,
                               std::string& message) {
  if (mode == kByBitmapName) return ByBitmapName(names, alpha, extension, out, message);
  out.clear();
  for (size_t i = 0; i < names.size(); ++i) {
    const bool shadow = i < shadows.size() && shadows[i];
    out.push_back(ByNumbering(alpha    ? "alpha"
                              : shadow ? "shadow"
                                       : "bitmap",
                              static_cast<uint32_t>(i), extension));
  }
  return true;
}

std::string ExportNames::SequenceCell(uint32_t frame, uint32_t view, bool alpha,
                                      std::string_view extension) {
  char name[64];
  std::snprintf(name, sizeof name, "Frame #%02u, view #%02u%s", frame, view, alpha ? " alpha" : "");
  return Sanitise(name) + std::string(extension);
}

std::filesystem::path ExportNames::InFolder(const std::filesystem::path& folder,
                                            const std::string& file_name) {
  // Sanitised names are plain already; this guards callers that pass something else.
  return folder / (LocalFolder::IsPlainFileName(file_name) ? file_name : Sanitise(file_name));
}
