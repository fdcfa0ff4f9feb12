#pragma once
// Dialog tag data built byte by byte, so the reader is tested against bytes our writer did not
// make.
#include <cstdint>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "tags/TagCode.h"

namespace dialogbytes {

struct Control {
  const char* type;
  int16_t id;
  int16_t left, top, right, bottom;
  std::string text;
};

// Header (version, count, top, left, bottom, right), the records with reserved bytes set to
// `reserved`, the texts each with its zero byte, then `after`.
inline std::vector<uint8_t> Make(uint16_t version, int16_t left, int16_t top, int16_t right,
                                 int16_t bottom, const std::vector<Control>& controls,
                                 const std::string& after = "", uint8_t reserved = 0) {
  ByteWriter w;
  w.WriteU16Be(version);
  w.WriteU16Be(static_cast<uint16_t>(controls.size()));
  for (int16_t v : {top, left, bottom, right}) w.WriteU16Be(static_cast<uint16_t>(v));
  for (const Control& c : controls) {
    w.WriteU32Be(tagcode::Make(c.type));
    w.WriteU16Be(reserved * 0x101u);
    w.WriteU16Be(static_cast<uint16_t>(c.id));
    for (int i = 0; i < 8; ++i) w.WriteU8(reserved);
    for (int16_t v : {c.top, c.left, c.bottom, c.right}) w.WriteU16Be(static_cast<uint16_t>(v));
  }
  for (const Control& c : controls) {
    w.WriteBytes(std::vector<uint8_t>(c.text.begin(), c.text.end()));
    w.WriteU8(0);
  }
  w.WriteBytes(std::vector<uint8_t>(after.begin(), after.end()));
  return w.Take();
}

}  // namespace dialogbytes
