#include "gui/PagePacker.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

namespace {

// Areas are summed and shifted in 64 bits; anything from here up asks for the largest page
// anyway, so saturating here loses nothing and keeps every shift and power of two in range.
constexpr uint64_t kAreaCap = uint64_t{1} << 62;
constexpr int kMaxPageExponent = 62;

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > kAreaCap - std::min(b, kAreaCap) ? kAreaCap : a + b;
}

// An image as the packer sees it: its size as it will sit in the page.
struct Piece {
  uint32_t index = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint64_t Area() const { return uint64_t(width) * uint64_t(height); }
};

std::string SizeText(int64_t width, int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// Places what fits of `pending` (in order) on one page of `page` size. The free list is kept
// back to front, so "the front of the list" is its end and the newest rectangles are found
// first. Returns the pieces that did not fit, in their original order.
std::vector<Piece> FillPage(const std::vector<Piece>& pending, Size page, uint32_t page_index,
                            std::vector<PackerPlacement>& placements) {
  std::vector<Rect> free_list = {{0, 0, page.width, page.height}};
  std::vector<Piece> left_over;
  for (const Piece& piece : pending) {
    auto found = std::find_if(free_list.rbegin(), free_list.rend(), [&](const Rect& r) {
      return piece.width <= r.Width() && piece.height <= r.Height();
    });
    if (found == free_list.rend()) {
      left_over.push_back(piece);
      continue;
    }
    const Rect space = *found;
    free_list.erase(std::next(found).base());
    PackerPlacement& placement = placements[piece.index];
    placement.placed = true;
    placement.page = page_index;
    placement.x = space.left;
    placement.y = space.top;
    // Below the image (as wide as the image), then right of it (the full height of the space);
    // the one below ends up first. Empty strips can hold nothing with an area, so they are not
    // kept: with many tiny images they would make every search walk a long tail of them.
    const Rect right = {space.left + piece.width, space.top, space.right, space.bottom};
    const Rect below = {space.left, space.top + piece.height, space.left + piece.width,
                        space.bottom};
    if (!right.IsEmpty()) free_list.push_back(right);
    if (!below.IsEmpty()) free_list.push_back(below);
  }
  return left_over;
}

}  // namespace

int32_t PagePacker::LargestPageSide() const {
  return std::max(max_side_, kMinPageSide);
}

Size PagePacker::PageSizeFor(uint64_t area, uint32_t failures) const {
  // Each failure doubles the area the page is sized for.
  uint64_t wanted = std::min(area, kAreaCap);
  if (failures >= 63 || wanted > (kAreaCap >> failures)) {
    wanted = kAreaCap;
  } else {
    wanted <<= failures;
  }
  // The smallest power of two that still holds the area with a sixteenth to spare for the
  // gaps the packing leaves...
  int n = 0;
  while (n < kMaxPageExponent) {
    const uint64_t power = uint64_t{1} << n;
    if (power - power / 16 >= wanted) break;
    ++n;
  }
  // ...but not so much larger than the area that a quarter of the largest page would go to
  // waste; the images that do not fit then go to the next page.
  const int64_t max_side = std::max<int64_t>(max_side_, 1);
  const int64_t waste_limit = max_side * max_side / 4;
  while (n > 0 &&
         static_cast<int64_t>(uint64_t{1} << n) - static_cast<int64_t>(wanted) > waste_limit) {
    --n;
  }
  const int half = n / 2;
  auto side = [&](int exponent) {
    const int64_t length = std::min<int64_t>(int64_t{1} << exponent, max_side);
    return static_cast<int32_t>(std::max<int64_t>(length, kMinPageSide));
  };
  return {side(n - half), side(half)};
}

