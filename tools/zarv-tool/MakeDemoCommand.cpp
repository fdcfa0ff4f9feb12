#include "tools/zarv-tool/MakeDemoCommand.h"

#include <fstream>
#include <iostream>
#include <memory>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/Collection.h"
#include "tags/ArchiveWriter.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"

namespace {

namespace fs = std::filesystem;

struct DemoTag {
  std::string_view group;
  std::string_view id;
  std::string_view name;
  // Text groups get readable text; the rest placeholder bytes until their writers exist.
  std::string_view text;
};

struct DemoArchive {
  std::string_view folder;  // "tags" or "plugins"
  std::string_view file;
  uint16_t type;
  uint16_t order;
  std::string_view name;
  std::vector<DemoTag> tags;
};

// What overrides what: the expansion (kind 1) beats the foundation (kind 0) for 'horn'; the
// add-on (kind 2) beats both for 'intr'; the patch, a type-1 plugin outside the default working
// set, wins 'cred' only once activated; local copies beat every archive ('bell', 'warr').
const std::vector<DemoArchive>& Archives() {
  static const std::vector<DemoArchive> archives = {
      {"tags",
       "foundation.arc",
       3,
       0,
       "Vorn Demo Foundation",
       {
           {"soun", "bell", "Bell", ""},
           {"soun", "horn", "Horn", ""},
           {"soun", "rain", "Rain", ""},
           {"text", "intr", "Intro Text", "Welcome to the Vorn demo.\n"},
           {"text", "cred", "Credits", "Made with zarv-tool make-demo.\n"},
           {"scri", "camp", "Campaign Start", "; opening of the demo campaign\rspawn warr 10 12\r"},
           {"stli", "unam", "Unit Names", std::string_view("Warrior\0Archer\0Dragon\0", 22)},
           {"mesh", "hill", "Hills", ""},
           {"mesh", "vall", "Valley", ""},
           {".256", "warr", "Warrior", ""},
           {".256", "arch", "Archer", ""},
           {"unit", "warr", "Warrior", ""},
           {"unit", "arch", "Archer", ""},
       }},
      {"tags",
       "expansion.arc",
       2,
       10,
       "Vorn Demo Expansion",
       {
           {"soun", "horn", "Horn (remastered)", ""},
           {"mesh", "isle", "Isle", ""},
           {".256", "drag", "Dragon", ""},
           {"unit", "drag", "Dragon", ""},
       }},
      {"tags",
       "patch.arc",
       1,
       0,
       "Vorn Demo Patch",
       {
           {"text", "cred", "Credits (patched)", "Credits, corrected by the patch.\n"},
       }},
      {"plugins",
       "demo-addon.arc",
       6,
       100,
       "Demo Add-on",
       {
           {"text", "intr", "Intro Text (add-on)", "Welcome, from the add-on.\n"},
           {"soun", "wind", "Wind", ""},
       }},
  };
  return archives;
}

const std::vector<DemoTag>& LocalTags() {
  static const std::vector<DemoTag> tags = {
      {"soun", "bell", "Bell (local)", ""},
      {"text", "note", "Modder Notes", "Loose tags in local/ override archived ones.\n"},
      {"scri", "camp", "Campaign Start (local)", "; the local copy wins\rspawn drag 4 4\r"},
      {".256", "warr", "Warrior (local)", ""},
      {"mesh", "lake", "Lake", ""},
      {"scen", "tree", "Tree", ""},
  };
  return tags;
}

// A small real collection: a palette ramp, one round sprite per frame of a two-frame
// sequence, tinted by the tag's name so the demo's collections differ.
bool WriteDemoCollection(const DemoTag& tag, ByteWriter& out, TagHeader& header,
                         std::string& error) {
  Collection collection;
  const uint8_t tint = static_cast<uint8_t>(tag.name.size() * 37);
  for (int i = 0; i < 256; ++i) {
    collection.palette[i * 3] = static_cast<uint8_t>(i);
    collection.palette[i * 3 + 1] = static_cast<uint8_t>((i + tint) & 0xFF);
    collection.palette[i * 3 + 2] = static_cast<uint8_t>(255 - i);
  }
  constexpr int kSide = 24;
  Sequence* idle = collection.AddSequence("idle");
  idle->ticks_per_frame = 4;
  idle->frames.assign(2, idle->NewFrame());
  for (int frame = 0; frame < 2; ++frame) {
    std::vector<uint8_t> pixels;  // alpha, index per pixel
    const int radius = 9 + frame * 2;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        const int dx = x - kSide / 2, dy = y - kSide / 2;
        const bool inside = dx * dx + dy * dy <= radius * radius;
        pixels.push_back(inside ? 255 : 0);
        pixels.push_back(inside ? static_cast<uint8_t>(1 + (x * 254) / kSide) : 0);
      }
    }
    const std::string name = std::string(tag.name) + " " + std::to_string(frame + 1);
    CollectionBitmap* bitmap = collection.AddOrReplaceBitmap(name, collection_layout::kBitmapRle,
                                                             pixels, kSide, kSide, 2, nullptr);
    if (!bitmap) {
      error = "cannot make the demo bitmap " + name;
      return false;
    }
    idle->frames[frame].views[0].bitmap = bitmap;
  }
  return collection.Save(out, header, error);
}

