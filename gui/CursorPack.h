#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// res/cursors: the program's own cursor pictures (the shapes the window system lacks) and its
// icon, made at build time by tools/makecursors.
//
// Layout (big-endian): "ZCUR", uint16 picture count, then per picture uint16 id, width,
// height, hot-spot x and y, and width * height RGBA pixels, rows top to bottom. Ids are the
// program's cursor ids (gui/Platform.h, Cursor::) and kIconId for the window icon.
struct CursorPicture {
  uint16_t id = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t hot_x = 0;
  uint16_t hot_y = 0;
  std::vector<uint8_t> rgba;
};

class CursorPack {
 public:
  static constexpr uint16_t kIconId = 105;
  // Larger pictures are refused: a cursor or icon has no business being bigger.
  static constexpr uint16_t kMaxSide = 256;

  // False, with a reason in `error`, unless the whole data is a well-formed pack: every
  // picture within the size limit with its hot spot inside it, no id twice, nothing left over.
  static bool Read(std::span<const uint8_t> bytes, std::vector<CursorPicture>& out,
                   std::string& error);
  static bool Load(const std::filesystem::path& path, std::vector<CursorPicture>& out,
                   std::string& error);
  static std::vector<uint8_t> Write(const std::vector<CursorPicture>& pictures);
};
