#include "collections/SequenceFolder.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include "base/MessageLog.h"
#include "base/NaturalOrder.h"
#include "collections/DataFile.h"

namespace fs = std::filesystem;

namespace {

bool NaturalThenBytes(const fs::path& a, const fs::path& b) {
  const std::string x = a.filename().string(), y = b.filename().string();
  const int order = NaturalCompare(x, y);
  return order != 0 ? order < 0 : x < y;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// A signed decimal after optional blanks, as "%d" reads it; values past 64 bits saturate so
// that they are refused as too large rather than wrapping into range.
bool ReadNumber(std::string_view text, size_t& pos, int64_t& value) {
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  const size_t start = pos;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
  const size_t digits = pos;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
  if (pos == digits) return false;
  const bool negative = text[start] == '-';
  value = 0;
  for (size_t i = digits; i < pos; ++i) {
    value = value > (INT64_MAX - 9) / 10 ? INT64_MAX : value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  return true;
}

std::string Trimmed(std::string_view text) {
  size_t a = 0, b = text.size();
  while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
  return std::string(text.substr(a, b - a));
}

std::optional<bool> Truth(std::string_view word) {
  for (const char* yes : {"1", "true", "yes", "on"}) {
    if (EqualNoCase(word, yes)) return true;
  }
  for (const char* no : {"0", "false", "no", "off"}) {
    if (EqualNoCase(word, no)) return false;
  }
  return std::nullopt;
}

}  // namespace

void SequenceFolder::ParseName(std::string_view folder_name, std::string& name,
                               bool& has_dimensions, int64_t& views, int64_t& frames) {
  has_dimensions = false;
  views = frames = 0;
  const size_t open = folder_name.rfind('(');
  if (open == std::string_view::npos) {
    name = Trimmed(folder_name);
    return;
  }
  name = Trimmed(folder_name.substr(0, open));
  const std::string_view rest = folder_name.substr(open + 1);
  size_t pos = 0;
  int64_t v = 0, f = 0;
  if (!ReadNumber(rest, pos, v)) return;
  while (pos < rest.size() && std::isspace(static_cast<unsigned char>(rest[pos]))) ++pos;
  if (pos >= rest.size() || rest[pos] != ',') return;
  ++pos;
  if (!ReadNumber(rest, pos, f)) return;
  has_dimensions = true;
  views = v;
  frames = f;
}

SequenceFolder::Script SequenceFolder::ParseScript(std::string_view text) {
  Script script;
  std::istringstream lines{std::string(text)};
  std::string raw;
  while (std::getline(lines, raw)) {
    const std::string line = Trimmed(raw);
    if (line.empty()) continue;
    if (line[0] == '(') {
      script.has_frame_list = true;
      script.frame_list.clear();
      const size_t close = line.find(')');
      const std::string_view list = std::string_view(line).substr(
          1, close == std::string::npos ? std::string::npos : close - 1);
      for (size_t i = 0; i < list.size();) {
        if (list[i] == '~') {
          script.frame_list.push_back(kEmptyFrame);
          ++i;
        } else if (std::isdigit(static_cast<unsigned char>(list[i]))) {
          int64_t n = 0;
          ReadNumber(list, i, n);
          // A number too large for any folder is refused later as naming no image set.
          script.frame_list.push_back(static_cast<int>(std::min<int64_t>(n, INT32_MAX)));
        } else {
          ++i;
        }
      }
      continue;
    }
    std::istringstream words(line);
    std::string key, value;
    words >> key >> value;
    if (EqualNoCase(key, "BitmapOrder")) {
      if (EqualNoCase(value, "FramesThenViews")) script.order = BitmapOrder::kFramesThenViews;
      if (EqualNoCase(value, "ViewsThenFrames")) script.order = BitmapOrder::kViewsThenFrames;
    } else if (EqualNoCase(key, "AlignIndividually")) {
      if (const std::optional<bool> truth = Truth(value)) script.align_individually = truth;
    }
  }
  return script;
}

std::vector<fs::path> SequenceFolder::SequenceFolders(const fs::path& root) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(root, ec)) {
    if (e.is_directory(ec) && e.path().filename().string().rfind('.', 0) != 0)
      out.push_back(e.path());
  }
  std::sort(out.begin(), out.end(), NaturalThenBytes);
  return out;
}

