#pragma once
#include <cstdint>
#include <string>

// A rectangle in dialog coordinates: the dialog's top-left corner is the origin. Edges are
// kept wider than the 16 bits the tag stores, so a drag past the limits is clamped only when
// the dialog is written.
struct DialogRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const DialogRect&) const = default;
};

// One control of an interface dialog: its four-character type, id, rectangle and text (8-bit).
struct DialogControl {
  uint32_t type = 0;
  int16_t id = 0;
  DialogRect rect;
  std::string text;

  bool operator==(const DialogControl&) const = default;
};
