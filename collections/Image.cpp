#include "collections/Image.h"

#include <algorithm>
#include <cstring>

#include "collections/ColorQuantiser.h"

bool Image::setSize(uint32_t width, uint32_t height, uint32_t format, const uint8_t* data) {
  const uint32_t bpp = BytesPerPixel(format);
  if (bpp == 0) return false;
  const uint64_t bytes = uint64_t{width} * height * bpp;
  if (bytes > kMaxPixelBytes) return false;
  // Only a change of byte size reallocates; the contents are replaced either way.
  if (bytes != pixels_.size()) {
    pixels_.assign(static_cast<size_t>(bytes), 0);
  } else if (!data) {
    std::fill(pixels_.begin(), pixels_.end(), 0);
  }
  if (data && bytes > 0) std::memcpy(pixels_.data(), data, static_cast<size_t>(bytes));
  width_ = width;
  height_ = height;
  format_ = format;
  contentHash_ = 0;
  return true;
}

void Image::setPalette(uint32_t count, const uint8_t* data) {
  count = std::min<uint32_t>(count, 256);
  if (count == 0) {
    palette_.clear();
    palette_.shrink_to_fit();
    paletteCount_ = 0;
    return;
  }
  palette_.assign(kPaletteBytes, 0);
  if (data) std::memcpy(palette_.data(), data, size_t{count} * 3);
  paletteCount_ = count;
}

bool Image::setChannel(uint32_t channel, std::span<const uint8_t> bytes) {
  const uint32_t bpp = bytesPerPixel();
  const size_t n = size_t{width_} * height_;
  if (channel >= bpp || bytes.size() != n) return false;
  for (size_t i = 0; i < n; ++i) pixels_[i * bpp + channel] = bytes[i];
  contentHash_ = 0;
  return true;
}

bool Image::fillChannel(uint32_t channel, uint8_t value) {
  const uint32_t bpp = bytesPerPixel();
  if (channel >= bpp) return false;
  for (size_t i = channel; i < pixels_.size(); i += bpp) pixels_[i] = value;
  contentHash_ = 0;
  return true;
}

bool Image::invertChannel(uint32_t channel) {
  const uint32_t bpp = bytesPerPixel();
  if (channel >= bpp) return false;
  for (size_t i = channel; i < pixels_.size(); i += bpp)
    pixels_[i] = static_cast<uint8_t>(~pixels_[i]);
  contentHash_ = 0;
  return true;
}

bool Image::crop(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
  if (x0 > x1 || y0 > y1 || x1 >= width_ || y1 >= height_) return false;
  const size_t bpp = bytesPerPixel();
  const size_t new_width = size_t{x1} - x0 + 1, new_height = size_t{y1} - y0 + 1;
  const size_t row_bytes = new_width * bpp;
  // Rows move towards the front only, so copying in place front to back is safe.
  for (size_t y = 0; y < new_height; ++y) {
    std::memmove(&pixels_[y * row_bytes], &pixels_[((y0 + y) * width_ + x0) * bpp], row_bytes);
  }
  pixels_.resize(row_bytes * new_height);
  width_ = static_cast<uint32_t>(new_width);
  height_ = static_cast<uint32_t>(new_height);
  contentHash_ = 0;
  return true;
}

Image::Rect Image::opaqueBounds() const {
  Rect r{0x7FFFFFFF, 0x7FFFFFFF, 0, 0};
  const size_t bpp = bytesPerPixel();
  const size_t alpha = is(ImageFormat::kRgba) ? 3 : 0;
  for (uint32_t y = 0; y < height_; ++y) {
    const uint8_t* row = &pixels_[size_t{y} * width_ * bpp];
    for (uint32_t x = 0; x < width_; ++x) {
      if (row[x * bpp + alpha] == 0) continue;
      r.x0 = std::min<int32_t>(r.x0, static_cast<int32_t>(x));
      r.y0 = std::min<int32_t>(r.y0, static_cast<int32_t>(y));
      r.x1 = std::max<int32_t>(r.x1, static_cast<int32_t>(x));
      r.y1 = std::max<int32_t>(r.y1, static_cast<int32_t>(y));
    }
  }
  return r;
}

bool Image::equals(const Image& other) const {
  if (contentHash_ != 0 && other.contentHash_ != 0 && contentHash_ != other.contentHash_) {
    return false;
  }
  if (width_ != other.width_ || height_ != other.height_ || format_ != other.format_) return false;
  if (pixels_.size() != other.pixels_.size()) return false;
  // Edited pictures tend to differ in the middle, not at the edges: compare from the middle
  // row outwards to find a difference sooner.
  const size_t row = size_t{width_} * bytesPerPixel();
  if (row == 0) return true;
  const auto differs = [&](uint32_t y) {
    return std::memcmp(&pixels_[size_t{y} * row], &other.pixels_[size_t{y} * row], row) != 0;
  };
  const uint32_t middle = height_ / 2;
  for (uint32_t y = middle; y < height_; ++y) {
    if (differs(y)) return false;
  }
  for (uint32_t y = middle; y-- > 0;) {
    if (differs(y)) return false;
  }
  return true;
}

