#include "gui/FontPages.h"

#include <span>

#include "gui/Font.h"
#include "gui/PagePacker.h"

std::string BuildFontPages(Font& font, int32_t max_texture_size, std::vector<PageImage>& pages) {
  std::vector<PackerInput> inputs;
  std::vector<std::span<const uint8_t>> pixels;
  std::vector<Font::Glyph*> glyphs;
  for (int style = 0; style < 4; ++style) {
    if (!font.HasStyle(style)) continue;
    for (int code = 32; code < 256; ++code) {
      Font::Glyph& g = font.GetGlyph(style, static_cast<uint8_t>(code));
      g.page = -1;
      if (!g.HasBitmap()) continue;
      if (g.coverage.size() != static_cast<size_t>(g.width) * g.height) continue;
      inputs.push_back({g.width, g.height, true});
      pixels.emplace_back(g.coverage);
      glyphs.push_back(&g);
    }
  }
  const PagePacker packer(max_texture_size);
  const PackerLayout layout = packer.Pack(inputs);
  if (!layout.ok()) return "the font's glyphs cannot be packed: " + layout.error;
  std::vector<PageImage> composed(layout.pages.size());
  for (size_t p = 0; p < layout.pages.size(); ++p) {
    composed[p].width = layout.pages[p].width;
    composed[p].height = layout.pages[p].height;
    composed[p].bytes_per_pixel = 1;
    std::string error = PagePacker::ComposePage(layout, static_cast<uint32_t>(p), inputs, pixels, 1,
                                                composed[p].pixels);
    if (!error.empty()) return error;
  }
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const PackerPlacement& at = layout.placements[i];
    glyphs[i]->page = at.placed ? static_cast<int32_t>(at.page) : -1;
    glyphs[i]->page_x = at.x;
    glyphs[i]->page_y = at.y;
    glyphs[i]->transposed = at.transposed;
  }
  font.pages().clear();
  for (const PageImage& page : composed) font.pages().push_back({page.width, page.height, 0});
  font.ReleaseCoverage();
  pages = std::move(composed);
  return {};
}

TexturedQuad MakeGlyphQuad(const Font& font, const Font::Glyph& g, int32_t x, int32_t y) {
  TexturedQuad q;
  q.x0 = static_cast<float>(x);
  q.y0 = static_cast<float>(y);
  q.x1 = static_cast<float>(x + g.width);
  q.y1 = static_cast<float>(y + g.height);
  if (g.page < 0 || static_cast<size_t>(g.page) >= font.pages().size()) return q;
  const Font::Page& page = font.pages()[static_cast<size_t>(g.page)];
  if (page.width <= 0 || page.height <= 0) return q;
  const float corners[4][2] = {{0, 0},
                               {static_cast<float>(g.width), 0},
                               {static_cast<float>(g.width), static_cast<float>(g.height)},
                               {0, static_cast<float>(g.height)}};
  for (int i = 0; i < 4; ++i) {
    float c = corners[i][0];
    float r = corners[i][1];
    if (g.transposed) std::swap(c, r);
    q.u[i] = (static_cast<float>(g.page_x) + c) / static_cast<float>(page.width);
    q.v[i] = (static_cast<float>(g.page_y) + r) / static_cast<float>(page.height);
  }
  return q;
}
