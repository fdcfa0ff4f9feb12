#pragma once
#include <cstdint>
#include <functional>
#include <vector>

// Straight (not premultiplied) colour with components from 0 to 1.
struct Colour {
  double r = 0;
  double g = 0;
  double b = 0;
  double a = 0;

  // 0xRRGGBB.
  static Colour Hex(uint32_t rgb, double alpha = 1.0);
  static Colour Mix(const Colour& from, const Colour& to, double t);
  Colour WithAlpha(double alpha) const { return {r, g, b, alpha}; }
};

// A small floating-point RGBA image that the build-time art tools draw into: shapes are given
// as inside tests and filled with anti-aliasing by supersampling, which keeps every shape's
// edge treatment the same whatever its form.
//
// Coordinates are in pixels with the origin at the top-left corner of the image; pixel (x, y)
// covers x .. x + 1 and y .. y + 1, so its centre is at (x + 0.5, y + 0.5).
class Canvas {
 public:
  using Region = std::function<bool(double x, double y)>;
  using Paint = std::function<Colour(double x, double y)>;

  Canvas(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }

  // Composites `paint` over every pixel in proportion to how much of it `region` covers.
  void Fill(const Region& region, const Paint& paint);
  void Fill(const Region& region, Colour colour);
  // Composites `paint`, taken at each pixel's centre, over every pixel (for soft shapes such as
  // shadows and glows, whose alpha already falls off smoothly).
  void Shade(const Paint& paint);
  // How much of pixel (x, y) `region` covers, from 0 to 1.
  static double Coverage(const Region& region, int x, int y);
  // Composites one colour over one pixel with its alpha scaled by `coverage`.
  void Blend(int x, int y, Colour colour, double coverage);

  Colour At(int x, int y) const { return pixels_[Index(x, y)]; }
  void Set(int x, int y, Colour colour) { pixels_[Index(x, y)] = colour; }

  // The pixels of the given rectangle, which must lie inside the image.
  Canvas Crop(int x, int y, int width, int height) const;
  // Rows become columns: pixel (x, y) moves to (y, x).
  Canvas Transposed() const;

  // 8-bit straight RGBA, rows top to bottom.
  std::vector<uint8_t> ToRgba() const;
  // 8-bit RGB composited over `backdrop`, rows top to bottom.
  std::vector<uint8_t> ToRgbOver(Colour backdrop) const;

  // Inside tests for the usual shapes; edges are exact, the supersampling smooths them.
  static Region Box(double left, double top, double right, double bottom);
  static Region RoundBox(double left, double top, double right, double bottom, double radius);
  static Region Disc(double cx, double cy, double radius);
  // A line of the given width with round ends.
  static Region Stroke(double x0, double y0, double x1, double y1, double width);
  // Even-odd rule, so points may go round either way.
  static Region Polygon(std::vector<std::pair<double, double>> points);
  static Region Minus(Region keep, Region cut);
  static Region Union(Region a, Region b);
  static Region Intersect(Region a, Region b);

  // Linear gradient between two y positions, flat beyond them.
  static Paint VerticalGradient(double top, double bottom, Colour from, Colour to);

 private:
  size_t Index(int x, int y) const;

  int width_;
  int height_;
  std::vector<Colour> pixels_;
};
