#include "tools/zarv-tool/CollectionImportCommand.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>

#include "collections/BitmapFileMatch.h"
#include "collections/CollectionLayout.h"
#include "collections/ColorImport.h"
#include "collections/ColorQuantiser.h"
#include "collections/DataFile.h"
#include "collections/ImageImport.h"
#include "collections/Plate.h"
#include "tags/TagCode.h"
#include "tags/TagName.h"
#include "tools/zarv-tool/CollectionFile.h"
#include "tools/zarv-tool/ToolText.h"

namespace fs = std::filesystem;
namespace cl = collection_layout;

namespace {

constexpr const char* kImportHelp =
    "Add one bitmap per FILE, in order, named after the file (without its extension). Colour "
    "files must be 8-bit paletted: their colours are merged into the collection's table, and a "
    "file whose colours do not fit is refused unless --adopt-palette answers \"Replace\" (the "
    "file's table replaces the collection's). Greyscale files are taken as indices. --shadow takes "
    "8-bit greyscale files as shadows. "
    "--quantise also takes RGB and RGBA files: into a collection without bitmaps one palette "
    "is made over all the files in entries 2-255; otherwise their pixels are diffused onto "
    "entries 2-255 of the existing table. Alpha 0 is transparent, other alpha is kept. Every "
    "file is read before any is imported: one bad file imports none.";

constexpr const char* kReplaceHelp =
    "Replace the bitmaps of --select with FILEs: the i-th file replaces the i-th bitmap, or "
    "with --by-name each bitmap takes the file of its name. --shadow replaces with greyscale "
    "shadows, --alpha replaces only the alpha values from greyscale files of the same size.";

constexpr const char* kPlateHelp =
    "A plate is one paletted image holding a grid of cells, one bitmap per cell, drawn in "
    "colour index 1. export-plate writes the bitmaps of --select (all by default); --alpha "
    "writes their alpha values; --columns fixes the cells per row. import-plate adds one bitmap "
    "per non-empty cell, or with --select replaces those bitmaps in order (their alpha values "
    "with --alpha).";

// What the tool answers when a file's colours do not fit: the question goes to standard error
// with the answer the flag gives.
ColorImport::AskReplace Answer(bool adopt, std::ostream& err) {
  return [adopt, &err](const std::string& question) {
    err << "zarv-tool: " << question << "\n"
        << (adopt ? "zarv-tool: Replace\n" : "zarv-tool: Cancel (--adopt-palette replaces)\n");
    return adopt;
  };
}

void PrintBitmap(std::ostream& out, const Collection& c, const CollectionBitmap* b) {
  out << "bitmap " << c.IndexOfBitmap(b) << " '" << Printable(Utf8FromEightBit(b->Name())) << "' "
      << b->width << "x" << b->height << (b->IsRle() ? " rle" : " raw") << "\n";
}

std::string FileName(const fs::path& path) {
  return path.filename().string();
}

bool Selection(const CollectionFile& file, const std::string& list,
               std::vector<CollectionBitmap*>& out, std::ostream& err) {
  std::vector<int> indices;
  std::string error;
  if (!CollectionFile::ParseList(list, file.collection.bitmaps.size(), indices, error)) {
    err << "zarv-tool: --select: " << error << "\n";
    return false;
  }
  out = file.Bitmaps(indices);
  return true;
}

// An empty collection, whose colour table is free to take any colours: no bitmaps and every
// entry the same colour.
bool IsBlank(const Collection& c) {
  if (!c.bitmaps.empty()) return false;
  for (int i = 1; i < 256; ++i) {
    if (!std::equal(&c.palette[i * 3], &c.palette[i * 3 + 3], &c.palette[0])) return false;
  }
  return true;
}

// Red, green and blue of every pixel and, beside them, its alpha.
void ColorsOf(const Image& image, std::vector<uint8_t>& rgb, std::vector<uint8_t>& alpha) {
  const size_t n = size_t{image.width()} * image.height();
  const std::span<const uint8_t> p = image.pixels();
  const size_t stride = image.is(ImageFormat::kRgba) ? 4 : 3;
  rgb.resize(n * 3);
  alpha.assign(n, 255);
  for (size_t i = 0; i < n; ++i) {
    std::copy_n(&p[i * stride], 3, &rgb[i * 3]);
    if (stride == 4) alpha[i] = p[i * 4 + 3];
  }
}

}  // namespace

