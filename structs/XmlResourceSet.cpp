#include "structs/XmlResourceSet.h"

#include <sys/stat.h>
#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

namespace {

bool LowerEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    const auto lx = x >= 'A' && x <= 'Z' ? x + 32 : x;
    if (lx != y) return false;
  }
  return true;
}

// What other systems leave in folders, never resources.
bool IsLitter(std::string_view name) {
  return name == "." || name == ".." || LowerEquals(name, ".ds_store") ||
         LowerEquals(name, "thumbs.db") || LowerEquals(name, "desktop.ini");
}

bool HasXmlName(std::string_view file) {
  return file.size() >= 4 && LowerEquals(file.substr(file.size() - 4), ".xml");
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where an element of TinyXML's would start: its parser takes '<' followed by a letter, '_'
// or any byte from 127 up as a start tag.
bool IsNameStart(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 127 || c == '_' || (byte < 127 && std::isalpha(byte) != 0);
}

// TinyXML parses each level of elements with a call of its own, so a deep enough file runs it
// out of stack. This walks the markup without recursing, the way TinyXML will cut it into
// nodes, and returns the line of the first element more than `limit` levels deep (0: none).
// Where the two could read a malformed file differently this one counts at least as deep.
int LineTooDeep(std::string_view text, int limit) {
  const size_t n = text.size();
  int depth = 0;
  int line = 1;
  size_t i = 0;
  // Moves to just past `end` (or the end of the text), counting lines on the way.
  auto skip_past = [&](size_t from, std::string_view end) {
    const size_t at = text.find(end, from);
    const size_t stop = at == std::string_view::npos ? n : at + end.size();
    line += static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(i),
                                        text.begin() + static_cast<std::ptrdiff_t>(stop), '\n'));
    i = stop;
  };
  while (i < n) {
    const char c = text[i];
    if (c != '<') {
      if (c == '\n') ++line;
      ++i;
      continue;
    }
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("<!--")) {
      skip_past(i + 4, "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      skip_past(i + 9, "]]>");
    } else if (rest.size() > 1 && rest[1] == '/') {
      if (depth > 0) --depth;
      skip_past(i + 2, ">");
    } else if (rest.size() > 1 && IsNameStart(rest[1])) {
      if (++depth > limit) return line;
      // The start tag runs to the first '>' outside an attribute's quoted value.
      size_t j = i + 1;
      bool after_equals = false;
      for (; j < n; ++j) {
        const char ch = text[j];
        if (ch == '\n') ++line;
        if (ch == '>') {
          if (text[j - 1] == '/') --depth;
          break;
        }
        if (ch == '=') {
          after_equals = true;
        } else if ((ch == '"' || ch == '\'') && after_equals) {
          const size_t close = text.find(ch, j + 1);
          // An unclosed quote runs to the end of the text.
          const size_t stop = close == std::string_view::npos ? n : close;
          line +=
              static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(j + 1),
                                          text.begin() + static_cast<std::ptrdiff_t>(stop), '\n'));
          j = stop;
          after_equals = false;
        } else if (!IsBlank(ch)) {
          after_equals = false;
        }
      }
      i = j + 1;
    } else {
      // Declarations, processing instructions, DOCTYPE and stray '<': to the next '>'.
      skip_past(i + 1, ">");
    }
  }
  return 0;
}

void Add(std::vector<StructProblem>* problems, StructProblem problem) {
  if (problems != nullptr) problems->push_back(std::move(problem));
}

struct FoundFile {
  std::string relative;
  std::filesystem::path path;
  uint64_t size = 0;
};

// Lists the regular files below `folder`, following links but entering each folder once.
class Walk {
 public:
  explicit Walk(std::vector<StructProblem>* problems) : problems_(problems) {}

  void Folder(const std::filesystem::path& folder, const std::string& relative) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      Add(problems_, StructProblem::Error(relative.empty() ? folder.string() : relative, 0,
                                          "the folder cannot be read"));
      return;
    }
    if (!seen_.insert({info.st_dev, info.st_ino}).second) return;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
      Add(problems_, StructProblem::Error(relative.empty() ? folder.string() : relative, 0,
                                          "the folder cannot be listed: " + error.message()));
      return;
    }
    std::vector<std::pair<std::string, std::filesystem::path>> children;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
      if (error) break;
      const std::string name = it->path().filename().string();
      if (IsLitter(name)) continue;
      children.emplace_back(relative.empty() ? name : relative + "/" + name, it->path());
    }
    for (const auto& [child_relative, path] : children) {
      struct stat child {};
      if (::stat(path.c_str(), &child) != 0) continue;  // a link to nothing
      if (S_ISDIR(child.st_mode)) {
        Folder(path, child_relative);
      } else if (S_ISREG(child.st_mode)) {
        files_.push_back({child_relative, path, static_cast<uint64_t>(child.st_size)});
      }
    }
  }

  std::vector<FoundFile>& files() { return files_; }

 private:
  std::vector<StructProblem>* problems_;
  std::set<std::pair<dev_t, ino_t>> seen_;
  std::vector<FoundFile> files_;
};

bool UnderShippedFolder(const std::string& relative) {
  return relative.starts_with("structs/");
}

