#include "collections/TiffFile.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// No codec libtiff offers inflates data by much more than about 1400:1 (LZW); this leaves
// room while still refusing a few bytes that claim gigabytes of pixels.
constexpr uint64_t kMaxInflation = 8192;

struct TiffState {
  std::span<const uint8_t> file;
  uint64_t position = 0;
  std::string message;
};

// libtiff's default handlers print to stderr; the first error is kept for the caller instead.
int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto* message = static_cast<std::string*>(user);
  if (message->empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    *message = std::string(module ? module : "libtiff") + ": " + text;
  }
  return 1;
}
int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
std::unique_ptr<TIFFOpenOptions, OptionsDeleter> MakeOptions(std::string* message) {
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, message);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(Image::kMaxPixelBytes));
  return options;
}

struct TiffCloser {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// Client procedures over a file already in memory.
tmsize_t MemRead(thandle_t h, void* out, tmsize_t size) {
  auto* s = static_cast<TiffState*>(h);
  if (size < 0) return 0;
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(size), s->file.size() - s->position);
  std::memcpy(out, s->file.data() + s->position, n);
  s->position += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t MemWrite(thandle_t, void*, tmsize_t) {
  return 0;
}
toff_t MemSeek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<TiffState*>(h);
  uint64_t base = whence == SEEK_CUR ? s->position : whence == SEEK_END ? s->file.size() : 0;
  const uint64_t target = base + offset;
  // Seeking before the start wraps around; past the end is allowed but reads nothing.
  if (target < base && whence != SEEK_SET) return static_cast<toff_t>(-1);
  s->position = std::min<uint64_t>(target, s->file.size());
  return s->position;
}
int MemClose(thandle_t) {
  return 0;
}
toff_t MemSize(thandle_t h) {
  return static_cast<TiffState*>(h)->file.size();
}
int MemMap(thandle_t, void**, toff_t*) {
  return 0;
}
void MemUnmap(thandle_t, void*, toff_t) {}

bool Fail(std::string& error, const std::string& libtiff_message, const char* text) {
  error = libtiff_message.empty() ? text : libtiff_message;
  return false;
}

}  // namespace

