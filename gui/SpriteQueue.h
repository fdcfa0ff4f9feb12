#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "gui/Geometry.h"
#include "gui/Painter.h"

class Skin;

// Sprite flags.
namespace SpriteFlag {
constexpr uint32_t Stretch = 0x1;  // stretched over the destination once; else tiled
constexpr uint32_t Rotate = 0x2;   // turned a quarter clockwise
constexpr uint32_t MirrorX = 0x4;  // mirrored left to right
constexpr uint32_t MirrorY = 0x8;  // mirrored top to bottom
}  // namespace SpriteFlag

// Pending skin sprites, drawn in batches per texture page. Tiling, turning and mirroring are
// worked out here as texture coordinates, so the painter only draws quads.
class SpriteQueue {
 public:
  static constexpr int32_t kCapacity = 64;

  // Queues skin image `id` over `dest`. `source` picks a part of the (turned) image; empty
  // means all of it. A full queue is flushed first.
  void Queue(const Skin& skin, int32_t id, const Rect& dest, uint32_t flags,
             const Rect& source = {});
  // Draws everything queued through the painter (grouped by page when sorting) and empties
  // the queue.
  void Flush(const Skin& skin, Painter* painter, bool sort);
  int32_t Pending() const { return count_; }

  // The quads one sprite turns into; exposed for tests.
  static void BuildQuads(const Skin& skin, int32_t id, const Rect& dest, uint32_t flags,
                         const Rect& source, std::vector<TexturedQuad>& out);

 private:
  struct Entry {
    int32_t id = 0;
    Rect dest;
    Rect source;
    uint32_t flags = 0;
    int32_t page = 0;
  };
  std::array<Entry, kCapacity> entries_{};
  int32_t count_ = 0;
  std::vector<TexturedQuad> quads_;  // reused between flushes
};
