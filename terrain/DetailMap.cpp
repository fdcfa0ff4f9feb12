#include "terrain/DetailMap.h"

#include <algorithm>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "tags/TagHeader.h"

namespace {

// A run pair is two bytes and stands for at most this many values.
constexpr uint64_t kLongestRun = 256;
constexpr uint64_t kValuesPerByte = kLongestRun / 2;
constexpr size_t kSlotNameSize = 32;
constexpr size_t kSlotReservedWords = 6;

std::string Number(uint64_t value) {
  return std::to_string(value);
}

bool ReadVersion1(std::span<const uint8_t> data, DetailMap& map, std::string& error) {
  if (data.size() < DetailMap::kVersion1HeaderSize) {
    error = "detail map header is cut short: " + Number(data.size()) + " of " +
            Number(DetailMap::kVersion1HeaderSize) + " bytes present";
    return false;
  }
  ByteReader r(data);
  std::array<uint8_t, DetailMap::kSlotCount> scale_bytes{};
  bool ok = r.ReadU32Be(map.width) && r.ReadU32Be(map.height) && r.Skip(8);
  for (DetailSlot& slot : map.slots) ok = ok && r.ReadU32Be(slot.dtex);
  ok = ok && r.ReadBytes(scale_bytes) && r.Skip(8);
  if (!ok) {
    error = "detail map header is cut short";
    return false;
  }
  for (size_t i = 0; i < map.slots.size(); ++i) {
    // Version 1 stored the scale one higher, with 0 and 1 both meaning a scale of 1.
    const uint8_t b = scale_bytes[i];
    map.slots[i].scale_minus_one = b < 2 ? 0 : static_cast<uint8_t>(b - 1);
  }
  const uint64_t count = uint64_t{map.width} * uint64_t{map.height};
  if (count > r.remaining()) {
    error = "detail map of " + Number(map.width) + " x " + Number(map.height) + " vertices needs " +
            Number(count) + " bytes, but only " + Number(r.remaining()) + " follow the header";
    return false;
  }
  map.vertex.resize(static_cast<size_t>(count));
  if (!r.ReadBytes(map.vertex)) {
    error = "detail map vertex slots are cut short";
    return false;
  }
  map.triangle.assign(static_cast<size_t>(count) * 2, 0);
  return true;
}

// Checks that `offset` lies in the data and that `count` values can come from the bytes after
// it, before anything that size is allocated.
bool CheckRuns(std::span<const uint8_t> data, uint32_t offset, uint64_t count, const char* what,
               std::string& error) {
  if (offset > data.size()) {
    error = std::string("detail map ") + what + " offset " + Number(offset) + " lies outside the " +
            Number(data.size()) + " bytes of data";
    return false;
  }
  const uint64_t available = data.size() - offset;
  if (count > available * kValuesPerByte) {
    error = std::string("detail map ") + what + " cannot hold " + Number(count) +
            " values in the " + Number(available) + " bytes at offset " + Number(offset);
    return false;
  }
  return true;
}

bool ReadVersion2(std::span<const uint8_t> data, DetailMap& map, std::string& error) {
  if (data.size() < DetailMap::kHeaderSize) {
    error = "detail map header is cut short: " + Number(data.size()) + " of " +
            Number(DetailMap::kHeaderSize) + " bytes present";
    return false;
  }
  ByteReader r(data);
  uint32_t vertex_at = 0, triangle_at = 0, slots_at = 0, reserved = 0;
  if (!r.ReadU32Be(map.width) || !r.ReadU32Be(map.height) || !r.ReadU32Be(vertex_at) ||
      !r.ReadU32Be(reserved) || !r.ReadU32Be(triangle_at) || !r.ReadU32Be(reserved) ||
      !r.ReadU32Be(slots_at)) {
    error = "detail map header is cut short";
    return false;
  }
  const uint64_t table_size = uint64_t{DetailMap::kSlotCount} * DetailMap::kSlotRecordSize;
  if (slots_at > data.size() || table_size > data.size() - slots_at) {
    error = "detail map slot table (" + Number(table_size) + " bytes at " + Number(slots_at) +
            ") does not lie inside the " + Number(data.size()) + " bytes of data";
    return false;
  }
  if (!r.Seek(slots_at)) {
    error = "detail map slot table lies outside the data";
    return false;
  }
  for (DetailSlot& slot : map.slots) {
    const bool ok = r.ReadU32Be(slot.dtex) && r.ReadU8(slot.scale_minus_one) &&
                    r.ReadU8(slot.red) && r.ReadU8(slot.green) && r.ReadU8(slot.blue) &&
                    r.Skip(kSlotReservedWords * 4) && r.ReadFixedChars(slot.name);
    if (!ok) {
      error = "detail map slot table is cut short";
      return false;
    }
    // Whatever followed the name's NUL is dropped, as a write would drop it.
    slot.SetName(slot.Name());
  }
  const uint64_t count = uint64_t{map.width} * uint64_t{map.height};
  if (!CheckRuns(data, vertex_at, count, "vertex slots", error)) return false;
  // With count bounded by the data above, doubling it cannot overflow.
  if (!CheckRuns(data, triangle_at, count * 2, "triangle slots", error)) return false;
  map.vertex.assign(static_cast<size_t>(count), 0);
  map.triangle.assign(static_cast<size_t>(count) * 2, 0);
  if (!DetailMap::DecodeRuns(data, vertex_at, map.vertex)) {
    error = "detail map vertex slot runs end before " + Number(count) + " values";
    return false;
  }
  if (!DetailMap::DecodeRuns(data, triangle_at, map.triangle)) {
    error = "detail map triangle slot runs end before " + Number(count * 2) + " values";
    return false;
  }
  return true;
}

}  // namespace

