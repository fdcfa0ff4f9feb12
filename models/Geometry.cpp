#include "models/Geometry.h"

#include <cstring>

std::string GeometryMaterial::Name() const {
  return std::string(name.data(), strnlen(name.data(), name.size()));
}
