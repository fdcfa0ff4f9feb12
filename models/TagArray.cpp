#include "models/TagArray.h"

bool TagArray::Locate(std::span<const uint8_t> region, std::string_view what, size_t count,
                      size_t record_size, std::span<const uint8_t>& out, std::string& error) const {
  const uint64_t needed = uint64_t{count} * record_size;
  if (size != needed) {
    error = std::string(what) + " array holds " + std::to_string(size) + " bytes, but " +
            std::to_string(count) + " " + std::string(what) + " need " + std::to_string(needed);
    return false;
  }
  if (offset > region.size() || size > region.size() - offset) {
    error = std::string(what) + " array (" + std::to_string(size) + " bytes at " +
            std::to_string(offset) + ") does not lie inside the " + std::to_string(region.size()) +
            " bytes after the data base";
    return false;
  }
  out = region.subspan(offset, size);
  return true;
}

bool TagArray::Region(std::span<const uint8_t> data, uint32_t base, std::string_view tag,
                      std::span<const uint8_t>& out, std::string& error) {
  if (base > data.size()) {
    error = std::string(tag) + " data base " + std::to_string(base) + " lies past the " +
            std::to_string(data.size()) + " bytes of data";
    return false;
  }
  out = data.subspan(base);
  return true;
}
