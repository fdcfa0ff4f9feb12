#include "tools/zarv-tool/CollectionBuildCommand.h"

#include <charconv>
#include <filesystem>
#include <iostream>
#include <memory>

#include "base/MessageLog.h"
#include "collections/CollectionBuilder.h"
#include "collections/CollectionUpRes.h"
#include "tags/TagCode.h"
#include "tags/TagName.h"
#include "tools/zarv-tool/CollectionFile.h"
#include "tools/zarv-tool/ToolText.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kBuildHelp =
    "FOLDER holds one sub-folder per sequence, named \"NAME (VIEWS,FRAMES)\", each with "
    "bitmaps/ (8-bit paletted renders, taken in natural order), optionally alphas/ (one "
    "greyscale image per render) and optionally script.txt (BitmapOrder FramesThenViews or "
    "ViewsThenFrames; a frame list like (1 2 3 2 1 ~)). Each render is cropped to its opaque "
    "pixels; identical ones share a bitmap. --reg is the registration point in the renders "
    "(default 0,0); --order by-frame takes all views of frame 0 first, by-view all frames of "
    "view 0 first. A folder with an error is skipped and the rest is written: exit 1.";

constexpr const char* kUpResHelp =
    "Adds the renders in FOLDER (laid out as for build, one sub-folder per sequence of "
    "TAGFILE, matched by name) as alternate bitmaps: their scale against the collection's "
    "bitmaps is estimated within --tolerance (default 0.05), they are resampled to "
    "--target-scale, and each frame view gets its alternate at size factor 10 / S. "
    "--align-individually places each render by its own bounds instead of per sequence. "
    "Nothing is written after a FATAL line.";

// Prints every log line as it is written, the run's log name aside.
class LogToOut {
 public:
  explicit LogToOut(std::ostream& out)
      : previous_(SetMessageSink(
            [&out](int, std::string_view, std::string_view text) { out << text << std::flush; })) {}
  ~LogToOut() { SetMessageSink(previous_); }
  LogToOut(const LogToOut&) = delete;
  LogToOut& operator=(const LogToOut&) = delete;

 private:
  MessageSink previous_;
};

bool ParseOrder(const std::string& text, BitmapOrder& order) {
  if (text == "by-frame")
    order = BitmapOrder::kFramesThenViews;
  else if (text == "by-view")
    order = BitmapOrder::kViewsThenFrames;
  else
    return false;
  return true;
}

bool ParseInt(std::string_view text, int32_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

int CollectionBuildCommand::RunBuild(std::ostream& out, std::ostream& err) const {
  const std::string narrow = EightBitFromUtf8(name);
  if (narrow.empty() || narrow.size() > 31) {
    err << "zarv-tool: The name field is invalid.\n";
    return 2;
  }
  CollectionBuilder::Options options;
  options.name = narrow;
  options.invert_alphas = invert_alphas;
  if (!ParseOrder(order, options.order)) {
    err << "zarv-tool: --order takes by-frame or by-view\n";
    return 2;
  }
  if (!reg.empty()) {
    const size_t comma = reg.find(',');
    if (comma == std::string::npos ||
        !ParseInt(std::string_view(reg).substr(0, comma), options.registration_x) ||
        !ParseInt(std::string_view(reg).substr(comma + 1), options.registration_y)) {
      err << "zarv-tool: --reg takes X,Y\n";
      return 2;
    }
    if (options.registration_x < 0 || options.registration_x > 0xFFFF) {
      err << "zarv-tool: The Reg Point X value is invalid.\n";
      return 2;
    }
    if (options.registration_y < 0 || options.registration_y > 0xFFFF) {
      err << "zarv-tool: The Reg Point Y value is invalid.\n";
      return 2;
    }
  }
  uint32_t tag_id = 0;
  if (id.empty()) {
    tag_id = tagname::DeriveTagId(narrow, [](uint32_t) { return false; });
  } else if (id.size() == 4) {
    tag_id = tagcode::Make(id);
  } else {
    err << "zarv-tool: --id takes four characters, not '" << id << "'\n";
    return 2;
  }
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    err << "zarv-tool: " << folder << ": Specified folder not found.\n";
    return 1;
  }
  LogToOut log(out);
  CollectionBuilder builder(folder, options);
  while (builder.Next()) {
  }
  if (builder.Built() == 0) {
    err << "zarv-tool: no sequence folder could be built; " << output << " was not written\n";
    return 1;
  }
  CollectionFile file;
  file.MakeNew(narrow, tag_id);
  const bool saved = builder.Finish([&](Collection& c) {
    file.collection = std::move(c);
    return file.Save(output, err);
  });
  if (!saved) return 1;
  return builder.Skipped() == 0 ? 0 : 1;
}