PackerLayout PagePacker::Pack(std::span<const PackerInput> images) const {
  PackerLayout layout;
  layout.placements.resize(images.size());
  if (max_side_ <= 0) {
    layout.error = "the maximum texture size must be positive, not " + std::to_string(max_side_);
    return layout;
  }
  if (images.size() > std::numeric_limits<uint32_t>::max()) {
    layout.error = "too many images to pack: " + std::to_string(images.size());
    return layout;
  }

  const int32_t largest = LargestPageSide();
  std::vector<Piece> pending;
  pending.reserve(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    Piece piece = {static_cast<uint32_t>(i), images[i].width, images[i].height};
    if (images[i].may_turn && piece.height > piece.width) {
      std::swap(piece.width, piece.height);
      layout.placements[i].transposed = true;
    }
    // Such an image would make every page fail and the page size grow for ever.
    if (piece.width > largest || piece.height > largest) {
      layout.error =
          "image " + std::to_string(i) + " (" + SizeText(images[i].width, images[i].height) +
          ") is larger than the largest texture page (" + SizeText(largest, largest) + ")";
      for (PackerPlacement& placement : layout.placements) placement = {};
      return layout;
    }
    pending.push_back(piece);
  }

  // Widest first, then largest first; the index keeps equal images in input order, so the
  // layout does not depend on the sort implementation.
  std::sort(pending.begin(), pending.end(), [](const Piece& a, const Piece& b) {
    if (a.width != b.width) return a.width > b.width;
    if (a.Area() != b.Area()) return a.Area() > b.Area();
    return a.index < b.index;
  });

  uint32_t failures = 0;
  while (!pending.empty()) {
    uint64_t area = 0;
    for (const Piece& piece : pending) area = SaturatingAdd(area, piece.Area());
    const Size page = PageSizeFor(area, failures);
    const auto page_index = static_cast<uint32_t>(layout.pages.size());
    std::vector<Piece> left_over = FillPage(pending, page, page_index, layout.placements);
    if (left_over.size() < pending.size()) {
      layout.pages.push_back(page);
      failures = 0;
    } else {
      // Every image fits an empty page of the largest size, checked above, so an empty
      // largest page cannot fail; this only guards against looping should that ever change.
      if (page.width >= largest && page.height >= largest) {
        layout.error = "no image fits an empty " + SizeText(page.width, page.height) + " page";
        break;
      }
      ++failures;
    }
    pending = std::move(left_over);
  }

  if (!layout.ok()) {
    for (PackerPlacement& placement : layout.placements) {
      if (!placement.placed) placement = {};
    }
  }
  return layout;
}

std::string PagePacker::ComposePage(const PackerLayout& layout, uint32_t page,
                                    std::span<const PackerInput> images,
                                    std::span<const std::span<const uint8_t>> pixels,
                                    int32_t bytes_per_pixel, std::vector<uint8_t>& out) {
  out.clear();
  if (bytes_per_pixel < 1 || bytes_per_pixel > 4) {
    return "pixels must have 1 to 4 bytes, not " + std::to_string(bytes_per_pixel);
  }
  if (layout.placements.size() != images.size() || pixels.size() != images.size()) {
    return "the layout has " + std::to_string(layout.placements.size()) + " images but " +
           std::to_string(images.size()) + " image sizes and " + std::to_string(pixels.size()) +
           " pixel buffers were given";
  }
  if (page >= layout.pages.size()) {
    return "page " + std::to_string(page) + " does not exist; the layout has " +
           std::to_string(layout.pages.size());
  }
  const Size page_size = layout.pages[page];
  if (page_size.width <= 0 || page_size.height <= 0) {
    return "page " + std::to_string(page) + " has no pixels";
  }
  const auto bpp = static_cast<size_t>(bytes_per_pixel);
  const size_t page_width = static_cast<size_t>(page_size.width);
  const size_t page_stride = page_width * bpp;

  // Everything is checked before anything is written, so a failure leaves no half page.
  for (size_t i = 0; i < images.size(); ++i) {
    const PackerPlacement& placement = layout.placements[i];
    if (!placement.placed || placement.page != page) continue;
    const size_t width = images[i].width;
    const size_t height = images[i].height;
    if (pixels[i].size() != width * height * bpp) {
      return "image " + std::to_string(i) + " (" + SizeText(width, height) + ") has " +
             std::to_string(pixels[i].size()) + " bytes of pixels instead of " +
             std::to_string(width * height * bpp);
    }
    const int64_t across = placement.transposed ? height : width;
    const int64_t down = placement.transposed ? width : height;
    if (placement.x < 0 || placement.y < 0 || placement.x + across > page_size.width ||
        placement.y + down > page_size.height) {
      return "image " + std::to_string(i) + " at " + std::to_string(placement.x) + ", " +
             std::to_string(placement.y) + " runs off its " +
             SizeText(page_size.width, page_size.height) + " page";
    }
  }

  out.assign(page_stride * static_cast<size_t>(page_size.height), 0);
  for (size_t i = 0; i < images.size(); ++i) {
    const PackerPlacement& placement = layout.placements[i];
    if (!placement.placed || placement.page != page) continue;
    const size_t width = images[i].width;
    const size_t height = images[i].height;
    const uint8_t* source = pixels[i].data();
    uint8_t* origin = out.data() + static_cast<size_t>(placement.y) * page_stride +
                      static_cast<size_t>(placement.x) * bpp;
    if (!placement.transposed) {
      for (size_t row = 0; row < height; ++row) {
        std::memcpy(origin + row * page_stride, source + row * width * bpp, width * bpp);
      }
      continue;
    }
    for (size_t row = 0; row < height; ++row) {
      for (size_t column = 0; column < width; ++column) {
        std::memcpy(origin + column * page_stride + row * bpp,
                    source + (row * width + column) * bpp, bpp);
      }
    }
  }
  return {};
}
