#include "tools/zarv-tool/QuantiseCommand.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "collections/ColorQuantiser.h"
#include "collections/DataFile.h"

namespace {

// Red, green and blue of every pixel, whatever the layout; false for raw pixels.
bool OpaqueColors(const Image& image, std::vector<uint8_t>& rgb) {
  const std::span<const uint8_t> p = image.pixels();
  const std::span<const uint8_t> palette = image.palette();
  const size_t n = size_t{image.width()} * image.height();
  rgb.resize(n * 3);
  for (size_t i = 0; i < n; ++i) {
    uint8_t* d = &rgb[i * 3];
    switch (image.format()) {
      case static_cast<uint32_t>(ImageFormat::kRgb):
        d[0] = p[i * 3], d[1] = p[i * 3 + 1], d[2] = p[i * 3 + 2];
        break;
      case static_cast<uint32_t>(ImageFormat::kRgba):
        d[0] = p[i * 4], d[1] = p[i * 4 + 1], d[2] = p[i * 4 + 2];
        break;
      case static_cast<uint32_t>(ImageFormat::kGreyscale):
        d[0] = d[1] = d[2] = p[i];
        break;
      case static_cast<uint32_t>(ImageFormat::kIndexed):
      case static_cast<uint32_t>(ImageFormat::kIndexedAlpha): {
        const size_t index = image.is(ImageFormat::kIndexed) ? p[i] : p[i * 2 + 1];
        if (palette.size() < 768) return false;
        std::copy_n(&palette[index * 3], 3, d);
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

}  // namespace

int QuantiseCommand::Run(std::ostream& out, std::ostream& err) const {
  if (DataFile::kindOfFormat(DataFile::formatFromExtension(
          std::filesystem::path(output).filename().string())) != DataFile::kImage) {
    err << "zarv-tool: " << output << ": images are written as .bmp, .png or .tiff\n";
    return 1;
  }
  Image image;
  std::string error;
  if (!DataFile::loadImage(input, image, error)) {
    err << "zarv-tool: " << input << ": " << error << "\n";
    return 1;
  }
  // Alpha is not part of a palette entry: the colours are quantised as if opaque.
  std::vector<uint8_t> rgb;
  if (!OpaqueColors(image, rgb)) {
    err << "zarv-tool: " << input << ": the image has no colours to quantise\n";
    return 1;
  }
  ColorQuantiser::Palette palette;
  const uint32_t count = ColorQuantiser::BuildPalette(rgb, colors, palette);
  std::vector<uint8_t> indices(size_t{image.width()} * image.height());
  ColorQuantiser::MapWithDiffusion(rgb, image.width(), image.height(), palette, count,
                                   indices.data(), 1);
  Image result;
  result.setSize(image.width(), image.height(), ImageFormat::kIndexed, indices.data());
  result.setPalette(count, palette.data());
  if (!DataFile::saveImage(output, result, error)) {
    err << "zarv-tool: " << output << ": " << error << "\n";
    return 1;
  }
  out << output << ": " << count << " colours\n";
  return 0;
}

void AddQuantiseCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<QuantiseCommand>();
  CLI::App* sub = app.add_subcommand(
      "quantise",
      "Reduce an image to at most N colours (with error diffusion) as an indexed image.");
  sub->add_option("IN", command->input, "Image file (BMP, PNG or TIFF)")->required();
  sub->add_option("OUT", command->output, "Indexed image to write (.bmp, .png or .tiff)")
      ->required();
  sub->add_option("--colors", command->colors, "Palette size, 1-256 (default 256)")
      ->check(CLI::Range(1, 256));
  commands.push_back({sub, [command] { return command->Run(std::cout, std::cerr); }});
}
