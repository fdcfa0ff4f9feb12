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
#include "collections/HueChange.h"
#include "structs/Dialog.h"
#include "structs/MemberValue.h"
#include "structs/StructDefinition.h"
#include "structs/StructInstance.h"
#include "structs/StructMember.h"
#include "structs/StructPath.h"
#include "structs/StructRegistry.h"
#include "tags/ArchiveWriter.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"
#include "tools/shipped-structs/ShippedStructs.h"
#include "tools/zarv-tool/DemoModel.h"
#include "tools/zarv-tool/DemoSounds.h"
#include "tools/zarv-tool/DemoTerrain.h"
#include "tools/zarv-tool/DemoTextures.h"
#include "tools/zarv-tool/StructValueText.h"

namespace {

namespace fs = std::filesystem;

struct DemoTag {
  std::string_view group;
  std::string_view id;
  std::string_view name;
  // Text groups get readable text; groups without a writer yet placeholder bytes.
  std::string_view text;
  // Groups with a record description: PATH=VALUE as `struct set` takes them, the rest zero.
  std::vector<std::string_view> values = {};
};

// The records reference the demo's own tags: collection references point at its collections
// (whose sequences are idle, walk, attack, death and one without a name), units and scenery at
// those references and at its sounds.
const std::vector<std::string_view> kWarriorCore = {"collection=warr", "layer=Objects",
                                                    "opacity=0.75",    "hue_change=-1",
                                                    "scale=1.0",       "draw_flags:1=1"};
const std::vector<std::string_view> kArcherCore = {"collection=arch", "layer=Objects",
                                                   "opacity=0.75",    "hue_change=-1",
                                                   "scale=0.9",       "draw_flags:1=1"};
const std::vector<std::string_view> kDragonCore = {"collection=drag", "layer=Air", "opacity=0.5",
                                                   "hue_change=2",    "scale=2.5", "draw_flags:1=1",
                                                   "draw_flags:2=1"};
const std::vector<std::string_view> kTreeCore = {"collection=tree", "layer=Ground", "opacity=0.99",
                                                 "hue_change=-1", "scale=1.25"};

const std::vector<std::string_view> kWarriorUnit = {"collection=warr",
                                                    "idle_sequence=0",
                                                    "move_sequence=1",
                                                    "death_sequence=3",
                                                    "portrait=warr",
                                                    "portrait_sequence=0",
                                                    "class=Infantry",
                                                    "size=Medium",
                                                    "level=1",
                                                    "hp=120",
                                                    "armor[0]=6",
                                                    "armor[1]=3",
                                                    "armor[2]=1",
                                                    "armor[3]=0",
                                                    "flags:2=1",
                                                    "speed=2.5",
                                                    "turn_rate=180",
                                                    "facing=90",
                                                    "mass=1.5",
                                                    "train_time=12.5",
                                                    "sight=8",
                                                    "range_min=0",
                                                    "range_max=1.5",
                                                    "morale=1.25",
                                                    "select_sound=bell",
                                                    "death_sound=horn",
                                                    "origin.x=0.5",
                                                    "origin.y=-0.25",
                                                    "attack_count=2",
                                                    "attacks[0].sequence=2",
                                                    "attacks[0].kind=Melee",
                                                    "attacks[0].damage=14",
                                                    "attacks[0].delay=1.2",
                                                    "attacks[0].range=1.5",
                                                    "attacks[0].sound=bell",
                                                    "attacks[0].accuracy=0.9",
                                                    "attacks[1].sequence=4",
                                                    "attacks[1].kind=Area",
                                                    "attacks[1].damage=30",
                                                    "attacks[1].delay=4.5",
                                                    "attacks[1].range=2.0",
                                                    "attacks[1].sound=horn",
                                                    "attacks[1].accuracy=0.6"};
const std::vector<std::string_view> kArcherUnit = {"collection=arch",
                                                   "idle_sequence=0",
                                                   "move_sequence=1",
                                                   "death_sequence=3",
                                                   "portrait=arch",
                                                   "portrait_sequence=0",
                                                   "class=Archer",
                                                   "size=Small",
                                                   "level=2",
                                                   "hp=70",
                                                   "armor[0]=2",
                                                   "armor[1]=4",
                                                   "armor[2]=1",
                                                   "armor[3]=1",
                                                   "speed=3.0",
                                                   "turn_rate=240",
                                                   "facing=-90",
                                                   "mass=0.8",
                                                   "train_time=15",
                                                   "sight=12",
                                                   "range_min=3",
                                                   "range_max=10",
                                                   "morale=1.0",
                                                   "select_sound=rain",
                                                   "death_sound=bell",
                                                   "attack_count=1",
                                                   "attacks[0].sequence=2",
                                                   "attacks[0].kind=Missile",
                                                   "attacks[0].damage=9",
                                                   "attacks[0].delay=2.0",
                                                   "attacks[0].range=10",
                                                   "attacks[0].sound=rain",
                                                   "attacks[0].accuracy=0.75"};
const std::vector<std::string_view> kDragonUnit = {"collection=drag",
                                                   "idle_sequence=0",
                                                   "move_sequence=1",
                                                   "death_sequence=3",
                                                   "portrait=drag",
                                                   "portrait_sequence=2",
                                                   "class=Flyer",
                                                   "size=Huge",
                                                   "level=5",
                                                   "hp=900",
                                                   "armor[0]=10",
                                                   "armor[1]=8",
                                                   "armor[2]=20",
                                                   "armor[3]=5",
                                                   "flags:0=1",
                                                   "flags:2=1",
                                                   "speed=6.0",
                                                   "turn_rate=90",
                                                   "facing=135",
                                                   "mass=40",
                                                   "train_time=60",
                                                   "sight=20",
                                                   "range_min=1",
                                                   "range_max=6",
                                                   "morale=2.0",
                                                   "select_sound=horn",
                                                   "death_sound=wind",
                                                   "origin.y=1.5",
                                                   "attack_count=3",
                                                   "attacks[0].sequence=2",
                                                   "attacks[0].kind=Melee",
                                                   "attacks[0].damage=40",
                                                   "attacks[0].delay=1.5",
                                                   "attacks[0].range=2",
                                                   "attacks[0].sound=horn",
                                                   "attacks[0].accuracy=0.95",
                                                   "attacks[1].sequence=4",
                                                   "attacks[1].kind=Area",
                                                   "attacks[1].damage=80",
                                                   "attacks[1].delay=6",
                                                   "attacks[1].range=6",
                                                   "attacks[1].sound=wind",
                                                   "attacks[1].accuracy=0.5",
                                                   "attacks[2].sequence=none",
                                                   "attacks[2].kind=Healing",
                                                   "attacks[2].damage=-25",
                                                   "attacks[2].delay=10",
                                                   "attacks[2].range=0",
                                                   "attacks[2].sound=none",
                                                   "attacks[2].accuracy=0.99"};
const std::vector<std::string_view> kTreeScenery = {"collection=tree",
                                                    "sequence=0",
                                                    "destroyed_sequence=3",
                                                    "kind=Tree",
                                                    "flags:0=1",
                                                    "flags:1=1",
                                                    "flags:2=1",
                                                    "flags:3=1",
                                                    "variants=3",
                                                    "radius=0.75",
                                                    "height=4.5",
                                                    "hp=200",
                                                    "scale=1.1",
                                                    "sway_period=2.5",
                                                    "lean=5",
                                                    "ambient_sound=wind",
                                                    "destroyed_sound=bell",
                                                    "offset.x=0.25",
                                                    "offset.y=0"};

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
           {".256", "hill", "Hills Colour Map", ""},
           {".256", "vall", "Valley Colour Map", ""},
           {"dmap", "hill", "Hills Detail", ""},
           {".256", "warr", "Warrior", ""},
           {".256", "arch", "Archer", ""},
           {"core", "warr", "Warrior", "", kWarriorCore},
           {"core", "arch", "Archer", "", kArcherCore},
           {"unit", "warr", "Warrior", "", kWarriorUnit},
           {"unit", "arch", "Archer", "", kArcherUnit},
       }},
      {"tags",
       "expansion.arc",
       2,
       10,
       "Vorn Demo Expansion",
       {
           {"soun", "horn", "Horn (remastered)", ""},
           {"mesh", "isle", "Isle", ""},
           {".256", "isle", "Isle Colour Map", ""},
           {".256", "drag", "Dragon", ""},
           {"core", "drag", "Dragon", "", kDragonCore},
           {"unit", "drag", "Dragon", "", kDragonUnit},
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
      {".256", "lake", "Lake Colour Map", ""},
      {".256", "tree", "Tree", ""},
      {"core", "tree", "Tree", "", kTreeCore},
      {"scen", "tree", "Tree", "", kTreeScenery},
      {"bina", "main", "Main Menu", ""},
      {"ditl", "menu", "Menu Strings", "New Game\rLoad Game\rOptions\rQuit\r"},
      {"temp", "unit", "Unit Template", std::string_view("name\0hit points\0speed\0", 22)},
  };
  return tags;
}

