#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "structs/DialogControl.h"

class ByteWriter;

// An interface dialog tag (`bina`): a version, the dialog's rectangle and its controls in
// order, each with a text. The file is big-endian: a 12-byte header, one 24-byte record per
// control and then the texts, each ended by a zero byte. Whatever follows the last text is
// kept as it is and written back after the texts, so a dialog saved unchanged keeps its bytes.
//
// The editing operations live here too, so that the editor and the command-line tool change a
// dialog the same way.
class Dialog {
 public:
  static constexpr size_t kHeaderSize = 12;
  static constexpr size_t kRecordSize = 24;
  static constexpr uint32_t kButton = 0x62757474;  // 'butt'
  static constexpr int32_t kNewWidth = 100;
  static constexpr int32_t kNewHeight = 50;
  static constexpr int32_t kEdgeGrip = 4;  // pixels from an edge that still take it
  // The id of info rows that stand for no control (a control row's id is its index).
  static constexpr uint64_t kFactRow = ~uint64_t{0};

  // Which edges a drag moves.
  enum class Zone : int32_t {
    kNone = 0,
    kMove,
    kTopLeft,
    kBottomRight,
    kBottomLeft,
    kTopRight,
    kLeft,
    kTop,
    kBottom,
    kRight,
  };

  struct InfoRow {
    uint64_t id = kFactRow;
    std::string text;
  };

  uint16_t version = 0;
  DialogRect rect;
  std::vector<DialogControl> controls;
  std::vector<uint8_t> trailing;  // the bytes after the last control's text

  bool operator==(const Dialog&) const = default;

  // Fails with a one-line reason (lower case, no full stop) when the records do not fit the
  // data, when a control's text is missing or not ended, or when there are no texts at all.
  // Nothing past `data` is read and nothing is allocated before the sizes are checked.
  static bool Read(std::span<const uint8_t> data, Dialog& out, std::string& error);
  // Fails (writing nothing) without controls, with more controls than the count field holds,
  // or with a text that holds a zero byte (it would end the text early and shift every later
  // one). Edges outside the 16-bit range are clamped to it.
  bool Write(ByteWriter& out, std::string& error) const;

  // The id a new control gets: one more than the largest, or when that would not fit, the
  // smallest id no control has counting from 0; 1 for the first control. None when every id
  // is taken.
  std::optional<int16_t> NextId() const;
  // The control Ctrl+A would add with the pointer at (x, y): a button centred there. None when
  // the point is outside the dialog or no id is free.
  std::optional<DialogControl> NewControlAt(int32_t x, int32_t y) const;
  bool Contains(int32_t x, int32_t y) const;
  // Removes control `index` and answers the index to select after it (the one now at the
  // same place, else the one before), or -1 when none is left or `index` was not a control.
  int32_t Remove(int32_t index);
  // Swaps control `index` with its neighbour; false at the ends (and for no control).
  bool MoveEarlier(int32_t index);
  bool MoveLater(int32_t index);

  // The zone of a press at (x, y) on `r`: with Ctrl anywhere on it moves it; otherwise within
  // the grip of its edges, corners before edges. kNone off the control and in its interior.
  static Zone ZoneAt(const DialogRect& r, int32_t x, int32_t y, bool ctrl);
  // The rectangle at the press with the zone's edges moved by (dx, dy).
  static DialogRect Dragged(const DialogRect& at_press, Zone zone, int32_t dx, int32_t dy);
  // The topmost control (the last drawn) that a press at (x, y) lands on, or -1.
  int32_t ControlAt(int32_t x, int32_t y) const;

  // The info list: the facts, the key help and one row per control.
  std::vector<InfoRow> InfoRows() const;
  // One control's row text.
  std::string ControlRowText(size_t index) const;
  // What the canvas scrolls over: the dialog's size and a margin of 16 on each side, never
  // negative for a rectangle stored upside down.
  int32_t ScrollWidth() const;
  int32_t ScrollHeight() const;
};
