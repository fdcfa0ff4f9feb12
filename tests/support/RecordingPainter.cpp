#include "support/RecordingPainter.h"

#include <algorithm>
#include <cmath>

void RecordingPainter::PatternPixel(int32_t x, int32_t y, uint8_t rgb[3]) {
  rgb[0] = static_cast<uint8_t>(x);
  rgb[1] = static_cast<uint8_t>(y);
  rgb[2] = static_cast<uint8_t>(x * 7 + y * 13);
}

RecordingPainter::Call& RecordingPainter::Record(Op op) {
  calls.emplace_back();
  calls.back().op = op;
  return calls.back();
}

void RecordingPainter::BeginFrame(Size screen) {
  Record(Op::kBeginFrame).screen = screen;
}

void RecordingPainter::SetClip(const Rect& clip) {
  Record(Op::kSetClip).rect = clip;
}

void RecordingPainter::FillScreenRect(const Rect& rect, Color color) {
  Call& c = Record(Op::kFillScreenRect);
  c.rect = rect;
  c.color = color;
}

void RecordingPainter::OutlineScreenRect(const Rect& rect, Color color) {
  Call& c = Record(Op::kOutlineScreenRect);
  c.rect = rect;
  c.color = color;
}

void RecordingPainter::EndFrame() {
  Record(Op::kEndFrame);
}

bool RecordingPainter::BeginWindow(const Rect& area, const Rect& visible, bool three_d,
                                   Size /*logical*/) {
  Call& c = Record(Op::kBeginWindow);
  c.rect = area;
  c.visible = visible;
  c.three_d = three_d;
  return accept_windows;
}

void RecordingPainter::EndWindow() {
  Record(Op::kEndWindow);
}

void RecordingPainter::SetColor(Color color) {
  color_ = color;
  Record(Op::kSetColor).color = color;
}

void RecordingPainter::FillRect(const Rect& rect) {
  Call& c = Record(Op::kFillRect);
  c.rect = rect;
  c.color = color_;
}

void RecordingPainter::DrawQuads(PageSet set, int32_t page, std::span<const TexturedQuad> quads) {
  Call& c = Record(Op::kDrawQuads);
  c.color = color_;
  c.set = set;
  c.page = page;
  c.quads.assign(quads.begin(), quads.end());
}

void RecordingPainter::UploadPages(PageSet set, std::span<const PageImage> pages) {
  Call& c = Record(Op::kUploadPages);
  c.set = set;
  for (const PageImage& p : pages) c.page_sizes.push_back({p.width, p.height});
}

void RecordingPainter::UploadScratch(const Rect& region, std::span<const uint8_t> rgba) {
  Record(Op::kUploadScratch).rect = region;
  constexpr size_t kSide = static_cast<size_t>(kScratchSize);
  if (scratch.empty()) scratch.assign(kSide * kSide * 4, 0);
  const Rect clipped = region.Intersection({0, 0, kScratchSize, kScratchSize});
  if (clipped != region) return;  // a region off the texture is a caller's fault: left visible
  const size_t row = static_cast<size_t>(region.Width()) * 4;
  if (rgba.size() < row * static_cast<size_t>(region.Height())) return;
  for (int32_t y = 0; y < region.Height(); ++y) {
    std::copy_n(
        rgba.begin() + static_cast<ptrdiff_t>(row * static_cast<size_t>(y)), row,
        scratch.begin() + static_cast<ptrdiff_t>(((static_cast<size_t>(region.top + y)) * kSide +
                                                  static_cast<size_t>(region.left)) *
                                                 4));
  }
}

void RecordingPainter::DrawScratchQuads(std::span<const TexturedQuad> quads) {
  Call& c = Record(Op::kDrawScratchQuads);
  c.color = color_;
  c.quads.assign(quads.begin(), quads.end());
}

Color RecordingPainter::ScratchTexel(int32_t x, int32_t y) const {
  if (scratch.empty() || x < 0 || y < 0 || x >= kScratchSize || y >= kScratchSize) return 0;
  const size_t at = (static_cast<size_t>(y) * kScratchSize + static_cast<size_t>(x)) * 4;
  return MakeColor(scratch[at], scratch[at + 1], scratch[at + 2], scratch[at + 3]);
}

bool RecordingPainter::ReadPixels(const Rect& rect, std::vector<uint8_t>& rgb) {
  Record(Op::kReadPixels).rect = rect;
  if (!pixels_readable) return false;
  rgb.clear();
  if (rect.IsEmpty()) return true;
  rgb.reserve(static_cast<size_t>(rect.Width()) * static_cast<size_t>(rect.Height()) * 3);
  for (int32_t y = rect.top; y < rect.bottom; ++y) {
    for (int32_t x = rect.left; x < rect.right; ++x) {
      uint8_t pixel[3];
      PatternPixel(x, y, pixel);
      rgb.insert(rgb.end(), pixel, pixel + 3);
    }
  }
  return true;
}

std::vector<const RecordingPainter::Call*> RecordingPainter::Calls(Op op) const {
  std::vector<const Call*> out;
  for (const Call& c : calls) {
    if (c.op == op) out.push_back(&c);
  }
  return out;
}

size_t RecordingPainter::Count(Op op) const {
  size_t n = 0;
  for (const Call& c : calls) n += c.op == op ? 1 : 0;
  return n;
}

size_t RecordingPainter::Find(Op op, size_t from) const {
  for (size_t i = from; i < calls.size(); ++i) {
    if (calls[i].op == op) return i;
  }
  return calls.size();
}

std::vector<TexturedQuad> RecordingPainter::AllQuads(PageSet set) const {
  std::vector<TexturedQuad> out;
  for (const Call& c : calls) {
    if (c.op == Op::kDrawQuads && c.set == set)
      out.insert(out.end(), c.quads.begin(), c.quads.end());
  }
  return out;
}

bool QuadTexel(const TexturedQuad& q, float x, float y, Size page, Point& texel) {
  if (x < q.x0 || x >= q.x1 || y < q.y0 || y >= q.y1) return false;
  const float s = (x - q.x0) / (q.x1 - q.x0);
  const float t = (y - q.y0) / (q.y1 - q.y0);
  // Corners clockwise from the top left.
  const float w[4] = {(1 - s) * (1 - t), s * (1 - t), s * t, (1 - s) * t};
  float u = 0;
  float v = 0;
  for (int i = 0; i < 4; ++i) {
    u += w[i] * q.u[i];
    v += w[i] * q.v[i];
  }
  texel = {static_cast<int32_t>(std::floor(u * static_cast<float>(page.width))),
           static_cast<int32_t>(std::floor(v * static_cast<float>(page.height)))};
  return true;
}