std::vector<fs::path> SequenceFolder::Files(const fs::path& folder) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    // Hidden files are the file manager's, not renders.
    if (e.is_regular_file(ec) && e.path().filename().string().rfind('.', 0) != 0)
      out.push_back(e.path());
  }
  std::sort(out.begin(), out.end(), NaturalThenBytes);
  return out;
}

SequenceFolder SequenceFolder::Read(const fs::path& folder) {
  SequenceFolder s;
  s.path = folder;
  s.folder_name = folder.filename().string();
  ParseName(s.folder_name, s.name, s.has_dimensions, s.views, s.frames);
  std::ifstream script(folder / "script.txt", std::ios::binary);
  if (script) {
    std::ostringstream text;
    text << script.rdbuf();
    s.script = ParseScript(text.str());
  }
  s.bitmaps = Files(folder / "bitmaps");
  s.alphas = Files(folder / "alphas");
  return s;
}

int64_t SequenceFolder::ImageSets() const {
  if (!script.has_frame_list) return frames;
  std::set<int> distinct;
  for (int n : script.frame_list) {
    if (n != kEmptyFrame) distinct.insert(n);
  }
  return static_cast<int64_t>(distinct.size());
}

int64_t SequenceFolder::ImageIndex(int64_t frame, int64_t view, BitmapOrder order) const {
  int64_t set = frame;
  if (script.has_frame_list) {
    const int n = script.frame_list[static_cast<size_t>(frame)];
    if (n == kEmptyFrame) return -1;
    set = n - 1;
  }
  return order == BitmapOrder::kFramesThenViews ? views * set + view : ImageSets() * view + set;
}

bool SequenceFolder::Check(const char* log, int64_t frame_views_left) const {
  const char* folder = folder_name.c_str();
  if (!has_dimensions) {
    LogMessage(0, log,
               "ERROR: the sequence folder '%s' had invalid dimensions, no dimensions in "
               "script.txt and no dimensions in the name.\n",
               folder);
    return false;
  }
  if (views < 1 || frames < 1 || views > kMaxFrameViews || frames > kMaxFrameViews ||
      views * frames > frame_views_left) {
    LogMessage(0, log,
               "ERROR: the sequence folder '%s' asks for %lld views and %lld frames; each must "
               "be at least 1 and the collection can take %lld more frame views.\n",
               folder, static_cast<long long>(views), static_cast<long long>(frames),
               static_cast<long long>(frame_views_left));
    return false;
  }
  if (!alphas.empty() && alphas.size() != bitmaps.size()) {
    LogMessage(0, log, "ERROR: found %d alphas for sequence '%s', expected %d\n",
               static_cast<int>(alphas.size()), folder, static_cast<int>(bitmaps.size()));
    return false;
  }
  const int64_t sets = ImageSets();
  if (script.has_frame_list) {
    if (static_cast<int64_t>(script.frame_list.size()) != frames) {
      LogMessage(0, log,
                 "ERROR: script.txt in sequence folder '%s' specifies %d frames, expected %d\n",
                 folder, static_cast<int>(script.frame_list.size()), static_cast<int>(frames));
      return false;
    }
    for (int n : script.frame_list) {
      if (n != kEmptyFrame && (n < 1 || n > sets)) {
        LogMessage(0, log,
                   "ERROR: script.txt in sequence folder '%s' names frame %d, but its frame "
                   "list has %d distinct frames\n",
                   folder, n, static_cast<int>(sets));
        return false;
      }
    }
  }
  const int64_t needed = sets * views;
  const auto found = static_cast<int64_t>(bitmaps.size());
  if (found < needed) {
    LogMessage(0, log, "ERROR: sequence folder '%s' contains %d bitmaps, expected %d\n", folder,
               static_cast<int>(found), static_cast<int>(needed));
    return false;
  }
  if (found > needed) {
    LogMessage(1, log,
               "WARNING: sequence folder '%s' contains %d bitmaps, expected %d. Some bitmaps will "
               "not be used.\n",
               folder, static_cast<int>(found), static_cast<int>(needed));
  }
  return true;
}

