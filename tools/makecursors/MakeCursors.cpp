// zarv_makecursors draws res/cursors: the cursor shapes GLFW has no standard cursor for (the
// two diagonal resizes, "not allowed"), the program's own cursors (drop allowed, move, brush,
// pick) and the window icon. Each shape is a union of simple figures tested per pixel (with
// 4×4 subsamples for smooth edges), drawn black with a white outline, so it stays visible on
// any background.
//
// Usage: zarv_makecursors OUTPUT
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/SafeFile.h"
#include "gui/CursorPack.h"
#include "gui/Platform.h"
#include "tools/makecursors/IconPicture.h"

namespace {

constexpr int kSide = 24;
using Shape = std::function<bool(double x, double y)>;

struct Vec {
  double x, y;
};

// Distance from p to the segment a-b.
double SegmentDistance(Vec p, Vec a, Vec b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double t =
      std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

Shape Stroke(Vec a, Vec b, double half_width) {
  return [=](double x, double y) { return SegmentDistance({x, y}, a, b) <= half_width; };
}

// Convex or not, by the even-odd rule.
Shape Polygon(std::vector<Vec> points) {
  return [points](double x, double y) {
    bool inside = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
      const Vec a = points[i], b = points[j];
      if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
        inside = !inside;
      }
    }
    return inside;
  };
}

Shape Ring(Vec c, double inner, double outer) {
  return [=](double x, double y) {
    const double r = std::hypot(x - c.x, y - c.y);
    return r >= inner && r <= outer;
  };
}

Shape Disc(Vec c, double r) {
  return Ring(c, 0, r);
}

Shape Union(std::vector<Shape> shapes) {
  return [shapes](double x, double y) {
    return std::any_of(shapes.begin(), shapes.end(), [&](const Shape& s) { return s(x, y); });
  };
}

// A double-headed arrow through the centre along (dx, dy).
Shape DoubleArrow(Vec c, double dx, double dy, double half_length) {
  const double len = std::hypot(dx, dy);
  dx /= len;
  dy /= len;
  const double nx = -dy, ny = dx;
  const auto head = [&](double sign) {
    const Vec tip{c.x + sign * dx * half_length, c.y + sign * dy * half_length};
    const Vec base{tip.x - sign * dx * 5.5, tip.y - sign * dy * 5.5};
    return Polygon(
        {tip, {base.x + nx * 4.5, base.y + ny * 4.5}, {base.x - nx * 4.5, base.y - ny * 4.5}});
  };
  const Vec a{c.x - dx * (half_length - 4), c.y - dy * (half_length - 4)};
  const Vec b{c.x + dx * (half_length - 4), c.y + dy * (half_length - 4)};
  return Union({head(1), head(-1), Stroke(a, b, 1.2)});
}

// The usual pointer arrow with its tip at (1, 1).
Shape Pointer() {
  return Polygon({{1, 1}, {1, 17}, {5, 13.5}, {8, 20}, {10.5, 19}, {7.5, 12.5}, {12.5, 12.5}});
}

// Black where the shape covers more than half a pixel, white in a ring one pixel wide around
// it, transparent elsewhere.
CursorPicture Render(uint16_t id, int side, Vec hot, const Shape& shape) {
  std::vector<uint8_t> cover(static_cast<size_t>(side) * side);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) hits += shape(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
      }
      cover[static_cast<size_t>(y) * side + x] = static_cast<uint8_t>(hits * 255 / 16);
    }
  }
  CursorPicture p;
  p.id = id;
  p.width = p.height = static_cast<uint16_t>(side);
  p.hot_x = static_cast<uint16_t>(hot.x);
  p.hot_y = static_cast<uint16_t>(hot.y);
  p.rgba.resize(cover.size() * 4);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const uint8_t c = cover[static_cast<size_t>(y) * side + x];
      uint8_t near = 0;
      for (int ny = std::max(0, y - 1); ny <= std::min(side - 1, y + 1); ++ny) {
        for (int nx = std::max(0, x - 1); nx <= std::min(side - 1, x + 1); ++nx) {
          near = std::max(near, cover[static_cast<size_t>(ny) * side + nx]);
        }
      }
      uint8_t* px = &p.rgba[(static_cast<size_t>(y) * side + x) * 4];
      // Ink over a white halo: the halo is as opaque as the nearest ink.
      const uint8_t grey = static_cast<uint8_t>(255 - c);
      px[0] = px[1] = px[2] = grey;
      px[3] = std::max(c, near);
    }
  }
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zarv_makecursors OUTPUT\n");
    return 2;
  }
  const Vec centre{kSide / 2.0, kSide / 2.0};
  const Shape not_allowed =
      Union({Ring(centre, 6.5, 9.5),
             Stroke({centre.x - 5.5, centre.y - 5.5}, {centre.x + 5.5, centre.y + 5.5}, 1.6)});
  // Drop allowed: the pointer with a small plus box below its tip.
  const Shape drop = Union({Pointer(), Polygon({{13, 14}, {21, 14}, {21, 22}, {13, 22}})});
  const Shape drop_ink = [drop](double x, double y) {
    const bool plus = (x >= 16.3 && x <= 17.7 && y >= 15.5 && y <= 20.5) ||
                      (y >= 17.3 && y <= 18.7 && x >= 14.5 && x <= 19.5);
    return drop(x, y) && !plus;
  };
  const Shape move = Union({DoubleArrow(centre, 1, 0, 11), DoubleArrow(centre, 0, 1, 11)});
  // Brush: a handle from the top right down to a pointed tuft of bristles at the bottom left.
  const Shape brush = Union({Stroke({21, 3}, {10, 14}, 1.8),
                             Polygon({{11.5, 11}, {13, 12.5}, {7, 20}, {2, 22}, {4, 17}})});
  // Pick: a dropper with a round bulb at the top right and its point at the bottom left.
  const Shape pick = Union({Disc({19, 5}, 3.5), Stroke({16, 8}, {3, 21}, 1.4)});

  std::vector<CursorPicture> pictures = {
      Render(Cursor::SizeDiagonalDown, kSide, centre, DoubleArrow(centre, 1, 1, 11)),
      Render(Cursor::SizeDiagonalUp, kSide, centre, DoubleArrow(centre, 1, -1, 11)),
      Render(Cursor::DropAllowed, kSide, {1, 1}, drop_ink),
      Render(Cursor::DropRefused, kSide, centre, not_allowed),
      Render(Cursor::Move, kSide, centre, move),
      Render(Cursor::Brush, kSide, {2, 22}, brush),
      Render(Cursor::Pick, kSide, {3, 21}, pick),
      DrawIcon(48),
  };
  std::string error;
  if (!SafeFile::ReplaceWithBytes(argv[1], CursorPack::Write(pictures), error)) {
    std::fprintf(stderr, "zarv_makecursors: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