bool TiffFile::Read(std::span<const uint8_t> file, Image& image, bool pixels, std::string& error) {
  TiffState state;
  state.file = file;
  auto options = MakeOptions(&state.message);
  TiffHandle tif(TIFFClientOpenExt("tiff", "rm", &state, MemRead, MemWrite, MemSeek, MemClose,
                                   MemSize, MemMap, MemUnmap, options.get()));
  if (!tif) return Fail(error, state.message, "not a TIFF file");

  uint32_t width = 0, height = 0;
  uint16_t bits = 0, samples = 0, photometric = 0, planar = 0, sample_format = 0;
  if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height)) {
    return Fail(error, state.message, "the TIFF has no image size");
  }
  // An absent bits-per-sample field means 1 bit.
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLEFORMAT, &sample_format);
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) {
    error = "the TIFF has " + std::to_string(bits) + " bits per sample";
    return false;
  }
  if (sample_format != SAMPLEFORMAT_UINT) {
    error = "the TIFF's samples are not unsigned integers";
    return false;
  }
  if (!TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric)) {
    return Fail(error, {}, "the TIFF has no photometric interpretation");
  }
  ImageFormat format;
  if (photometric == PHOTOMETRIC_MINISBLACK && samples == 1) {
    format = ImageFormat::kGreyscale;
  } else if (photometric == PHOTOMETRIC_MINISBLACK && samples == 2) {
    format = ImageFormat::kRgba;  // grey with alpha
  } else if (photometric == PHOTOMETRIC_RGB && samples == 3) {
    format = ImageFormat::kRgb;
  } else if (photometric == PHOTOMETRIC_RGB && samples == 4) {
    format = ImageFormat::kRgba;
  } else if (photometric == PHOTOMETRIC_PALETTE && samples == 1 && bits <= 8) {
    format = ImageFormat::kIndexed;
  } else {
    error = "unsupported TIFF layout (photometric " + std::to_string(photometric) + ", " +
            std::to_string(samples) + " samples of " + std::to_string(bits) + " bits)";
    return false;
  }
  // Packed pixels only for one sample: grey levels (scaled to 0-255) or palette indices.
  if (bits < 8 && samples != 1) {
    error = "the TIFF packs " + std::to_string(samples) + " samples of " + std::to_string(bits) +
            " bits";
    return false;
  }
  if (TIFFIsTiled(tif.get())) {
    error = "tiled TIFF files are not supported";
    return false;
  }
  if (planar != PLANARCONFIG_CONTIG && planar != PLANARCONFIG_SEPARATE) {
    error = "unknown TIFF planar configuration";
    return false;
  }
  const uint64_t bytes = (uint64_t{width} * samples * bits + 7) / 8 * height;
  if (width == 0 || height == 0 || bytes > file.size() * kMaxInflation + (1u << 20)) {
    error = "the TIFF's size does not fit its length";
    return false;
  }
  if (!image.setSize(width, height, format)) {
    error = "the TIFF image is too large";
    return false;
  }
  image.setPalette(0, nullptr);
  if (format == ImageFormat::kIndexed) {
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(tif.get(), TIFFTAG_COLORMAP, &red, &green, &blue)) {
      return Fail(error, state.message, "the paletted TIFF has no colour map");
    }
    // The colour map has an entry for every value of the bits.
    const int entries = 1 << bits;
    uint8_t palette[768] = {};
    for (int i = 0; i < entries; ++i) {
      palette[i * 3] = static_cast<uint8_t>(uint32_t{red[i]} * 255 / 65535);
      palette[i * 3 + 1] = static_cast<uint8_t>(uint32_t{green[i]} * 255 / 65535);
      palette[i * 3 + 2] = static_cast<uint8_t>(uint32_t{blue[i]} * 255 / 65535);
    }
    image.setPalette(static_cast<uint32_t>(entries), palette);
  }
  if (!pixels) return true;

  // The samples are read as stored, each rounded to 8 bits, into `stored` (the image itself
  // unless grey with alpha still has to be spread over four bytes).
  const uint32_t sample_bytes = bits / 8;
  const uint64_t row = uint64_t{width} * samples;
  const uint64_t stored_row = ((planar == PLANARCONFIG_CONTIG ? row : width) * bits + 7) / 8;
  if (static_cast<uint64_t>(TIFFScanlineSize64(tif.get())) != stored_row) {
    return Fail(error, state.message, "unexpected TIFF scanline size");
  }
  const bool grey_alpha = samples == 2;
  std::vector<uint8_t> spread;
  if (grey_alpha) spread.resize(row * height);
  uint8_t* base = image.mutablePixels().data();
  uint8_t* stored = grey_alpha ? spread.data() : base;
  std::vector<uint8_t> line(stored_row);
  // One pass for contiguous samples, one per sample for separate planes; each scanline's
  // samples go to every `step`-th byte of the row from `first`.
  const uint16_t planes = planar == PLANARCONFIG_CONTIG ? 1 : samples;
  const uint64_t per_line = planar == PLANARCONFIG_CONTIG ? row : width;
  const uint64_t step = planar == PLANARCONFIG_CONTIG ? 1 : samples;
  for (uint16_t plane = 0; plane < planes; ++plane) {
    for (uint32_t y = 0; y < height; ++y) {
      if (TIFFReadScanline(tif.get(), line.data(), y, plane) < 0) {
        return Fail(error, state.message, "the TIFF pixel data could not be read");
      }
      uint8_t* dest = stored + y * row + plane;
      if (bits < 8) {
        // The leftmost pixel in the high bits; grey levels stretched over 0-255.
        const uint32_t per_byte = 8 / bits, mask = (1u << bits) - 1;
        const uint32_t scale = format == ImageFormat::kGreyscale ? 255 / mask : 1;
        for (uint64_t i = 0; i < per_line; ++i) {
          const uint32_t shift = 8 - bits * (1 + uint32_t(i % per_byte));
          dest[i] = static_cast<uint8_t>(((line[i / per_byte] >> shift) & mask) * scale);
        }
      } else if (sample_bytes == 1) {
        for (uint64_t i = 0; i < per_line; ++i) dest[i * step] = line[i];
      } else {
        // libtiff hands 16-bit samples over in the machine's byte order.
        for (uint64_t i = 0; i < per_line; ++i) {
          uint16_t v;
          std::memcpy(&v, &line[i * 2], 2);
          dest[i * step] = static_cast<uint8_t>((uint32_t{v} * 255 + 32767) / 65535);
        }
      }
    }
  }
  if (grey_alpha) {
    for (uint64_t i = 0; i < uint64_t{width} * height; ++i) {
      const uint8_t grey = spread[i * 2], alpha = spread[i * 2 + 1];
      uint8_t* p = base + i * 4;
      p[0] = p[1] = p[2] = grey;
      p[3] = alpha;
    }
  }
  if (format == ImageFormat::kRgba) {
    uint16_t extra_count = 0;
    uint16_t* extra = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_EXTRASAMPLES, &extra_count, &extra) && extra_count == 1 &&
        extra[0] == EXTRASAMPLE_ASSOCALPHA) {
      // Premultiplied colours: the image holds straight alpha.
      for (uint64_t i = 0; i < uint64_t{width} * height; ++i) {
        uint8_t* p = base + i * 4;
        if (p[3] == 0 || p[3] == 255) continue;
        for (int c = 0; c < 3; ++c) {
          p[c] = static_cast<uint8_t>(std::min<uint32_t>(255, (p[c] * 255u + p[3] / 2) / p[3]));
        }
      }
    }
  }
  return true;
}

