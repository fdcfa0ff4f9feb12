#include "tools/zarv-tool/CollectionCommand.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "base/MessageLog.h"
#include "collections/BitmapExport.h"
#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "collections/DataFile.h"
#include "collections/ExportNames.h"
#include "tags/LooseTagFile.h"
#include "tools/zarv-tool/CollectionBuildCommand.h"
#include "tools/zarv-tool/CollectionFile.h"
#include "tools/zarv-tool/ToolText.h"

namespace cl = collection_layout;

namespace {

constexpr const char* kInfoHelp =
    "Print what a collection tag holds: the counts of colour tables, hue changes, bitmaps, "
    "sequences, frames and views, then each bitmap (name, size, encoding, flags) and each "
    "sequence (name, views, frames, ticks per frame).\n\n"
    "With --json one object is printed with the keys:\n"
    "  path, name (the tag's), usage (number),\n"
    "  counts: {color_tables, hue_changes, bitmaps, sequences, frames, views}\n"
    "    (frames and views summed over all sequences; views counts frames x views),\n"
    "  bitmaps: [{index, name, width, height, encoding, bits, flags}]\n"
    "    encoding is \"raw\", \"rle\", \"type1\" (eight-byte pixels) or \"undecodable\";\n"
    "    bits is the stored bits per pixel (8, 16 or 64; 0 when undecodable);\n"
    "    flags is the bitmap flags word as a number,\n"
    "  sequences: [{index, name, views, frames, ticks}].\n"
    "Names are converted from the 8-bit encoding of tags to UTF-8.";

constexpr const char* kExportHelp =
    "Write every bitmap of a collection tag as an image file into DEST (created when missing), "
    "with colour table 0: an indexed image whose transparent pixels are index 0 (RLE bitmaps) or "
    "1 (RAW bitmaps), shadows with the grey ramp; with --alpha a greyscale image of the alpha "
    "values instead. Files are named \"bitmap #0000\", \"shadow #0001\" ... (\"alpha #0000\" "
    "with --alpha) by position, or by bitmap name with --by-name, which refuses to write "
    "anything when two names would give the same file. Bitmaps that could not be decoded, and "
    "eight-byte-pixel bitmaps, are reported and skipped.";

const char* Encoding(const CollectionBitmap& b) {
  if (b.placeholder) return "undecodable";
  if (!b.IsIndexed()) return "type1";
  return b.IsRle() ? "rle" : "raw";
}

// Stored depth as read, or as it would be written for a bitmap made in memory.
int Bits(const CollectionBitmap& b) {
  if (b.placeholder) return 0;
  if (b.read_bits) return b.read_bits;
  if (!b.IsIndexed()) return 64;
  return (b.flags & cl::kBitmapPartialAlpha) ? 16 : 8;
}

bool LoadCollection(const std::string& path, LooseTag& tag, Collection& collection,
                    std::ostream& err) {
  std::string error;
  if (!LooseTagFile::Read(path, cl::kGroup, tag, error) ||
      !collection.Load(tag.data, tag.header, true, error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

// Placeholders are logged while loading; the tool says so on standard error, once per bitmap.
class LogToStream {
 public:
  explicit LogToStream(std::ostream& err)
      : previous_(SetMessageSink([&err](int level, std::string_view, std::string_view text) {
          if (level <= 1) err << "zarv-tool: " << text;
        })) {}
  ~LogToStream() { SetMessageSink(previous_); }
  LogToStream(const LogToStream&) = delete;
  LogToStream& operator=(const LogToStream&) = delete;

 private:
  MessageSink previous_;
};

}  // namespace

int CollectionCommand::RunInfo(std::ostream& out, std::ostream& err) const {
  LogToStream log(err);
  LooseTag tag;
  Collection c;
  if (!LoadCollection(tag_file, tag, c, err)) return 1;
  size_t frames = 0;
  size_t views = 0;
  for (const auto& s : c.sequences) {
    frames += s->frames.size();
    views += s->frames.size() * s->view_count;
  }

  if (json) {
    nlohmann::json doc = {
        {"path", tag_file},
        {"name", tag.header.Name()},
        {"usage", c.usage},
        {"counts",
         {{"color_tables", c.color_tables_read},
          {"hue_changes", c.hue_changes.size()},
          {"bitmaps", c.bitmaps.size()},
          {"sequences", c.sequences.size()},
          {"frames", frames},
          {"views", views}}},
        {"bitmaps", nlohmann::json::array()},
        {"sequences", nlohmann::json::array()},
    };
    for (size_t i = 0; i < c.bitmaps.size(); ++i) {
      const CollectionBitmap& b = *c.bitmaps[i];
      doc["bitmaps"].push_back({{"index", i},
                                {"name", Utf8FromEightBit(b.Name())},
                                {"width", b.placeholder ? b.kept_width : b.width},
                                {"height", b.placeholder ? b.kept_height : b.height},
                                {"encoding", Encoding(b)},
                                {"bits", Bits(b)},
                                {"flags", b.flags}});
    }
    for (size_t i = 0; i < c.sequences.size(); ++i) {
      const Sequence& s = *c.sequences[i];
      doc["sequences"].push_back({{"index", i},
                                  {"name", s.Name()},
                                  {"views", s.view_count},
                                  {"frames", s.frames.size()},
                                  {"ticks", s.ticks_per_frame}});
    }
    PrintJson(out, doc);
    return 0;
  }

  out << tag_file << "\n";
  out << "  colour tables: " << c.color_tables_read << "\n";
  out << "  hue changes:   " << c.hue_changes.size() << "\n";
  out << "  bitmaps:       " << c.bitmaps.size() << "\n";
  out << "  sequences:     " << c.sequences.size() << "\n";
  out << "  frames:        " << frames << "\n";
  out << "  views:         " << views << "\n";
  for (size_t i = 0; i < c.bitmaps.size(); ++i) {
    const CollectionBitmap& b = *c.bitmaps[i];
    char flags[8];
    std::snprintf(flags, sizeof flags, "0x%04X", b.flags);
    out << "bitmap " << i << " '" << Printable(Utf8FromEightBit(b.Name())) << "' "
        << (b.placeholder ? b.kept_width : b.width) << "x"
        << (b.placeholder ? b.kept_height : b.height) << " " << Encoding(b);
    if (!b.placeholder) out << " " << Bits(b) << "-bit";
    out << " flags " << flags << "\n";
  }
  for (size_t i = 0; i < c.sequences.size(); ++i) {
    const Sequence& s = *c.sequences[i];
    out << "sequence " << i << " '" << Printable(s.Name()) << "' views " << s.view_count
        << " frames " << s.frames.size() << " ticks " << s.ticks_per_frame << "\n";
  }
  return 0;
}

int CollectionCommand::RunExport(std::ostream& out, std::ostream& err) const {
  LogToStream log(err);
  LooseTag tag;
  Collection c;
  if (!LoadCollection(tag_file, tag, c, err)) return 1;
  const DataFile::FileFormat file_format = format == "bmp"    ? DataFile::kBmp
                                           : format == "tiff" ? DataFile::kTiff
                                                              : DataFile::kPng;
  // The bitmaps to write, in the order they are numbered.
  std::vector<const CollectionBitmap*> chosen;
  if (select.empty()) {
    for (const auto& b : c.bitmaps) chosen.push_back(b.get());
  } else {
    std::vector<int> indices;
    std::string error;
    if (!CollectionFile::ParseList(select, c.bitmaps.size(), indices, error)) {
      err << "zarv-tool: --select: " << error << "\n";
      return 2;
    }
    for (int i : indices) chosen.push_back(c.bitmaps[static_cast<size_t>(i)].get());
  }
  BitmapExport::FolderResult result;
  std::string message;
  if (!BitmapExport::ExportToFolder(
          c, chosen, by_name ? ExportNames::kByBitmapName : ExportNames::kByNumbering, alpha,
          file_format, destination, result, message)) {
    err << "zarv-tool: " << tag_file << ": " << message << "\n";
    return 1;
  }
  for (const std::filesystem::path& path : result.written) out << path.string() << "\n";
  for (const std::string& problem : result.problems) {
    err << "zarv-tool: " << Printable(Utf8FromEightBit(problem)) << "\n";
  }
  return result.problems.empty() ? 0 : 1;
}

void AddCollectionCommand(CLI::App& app, ToolCommands& commands) {
  auto command = std::make_shared<CollectionCommand>();
  CLI::App* sub =
      app.add_subcommand("collection", "Inspect, make, import into and edit collection tags.");
  sub->require_subcommand(1);

  CLI::App* info = sub->add_subcommand("info", "Print what a collection tag holds.");
  info->footer(kInfoHelp);
  info->add_flag("--json", command->json, "Print one JSON object (keys below)");
  info->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  commands.push_back({info, [command] { return command->RunInfo(std::cout, std::cerr); }});

  CLI::App* exp = sub->add_subcommand("export", "Write every bitmap of a collection as images.");
  exp->footer(kExportHelp);
  exp->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  exp->add_option("DEST", command->destination, "Folder for the images")->required();
  exp->add_option("--format", command->format, "Image format (default png)")
      ->check(CLI::IsMember({"png", "bmp", "tiff"}));
  exp->add_flag("--by-name", command->by_name, "Name files after the bitmaps");
  exp->add_flag("--alpha", command->alpha, "Write the alpha values as greyscale images");
  exp->add_option("--select", command->select, "Bitmaps to export, LIST like 0,3-5 (default all)");
  commands.push_back({exp, [command] { return command->RunExport(std::cout, std::cerr); }});

  AddCollectionImportCommands(*sub, commands);
  AddCollectionEditCommands(*sub, commands);
  AddCollectionBuildCommands(*sub, commands);
  AddCollectionSequenceCommands(*sub, commands);
}
