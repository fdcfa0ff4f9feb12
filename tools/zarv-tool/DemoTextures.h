#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The demo game's six default detail textures (`dtex` wate, ston, gras, sand, dirt, snow):
// procedural tiles that wrap seamlessly, coded with the program's own encoder.
namespace demotextures {

struct Texture {
  std::string_view id;
  std::string_view name;
};
const std::vector<Texture>& Textures();

// The RGB pixels of one of them, `side` x `side`.
std::vector<uint8_t> Pixels(std::string_view id, uint32_t side);

// Writes the six as loose tags into `local_folder`.
bool Write(const std::filesystem::path& local_folder, std::string& error);

}  // namespace demotextures
