#pragma once
#include <string>
#include <string_view>

#include "base/ByteWriter.h"
#include "tags/TagHeader.h"

// The terrain of the demo game: real meshes with hills, water and every kind of ground, a
// colour map collection beside each (tag id the mesh's), and a detail map for the Hills.
namespace demoterrain {
// True for the meshes, colour maps and detail maps whose data WriteTag below makes.
bool Makes(std::string_view group, std::string_view id);
// Appends the tag's data and sets the header's version.
bool WriteTag(std::string_view group, std::string_view id, ByteWriter& out, TagHeader& header,
              std::string& error);
}  // namespace demoterrain