// The main menu: a dozen controls of several kinds over a 640 x 480 screen, so the dialog
// editor opens on something that looks like the game's own.
bool WriteDemoDialog(ByteWriter& out, std::string& error) {
  Dialog d;
  d.version = 1;
  d.rect = {0, 0, 640, 480};
  auto add = [&](const char* type, int16_t id, DialogRect r, const char* text) {
    d.controls.push_back({tagcode::Make(type), id, r, text});
  };
  add("bann", 1, {120, 16, 520, 96}, "Vorn");
  add("butt", 2, {40, 140, 240, 180}, "New Game");
  add("butt", 3, {40, 196, 240, 236}, "Load Game");
  add("butt", 4, {40, 252, 240, 292}, "Options");
  add("butt", 5, {40, 404, 240, 444}, "Quit");
  add("stat", 6, {280, 140, 600, 164}, "Player name:");
  add("edit", 7, {280, 168, 600, 192}, "");
  add("chek", 8, {280, 208, 440, 228}, "Fog of war");
  add("radi", 9, {280, 236, 440, 256}, "Easy");
  add("slid", 10, {280, 272, 600, 292}, "Game speed");
  add("lstm", 11, {280, 308, 600, 440}, "");
  add("stat", 12, {8, 456, 200, 476}, "Demo build");
  return d.Write(out, error);
}

