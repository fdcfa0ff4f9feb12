#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class ByteReader;
class ByteWriter;

// The 64-byte header in front of every tag, held in the current layout. A header read in the
// legacy layout is converted on reading but keeps its "vorn" signature, so it can still be told
// apart; every write uses the current layout and "vrn2".
struct TagHeader {
  static constexpr size_t kSize = 64;
  static constexpr size_t kNameSize = 32;
  static constexpr uint32_t kCurrentSignature = 0x76726E32;  // "vrn2"
  static constexpr uint32_t kLegacySignature = 0x766F726E;   // "vorn"

  uint16_t identifier = 0;
  uint8_t flags = 0;
  uint8_t type = 0;
  std::array<char, kNameSize> name{};  // last byte always 0
  uint32_t group = 0;
  uint32_t tag_id = 0;
  uint32_t data_offset = 0;
  uint32_t data_size = 0;
  uint32_t user_data = 0;
  uint16_t version = 0;
  uint8_t foundation_index = 0;
  uint8_t owner_index = 0;
  uint32_t signature = kCurrentSignature;

  // Identifier 0, version 1, owner index 0xFF, current signature, everything else 0.
  static TagHeader Fresh();

  bool operator==(const TagHeader&) const = default;

  std::string Name() const;
  // Stores at most 31 bytes of the text (up to any NUL) and zero-fills the rest.
  void SetName(std::string_view text);

  bool IsLegacy() const { return signature == kLegacySignature; }
  bool IsValid() const { return signature == kCurrentSignature || signature == kLegacySignature; }

  // Reads 64 bytes in either layout. Fails, leaving `out` untouched, on a short read or an
  // unknown signature, with a one-line reason in `error`.
  static bool Read(ByteReader& reader, TagHeader& out, std::string& error);
  // Always the current layout; the signature written is "vrn2" whatever the header held.
  void Write(ByteWriter& writer) const;
};