bool SequenceFolder::LoadRender(const char* log, size_t index, Render& out) const {
  const fs::path& color_path = bitmaps[index];
  const std::string color_name = color_path.filename().string();
  std::string error;
  if (!DataFile::loadImage(color_path, out.color, error)) {
    LogMessage(0, log, "ERROR: the color bitmap file '%s' could not be loaded.\n",
               color_name.c_str());
    return false;
  }
  // A render whose palette is the grey ramp loads as greyscale; its levels are the indices.
  const Image& color = out.color;
  const bool grey = color.is(ImageFormat::kGreyscale);
  if ((!color.is(ImageFormat::kIndexed) && !grey) || color.width() > 0xFFFF ||
      color.height() > 0xFFFF || color.width() == 0 || color.height() == 0) {
    LogMessage(0, log, "ERROR: the color bitmap file '%s' was not 8-bit color indexed.\n",
               color_name.c_str());
    return false;
  }
  out.palette.fill(0);
  if (grey || !color.hasPalette()) {
    for (int i = 0; i < 256; ++i) std::fill_n(&out.palette[i * 3], 3, static_cast<uint8_t>(i));
  } else {
    std::copy_n(color.palette().begin(), 768, out.palette.begin());
  }
  out.has_alpha = index < alphas.size();
  if (!out.has_alpha) return true;
  const std::string alpha_name = alphas[index].filename().string();
  if (!DataFile::loadImage(alphas[index], out.alpha, error)) {
    LogMessage(0, log, "ERROR: the alpha bitmap file '%s' could not be loaded.\n",
               alpha_name.c_str());
    return false;
  }
  if (!out.alpha.is(ImageFormat::kGreyscale)) {
    LogMessage(0, log, "ERROR: the alpha bitmap file '%s' was not 8-bit grayscale.\n",
               alpha_name.c_str());
    return false;
  }
  if (out.alpha.width() != color.width() || out.alpha.height() != color.height()) {
    LogMessage(0, log,
               "ERROR: the alpha bitmap file '%s' had different dimensions than its color "
               "counterpart, '%s'.\n",
               alpha_name.c_str(), color_name.c_str());
    return false;
  }
  return true;
}

bool SequenceFolder::Compose(const Render& render, bool invert_alphas,
                             const std::array<uint8_t, 256>& index_of,
                             const std::array<bool, 256>& clear, bool round_alpha, Image& out,
                             Image::Rect& bounds) {
  const uint32_t w = render.color.width(), h = render.color.height();
  const uint8_t* indices = render.color.pixels().data();
  const uint8_t* alpha = render.has_alpha ? render.alpha.pixels().data() : nullptr;
  const uint8_t flip = invert_alphas ? 0xFF : 0;
  // A collection keeps alpha in four bits, so less than this is nothing: the standard and the
  // high-res renders of one sprite must find the same bounds.
  constexpr uint8_t kLeastAlpha = 16;
  // One pass finds the bounds, a second fills only them: renders are mostly background.
  int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = -1, y1 = -1;
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = indices + size_t{y} * w;
    const uint8_t* arow = alpha ? alpha + size_t{y} * w : nullptr;
    const auto opaque = [&](uint32_t x) {
      return !clear[row[x]] && (!arow || static_cast<uint8_t>(arow[x] ^ flip) >= kLeastAlpha);
    };
    uint32_t first = 0;
    while (first < w && !opaque(first)) ++first;
    if (first == w) continue;
    uint32_t last = w - 1;
    while (!opaque(last)) --last;
    x0 = std::min<int32_t>(x0, static_cast<int32_t>(first));
    x1 = std::max<int32_t>(x1, static_cast<int32_t>(last));
    y0 = std::min<int32_t>(y0, static_cast<int32_t>(y));
    y1 = static_cast<int32_t>(y);
  }
  if (x1 < 0) return false;
  bounds = {x0, y0, x1, y1};
  const uint32_t cw = static_cast<uint32_t>(x1 - x0 + 1), ch = static_cast<uint32_t>(y1 - y0 + 1);
  out.setSize(cw, ch, ImageFormat::kIndexedAlpha);
  out.setPalette(256, render.palette.data());
  uint8_t* p = out.mutablePixels().data();
  for (uint32_t y = 0; y < ch; ++y) {
    const size_t from = size_t{y + static_cast<uint32_t>(y0)} * w + static_cast<uint32_t>(x0);
    for (uint32_t x = 0; x < cw; ++x, p += 2) {
      const uint8_t k = indices[from + x];
      uint8_t a = alpha ? static_cast<uint8_t>(alpha[from + x] ^ flip) : 255;
      if (a < kLeastAlpha || clear[k]) a = 0;
      if (round_alpha) a = static_cast<uint8_t>((a >> 4) * 17);
      p[0] = a;
      p[1] = a ? index_of[k] : 0;
    }
  }
  return true;
}