// A small real collection: a palette ramp, round sprites and sequences of them, tinted by the
// tag's name so the demo's collections differ. Most have two small frames; the Dragon flaps
// through six larger ones, each with a shadow, and has a hue change that recolours its blues,
// so a newcomer sees every page of the collection editor at work.
bool WriteDemoCollection(const DemoTag& tag, ByteWriter& out, TagHeader& header,
                         std::string& error) {
  Collection collection;
  const uint8_t tint = static_cast<uint8_t>(tag.name.size() * 37);
  for (int i = 0; i < 256; ++i) {
    collection.palette[i * 3] = static_cast<uint8_t>(i);
    collection.palette[i * 3 + 1] = static_cast<uint8_t>((i + tint) & 0xFF);
    collection.palette[i * 3 + 2] = static_cast<uint8_t>(255 - i);
  }
  const bool rich = tag.name == "Dragon";
  const int side = rich ? 48 : 24;
  const int frames = rich ? 6 : 2;
  std::vector<CollectionBitmap*> bitmaps;
  std::vector<CollectionBitmap*> shadows;
  for (int frame = 0; frame < frames; ++frame) {
    std::vector<uint8_t> pixels;  // alpha, index per pixel
    std::vector<uint8_t> shadow;
    const int radius = rich ? 12 : 9 + frame * 2;
    // The Dragon's wings rise and fall with the frame.
    const int wing = rich ? 4 + (frame < 3 ? frame : 6 - frame) * 4 : 0;
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        const int dx = x - side / 2, dy = y - side / 2;
        bool inside = dx * dx + dy * dy <= radius * radius;
        if (rich && !inside) {
          const int ax = dx < 0 ? -dx : dx;
          inside = ax > radius - 2 && ax < side / 2 && dy <= 0 && -dy <= wing - (ax - radius) / 3;
        }
        pixels.push_back(inside ? 255 : 0);
        pixels.push_back(inside ? static_cast<uint8_t>(1 + (x * 254) / side) : 0);
        if (rich) {
          const bool under = dx * dx + 4 * dy * dy <= radius * radius;
          shadow.push_back(under ? 255 : 0);
          shadow.push_back(under ? static_cast<uint8_t>(96) : 0);
        }
      }
    }
    const std::string name = std::string(tag.name) + " " + std::to_string(frame + 1);
    CollectionBitmap* bitmap = collection.AddOrReplaceBitmap(
        name, collection_layout::kBitmapRle, pixels, static_cast<uint16_t>(side),
        static_cast<uint16_t>(side), 2, nullptr);
    CollectionBitmap* shade =
        rich ? collection.AddOrReplaceBitmap(
                   name + " shadow",
                   collection_layout::kBitmapRle | collection_layout::kBitmapShadow, shadow,
                   static_cast<uint16_t>(side), static_cast<uint16_t>(side), 2, nullptr)
             : nullptr;
    if (!bitmap || (rich && !shade)) {
      error = "cannot make the demo bitmap " + name;
      return false;
    }
    bitmaps.push_back(bitmap);
    shadows.push_back(shade);
  }
  if (rich) {
    // Blues (hues around 240 degrees) become a dragon's green.
    HueChange* scales = collection.AddHueChange("Scales");
    scales->start_hue = 0x9000;
    scales->median_hue = 0xAAAB;
    scales->end_hue = 0xC000;
    scales->min_saturation = 0x4000;
    scales->use_as = HueChange::kPrimary;
    scales->replacement = {0x2000, 0xC000, 0x4000};
    scales->replacement_mode = HueChange::kReplacementEnabled;
    scales->ComputeAffected(collection.palette);
  }
  // The records' sequence indexes count on these; the last has no name, as some of the game's
  // sequences have none.
  for (const char* name : {"idle", "walk", "attack", "death", ""}) {
    Sequence* sequence = collection.AddSequence(name);
    sequence->ticks_per_frame = 4;
    sequence->frames.assign(bitmaps.size(), sequence->NewFrame());
    for (size_t frame = 0; frame < bitmaps.size(); ++frame) {
      sequence->frames[frame].views[0].bitmap = bitmaps[frame];
      sequence->frames[frame].record.shadow = shadows[frame];
    }
  }
  if (rich) {
    // The Dragon flies in eight directions, the last three mirroring the second to fourth, as
    // the game draws them; no record names this sequence, so it comes last.
    Sequence* fly = collection.AddSequence("fly");
    fly->ticks_per_frame = 3;
    fly->flags |= collection_layout::kSequenceMirroring;
    fly->view_count = 8;
    fly->frames.assign(bitmaps.size(), fly->NewFrame());
    for (size_t frame = 0; frame < bitmaps.size(); ++frame) {
      for (size_t view = 0; view < 5; ++view) {
        FrameView& v = fly->frames[frame].views[view];
        v.bitmap = bitmaps[(frame + view) % bitmaps.size()];
        v.registration_x = 24;
        v.registration_y = 40;
      }
    }
    // Stored as loading derives them, so that a collection opened and saved stays the same.
    fly->ApplyMirroring();
  }
  collection.RenumberBitmapReferences();
  return collection.Save(out, header, error);
}