namespace {

// The colour part of pixels as packed RGB, for the quantiser.
bool ColorsOf(const Image& image, std::vector<uint8_t>& rgb) {
  const size_t n = size_t{image.width()} * image.height();
  const std::span<const uint8_t> src = image.pixels();
  rgb.resize(n * 3);
  if (image.is(ImageFormat::kRgb)) {
    std::copy(src.begin(), src.end(), rgb.begin());
  } else if (image.is(ImageFormat::kRgba)) {
    for (size_t i = 0; i < n; ++i) std::memcpy(&rgb[i * 3], &src[i * 4], 3);
  } else if (image.is(ImageFormat::kGreyscale)) {
    for (size_t i = 0; i < n; ++i) rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = src[i];
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool Image::convert(ImageFormat target) {
  const uint32_t to = static_cast<uint32_t>(target);
  if (format_ == to) return true;
  const size_t n = size_t{width_} * height_;
  const bool from_indexed = is(ImageFormat::kIndexed);
  const bool from_indexed_alpha = is(ImageFormat::kIndexedAlpha);
  const uint8_t zero_palette[kPaletteBytes] = {};
  const uint8_t* pal = palette_.empty() ? zero_palette : palette_.data();
  std::vector<uint8_t> out;

  switch (target) {
    case ImageFormat::kIndexed:
    case ImageFormat::kIndexedAlpha: {
      const size_t stride = target == ImageFormat::kIndexed ? 1 : 2;
      const size_t index_at = stride - 1;
      out.assign(n * stride, 0);
      if (from_indexed || from_indexed_alpha) {
        // Between the two indexed layouts the palette and the indices stay as they are.
        for (size_t i = 0; i < n; ++i) {
          out[i * stride + index_at] = from_indexed ? pixels_[i] : pixels_[i * 2 + 1];
          if (stride == 2) out[i * 2] = 255;
        }
        break;
      }
      std::vector<uint8_t> rgb;
      if (!ColorsOf(*this, rgb)) return false;
      ColorQuantiser::Palette palette;
      const uint32_t count = ColorQuantiser::BuildPalette(rgb, 256, palette);
      ColorQuantiser::MapWithDiffusion(rgb, width_, height_, palette, count, out.data() + index_at,
                                       stride);
      if (stride == 2) {
        // RGBA keeps its alpha beside the index; the other layouts are opaque.
        for (size_t i = 0; i < n; ++i) {
          out[i * 2] = is(ImageFormat::kRgba) ? pixels_[i * 4 + 3] : 255;
        }
      }
      pixels_.swap(out);
      format_ = to;
      setPalette(count, palette.data());
      contentHash_ = 0;
      return true;
    }
    case ImageFormat::kGreyscale:
      if (is(ImageFormat::kRgba)) {
        out.resize(n);
        for (size_t i = 0; i < n; ++i) out[i] = pixels_[i * 4 + 3];
      } else if (from_indexed_alpha) {
        out.resize(n);
        for (size_t i = 0; i < n; ++i) out[i] = pixels_[i * 2];
      } else {
        return false;
      }
      break;
    case ImageFormat::kRgb:
      if (!from_indexed) return false;
      out.resize(n * 3);
      for (size_t i = 0; i < n; ++i) std::memcpy(&out[i * 3], &pal[pixels_[i] * 3], 3);
      break;
    case ImageFormat::kRgba:
      out.resize(n * 4);
      if (is(ImageFormat::kRgb)) {
        for (size_t i = 0; i < n; ++i) {
          std::memcpy(&out[i * 4], &pixels_[i * 3], 3);
          out[i * 4 + 3] = 255;
        }
      } else if (from_indexed) {
        for (size_t i = 0; i < n; ++i) {
          std::memcpy(&out[i * 4], &pal[pixels_[i] * 3], 3);
          out[i * 4 + 3] = 255;
        }
      } else if (is(ImageFormat::kGreyscale)) {
        for (size_t i = 0; i < n; ++i) {
          out[i * 4] = out[i * 4 + 1] = out[i * 4 + 2] = 255;
          out[i * 4 + 3] = pixels_[i];
        }
      } else if (from_indexed_alpha) {
        for (size_t i = 0; i < n; ++i) {
          std::memcpy(&out[i * 4], &pal[pixels_[i * 2 + 1] * 3], 3);
          out[i * 4 + 3] = pixels_[i * 2];
        }
      } else {
        return false;
      }
      break;
    default:
      return false;
  }
  pixels_.swap(out);
  format_ = to;
  // Only the indexed layouts have a use for the palette.
  if (target != ImageFormat::kIndexed && target != ImageFormat::kIndexedAlpha) {
    setPalette(0, nullptr);
  }
  contentHash_ = 0;
  return true;
}

bool Image::copyConverted(const Image& source, ImageFormat target) {
  Image copy = source;
  if (!copy.convert(target)) return false;
  *this = std::move(copy);
  return true;
}
