#pragma once
#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TagHeader;

// One of a detail map's 128 slots.
struct DetailSlot {
  static constexpr uint32_t kNoTexture = 0xFFFFFFFF;
  uint32_t dtex = kNoTexture;            // tag id of the detail texture
  uint8_t scale_minus_one = 0;           // detail texture pixels per cell, less one
  uint8_t red = 0, green = 0, blue = 0;  // highlight colour
  std::array<char, 32> name{};           // the texture's name; last byte always 0

  int Scale() const { return scale_minus_one + 1; }
  std::string Name() const;
  void SetName(std::string_view text);  // at most 31 bytes
  bool HasTexture() const { return dtex != kNoTexture; }
  bool operator==(const DetailSlot&) const = default;
};

// Which of the two arrays an operation works on.
enum class DetailLayer { kVertex, kTriangle };

// A detail map (group `dmap`): a slot number per vertex and two per cell (the cell's
// triangles), and the 128 slots. Slot numbers of 128 and above name no slot; they are kept.
class DetailMap {
 public:
  static constexpr int kSlotCount = 128;
  static constexpr uint16_t kVersion = 2;
  static constexpr size_t kHeaderSize = 256;
  static constexpr size_t kSlotRecordSize = 64;
  static constexpr size_t kVersion1HeaderSize = 664;

  uint32_t width = 0;  // vertices across (the mesh's cells across)
  uint32_t height = 0;
  std::array<DetailSlot, kSlotCount> slots{};
  std::vector<uint8_t> vertex;    // width x height
  std::vector<uint8_t> triangle;  // width x height x 2: first and second triangle of each cell

  // Zero-filled arrays for the dimensions, every slot without texture.
  void Reset(uint32_t new_width, uint32_t new_height);
  std::vector<uint8_t>& Layer(DetailLayer layer) {
    return layer == DetailLayer::kVertex ? vertex : triangle;
  }
  const std::vector<uint8_t>& Layer(DetailLayer layer) const {
    return layer == DetailLayer::kVertex ? vertex : triangle;
  }
  // Values per row of a layer: width, or 2 x width for triangles.
  uint32_t RowLength(DetailLayer layer) const {
    return layer == DetailLayer::kVertex ? width : width * 2;
  }
  // The slot a stored value names, or null for values of 128 and above.
  const DetailSlot* SlotOf(uint8_t value) const {
    return value < kSlotCount ? &slots[value] : nullptr;
  }

  // The slots some vertex or either triangle of a cell names; values of 128 and above mark none.
  std::bitset<kSlotCount> UsedSlots() const;

  // Reads versions 1 and 2 (the header's version says which). Dimensions are multiplied in 64
  // bits and must fit what the data can hold; offsets lie inside the data; runs that end before
  // the array is full fail the read. Failure: false with a one-line reason, `out` untouched.
  [[nodiscard]] static bool Read(std::span<const uint8_t> data, const TagHeader& header,
                                 DetailMap& out, std::string& error);
  // Version 2 exactly as laid out: header, the slot table at 256, vertex runs, triangle runs;
  // reserved fields zero. Sets the header's version to 2.
  std::vector<uint8_t> Write(TagHeader& header) const;

  // Appends run-length pairs (value, run - 1) to `out`, a new pair at every change of value or
  // after 256 copies.
  static void EncodeRuns(std::span<const uint8_t> values, std::vector<uint8_t>& out);
  // Decodes pairs from `data` at `offset` until `out` is full (the last run cut at the end).
  // False when the pairs end first.
  static bool DecodeRuns(std::span<const uint8_t> data, size_t offset, std::span<uint8_t> out);
};
