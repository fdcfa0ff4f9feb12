#include "tools/zarv-tool/DtexCommand.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "collections/DataFile.h"
#include "collections/Image.h"
#include "tags/LooseTagFile.h"
#include "tags/TagCode.h"
#include "tags/TagHeader.h"
#include "tags/TagName.h"
#include "terrain/DtexCodec.h"
#include "terrain/DtexImage.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr uint32_t kGroup = tagcode::Make("dtex");

uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The texture of a loose `dtex` tag file, and the length of its coded image.
bool LoadTexture(const std::string& path, LooseTag& tag, DtexCodec::Decoded& texture,
                 std::ostream& err) {
  std::string error;
  if (!LooseTagFile::Read(path, kGroup, tag, error) || !DtexData::Read(tag.data, texture, error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

}  // namespace

int DtexCommand::RunInfo(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  DtexCodec::Decoded texture;
  if (!LoadTexture(input, tag, texture, err)) return 1;
  const uint32_t payload = ReadLe32(tag.data.data() + 12);
  if (json) {
    PrintJson(out, {{"path", input},
                    {"name", tag.header.Name()},
                    {"width", texture.width},
                    {"height", texture.height},
                    {"mode", texture.mode},
                    {"payload_bytes", payload}});
    return 0;
  }
  out << input << ": '" << Printable(Utf8FromEightBit(tag.header.Name())) << "' " << texture.width
      << " x " << texture.height << ", prediction mode " << texture.mode << ", " << payload
      << " payload bytes\n";
  return 0;
}

int DtexCommand::RunDecode(std::ostream& out, std::ostream& err) const {
  LooseTag tag;
  DtexCodec::Decoded texture;
  if (!LoadTexture(input, tag, texture, err)) return 1;
  if (shift_half) dteximage::ShiftHalf(texture.width, texture.height, texture.rgb);
  Image picture;
  std::string error;
  if (!picture.setSize(texture.width, texture.height, ImageFormat::kRgb, texture.rgb.data()) ||
      !DataFile::saveImage(image, picture, error)) {
    err << "zarv-tool: " << image << ": " << (error.empty() ? "cannot be written" : error) << "\n";
    return 1;
  }
  out << image << ": " << texture.width << " x " << texture.height << " RGB\n";
  return 0;
}

int DtexCommand::RunEncode(std::ostream& out, std::ostream& err) const {
  if (checkerboard == !image.empty()) {
    err << "zarv-tool: dtex encode takes an IMAGE or --checkerboard, not "
        << (checkerboard ? "both" : "neither") << "\n";
    return 2;
  }
  if (!mean_center.empty() && mean_center != "rgb" && mean_center != "luma") {
    err << "zarv-tool: --mean-center takes rgb or luma, not '" << mean_center << "'\n";
    return 2;
  }
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
  if (checkerboard) {
    rgb = dteximage::Checkerboard(width, height);
  } else {
    DataFile file(image, DataFile::kImage);
    if (!file.probe()) {
      err << "zarv-tool: " << image << ": " << file.error() << "\n";
      return 1;
    }
    const Image& header = file.image();
    const std::string refused =
        dteximage::CheckImage(header.is(ImageFormat::kRgb), header.width(), header.height());
    if (!refused.empty()) {
      err << "zarv-tool: " << image << ": " << refused << " (" << header.width() << " x "
          << header.height() << ", " << FormatName(header.format()) << ")\n";
      return 1;
    }
    if (!file.loadPixels()) {
      err << "zarv-tool: " << image << ": Failed to load image data. (" << file.error() << ")\n";
      return 1;
    }
    width = file.image().width();
    height = file.image().height();
    rgb.assign(file.image().pixels().begin(), file.image().pixels().end());
  }
  if (mean_center == "rgb") dteximage::MeanCenterRgb(rgb);
  if (mean_center == "luma") dteximage::MeanCenterLuma(rgb);

  std::string tag_name = EightBitFromUtf8(name);
  if (tag_name.empty()) {
    tag_name = checkerboard ? "Checkerboard" : std::filesystem::path(image).stem().string();
  }
  TagHeader header = TagHeader::Fresh();
  header.group = kGroup;
  header.SetName(tag_name);
  header.tag_id = tagname::DeriveTagId(header.Name(), [](uint32_t) { return false; });
  const std::vector<uint8_t> data = DtexData::Write(width, height, rgb);
  std::string error;
  if (!LooseTagFile::Write(output, header, data, error)) {
    err << "zarv-tool: " << output << ": " << error << "\n";
    return 1;
  }
  out << output << ": '" << Printable(Utf8FromEightBit(header.Name())) << "' ("
      << tagcode::Display(header.tag_id) << ") " << width << " x " << height << ", "
      << data.size() - DtexData::kHeaderSize << " payload bytes\n";
  return 0;
}

void AddDtexCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<DtexCommand>();
  CLI::App* dtex = app.add_subcommand("dtex", "Detail texture tags.");
  dtex->require_subcommand(1);

  CLI::App* info = dtex->add_subcommand("info", "Print a detail texture's size and coding.");
  info->footer(
      "With --json one object is printed with the keys path, name, width, height, mode (the "
      "prediction mode, 0 to 2) and payload_bytes (the length of the coded image).");
  info->add_option("DTEX", command->input, "Loose detail texture tag file")->required();
  info->add_flag("--json", command->json, "Print JSON");
  commands.push_back({info, [command] { return command->RunInfo(std::cout, std::cerr); }});

  CLI::App* decode = dtex->add_subcommand("decode", "Write a detail texture as an image file.");
  decode->add_option("DTEX", command->input, "Loose detail texture tag file")->required();
  decode->add_option("IMAGE", command->image, "Image to write (.bmp, .png or .tiff)")->required();
  decode->add_flag("--shift-half", command->shift_half,
                   "Shift by half the width and height, so the tiling seams show in the middle");
  commands.push_back({decode, [command] { return command->RunDecode(std::cout, std::cerr); }});

  CLI::App* encode = dtex->add_subcommand("encode", "Write a detail texture tag from an image.");
  encode->footer(
      "The image must be 24-bit RGB with sides that are powers of two, at most 2048. The tag "
      "id is derived from the name, which defaults to the image's file name.");
  encode->add_option("IMAGE", command->image, "Image file to encode");
  encode->add_flag("--checkerboard", command->checkerboard,
                   "Encode the 256 x 256 checkerboard a new texture starts as");
  encode->add_option("-o", command->output, "Tag file to write")->required();
  encode->add_option("--name", command->name, "The tag's name");
  encode->add_option("--mean-center", command->mean_center,
                     "Shift the channels first: rgb (each mean to 128) or luma (all alike)");
  commands.push_back({encode, [command] { return command->RunEncode(std::cout, std::cerr); }});
}