int CollectionImportCommand::RunNew(std::ostream& out, std::ostream& err) const {
  if (name.empty()) {
    err << "zarv-tool: You must specify a name.\n";
    return 2;
  }
  CollectionFile file;
  const std::string narrow = EightBitFromUtf8(name);
  uint32_t tag_id = 0;
  if (id.empty()) {
    tag_id = tagname::DeriveTagId(narrow, [](uint32_t) { return false; });
  } else if (id.size() == 4) {
    tag_id = tagcode::Make(id);
  } else {
    err << "zarv-tool: --id takes four characters, not '" << id << "'\n";
    return 2;
  }
  file.MakeNew(narrow, tag_id);
  if (!file.Save(output, err)) return 1;
  out << output << ": new collection '" << name << "' (" << tagcode::Display(tag_id) << ")\n";
  return 0;
}

bool CollectionImportCommand::ImportQuantised(CollectionFile& file, std::ostream& out,
                                              std::ostream& err) const {
  Collection& c = file.collection;
  struct Source {
    fs::path path;
    Image image;
    bool true_color = false;
  };
  std::vector<Source> sources;
  for (const std::string& path : files) {
    Source s;
    s.path = path;
    std::string message;
    if (!DataFile::loadImage(s.path, s.image, message)) {
      err << "zarv-tool: '" << FileName(s.path) << "': The file is not of the right format. ("
          << message << ")\n";
      return false;
    }
    s.true_color = s.image.is(ImageFormat::kRgb) || s.image.is(ImageFormat::kRgba);
    if (!s.true_color && !ImageImport::loadColorImage(s.path, s.image, message)) {
      err << "zarv-tool: " << message << "\n";
      return false;
    }
    if (s.image.width() > 0xFFFF || s.image.height() > 0xFFFF) {
      err << "zarv-tool: '" << FileName(s.path) << "': the image is too large for a bitmap\n";
      return false;
    }
    sources.push_back(std::move(s));
  }

  // The colours the pictures are diffused onto: entries 2-255, as 0 and 1 mean transparency.
  ColorQuantiser::Palette target{};
  uint32_t count = 254;
  if (IsBlank(c)) {
    std::vector<uint8_t> opaque;
    for (const Source& s : sources) {
      if (!s.true_color) continue;
      std::vector<uint8_t> rgb, alpha;
      ColorsOf(s.image, rgb, alpha);
      for (size_t i = 0; i < alpha.size(); ++i) {
        if (alpha[i] != 0) opaque.insert(opaque.end(), &rgb[i * 3], &rgb[i * 3 + 3]);
      }
    }
    if (!opaque.empty()) {
      count = ColorQuantiser::BuildPalette(opaque, 254, target);
      std::copy_n(target.begin(), count * 3, c.palette.begin() + 6);
      std::fill(c.palette.begin() + 6 + count * 3, c.palette.end(), 0);
    }
  }
  std::copy_n(c.palette.begin() + 6, 254 * 3, target.begin());

  for (Source& s : sources) {
    const std::string bitmap_name = ColorImport::BitmapNameFromFile(s.path);
    CollectionBitmap* added = nullptr;
    std::string message;
    if (!s.true_color) {
      added = ColorImport::importColor(c, s.image, bitmap_name, nullptr, Answer(adopt_palette, err),
                                       FileName(s.path), message);
      if (!added) {
        if (!message.empty()) err << "zarv-tool: " << message << "\n";
        return false;
      }
    } else {
      std::vector<uint8_t> rgb, alpha;
      ColorsOf(s.image, rgb, alpha);
      const size_t n = alpha.size();
      std::vector<uint8_t> pixels(n * 2);
      ColorQuantiser::MapWithDiffusion(rgb, s.image.width(), s.image.height(), target, count,
                                       pixels.data() + 1, 2);
      uint16_t flags = 0;
      for (size_t i = 0; i < n; ++i) {
        if (alpha[i] == 0) {
          pixels[i * 2] = pixels[i * 2 + 1] = 0;
          flags = cl::kBitmapRle;
        } else {
          pixels[i * 2] = alpha[i];
          pixels[i * 2 + 1] = static_cast<uint8_t>(pixels[i * 2 + 1] + 2);
        }
      }
      added =
          c.AddOrReplaceBitmap(bitmap_name, flags, pixels, static_cast<uint16_t>(s.image.width()),
                               static_cast<uint16_t>(s.image.height()), 2, nullptr);
      if (!added) {
        err << "zarv-tool: '" << FileName(s.path) << "': the bitmap could not be made\n";
        return false;
      }
      added->NormaliseAlpha();
    }
    PrintBitmap(out, c, added);
  }
  return true;
}

