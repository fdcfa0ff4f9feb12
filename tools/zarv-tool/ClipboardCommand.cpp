#include "tools/zarv-tool/ClipboardCommand.h"

#include <zlib.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/CharMap.h"
#include "base/ClipboardBmp.h"
#include "base/SafeFile.h"
#include "gl/ClipboardPng.h"
#include "gl/X11Clipboard.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

// The text as the editor would hold it, or a message naming the first character it cannot.
bool ToProgramText(const std::string& utf8, std::string& narrow, std::ostream& err) {
  char32_t refused = 0;
  if (ProgramCharMap().Utf8ToNarrowExact(utf8, narrow, refused)) return true;
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(refused));
  err << "zarv-tool: clipboard: the text holds " << code
      << ", which has no form in the program's 8-bit character set\n";
  return false;
}

std::unique_ptr<X11Clipboard> OpenClipboard(std::ostream& err) {
  std::string error;
  std::unique_ptr<X11Clipboard> clipboard = X11Clipboard::Open(error);
  if (!clipboard) err << "zarv-tool: clipboard: " << error << "\n";
  return clipboard;
}

int Serve(X11Clipboard& clipboard, std::ostream& err) {
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  // Transfers already started may finish after another program took the clipboard.
  while ((clipboard.Owner() || clipboard.Serving()) &&
         elapsed() < ClipboardCommand::kServeSeconds) {
    clipboard.Service(0.1);
  }
  if (clipboard.Owner()) err << "zarv-tool: clipboard: given up after 60 s\n";
  return 0;
}

bool HasExtension(const std::string& path, const char* extension) {
  const size_t n = std::char_traits<char>::length(extension);
  if (path.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != extension[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

int ClipboardCommand::RunPutText(std::istream& in, std::ostream& err) const {
  const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string narrow;
  if (!ToProgramText(utf8, narrow, err)) return 1;
  std::unique_ptr<X11Clipboard> clipboard = OpenClipboard(err);
  if (!clipboard) return 1;
  if (!clipboard->PutText(ProgramCharMap().NarrowToUtf8(narrow))) {
    err << "zarv-tool: clipboard: the X server did not hand over the clipboard\n";
    return 1;
  }
  return Serve(*clipboard, err);
}

int ClipboardCommand::RunGetText(std::ostream& out, std::ostream& err) const {
  std::unique_ptr<X11Clipboard> clipboard = OpenClipboard(err);
  if (!clipboard) return 1;
  std::string utf8, target, error, narrow;
  if (!clipboard->GetText(utf8, target, error)) {
    err << "zarv-tool: clipboard: " << error << "\n";
    return 1;
  }
  if (!ToProgramText(utf8, narrow, err)) return 1;
  const std::string text = ProgramCharMap().NarrowToUtf8(narrow);
  if (json) {
    PrintJson(out, {{"text", text}, {"target", target}});
  } else {
    out << text;
  }
  return 0;
}

int ClipboardCommand::RunPutImage(std::ostream& err) const {
  std::vector<uint8_t> bytes, rgb;
  std::string error;
  int32_t width = 0, height = 0;
  if (!SafeFile::ReadAll(file, X11Clipboard::kMaxTransferBytes, bytes, error)) {
    err << "zarv-tool: " << file << ": " << error << "\n";
    return 1;
  }
  const bool bmp = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
  if (!(bmp ? ClipboardBmp::Decode(bytes, rgb, width, height, error)
            : ClipboardPng::Decode(bytes, rgb, width, height, error))) {
    err << "zarv-tool: " << file << ": " << error << "\n";
    return 1;
  }
  std::unique_ptr<X11Clipboard> clipboard = OpenClipboard(err);
  if (!clipboard) return 1;
  if (!clipboard->PutImage(rgb.data(), width, height)) {
    err << "zarv-tool: clipboard: the X server did not hand over the clipboard\n";
    return 1;
  }
  return Serve(*clipboard, err);
}

int ClipboardCommand::RunGetImage(std::ostream& out, std::ostream& err) const {
  if (file.empty() && !json) {
    err << "zarv-tool: clipboard get-image: name a FILE or ask for --json\n";
    return 2;
  }
  std::unique_ptr<X11Clipboard> clipboard = OpenClipboard(err);
  if (!clipboard) return 1;
  X11Clipboard::Image image;
  std::string error;
  if (!clipboard->GetImage(image, error)) {
    err << "zarv-tool: clipboard: " << error << "\n";
    return 1;
  }
  if (!file.empty()) {
    std::vector<uint8_t> bytes;
    if (HasExtension(file, ".bmp")) {
      bytes = ClipboardBmp::Encode(image.rgb.data(), image.width, image.height);
    } else if (!ClipboardPng::Encode(image.rgb.data(), image.width, image.height, bytes)) {
      err << "zarv-tool: " << file << ": the PNG could not be made\n";
      return 1;
    }
    if (!SafeFile::ReplaceWithBytes(file, bytes, error)) {
      err << "zarv-tool: " << file << ": " << error << "\n";
      return 1;
    }
  }
  if (json) {
    const uLong crc = crc32_z(crc32_z(0, Z_NULL, 0), image.rgb.data(), image.rgb.size());
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(crc));
    PrintJson(out, {{"width", image.width},
                    {"height", image.height},
                    {"crc32", hex},
                    {"target", image.target}});
  }
  return 0;
}

void AddClipboardCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<ClipboardCommand>();
  CLI::App* sub = app.add_subcommand("clipboard", "Put into or take from the X11 clipboard.");
  sub->require_subcommand(1);

  CLI::App* put_text =
      sub->add_subcommand("put-text", "Serve UTF-8 text from standard input as the clipboard.");
  commands.push_back({put_text, [command] { return command->RunPutText(std::cin, std::cerr); }});

  CLI::App* get_text = sub->add_subcommand("get-text", "Print the clipboard's text as UTF-8.");
  get_text->add_flag("--json", command->json, "Print the text and the form it came in");
  commands.push_back({get_text, [command] { return command->RunGetText(std::cout, std::cerr); }});

  CLI::App* put_image =
      sub->add_subcommand("put-image", "Serve a PNG or 24-bit BMP file as the clipboard.");
  put_image->add_option("FILE", command->file, "Image file")->required();
  commands.push_back({put_image, [command] { return command->RunPutImage(std::cerr); }});

  CLI::App* get_image = sub->add_subcommand(
      "get-image", "Write the clipboard's image as PNG (or BMP by the name's extension).");
  get_image->add_option("FILE", command->file, "Image file to write");
  get_image->add_flag("--json", command->json,
                      "Print width, height, the CRC-32 of the RGB rows and the form it came in");
  commands.push_back({get_image, [command] { return command->RunGetImage(std::cout, std::cerr); }});
}
