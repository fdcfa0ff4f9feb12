#include "gui/CursorPack.h"

#include <algorithm>
#include <set>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/SafeFile.h"

namespace {
constexpr uint8_t kMagic[4] = {'Z', 'C', 'U', 'R'};
}

bool CursorPack::Read(std::span<const uint8_t> bytes, std::vector<CursorPicture>& out,
                      std::string& error) {
  ByteReader r(bytes);
  uint8_t magic[4] = {};
  uint16_t count = 0;
  if (!r.ReadBytes(magic) || !std::equal(magic, magic + 4, kMagic) || !r.ReadU16Be(count)) {
    error = "not a cursor pack";
    return false;
  }
  std::vector<CursorPicture> pictures;
  std::set<uint16_t> ids;
  for (uint16_t i = 0; i < count; ++i) {
    CursorPicture p;
    if (!r.ReadU16Be(p.id) || !r.ReadU16Be(p.width) || !r.ReadU16Be(p.height) ||
        !r.ReadU16Be(p.hot_x) || !r.ReadU16Be(p.hot_y)) {
      error = "picture " + std::to_string(i) + " is cut short";
      return false;
    }
    if (p.width == 0 || p.height == 0 || p.width > kMaxSide || p.height > kMaxSide ||
        p.hot_x >= p.width || p.hot_y >= p.height) {
      error = "picture " + std::to_string(i) + " has a bad size or hot spot";
      return false;
    }
    if (!ids.insert(p.id).second) {
      error = "picture id " + std::to_string(p.id) + " comes twice";
      return false;
    }
    const size_t size = size_t{p.width} * p.height * 4;
    if (r.remaining() < size) {
      error = "picture " + std::to_string(i) + " is cut short";
      return false;
    }
    p.rgba.resize(size);
    if (!r.ReadBytes(p.rgba)) return false;
    pictures.push_back(std::move(p));
  }
  if (!r.AtEnd()) {
    error = "bytes left after the last picture";
    return false;
  }
  out = std::move(pictures);
  return true;
}

bool CursorPack::Load(const std::filesystem::path& path, std::vector<CursorPicture>& out,
                      std::string& error) {
  std::vector<uint8_t> bytes;
  // Far more than a pack of every cursor at the largest size needs.
  if (!SafeFile::ReadAll(path, 16u << 20, bytes, error)) return false;
  return Read(bytes, out, error);
}

std::vector<uint8_t> CursorPack::Write(const std::vector<CursorPicture>& pictures) {
  ByteWriter w;
  w.WriteBytes(kMagic);
  w.WriteU16Be(static_cast<uint16_t>(pictures.size()));
  for (const CursorPicture& p : pictures) {
    w.WriteU16Be(p.id);
    w.WriteU16Be(p.width);
    w.WriteU16Be(p.height);
    w.WriteU16Be(p.hot_x);
    w.WriteU16Be(p.hot_y);
    w.WriteBytes(p.rgba);
  }
  return w.Take();
}