// At most `limit` + 1 bytes, so a file that grew since it was listed is still caught.
bool ReadFile(const std::filesystem::path& path, uint64_t limit, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  text.clear();
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, got);
    if (text.size() > limit) break;
  }
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// The first bytes of a file (all of a shorter one).
bool ReadHead(const std::filesystem::path& path, size_t count, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  text.resize(count);
  text.resize(std::fread(text.data(), 1, count, file));
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// Whether the text starts with markup past blanks and byte-order marks: none when the text is
// nothing but those (a longer file may still go on with markup).
std::optional<bool> StartsWithMarkup(std::string_view text) {
  size_t start = 0;
  for (;;) {
    if (text.substr(start, 3) == "\xEF\xBB\xBF") {
      start += 3;
    } else if (start < text.size() && IsBlank(text[start])) {
      ++start;
    } else {
      break;
    }
  }
  if (start == text.size()) return std::nullopt;
  return text[start] == '<';
}

// Other files may lie in the folder; only one named as XML is worth a word.
void NotMarkup(const std::string& file, std::vector<StructProblem>* problems) {
  if (HasXmlName(file)) {
    Add(problems,
        StructProblem::Warning(file, 0, "the file does not start with '<'; it is not read as XML"));
  }
}

std::string TooLarge() {
  return "the file is over " + std::to_string(XmlResourceSet::kMaxFileBytes >> 20) +
         " MiB; it is not read";
}

}  // namespace

XmlResourceSet::XmlResourceSet() = default;
XmlResourceSet::~XmlResourceSet() = default;
XmlResourceSet::XmlResourceSet(XmlResourceSet&&) noexcept = default;
XmlResourceSet& XmlResourceSet::operator=(XmlResourceSet&&) noexcept = default;

void XmlResourceSet::LoadFolder(const std::filesystem::path& folder,
                                std::vector<StructProblem>* problems,
                                const std::filesystem::path& user_folder) {
  Walk walk(problems);
  walk.Folder(folder, "");
  if (!user_folder.empty()) walk.Folder(user_folder, user_folder.string());
  std::vector<FoundFile>& files = walk.files();
  // A user's description anywhere else comes before the ones shipped under structs/, so its
  // names win.
  std::sort(files.begin(), files.end(), [](const FoundFile& a, const FoundFile& b) {
    const bool a_shipped = UnderShippedFolder(a.relative);
    const bool b_shipped = UnderShippedFolder(b.relative);
    if (a_shipped != b_shipped) return b_shipped;
    return a.relative < b.relative;
  });
  // The fonts, images and packs beside the descriptions are told apart by their first bytes,
  // without reading them whole.
  constexpr size_t kHeadBytes = 512;
  std::string text;
  for (const FoundFile& file : files) {
    if (file.size > kMaxFileBytes) {
      Add(problems, StructProblem::Error(file.relative, 0, TooLarge()));
      continue;
    }
    if (!ReadHead(file.path, kHeadBytes, text)) {
      Add(problems, StructProblem::Error(file.relative, 0, "the file cannot be read"));
      continue;
    }
    if (StartsWithMarkup(text) == false) {
      NotMarkup(file.relative, problems);
      continue;
    }
    if (!ReadFile(file.path, kMaxFileBytes, text)) {
      Add(problems, StructProblem::Error(file.relative, 0, "the file cannot be read"));
      continue;
    }
    LoadText(file.relative, text, problems);
  }
}

bool XmlResourceSet::LoadText(const std::string& file, const std::string& text,
                              std::vector<StructProblem>* problems) {
  if (text.size() > kMaxFileBytes) {
    Add(problems, StructProblem::Error(file, 0, TooLarge()));
    return false;
  }
  if (!StartsWithMarkup(text).value_or(false)) {
    NotMarkup(file, problems);
    return false;
  }
  if (const void* zero = std::memchr(text.data(), 0, text.size())) {
    const auto at = static_cast<const char*>(zero) - text.data();
    const int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
    Add(problems, StructProblem::Error(file, line, "the file holds a zero byte; it is not XML"));
    return false;
  }
  if (const int line = LineTooDeep(text, kMaxNesting)) {
    Add(problems, StructProblem::Error(file, line,
                                       "elements nest more than " + std::to_string(kMaxNesting) +
                                           " levels deep; the file is not read"));
    return false;
  }
  // TinyXML steps over a UTF-8 sequence by the length its lead byte announces without looking
  // for the end of the text, so a lead byte among the last three bytes would make it read past
  // the terminator. Four more zeros give any such step somewhere to land.
  std::string terminated;
  terminated.reserve(text.size() + 4);
  terminated.append(text).append(4, '\0');
  auto document = std::make_unique<TiXmlDocument>();
  document->Parse(terminated.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
  if (document->Error()) {
    StructProblem problem = StructProblem::Error(
        file, document->ErrorRow(),
        "not well-formed XML (column " + std::to_string(document->ErrorCol()) +
            "): " + (document->ErrorDesc() != nullptr ? document->ErrorDesc() : "unknown error"));
    problem.column = document->ErrorCol();
    Add(problems, std::move(problem));
    return false;
  }
  const TiXmlElement* root = document->FirstChildElement("zarvxmlfile");
  if (root == nullptr) {
    const TiXmlElement* top = document->FirstChildElement();
    Add(problems,
        StructProblem::Warning(file, top != nullptr ? top->Row() : 0,
                               "no top-level zarvxmlfile element; the file adds no descriptions"));
    return false;
  }
  roots_.push_back({file, std::move(document), root});
  return true;
}
