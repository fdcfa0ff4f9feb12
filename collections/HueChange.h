#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// A recolouring of one hue range of the palette. The structure is the 128-byte hue change
// record itself, field for field as in the file, so the collection reader and writer convert
// whole lists of them with one record descriptor (kWords).
struct HueChange {
  static constexpr size_t kRecordSize = 128;

  enum UseAs : uint16_t { kNone = 0, kPrimary = 1, kSecondary = 2 };
  static constexpr uint16_t kReversed = 0x0001;         // hue flags
  static constexpr uint8_t kReplacementEnabled = 0x01;  // replacement mode
  static constexpr uint8_t kReplaceWithSolid = 0x02;    // only with kReplacementEnabled

  std::array<char, 64> name{};
  // Hues are fractions of a full turn scaled to 65536.
  uint16_t start_hue = 0x5556;
  uint16_t end_hue = 0xAAAB;
  std::array<uint8_t, 32> affected{};  // bit (i & 7) of byte (i >> 3) for palette entry i
  uint16_t min_saturation = 0;         // 0-65535 for 0-100 %
  uint16_t median_hue = 0x8001;
  uint16_t use_as = kNone;
  std::array<uint8_t, 6> reserved_106{};  // always zero
  std::array<uint16_t, 3> replacement{};  // red, green, blue, each an 8-bit value << 8
  uint16_t hue_flags = 0;
  uint8_t replacement_mode = 0;
  // The record's last seven bytes have no known meaning; they are carried along.
  std::array<uint8_t, 7> tail{};

  // Name, hues, mask, saturation and median, use-as, reserved (zero), replacement colour, hue
  // flags, replacement mode, tail.
  static constexpr uint16_t kWords[] = {128, 64, 0, 2, 1, 32, 0, 3, 1, 6, 4, 4, 1, 1, 0, 7, 0};

  std::string Name() const;
  void SetName(std::string_view text);

  bool Affects(int index) const { return (affected[index >> 3] >> (index & 7)) & 1; }
  // Whether a colour of this hue and saturation (HueSaturation's scaling) is in the range.
  bool Selects(uint16_t hue, uint16_t saturation) const {
    if (saturation <= min_saturation) return false;
    // A range whose start lies after its end wraps through hue 0 (reds on both sides).
    return start_hue <= end_hue ? (hue >= start_hue && hue < end_hue)
                                : (hue >= start_hue || hue < end_hue);
  }
  // Recomputes `affected` from the hue range and minimum saturation.
  void ComputeAffected(std::span<const uint8_t, 768> palette);

  // The 16-bit hue and saturation of one colour, as the mask compares them.
  static void HueSaturation(uint8_t red, uint8_t green, uint8_t blue, uint16_t& hue,
                            uint16_t& saturation);
};
