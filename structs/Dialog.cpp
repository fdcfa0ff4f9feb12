#include "structs/Dialog.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "structs/DialogControlType.h"

namespace {

constexpr int32_t kMargin = 16;

int16_t Clamp16(int32_t v) {
  return static_cast<int16_t>(std::clamp<int32_t>(v, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

// The file keeps rectangles as top, left, bottom, right.
bool ReadRect(ByteReader& in, DialogRect& r) {
  int16_t top = 0, left = 0, bottom = 0, right = 0;
  if (!in.ReadI16Be(top) || !in.ReadI16Be(left) || !in.ReadI16Be(bottom) || !in.ReadI16Be(right)) {
    return false;
  }
  r = {left, top, right, bottom};
  return true;
}

void WriteRect(ByteWriter& out, const DialogRect& r) {
  out.WriteU16Be(static_cast<uint16_t>(Clamp16(r.top)));
  out.WriteU16Be(static_cast<uint16_t>(Clamp16(r.left)));
  out.WriteU16Be(static_cast<uint16_t>(Clamp16(r.bottom)));
  out.WriteU16Be(static_cast<uint16_t>(Clamp16(r.right)));
}

}  // namespace

bool Dialog::Read(std::span<const uint8_t> data, Dialog& out, std::string& error) {
  ByteReader in(data);
  Dialog d;
  uint16_t count = 0;
  if (!in.ReadU16Be(d.version) || !in.ReadU16Be(count) || !ReadRect(in, d.rect)) {
    error = "its " + std::to_string(data.size()) + " bytes are too few for the dialog's header";
    return false;
  }
  const size_t records_end = kHeaderSize + kRecordSize * size_t{count};
  if (records_end > data.size()) {
    error = "its " + std::to_string(count) + " controls need " + std::to_string(records_end) +
            " bytes, but the data has " + std::to_string(data.size());
    return false;
  }
  if (records_end == data.size()) {
    error = "the dialog has no texts";
    return false;
  }
  d.controls.resize(count);
  for (DialogControl& c : d.controls) {
    uint32_t type = 0;
    int16_t id = 0;
    // The reserved fields are skipped: a save writes them as zero.
    if (!in.ReadU32Be(type) || !in.Skip(2) || !in.ReadI16Be(id) || !in.Skip(8) ||
        !ReadRect(in, c.rect)) {
      error = "a control record is cut short";
      return false;
    }
    c.type = type;
    c.id = id;
  }
  for (size_t i = 0; i < d.controls.size(); ++i) {
    const size_t start = in.position();
    const uint8_t* begin = data.data() + start;
    const void* zero = std::memchr(begin, 0, data.size() - start);
    if (start == data.size()) {
      error = "the data holds " + std::to_string(i) + (i == 1 ? " text" : " texts") + " for " +
              std::to_string(d.controls.size()) + " controls";
      return false;
    }
    if (!zero) {
      error = "control " + std::to_string(i) + "'s text at offset " + std::to_string(start) +
              " has no zero byte ending it";
      return false;
    }
    const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - begin);
    d.controls[i].text.assign(reinterpret_cast<const char*>(begin), length);
    if (!in.Skip(length + 1)) {
      error = "a text runs past the data";
      return false;
    }
  }
  d.trailing.assign(data.begin() + static_cast<std::ptrdiff_t>(in.position()), data.end());
  out = std::move(d);
  return true;
}

bool Dialog::Write(ByteWriter& out, std::string& error) const {
  if (controls.empty()) {
    error = "a dialog without controls has no texts to write";
    return false;
  }
  if (controls.size() > std::numeric_limits<uint16_t>::max()) {
    error = "a dialog holds at most 65535 controls";
    return false;
  }
  for (size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].text.find('\0') != std::string::npos) {
      error = "control " + std::to_string(i) + "'s text holds a zero byte";
      return false;
    }
  }
  out.WriteU16Be(version);
  out.WriteU16Be(static_cast<uint16_t>(controls.size()));
  WriteRect(out, rect);
  for (const DialogControl& c : controls) {
    out.WriteU32Be(c.type);
    out.WriteZeros(2);
    out.WriteU16Be(static_cast<uint16_t>(c.id));
    out.WriteZeros(8);
    WriteRect(out, c.rect);
  }
  for (const DialogControl& c : controls) {
    out.WriteBytes(std::span(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size()));
    out.WriteU8(0);
  }
  out.WriteBytes(trailing);
  return true;
}

std::optional<int16_t> Dialog::NextId() const {
  if (controls.empty()) return int16_t{1};
  int32_t largest = std::numeric_limits<int16_t>::min();
  for (const DialogControl& c : controls) largest = std::max<int32_t>(largest, c.id);
  if (largest < std::numeric_limits<int16_t>::max()) return static_cast<int16_t>(largest + 1);
  std::vector<bool> used(32768, false);
  for (const DialogControl& c : controls) {
    if (c.id >= 0) used[static_cast<size_t>(c.id)] = true;
  }
  const auto free = std::find(used.begin(), used.end(), false);
  if (free == used.end()) return std::nullopt;
  return static_cast<int16_t>(free - used.begin());
}

