#include "gui/SpriteQueue.h"

#include <algorithm>

#include "gui/Skin.h"

namespace {

// Maps a point of the displayed image (turned and mirrored as the flags say) to a point of
// the texture page, in texels.
struct Mapping {
  const SkinPiece* piece;
  uint32_t flags;
  float shown_w, shown_h;

  void ToPage(float dx, float dy, float& px, float& py) const {
    if (flags & SpriteFlag::MirrorX) dx = shown_w - dx;
    if (flags & SpriteFlag::MirrorY) dy = shown_h - dy;
    float ix = dx;
    float iy = dy;
    if (flags & SpriteFlag::Rotate) {
      // Shown turned clockwise: the shown top left is the image's bottom left.
      ix = dy;
      iy = static_cast<float>(piece->height) - dx;
    }
    if (piece->transposed) std::swap(ix, iy);
    px = static_cast<float>(piece->x) + ix;
    py = static_cast<float>(piece->y) + iy;
  }
};

}  // namespace

void SpriteQueue::BuildQuads(const Skin& skin, int32_t id, const Rect& dest, uint32_t flags,
                             const Rect& source, std::vector<TexturedQuad>& out) {
  const SkinPiece& piece = skin.Piece(id);
  if (!piece.present || dest.IsEmpty() || piece.width <= 0 || piece.height <= 0) return;
  const Size page = skin.PageSize(piece.page);
  if (page.width <= 0 || page.height <= 0) return;
  const bool turned = (flags & SpriteFlag::Rotate) != 0;
  const float shown_w = static_cast<float>(turned ? piece.height : piece.width);
  const float shown_h = static_cast<float>(turned ? piece.width : piece.height);
  Rect src = source;
  if (src.IsEmpty()) src = {0, 0, static_cast<int32_t>(shown_w), static_cast<int32_t>(shown_h)};
  src = src.Intersection({0, 0, static_cast<int32_t>(shown_w), static_cast<int32_t>(shown_h)});
  if (src.IsEmpty()) return;
  const Mapping map{&piece, flags, shown_w, shown_h};
  const float inv_w = 1.0f / static_cast<float>(page.width);
  const float inv_h = 1.0f / static_cast<float>(page.height);

  auto emit = [&](float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1) {
    TexturedQuad q;
    q.x0 = x0;
    q.y0 = y0;
    q.x1 = x1;
    q.y1 = y1;
    const float corners[4][2] = {{s0, t0}, {s1, t0}, {s1, t1}, {s0, t1}};
    for (int i = 0; i < 4; ++i) {
      float px = 0;
      float py = 0;
      map.ToPage(corners[i][0], corners[i][1], px, py);
      q.u[i] = px * inv_w;
      q.v[i] = py * inv_h;
    }
    out.push_back(q);
  };

  const float s0 = static_cast<float>(src.left);
  const float t0 = static_cast<float>(src.top);
  if (flags & SpriteFlag::Stretch) {
    emit(static_cast<float>(dest.left), static_cast<float>(dest.top),
         static_cast<float>(dest.right), static_cast<float>(dest.bottom), s0, t0,
         static_cast<float>(src.right), static_cast<float>(src.bottom));
    return;
  }
  // Whole tiles, the last ones in each direction cut.
  const int32_t tile_w = src.Width();
  const int32_t tile_h = src.Height();
  for (int32_t y = dest.top; y < dest.bottom; y += tile_h) {
    const int32_t h = std::min(tile_h, dest.bottom - y);
    for (int32_t x = dest.left; x < dest.right; x += tile_w) {
      const int32_t w = std::min(tile_w, dest.right - x);
      emit(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + w),
           static_cast<float>(y + h), s0, t0, s0 + static_cast<float>(w),
           t0 + static_cast<float>(h));
    }
  }
}

void SpriteQueue::Queue(const Skin& skin, int32_t id, const Rect& dest, uint32_t flags,
                        const Rect& source) {
  const SkinPiece& piece = skin.Piece(id);
  if (!piece.present || dest.IsEmpty()) return;
  if (count_ == kCapacity) Flush(skin, CurrentPainter(), true);
  entries_[static_cast<size_t>(count_++)] = {id, dest, source, flags, piece.page};
}

void SpriteQueue::Flush(const Skin& skin, Painter* painter, bool sort) {
  if (count_ == 0) return;
  auto begin = entries_.begin();
  auto end = begin + count_;
  if (sort) {
    std::stable_sort(begin, end, [](const Entry& a, const Entry& b) { return a.page < b.page; });
  }
  if (painter) {
    for (auto run = begin; run != end;) {
      auto run_end = std::find_if(run, end, [&](const Entry& e) { return e.page != run->page; });
      quads_.clear();
      for (auto e = run; e != run_end; ++e)
        BuildQuads(skin, e->id, e->dest, e->flags, e->source, quads_);
      if (!quads_.empty()) painter->DrawQuads(PageSet::kSkin, run->page, quads_);
      run = run_end;
    }
  }
  count_ = 0;
}
