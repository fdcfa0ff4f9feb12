#include "app/Preferences.h"

#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>

namespace {

constexpr char kDefaultPrefsPath[] = "res/prefs.txt";

// std::less<std::string> goes through char_traits<char>, which compares bytes as unsigned char,
// so keys with bytes 0x80-0xFF sort after ASCII keys whatever the signedness of char; the file
// is written in this order.
using PrefTable = std::map<std::string, PrefValue>;

PrefTable& Table() {
  static PrefTable table;
  return table;
}

// The table as the file left it at the last load: a key that still holds its value there was
// not changed by this run, so a save takes that key from the file as it is now, where another
// editor may have changed it meanwhile.
PrefTable& Loaded() {
  static PrefTable table;
  return table;
}

bool SameValue(const PrefValue& a, const PrefValue& b) {
  return a.kind == b.kind && a.text == b.text && a.number == b.number;
}

std::string& PathStorage() {
  static std::string path = kDefaultPrefsPath;
  return path;
}

// The white space that ends a key, independent of the C locale.
bool IsKeySpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsTextByte(unsigned char c) {
  return (c >= 0x20 && c <= 0x7E && c != '"') || c >= 0x80;
}

// An entry ends at LF, CR LF, or a lone CR (whatever follows a lone CR starts the next entry).
// The end of the file is not a line end: the writer always ends its lines, so a last line
// without one was cut short, and a cut number (12 of 1234) would otherwise read back wrong.
bool ReadLineEnd(const std::string& s, size_t* pos) {
  size_t at = *pos;
  if (at >= s.size()) return false;
  if (s[at] == '\n') {
    *pos = at + 1;
    return true;
  }
  if (s[at] != '\r') return false;
  ++at;
  if (at < s.size() && s[at] == '\n') ++at;
  *pos = at;
  return true;
}

// Reads an optional minus sign and one or more digits that fit a signed 32-bit value.
bool ReadNumber(const std::string& s, size_t* pos, int32_t* value) {
  constexpr int64_t kMagnitudeLimit = 2147483648;  // |INT32_MIN|
  size_t at = *pos;
  bool negative = at < s.size() && s[at] == '-';
  if (negative) ++at;
  size_t digits_start = at;
  int64_t magnitude = 0;
  while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
    // Keep accumulating only while it can still matter, so a long run of digits cannot
    // overflow the accumulator itself.
    if (magnitude <= kMagnitudeLimit) magnitude = magnitude * 10 + (s[at] - '0');
    ++at;
  }
  if (at == digits_start) return false;
  if (magnitude > (negative ? kMagnitudeLimit : kMagnitudeLimit - 1)) return false;
  *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  *pos = at;
  return true;
}

bool ReadText(const std::string& s, size_t* pos, std::string* text) {
  size_t at = *pos;
  if (at >= s.size() || s[at] != '"') return false;
  size_t start = ++at;
  while (at < s.size() && s[at] != '"') {
    if (!IsTextByte(static_cast<unsigned char>(s[at]))) return false;
    ++at;
  }
  if (at >= s.size()) return false;
  *text = s.substr(start, at - start);
  *pos = at + 1;
  return true;
}

// Reads one entry starting at a line start. On success stores it and moves *pos past its line
// end; on failure leaves *pos alone.
bool ReadEntry(const std::string& s, size_t* pos) {
  size_t key_end = *pos;
  while (key_end < s.size() && !IsKeySpace(static_cast<unsigned char>(s[key_end]))) ++key_end;
  if (key_end == *pos || key_end >= s.size() || s[key_end] != ' ') return false;
  const size_t value_start = key_end + 1;

  size_t at = value_start;
  int32_t number = 0;
  if (ReadNumber(s, &at, &number) && ReadLineEnd(s, &at)) {
    PrefValue& value = Table()[s.substr(*pos, key_end - *pos)];
    value.kind = PrefKind::kNumber;
    value.text.clear();
    value.number = number;
    *pos = at;
    return true;
  }

  at = value_start;
  std::string text;
  if (ReadText(s, &at, &text) && ReadLineEnd(s, &at)) {
    PrefValue& value = Table()[s.substr(*pos, key_end - *pos)];
    value.kind = PrefKind::kText;
    value.text = std::move(text);
    value.number = 0;
    *pos = at;
    return true;
  }
  return false;
}

}  // namespace

void SetPrefsPath(const std::string& path) {
  PathStorage() = path.empty() ? std::string(kDefaultPrefsPath) : path;
}

const std::string& GetPrefsPath() {
  return PathStorage();
}

void ClearPrefs() {
  Table().clear();
  Loaded().clear();
}

void SetPrefDefaults() {
  SetPrefString("VornPath", ".");
  SetPrefInt("ShowSplash", 1);
  // Every Linux swap chain honours the swap interval, so vsync-off is always a safe default
  // to store; the user turns it on in the file.
  SetPrefInt("UseVSync", 0);
  SetPrefInt("UseFullscreen", 0);
}