std::string DetailSlot::Name() const {
  return std::string(name.data(), std::find(name.begin(), name.end(), '\0'));
}

void DetailSlot::SetName(std::string_view text) {
  name.fill('\0');
  const size_t n = std::min({text.find('\0'), text.size(), name.size() - 1});
  std::copy_n(text.begin(), n, name.begin());
}

void DetailMap::Reset(uint32_t new_width, uint32_t new_height) {
  width = new_width;
  height = new_height;
  slots.fill(DetailSlot{});
  const size_t count = size_t{new_width} * size_t{new_height};
  vertex.assign(count, 0);
  triangle.assign(count * 2, 0);
}

bool DetailMap::Read(std::span<const uint8_t> data, const TagHeader& header, DetailMap& out,
                     std::string& error) {
  DetailMap map;
  bool ok = false;
  if (header.version == 1) {
    ok = ReadVersion1(data, map, error);
  } else if (header.version == kVersion) {
    ok = ReadVersion2(data, map, error);
  } else {
    error =
        "detail map version " + std::to_string(header.version) + " cannot be read (only 1 and 2)";
  }
  if (ok) out = std::move(map);
  return ok;
}

std::vector<uint8_t> DetailMap::Write(TagHeader& header) const {
  header.version = kVersion;
  ByteWriter w;
  w.WriteZeros(kHeaderSize);
  const size_t slots_at = w.size();
  for (const DetailSlot& slot : slots) {
    w.WriteU32Be(slot.dtex);
    w.WriteU8(slot.scale_minus_one);
    w.WriteU8(slot.red);
    w.WriteU8(slot.green);
    w.WriteU8(slot.blue);
    w.WriteZeros(kSlotReservedWords * 4);
    w.WriteFixedChars(slot.Name(), kSlotNameSize);
  }
  std::vector<uint8_t> bytes = w.Take();
  const size_t vertex_at = bytes.size();
  EncodeRuns(vertex, bytes);
  const size_t triangle_at = bytes.size();
  EncodeRuns(triangle, bytes);
  ByteWriter head;
  head.WriteU32Be(width);
  head.WriteU32Be(height);
  head.WriteU32Be(static_cast<uint32_t>(vertex_at));
  head.WriteU32Be(0);
  head.WriteU32Be(static_cast<uint32_t>(triangle_at));
  head.WriteU32Be(0);
  head.WriteU32Be(static_cast<uint32_t>(slots_at));
  // The rest of the header stays zero.
  std::copy(head.bytes().begin(), head.bytes().end(), bytes.begin());
  return bytes;
}

void DetailMap::EncodeRuns(std::span<const uint8_t> values, std::vector<uint8_t>& out) {
  // Count the pairs first, so a map of millions of values is written in one allocation.
  size_t pairs = 0;
  for (size_t i = 0; i < values.size();) {
    const uint8_t value = values[i];
    const size_t end = std::min(values.size(), i + kLongestRun);
    size_t j = i + 1;
    while (j < end && values[j] == value) ++j;
    ++pairs;
    i = j;
  }
  const size_t start = out.size();
  out.resize(start + pairs * 2);
  uint8_t* p = out.data() + start;
  for (size_t i = 0; i < values.size();) {
    const uint8_t value = values[i];
    const size_t end = std::min(values.size(), i + kLongestRun);
    size_t j = i + 1;
    while (j < end && values[j] == value) ++j;
    *p++ = value;
    *p++ = static_cast<uint8_t>(j - i - 1);
    i = j;
  }
}

bool DetailMap::DecodeRuns(std::span<const uint8_t> data, size_t offset, std::span<uint8_t> out) {
  if (offset > data.size()) return false;
  size_t filled = 0;
  size_t at = offset;
  while (filled < out.size()) {
    if (data.size() - at < 2) return false;
    const uint8_t value = data[at];
    const size_t run = std::min<size_t>(size_t{data[at + 1]} + 1, out.size() - filled);
    std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(filled), run, value);
    filled += run;
    at += 2;
  }
  return true;
}

std::bitset<DetailMap::kSlotCount> DetailMap::UsedSlots() const {
  std::array<bool, 256> seen{};
  for (uint8_t v : vertex) seen[v] = true;
  for (uint8_t v : triangle) seen[v] = true;
  std::bitset<kSlotCount> used;
  for (int s = 0; s < kSlotCount; ++s) used[static_cast<size_t>(s)] = seen[static_cast<size_t>(s)];
  return used;
}
