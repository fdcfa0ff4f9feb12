#pragma once
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Writes LWO2 objects byte by byte for the tests, so that they can also hold what the program's
// own writer never writes: long indices for small numbers, odd sizes, unknown chunks and faults.
class LwoBytes {
 public:
  LwoBytes& U8(uint8_t v) {
    bytes_.push_back(v);
    return *this;
  }
  LwoBytes& U16(uint16_t v) { return U8(uint8_t(v >> 8)).U8(uint8_t(v)); }
  LwoBytes& U32(uint32_t v) { return U16(uint16_t(v >> 16)).U16(uint16_t(v)); }
  LwoBytes& F32(float v) { return U32(std::bit_cast<uint32_t>(v)); }
  LwoBytes& Vec(float x, float y, float z) { return F32(x).F32(y).F32(z); }
  LwoBytes& Id(std::string_view id) {
    for (size_t i = 0; i < 4; ++i) U8(i < id.size() ? uint8_t(id[i]) : uint8_t(' '));
    return *this;
  }
  // A variable-length index, in the long form (0xFF and three bytes) when asked or needed.
  LwoBytes& Vx(uint32_t index, bool long_form = false) {
    if (long_form || index >= 0xFF00) return U8(0xFF).U8(uint8_t(index >> 16)).U16(uint16_t(index));
    return U16(uint16_t(index));
  }
  // One entry of a two-dimensional map (TXUV): the point's index, then u and v.
  LwoBytes& Uv(uint32_t index, float u, float v) { return Vx(index).F32(u).F32(v); }
  // NUL-terminated, padded to even.
  LwoBytes& Str(std::string_view text) {
    for (char c : text) U8(uint8_t(c));
    U8(0);
    if ((text.size() + 1) % 2 != 0) U8(0);
    return *this;
  }
  LwoBytes& Raw(std::initializer_list<uint8_t> raw) {
    bytes_.insert(bytes_.end(), raw);
    return *this;
  }
  LwoBytes& Append(const LwoBytes& other) {
    bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
    return *this;
  }
  // A chunk with a 32-bit size (top level) or a 16-bit one (inside SURF, BLOK, CLIP), padded
  // after an odd size unless `pad` is false. `size` overrides the size field.
  LwoBytes& Chunk(std::string_view id, const LwoBytes& body, bool pad = true, int64_t size = -1) {
    Id(id).U32(size >= 0 ? uint32_t(size) : uint32_t(body.size()));
    Append(body);
    if (pad && body.size() % 2 != 0) U8(0);
    return *this;
  }
  LwoBytes& Sub(std::string_view id, const LwoBytes& body, int64_t size = -1) {
    Id(id).U16(size >= 0 ? uint16_t(size) : uint16_t(body.size()));
    Append(body);
    if (body.size() % 2 != 0) U8(0);
    return *this;
  }

  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t>& bytes() { return bytes_; }

  // FORM, its size and LWO2 around the chunks written so far.
  std::vector<uint8_t> Form() const {
    LwoBytes form;
    form.Id("FORM").U32(uint32_t(bytes_.size() + 4)).Id("LWO2");
    form.bytes_.insert(form.bytes_.end(), bytes_.begin(), bytes_.end());
    return form.bytes_;
  }

 private:
  std::vector<uint8_t> bytes_;
};

inline LwoBytes L() {
  return LwoBytes();
}

// An image-map texture layer of `channel` with projection `projection` showing clip `clip`
// through the UV map `uv`.
inline LwoBytes ImageBlock(std::string_view channel, uint16_t projection, uint32_t clip,
                           std::string_view uv, std::string_view ordinal = "\x80") {
  LwoBytes header;
  header.Str(ordinal)
      .Sub("CHAN", L().Id(channel))
      .Sub("ENAB", L().U16(1))
      .Sub("OPAC", L().U16(0).F32(1.0f).Vx(0));
  LwoBytes block;
  block.Sub("IMAP", header)
      .Sub("TMAP", L().Sub("CNTR", L().Vec(0, 0, 0).Vx(0)))
      .Sub("PROJ", L().U16(projection))
      .Sub("AXIS", L().U16(2))
      .Sub("IMAG", L().Vx(clip))
      .Sub("VMAP", L().Str(uv));
  return block;
}

inline LwoBytes Surface(std::string_view name, const LwoBytes& sub_chunks) {
  LwoBytes s;
  s.Str(name).Str("").Append(sub_chunks);
  return s;
}