// Writes one loose tag under `base`; `written` gets its header (data size filled in) and
// `path` its file.
bool WriteTag(const fs::path& base, const DemoTag& tag, TagHeader& written, fs::path& path,
              std::string& error) {
  TagHeader caller = TagHeader::Fresh();
  caller.SetName(tag.name);
  LooseTagWriter writer;
  if (!writer.Begin(base, caller, tagcode::Make(tag.group), tagcode::Make(tag.id), {}, error)) {
    return false;
  }
  if (tag.group == ".256") {
    if (!WriteDemoCollection(tag, writer.data(), caller, error)) return false;
  } else {
    std::string data(tag.text);
    if (data.empty()) data = "placeholder data of " + std::string(tag.name) + "\n";
    writer.data().WriteBytes(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  }
  if (!writer.End(caller, true, error)) return false;
  written = writer.header();
  path = writer.path();
  return true;
}

bool WriteArchive(const fs::path& game, const fs::path& staging, const DemoArchive& demo,
                  std::string& error) {
  const fs::path sources_folder = staging / demo.file;
  std::vector<ArchiveSource> sources;
  for (const DemoTag& tag : demo.tags) {
    ArchiveSource source;
    if (!WriteTag(sources_folder, tag, source.header, source.file, error)) return false;
    source.offset = TagHeader::kSize;
    sources.push_back(std::move(source));
  }
  const fs::path folder = game / demo.folder;
  std::error_code ec;
  fs::create_directories(folder, ec);
  ArchiveWriter writer;
  return writer.Write(folder / demo.file, std::move(sources), demo.type, demo.name, "", demo.order,
                      error) &&
         writer.Commit(error);
}

}  // namespace

int MakeDemoCommand::Run(std::ostream& out, std::ostream& err) const {
  const fs::path game(folder);
  std::error_code ec;
  if (fs::exists(game, ec)) {
    if (!fs::is_directory(game, ec)) {
      err << "zarv-tool: " << folder << ": exists and is not a folder\n";
      return 1;
    }
    if (!fs::is_empty(game, ec) && !fs::exists(game / kMarker, ec)) {
      err << "zarv-tool: " << folder
          << ": exists and is not empty; make-demo only writes into a new or empty folder, or "
             "rewrites one it made itself\n";
      return 1;
    }
    // Only what this command writes goes; anything else in the folder stays.
    for (const char* part : {"tags", "plugins", "local", ".staging"})
      fs::remove_all(game / part, ec);
  }
  fs::create_directories(game, ec);
  // The marker comes first, so a run that fails half-way can simply be repeated.
  std::ofstream(game / kMarker) << "Demo game folder written by zarv-tool make-demo, which may "
                                   "rewrite it.\n";
  if (!fs::exists(game / kMarker, ec)) {
    err << "zarv-tool: " << folder << ": cannot write into the folder\n";
    return 1;
  }

  const fs::path staging = game / ".staging";
  std::string error;
  size_t archived = 0;
  for (const DemoArchive& demo : Archives()) {
    if (!WriteArchive(game, staging, demo, error)) {
      err << "zarv-tool: " << demo.folder << "/" << demo.file << ": " << error << "\n";
      fs::remove_all(staging, ec);
      return 1;
    }
    archived += demo.tags.size();
  }
  fs::remove_all(staging, ec);
  for (const DemoTag& tag : LocalTags()) {
    TagHeader header;
    fs::path path;
    if (!WriteTag(game / "local", tag, header, path, error)) {
      err << "zarv-tool: local/" << tag.name << ": " << error << "\n";
      return 1;
    }
  }
  out << folder << ": " << Archives().size() << " archives with " << archived << " tags, "
      << LocalTags().size() << " loose tags\n";
  return 0;
}

void AddMakeDemoCommand(CLI::App& app, ToolCommands& commands) {
  auto demo = std::make_shared<MakeDemoCommand>();
  CLI::App* sub = app.add_subcommand("make-demo", "Write a small demo game folder.");
  sub->add_option("DIR", demo->folder, "Folder to write (new, empty, or an earlier demo folder)")
      ->required();
  commands.push_back({sub, [demo] { return demo->Run(std::cout, std::cerr); }});
}