// The record of a group with a description, its values set as `struct set` sets them.
bool WriteDemoRecord(const StructRegistry& structs, const DemoTag& tag, ByteWriter& out,
                     std::string& error) {
  const StructDefinition* definition = structs.Find(tag.group);
  if (!definition) {
    error = "no record description for " + std::string(tag.group);
    return false;
  }
  StructInstance record(*definition);
  membervalue::ReferToNothing(record);
  for (std::string_view value : tag.values) {
    const size_t equals = value.find('=');
    structpath::Resolved target;
    if (equals == std::string_view::npos ||
        !structpath::Resolve(record, value.substr(0, equals), target, error) ||
        !structtext::Assign(target, value.substr(equals + 1), false, error)) {
      error = std::string(value) + ": " + error;
      return false;
    }
  }
  const std::vector<uint8_t> data = record.WriteSwapped();
  out.WriteBytes(data);
  return true;
}

// Writes one loose tag under `base`; `written` gets its header (data size filled in) and
// `path` its file.
bool WriteTag(const StructRegistry& structs, const fs::path& base, const DemoTag& tag,
              TagHeader& written, fs::path& path, std::string& error) {
  TagHeader caller = TagHeader::Fresh();
  caller.SetName(tag.name);
  LooseTagWriter writer;
  if (!writer.Begin(base, caller, tagcode::Make(tag.group), tagcode::Make(tag.id), {}, error)) {
    return false;
  }
  if (demoterrain::Makes(tag.group, tag.id)) {
    if (!demoterrain::WriteTag(tag.group, tag.id, writer.data(), caller, error)) return false;
  } else if (demosounds::Makes(tag.group, tag.id)) {
    writer.data().WriteBytes(demosounds::Data(tag.id, tag.name));
  } else if (tag.group == "bina") {
    if (!WriteDemoDialog(writer.data(), error)) return false;
  } else if (tag.group == ".256") {
    if (!WriteDemoCollection(tag, writer.data(), caller, error)) return false;
  } else if (!tag.values.empty()) {
    if (!WriteDemoRecord(structs, tag, writer.data(), error)) return false;
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

bool WriteArchive(const StructRegistry& structs, const fs::path& game, const fs::path& staging,
                  const DemoArchive& demo, std::string& error) {
  const fs::path sources_folder = staging / demo.file;
  std::vector<ArchiveSource> sources;
  for (const DemoTag& tag : demo.tags) {
    ArchiveSource source;
    if (!WriteTag(structs, sources_folder, tag, source.header, source.file, error)) return false;
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

  // The descriptions compiled in, so that no res folder is needed; the demo relies on them
  // reading cleanly.
  StructRegistry structs;
  std::vector<StructProblem> problems;
  LoadShippedStructs(structs, &problems);
  for (const StructProblem& problem : problems) {
    if (problem.level == StructProblem::Level::kError) {
      err << "zarv-tool: the shipped description " << problem.file << ":" << problem.line << ": "
          << problem.message << "\n";
      return 1;
    }
  }

  const fs::path staging = game / ".staging";
  std::string error;
  size_t archived = 0;
  for (const DemoArchive& demo : Archives()) {
    if (!WriteArchive(structs, game, staging, demo, error)) {
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
    if (!WriteTag(structs, game / "local", tag, header, path, error)) {
      err << "zarv-tool: local/" << tag.name << ": " << error << "\n";
      return 1;
    }
  }
  if (!demotextures::Write(game / "local", error)) {
    err << "zarv-tool: local/detail textures: " << error << "\n";
    return 1;
  }
  // The crate's four tags, the last loose tags: written through the index as an import writes.
  if (!demomodel::Write(game / "local", error)) {
    err << "zarv-tool: local/Crate: " << error << "\n";
    return 1;
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