int CollectionImportCommand::RunImport(std::ostream& out, std::ostream& err) const {
  CollectionFile file;
  if (!file.Load(tag_file, err)) return 1;
  Collection& c = file.collection;
  if (quantise && !shadow) {
    if (!ImportQuantised(file, out, err)) return 1;
    return file.Save(output, err) ? 0 : 1;
  }
  // Every file is loaded and checked before any is imported.
  const std::vector<fs::path> paths(files.begin(), files.end());
  std::vector<CollectionBitmap*> made;
  std::string message;
  const bool imported = shadow ? ColorImport::importShadowImages(c, paths, {}, made, message)
                               : ColorImport::importColorImages(
                                     c, paths, {}, Answer(adopt_palette, err), made, message);
  if (!imported) {
    if (!message.empty()) err << "zarv-tool: " << message << "\n";
    return 1;
  }
  for (const CollectionBitmap* b : made) PrintBitmap(out, c, b);
  return file.Save(output, err) ? 0 : 1;
}

int CollectionImportCommand::RunReplace(std::ostream& out, std::ostream& err) const {
  CollectionFile file;
  if (!file.Load(tag_file, err)) return 1;
  Collection& c = file.collection;
  std::vector<CollectionBitmap*> targets;
  if (!Selection(file, select, targets, err)) return 2;
  std::vector<BitmapFileMatch::Pair> pairs;
  if (targets.size() == 1 && files.size() == 1 && !by_name) {
    pairs.push_back({targets[0], files[0]});
  } else {
    const std::vector<fs::path> paths(files.begin(), files.end());
    std::string message;
    const bool matched =
        BitmapFileMatch::Match(by_name ? BitmapFileMatch::kByName : BitmapFileMatch::kByOrder,
                               targets, paths, pairs, message);
    if (!message.empty()) err << "zarv-tool: " << message << "\n";
    if (!matched) return 1;
  }
  std::vector<fs::path> paths;
  std::vector<CollectionBitmap*> replaced;
  for (const BitmapFileMatch::Pair& pair : pairs) {
    paths.push_back(pair.file);
    replaced.push_back(pair.bitmap);
  }
  std::string message;
  std::vector<CollectionBitmap*> made;
  bool ok = false;
  if (alpha) {
    ok = ColorImport::replaceAlphaImages(c, paths, replaced, message);
    made = replaced;
  } else if (shadow) {
    ok = ColorImport::importShadowImages(c, paths, replaced, made, message);
  } else {
    ok = ColorImport::importColorImages(c, paths, replaced, Answer(adopt_palette, err), made,
                                        message);
  }
  if (!ok) {
    if (!message.empty()) err << "zarv-tool: " << message << "\n";
    return 1;
  }
  for (const CollectionBitmap* b : made) PrintBitmap(out, c, b);
  return file.Save(output, err) ? 0 : 1;
}

int CollectionImportCommand::RunExportPlate(std::ostream& out, std::ostream& err) const {
  CollectionFile file;
  if (!file.Load(tag_file, err)) return 1;
  std::vector<CollectionBitmap*> chosen;
  if (select.empty()) {
    for (const auto& b : file.collection.bitmaps) chosen.push_back(b.get());
  } else if (!Selection(file, select, chosen, err)) {
    return 2;
  }
  const std::vector<const CollectionBitmap*> bitmaps(chosen.begin(), chosen.end());
  Image plate;
  std::string message;
  if (!Plate::buildPlate(file.collection, bitmaps, alpha, columns, plate, message)) {
    err << "zarv-tool: " << message << "\n";
    return 1;
  }
  if (!message.empty()) err << "zarv-tool: " << message << "\n";
  if (!DataFile::saveImage(output, plate, message)) {
    err << "zarv-tool: " << output << ": " << message << "\n";
    return 1;
  }
  out << output << ": " << bitmaps.size() << " cells, " << plate.width() << "x" << plate.height()
      << "\n";
  return 0;
}

