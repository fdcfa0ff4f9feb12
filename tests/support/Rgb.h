#pragma once
// A pixel read back from the screen, comparable and printable in test failures.
#include <ostream>

#include "gui/Painter.h"

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline Rgb ToRgb(Color c) {
  return {ColorRed(c), ColorGreen(c), ColorBlue(c)};
}