// Reading policy: a malformed line costs only itself. It is skipped up to its LF and reading
// goes on, so one damaged or hand-mangled line cannot take every later key (VornPath, say) with
// it; the result still reports that something was dropped. Empty lines, and lines holding only
// a CR, are skipped silently: ending the read there, as a blank line once did, would quietly
// lose every entry after a stray blank line. A line that starts with other white space has an
// empty key and counts as malformed.
bool ParsePrefs(const std::string& bytes) {
  bool clean = true;
  size_t pos = 0;
  while (pos < bytes.size()) {
    if (bytes[pos] == '\n') {
      ++pos;
      continue;
    }
    if (bytes[pos] == '\r') {
      ++pos;
      if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
      continue;
    }
    const size_t line_start = pos;
    if (ReadEntry(bytes, &pos)) continue;
    clean = false;
    // Searching from the line start, not from where the entry failed, keeps an LF that the
    // failed value already ran into (a text cut by a line break) as the end of this line.
    size_t line_end = bytes.find('\n', line_start);
    pos = line_end == std::string::npos ? bytes.size() : line_end + 1;
  }
  return clean;
}

bool LoadPrefs() {
  FILE* file = std::fopen(GetPrefsPath().c_str(), "rb");
  if (!file) return false;
  std::string bytes;
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
  // A directory opens fine and fails only here.
  const bool read_ok = !std::ferror(file);
  std::fclose(file);
  if (!read_ok) return false;
  const bool clean = ParsePrefs(bytes);
  Loaded() = Table();
  return clean;
}

std::string SerializePrefs() {
  std::string out;
  for (const auto& [key, value] : Table()) {
    out += key;
    out += ' ';
    if (value.kind == PrefKind::kText) {
      out += '"';
      out += value.text;
      out += '"';
    } else {
      out += std::to_string(value.number);
    }
    out += '\n';
  }
  return out;
}

// The file is only ever replaced by rename(), which is atomic on one file system: a crash or a
// full disk during the write leaves either the old file or the new one, never a torn mix.
//
// Two editors on one file: what is on disk now is read first, and only the keys this run changed
// (or the file lacks) replace its entries, so the later exit keeps what the earlier one saved.
bool SavePrefs() {
  const std::string& path = GetPrefsPath();
  // A temp name of this process's own: two editors saving at once must not share one.
  const std::string temp_path = path + "." + std::to_string(getpid()) + ".tmp";
  const PrefTable mine = std::move(Table());
  const PrefTable loaded_before = std::move(Loaded());
  Table().clear();
  LoadPrefs();  // a missing or damaged file merges as far as it reads
  PrefTable merged = std::move(Table());
  for (const auto& [key, value] : mine) {
    const auto loaded = loaded_before.find(key);
    const bool changed = loaded == loaded_before.end() || !SameValue(loaded->second, value);
    if (changed || !merged.contains(key)) merged[key] = value;
  }
  Table() = std::move(merged);
  const std::string bytes = SerializePrefs();

  FILE* file = std::fopen(temp_path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  // Write errors such as a full disk often surface only when the buffer is flushed.
  ok = std::fflush(file) == 0 && ok;
  // Without this the rename can reach the disk before the data does.
  ok = ok && fsync(fileno(file)) == 0;
  ok = std::fclose(file) == 0 && ok;
  ok = ok && std::rename(temp_path.c_str(), path.c_str()) == 0;
  if (!ok) {
    std::remove(temp_path.c_str());
    // Whatever was not written still differs from the file, so a later try writes it.
    Loaded() = loaded_before;
    return false;
  }
  Loaded() = Table();
  return true;
}

bool IsValidPrefKey(const std::string& key) {
  if (key.empty()) return false;
  for (char c : key) {
    if (IsKeySpace(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool IsStorablePrefText(const std::string& text) {
  for (char c : text) {
    if (!IsTextByte(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool GetPrefInt(const std::string& key, int32_t* out) {
  auto it = Table().find(key);
  if (it == Table().end() || it->second.kind != PrefKind::kNumber) return false;
  *out = it->second.number;
  return true;
}

bool GetPrefString(const std::string& key, std::string* out) {
  auto it = Table().find(key);
  if (it == Table().end() || it->second.kind != PrefKind::kText) return false;
  *out = it->second.text;
  return true;
}

bool GetPrefList(const std::string& key, std::vector<std::string>* out) {
  auto it = Table().find(key);
  if (it == Table().end() || it->second.kind != PrefKind::kText) return false;
  const std::string& text = it->second.text;
  size_t start = 0;
  for (size_t sep = text.find(';'); sep != std::string::npos; sep = text.find(';', start)) {
    out->push_back(text.substr(start, sep - start));
    start = sep + 1;
  }
  // Whatever follows the last ';' is not a finished element and is dropped.
  return !out->empty();
}

bool SetPrefInt(const std::string& key, int32_t value) {
  if (!IsValidPrefKey(key)) return false;
  PrefValue& stored = Table()[key];
  stored.kind = PrefKind::kNumber;
  stored.text.clear();
  stored.number = value;
  return true;
}

bool SetPrefString(const std::string& key, const std::string& text) {
  if (!IsValidPrefKey(key) || !IsStorablePrefText(text)) return false;
  PrefValue& stored = Table()[key];
  stored.kind = PrefKind::kText;
  stored.text = text;
  stored.number = 0;
  return true;
}

bool SetPrefList(const std::string& key, const std::vector<std::string>& list) {
  std::string joined;
  for (const std::string& element : list) {
    if (element.find(';') != std::string::npos) return false;
    joined += element;
    joined += ';';
  }
  return SetPrefString(key, joined);
}