bool TiffFile::Write(const std::string& path, const Image& image, std::string& error) {
  uint16_t samples = 1, photometric = PHOTOMETRIC_MINISBLACK;
  const bool indexed = image.is(ImageFormat::kIndexed) && image.hasPalette();
  if (indexed) {
    photometric = PHOTOMETRIC_PALETTE;
  } else if (image.is(ImageFormat::kRgb)) {
    samples = 3;
    photometric = PHOTOMETRIC_RGB;
  } else if (image.is(ImageFormat::kRgba)) {
    samples = 4;
    photometric = PHOTOMETRIC_RGB;
  } else if (!image.is(ImageFormat::kGreyscale) && !image.is(ImageFormat::kIndexed)) {
    error = std::string("TIFF files cannot hold ") + FormatName(image.format()) + " pixels";
    return false;
  }
  if (image.width() == 0 || image.height() == 0) {
    error = "an empty image cannot be written as TIFF";
    return false;
  }
  std::string message;
  auto options = MakeOptions(&message);
  TiffHandle tif(TIFFOpenExt(path.c_str(), "w", options.get()));
  if (!tif) return Fail(error, message, "the TIFF file could not be created");
  TIFF* t = tif.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, image.width());
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, image.height());
  TIFFSetField(t, TIFFTAG_IMAGEDEPTH, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_DEFLATE);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  if (samples == 4) {
    // Without this other programs take the fourth sample for something unknown and drop it.
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  if (indexed) {
    std::vector<uint16_t> map(256 * 3);
    for (int i = 0; i < 256; ++i) {
      for (int c = 0; c < 3; ++c)
        map[c * 256 + i] = static_cast<uint16_t>(image.palette()[i * 3 + c] * 65535u / 255u);
    }
    TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
  }
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
  const size_t row = size_t{image.width()} * samples;
  std::vector<uint8_t> scratch(row);
  for (uint32_t y = 0; y < image.height(); ++y) {
    // libtiff's codecs may work in the buffer they are given.
    std::copy_n(image.pixels().data() + y * row, row, scratch.data());
    if (TIFFWriteScanline(t, scratch.data(), y, 0) < 0) {
      return Fail(error, message, "the TIFF pixel data could not be written");
    }
  }
  if (!TIFFFlush(t)) return Fail(error, message, "the TIFF file could not be written");
  tif.reset();
  if (!message.empty()) return Fail(error, message, "");
  return true;
}