int CollectionBuildCommand::RunUpRes(std::ostream& out, std::ostream& err) const {
  CollectionUpRes::Options options;
  options.target_scale = target_scale;
  options.tolerance = tolerance;
  options.invert_alphas = invert_alphas;
  options.align_individually = align_individually;
  if (!ParseOrder(order, options.order)) {
    err << "zarv-tool: --order takes by-frame or by-view\n";
    return 2;
  }
  if (!(tolerance > 0)) {
    err << "zarv-tool: Invalid tolerance.\n";
    return 2;
  }
  if (!(target_scale > 0)) {
    err << "zarv-tool: Invalid object scale.\n";
    return 2;
  }
  if (CollectionUpRes::SizeFactor(target_scale) == 0) {
    err << "zarv-tool: Invalid scale.\n";
    return 2;
  }
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    err << "zarv-tool: " << folder << ": Specified folder not found.\n";
    return 1;
  }
  CollectionFile file;
  if (!file.Load(tag_file, err)) return 1;
  options.name = file.tag.header.Name();
  LogToOut log(out);
  CollectionUpRes upres(file.collection, folder, options);
  while (upres.Next()) {
  }
  if (!upres.Finish([&](Collection&) { return file.Save(output, err); })) return 1;
  return upres.SkippedSequences() == 0 ? 0 : 1;
}

void AddCollectionBuildCommands(CLI::App& collection, ToolCommands& commands) {
  auto command = std::make_shared<CollectionBuildCommand>();
  CLI::App* build =
      collection.add_subcommand("build", "Build a new collection from folders of renders.");
  build->footer(kBuildHelp);
  build->add_option("FOLDER", command->folder, "Folder of sequence folders")->required();
  build->add_option("-o", command->output, "Tag file to write")->required();
  build->add_option("--name", command->name, "Collection name (at most 31 bytes)")->required();
  build->add_option("--id", command->id, "Tag id, four characters (default: from the name)");
  build->add_option("--reg", command->reg, "Registration point X,Y in the renders");
  build->add_flag("--invert-alphas", command->invert_alphas, "Take alpha as 255 - grey level");
  build->add_option("--order", command->order, "by-frame (default) or by-view");
  commands.push_back({build, [command] { return command->RunBuild(std::cout, std::cerr); }});

  CLI::App* upres =
      collection.add_subcommand("up-res", "Add high-res renders as alternate bitmaps.");
  upres->footer(kUpResHelp);
  upres->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  upres->add_option("FOLDER", command->folder, "Folder of high-res sequence folders")->required();
  upres->add_option("-o", command->output, "Tag file to write (may be TAGFILE)")->required();
  upres->add_option("--target-scale", command->target_scale, "Scale of the alternates")->required();
  upres->add_option("--tolerance", command->tolerance, "Scale tolerance (default 0.05)");
  upres->add_flag("--invert-alphas", command->invert_alphas, "Take alpha as 255 - grey level");
  upres->add_option("--order", command->order, "by-frame (default) or by-view");
  upres->add_flag("--align-individually", command->align_individually,
                  "Place each render by its own bounds");
  commands.push_back({upres, [command] { return command->RunUpRes(std::cout, std::cerr); }});
}
