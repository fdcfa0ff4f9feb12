#pragma once
// Detail maps made in memory for the editing tests: the dimensions and arrays set directly, so
// the tests do not depend on the file reader.
#include <cstdint>
#include <random>

#include "terrain/DetailMap.h"

namespace detailtest {

inline DetailMap Map(uint32_t width, uint32_t height, uint8_t vertex = 0, uint8_t triangle = 0) {
  DetailMap map;
  map.width = width;
  map.height = height;
  map.vertex.assign(size_t(width) * height, vertex);
  map.triangle.assign(size_t(width) * height * 2, triangle);
  return map;
}

inline void Randomise(DetailMap& map, uint32_t seed, int values) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(0, values - 1);
  for (uint8_t& v : map.vertex) v = static_cast<uint8_t>(pick(random));
  for (uint8_t& v : map.triangle) v = static_cast<uint8_t>(pick(random));
}

inline uint8_t& Tri(DetailMap& map, uint32_t x, uint32_t y, int t) {
  return map.triangle[(size_t(y) * map.width + x) * 2 + size_t(t)];
}
inline uint8_t& Vert(DetailMap& map, uint32_t x, uint32_t y) {
  return map.vertex[size_t(y) * map.width + x];
}

}  // namespace detailtest
