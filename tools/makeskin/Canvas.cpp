#include "tools/makeskin/Canvas.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

// Sixty-four samples per pixel give 65 coverage levels, finer than the 8-bit output can show.
constexpr int kSamplesPerSide = 8;

uint8_t ToByte(double value) {
  return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

Colour Over(const Colour& top, const Colour& bottom) {
  const double alpha = top.a + bottom.a * (1.0 - top.a);
  if (alpha <= 0.0) return {top.r, top.g, top.b, 0.0};
  const double under = bottom.a * (1.0 - top.a);
  return {(top.r * top.a + bottom.r * under) / alpha, (top.g * top.a + bottom.g * under) / alpha,
          (top.b * top.a + bottom.b * under) / alpha, alpha};
}

}  // namespace

Colour Colour::Hex(uint32_t rgb, double alpha) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

Colour Colour::Mix(const Colour& from, const Colour& to, double t) {
  return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
          from.a + (to.a - from.a) * t};
}

Canvas::Canvas(int width, int height) : width_(width), height_(height) {
  if (width < 0 || height < 0) {
    throw std::invalid_argument("canvas size " + std::to_string(width) + " x " +
                                std::to_string(height));
  }
  pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
}

size_t Canvas::Index(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    throw std::out_of_range("pixel " + std::to_string(x) + ", " + std::to_string(y) +
                            " outside a " + std::to_string(width_) + " x " +
                            std::to_string(height_) + " canvas");
  }
  return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
}

void Canvas::Blend(int x, int y, Colour colour, double coverage) {
  if (coverage <= 0.0) return;
  colour.a *= std::min(coverage, 1.0);
  Colour& pixel = pixels_[Index(x, y)];
  pixel = Over(colour, pixel);
}

double Canvas::Coverage(const Region& region, int x, int y) {
  constexpr double step = 1.0 / kSamplesPerSide;
  int hits = 0;
  for (int sy = 0; sy < kSamplesPerSide; ++sy) {
    for (int sx = 0; sx < kSamplesPerSide; ++sx) {
      if (region(x + (sx + 0.5) * step, y + (sy + 0.5) * step)) ++hits;
    }
  }
  return static_cast<double>(hits) / (kSamplesPerSide * kSamplesPerSide);
}

void Canvas::Fill(const Region& region, const Paint& paint) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const double coverage = Coverage(region, x, y);
      if (coverage > 0) Blend(x, y, paint(x + 0.5, y + 0.5), coverage);
    }
  }
}

void Canvas::Fill(const Region& region, Colour colour) {
  Fill(region, [colour](double, double) { return colour; });
}

void Canvas::Shade(const Paint& paint) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) Blend(x, y, paint(x + 0.5, y + 0.5), 1.0);
  }
}

Canvas Canvas::Crop(int x, int y, int width, int height) const {
  if (x < 0 || y < 0 || width < 0 || height < 0 || x + width > width_ || y + height > height_) {
    throw std::out_of_range("crop " + std::to_string(width) + " x " + std::to_string(height) +
                            " at " + std::to_string(x) + ", " + std::to_string(y) + " from a " +
                            std::to_string(width_) + " x " + std::to_string(height_) + " canvas");
  }
  Canvas out(width, height);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      out.Set(column, row, At(x + column, y + row));
    }
  }
  return out;
}

Canvas Canvas::Transposed() const {
  Canvas out(height_, width_);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) out.Set(y, x, At(x, y));
  }
  return out;
}

std::vector<uint8_t> Canvas::ToRgba() const {
  std::vector<uint8_t> out;
  out.reserve(pixels_.size() * 4);
  for (const Colour& pixel : pixels_) {
    out.push_back(ToByte(pixel.r));
    out.push_back(ToByte(pixel.g));
    out.push_back(ToByte(pixel.b));
    out.push_back(ToByte(pixel.a));
  }
  return out;
}

std::vector<uint8_t> Canvas::ToRgbOver(Colour backdrop) const {
  backdrop.a = 1.0;
  std::vector<uint8_t> out;
  out.reserve(pixels_.size() * 3);
  for (const Colour& pixel : pixels_) {
    const Colour shown = Over(pixel, backdrop);
    out.push_back(ToByte(shown.r));
    out.push_back(ToByte(shown.g));
    out.push_back(ToByte(shown.b));
  }
  return out;
}

Canvas::Region Canvas::Box(double left, double top, double right, double bottom) {
  return [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; };
}

Canvas::Region Canvas::RoundBox(double left, double top, double right, double bottom,
                                double radius) {
  return [=](double x, double y) {
    if (x < left || x >= right || y < top || y >= bottom) return false;
    // Distance into the corner square, if the point is in one.
    const double dx = std::max({left + radius - x, x - (right - radius), 0.0});
    const double dy = std::max({top + radius - y, y - (bottom - radius), 0.0});
    return dx * dx + dy * dy <= radius * radius;
  };
}

Canvas::Region Canvas::Disc(double cx, double cy, double radius) {
  return [=](double x, double y) {
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
  };
}

Canvas::Region Canvas::Stroke(double x0, double y0, double x1, double y1, double width) {
  const double half = width / 2.0;
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double length_squared = dx * dx + dy * dy;
  return [=](double x, double y) {
    double t = length_squared > 0 ? ((x - x0) * dx + (y - y0) * dy) / length_squared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = x - (x0 + t * dx);
    const double ey = y - (y0 + t * dy);
    return ex * ex + ey * ey <= half * half;
  };
}

Canvas::Region Canvas::Polygon(std::vector<std::pair<double, double>> points) {
  return [points = std::move(points)](double x, double y) {
    bool inside = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
      const auto [xi, yi] = points[i];
      const auto [xj, yj] = points[j];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
  };
}

Canvas::Region Canvas::Minus(Region keep, Region cut) {
  return [keep = std::move(keep), cut = std::move(cut)](double x, double y) {
    return keep(x, y) && !cut(x, y);
  };
}

Canvas::Region Canvas::Union(Region a, Region b) {
  return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) || b(x, y); };
}

Canvas::Region Canvas::Intersect(Region a, Region b) {
  return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && b(x, y); };
}

Canvas::Paint Canvas::VerticalGradient(double top, double bottom, Colour from, Colour to) {
  return [=](double, double y) {
    const double t = bottom > top ? std::clamp((y - top) / (bottom - top), 0.0, 1.0) : 0.0;
    return Colour::Mix(from, to, t);
  };
}