bool Dialog::Contains(int32_t x, int32_t y) const {
  return x >= 0 && y >= 0 && x < rect.Width() && y < rect.Height();
}

std::optional<DialogControl> Dialog::NewControlAt(int32_t x, int32_t y) const {
  if (!Contains(x, y)) return std::nullopt;
  const std::optional<int16_t> id = NextId();
  if (!id) return std::nullopt;
  DialogControl c;
  c.type = kButton;
  c.id = *id;
  c.rect = {x - kNewWidth / 2, y - kNewHeight / 2, x + kNewWidth / 2, y + kNewHeight / 2};
  return c;
}

int32_t Dialog::Remove(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= controls.size()) return -1;
  controls.erase(controls.begin() + index);
  if (controls.empty()) return -1;
  return std::min<int32_t>(index, static_cast<int32_t>(controls.size()) - 1);
}

bool Dialog::MoveEarlier(int32_t index) {
  if (index <= 0 || static_cast<size_t>(index) >= controls.size()) return false;
  std::swap(controls[static_cast<size_t>(index)], controls[static_cast<size_t>(index) - 1]);
  return true;
}

bool Dialog::MoveLater(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) + 1 >= controls.size()) return false;
  std::swap(controls[static_cast<size_t>(index)], controls[static_cast<size_t>(index) + 1]);
  return true;
}

Dialog::Zone Dialog::ZoneAt(const DialogRect& r, int32_t x, int32_t y, bool ctrl) {
  if (x < r.left || x > r.right || y < r.top || y > r.bottom) return Zone::kNone;
  if (ctrl) return Zone::kMove;
  const bool left = x - r.left < kEdgeGrip;
  const bool right = r.right - x < kEdgeGrip;
  const bool top = y - r.top < kEdgeGrip;
  const bool bottom = r.bottom - y < kEdgeGrip;
  if (top && left) return Zone::kTopLeft;
  if (bottom && right) return Zone::kBottomRight;
  if (bottom && left) return Zone::kBottomLeft;
  if (top && right) return Zone::kTopRight;
  if (left) return Zone::kLeft;
  if (top) return Zone::kTop;
  if (bottom) return Zone::kBottom;
  if (right) return Zone::kRight;
  return Zone::kNone;
}

DialogRect Dialog::Dragged(const DialogRect& r, Zone zone, int32_t dx, int32_t dy) {
  DialogRect out = r;
  const bool moves_left = zone == Zone::kMove || zone == Zone::kLeft || zone == Zone::kTopLeft ||
                          zone == Zone::kBottomLeft;
  const bool moves_right = zone == Zone::kMove || zone == Zone::kRight || zone == Zone::kTopRight ||
                           zone == Zone::kBottomRight;
  const bool moves_top = zone == Zone::kMove || zone == Zone::kTop || zone == Zone::kTopLeft ||
                         zone == Zone::kTopRight;
  const bool moves_bottom = zone == Zone::kMove || zone == Zone::kBottom ||
                            zone == Zone::kBottomLeft || zone == Zone::kBottomRight;
  if (moves_left) out.left += dx;
  if (moves_right) out.right += dx;
  if (moves_top) out.top += dy;
  if (moves_bottom) out.bottom += dy;
  return out;
}

int32_t Dialog::ControlAt(int32_t x, int32_t y) const {
  for (size_t i = controls.size(); i-- > 0;) {
    const DialogRect& r = controls[i].rect;
    if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) return static_cast<int32_t>(i);
  }
  return -1;
}

std::string Dialog::ControlRowText(size_t index) const {
  const DialogControl& c = controls[index];
  std::string row = std::to_string(c.id) + " | " + dialogtype::Name(c.type);
  if (!c.text.empty()) row += " | text:\"" + c.text + "\"";
  return row;
}

std::vector<Dialog::InfoRow> Dialog::InfoRows() const {
  std::vector<InfoRow> rows;
  rows.reserve(11 + controls.size());
  rows.push_back({kFactRow, "Version: " + std::to_string(version)});
  rows.push_back(
      {kFactRow, "Size: " + std::to_string(rect.Width()) + "x" + std::to_string(rect.Height())});
  rows.push_back({kFactRow, "Position: (" + std::to_string(rect.left) + ", " +
                                std::to_string(rect.top) + ")"});
  for (const char* text :
       {"--", "Controls..................", "Ctrl+A to add under mouse", "Delete to remove",
        "Ctrl+Drag/Arrow to move", "Shift+Drag/Arrow to resize", "Ctrl+[+/-] to reorder", "--"}) {
    rows.push_back({kFactRow, text});
  }
  for (size_t i = 0; i < controls.size(); ++i) rows.push_back({i, ControlRowText(i)});
  return rows;
}

int32_t Dialog::ScrollWidth() const {
  return std::max<int32_t>(0, rect.Width()) + 2 * kMargin;
}

int32_t Dialog::ScrollHeight() const {
  return std::max<int32_t>(0, rect.Height()) + 2 * kMargin;
}
