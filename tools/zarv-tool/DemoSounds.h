#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The sounds of the demo game: short tones encoded as IMA4, one permutation or more each, so
// the sound editor and `zarv-tool sound` have something real to list, export and play.
namespace demosounds {
// True for the sound tags whose data Data below makes (group `soun`, ids bell, horn, rain and
// wind).
bool Makes(std::string_view group, std::string_view id);
// The sound tag's data; `name` (the tag's) tells the archived and the local copies apart.
std::vector<uint8_t> Data(std::string_view id, std::string_view name);
}  // namespace demosounds
