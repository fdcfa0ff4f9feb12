#pragma once
#include <algorithm>
#include <cstdint>

// Pixel geometry: screen or window coordinates with the origin at the top left; a
// rectangle includes its left and top edges and excludes its right and bottom edges.
struct Point {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool Contains(const Rect& r) const {
    return r.left >= left && r.top >= top && r.right <= right && r.bottom <= bottom;
  }
  bool Intersects(const Rect& r) const {
    return r.left < right && r.right > left && r.top < bottom && r.bottom > top;
  }
  Rect Intersection(const Rect& r) const {
    return {std::max(left, r.left), std::max(top, r.top), std::min(right, r.right),
            std::min(bottom, r.bottom)};
  }
  Rect Offset(int32_t dx, int32_t dy) const {
    return {left + dx, top + dy, right + dx, bottom + dy};
  }
  Point TopLeft() const { return {left, top}; }
  friend bool operator==(const Rect&, const Rect&) = default;
};