int CollectionImportCommand::RunImportPlate(std::ostream& out, std::ostream& err) const {
  CollectionFile file;
  if (!file.Load(tag_file, err)) return 1;
  Collection& c = file.collection;
  const fs::path plate_path = files.at(0);
  const std::string file_name = FileName(plate_path);
  Image plate;
  std::string message;
  if (!DataFile::loadImage(plate_path, plate, message)) {
    err << "zarv-tool: '" << file_name << "': The file is not of the right format. (" << message
        << ")\n";
    return 1;
  }
  const size_t before = c.bitmaps.size();
  bool ok = false;
  if (select.empty() && !alpha) {
    ok = Plate::importColorPlate(c, plate, ColorImport::BitmapNameFromFile(plate_path), file_name,
                                 message);
  } else {
    std::vector<CollectionBitmap*> targets;
    if (select.empty()) {
      for (const auto& b : c.bitmaps) targets.push_back(b.get());
    } else if (!Selection(file, select, targets, err)) {
      return 2;
    }
    ok = alpha ? Plate::replaceAlphaFromPlate(c, plate, targets, file_name, message)
               : Plate::replaceFromPlate(c, plate, targets, file_name, message);
  }
  if (!ok) {
    err << "zarv-tool: " << message << "\n";
    return 1;
  }
  if (select.empty() && !alpha) {
    for (size_t i = before; i < c.bitmaps.size(); ++i) PrintBitmap(out, c, c.bitmaps[i].get());
  } else {
    std::vector<CollectionBitmap*> targets;
    if (!select.empty() && Selection(file, select, targets, err)) {
      for (const CollectionBitmap* b : targets) PrintBitmap(out, c, b);
    }
  }
  return file.Save(output, err) ? 0 : 1;
}

void AddCollectionImportCommands(CLI::App& collection, ToolCommands& commands) {
  auto command = std::make_shared<CollectionImportCommand>();

  CLI::App* made = collection.add_subcommand("new", "Write a new, empty collection tag.");
  made->add_option("OUT", command->output, "Tag file to write")->required();
  made->add_option("--name", command->name, "The tag's name")->required();
  made->add_option("--id", command->id, "Tag id, four characters (default: from the name)");
  commands.push_back({made, [command] { return command->RunNew(std::cout, std::cerr); }});

  CLI::App* import = collection.add_subcommand("import", "Add bitmaps from image files.");
  import->footer(kImportHelp);
  import->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  import->add_option("FILE", command->files, "Image files")->required();
  import->add_option("-o", command->output, "Tag file to write (may be TAGFILE)")->required();
  import->add_flag("--shadow", command->shadow, "Import greyscale files as shadows");
  import->add_flag("--adopt-palette", command->adopt_palette,
                   "Replace the colour table when a file's colours do not fit");
  import->add_flag("--quantise", command->quantise, "Also take RGB and RGBA files");
  commands.push_back({import, [command] { return command->RunImport(std::cout, std::cerr); }});

  CLI::App* replace = collection.add_subcommand("replace", "Replace bitmaps from image files.");
  replace->footer(kReplaceHelp);
  replace->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  replace->add_option("FILE", command->files, "Image files")->required();
  replace->add_option("-o", command->output, "Tag file to write (may be TAGFILE)")->required();
  replace->add_option("--select", command->select, "Bitmaps to replace, LIST like 0,3-5")
      ->required();
  replace->add_flag("--by-name", command->by_name, "Pair files and bitmaps by name");
  replace->add_flag("--shadow", command->shadow, "Replace with greyscale shadows");
  replace->add_flag("--alpha", command->alpha, "Replace only the alpha values");
  replace->add_flag("--adopt-palette", command->adopt_palette,
                    "Replace the colour table when a file's colours do not fit");
  commands.push_back({replace, [command] { return command->RunReplace(std::cout, std::cerr); }});

  CLI::App* export_plate =
      collection.add_subcommand("export-plate", "Write bitmaps as one plate image.");
  export_plate->footer(kPlateHelp);
  export_plate->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  export_plate->add_option("PLATE", command->output, "Image to write (.bmp, .png or .tiff)")
      ->required();
  export_plate->add_option("--select", command->select, "Bitmaps, LIST like 0,3-5 (default all)");
  export_plate->add_flag("--alpha", command->alpha, "Write the alpha values");
  export_plate->add_option("--columns", command->columns, "Cells per row (default: near square)")
      ->check(CLI::Range(1u, 65535u));
  commands.push_back(
      {export_plate, [command] { return command->RunExportPlate(std::cout, std::cerr); }});

  CLI::App* import_plate =
      collection.add_subcommand("import-plate", "Add or replace bitmaps from a plate image.");
  import_plate->footer(kPlateHelp);
  import_plate->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  import_plate->add_option("PLATE", command->files, "Plate image")->required()->expected(1);
  import_plate->add_option("-o", command->output, "Tag file to write (may be TAGFILE)")->required();
  import_plate->add_option("--select", command->select, "Bitmaps to replace, LIST like 0,3-5");
  import_plate->add_flag("--alpha", command->alpha, "Replace the alpha values");
  commands.push_back(
      {import_plate, [command] { return command->RunImportPlate(std::cout, std::cerr); }});
}
