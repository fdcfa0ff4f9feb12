#include "tags/TagHeader.h"

#include <algorithm>
#include <span>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "tags/TagCode.h"

namespace {

uint32_t SignatureAt(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) << 24 |
         static_cast<uint32_t>(bytes[offset + 1]) << 16 |
         static_cast<uint32_t>(bytes[offset + 2]) << 8 | static_cast<uint32_t>(bytes[offset + 3]);
}

uint16_t U16At(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

// The current layout is decoded straight from the 64 bytes the caller has already bounded:
// whole archive directories go through here, a hundred thousand headers at a time.
void ReadCurrent(std::span<const uint8_t> b, TagHeader& h) {
  h.identifier = U16At(b, 0);
  h.flags = b[2];
  h.type = b[3];
  std::copy_n(b.begin() + 4, TagHeader::kNameSize, reinterpret_cast<uint8_t*>(h.name.data()));
  h.name.back() = '\0';
  h.group = SignatureAt(b, 36);
  h.tag_id = SignatureAt(b, 40);
  h.data_offset = SignatureAt(b, 44);
  h.data_size = SignatureAt(b, 48);
  h.user_data = SignatureAt(b, 52);
  h.version = U16At(b, 56);
  h.foundation_index = b[58];
  h.owner_index = b[59];
  h.signature = SignatureAt(b, 60);
}

void ReadLegacy(ByteReader& r, TagHeader& h) {
  uint32_t version = 0;
  uint32_t dropped = 0;
  bool ok = r.ReadFixedChars(h.name) && r.ReadU32Be(h.group) && r.ReadU32Be(h.tag_id) &&
            r.ReadU32Be(version) && r.ReadU32Be(dropped) && r.ReadU32Be(h.data_offset) &&
            r.ReadU32Be(h.data_size) && r.ReadU32Be(dropped) && r.ReadU32Be(h.signature);
  (void)ok;
  h.version = static_cast<uint16_t>(version & 0xFFFF);
}

}  // namespace

TagHeader TagHeader::Fresh() {
  TagHeader h;
  h.version = 1;
  h.owner_index = 0xFF;
  return h;
}

std::string TagHeader::Name() const {
  return std::string(name.data(), std::find(name.begin(), name.end(), '\0'));
}

void TagHeader::SetName(std::string_view text) {
  name.fill('\0');
  const size_t n = std::min({text.find('\0'), text.size(), kNameSize - 1});
  std::copy_n(text.begin(), n, name.begin());
}

bool TagHeader::Read(ByteReader& reader, TagHeader& out, std::string& error) {
  std::span<const uint8_t> bytes;
  if (!reader.ReadView(kSize, bytes)) {
    error = "header is cut short: " + std::to_string(reader.remaining()) + " of 64 bytes present";
    return false;
  }
  const uint32_t signature = SignatureAt(bytes, 60);
  if (signature != kCurrentSignature && signature != kLegacySignature) {
    error = "not a tag: signature " + tagcode::Display(signature) + " is neither vrn2 nor vorn";
    return false;
  }
  ByteReader fields(bytes);
  TagHeader h;  // a legacy header leaves the fields it lacks at 0
  if (signature == kCurrentSignature) {
    ReadCurrent(bytes, h);
  } else {
    ReadLegacy(fields, h);
  }
  out = h;
  return true;
}

void TagHeader::Write(ByteWriter& w) const {
  w.WriteU16Be(identifier);
  w.WriteU8(flags);
  w.WriteU8(type);
  w.WriteFixedChars(std::string_view(name.data(), kNameSize), kNameSize);
  w.WriteU32Be(group);
  w.WriteU32Be(tag_id);
  w.WriteU32Be(data_offset);
  w.WriteU32Be(data_size);
  w.WriteU32Be(user_data);
  w.WriteU16Be(version);
  w.WriteU8(foundation_index);
  w.WriteU8(owner_index);
  w.WriteU32Be(kCurrentSignature);
}
