#include "tools/zarv-tool/CollectionSequenceCommand.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "collections/CollectionLayout.h"
#include "collections/SequenceEdits.h"
#include "collections/SequenceTransfer.h"
#include "tools/zarv-tool/CollectionFile.h"
#include "tools/zarv-tool/ToolText.h"

namespace cl = collection_layout;

namespace {

constexpr const char* kSequenceHelp =
    "Print sequence INDEX of a collection tag: its header and, per frame, the shadow cell and "
    "each view (bitmap index and name, registration and key points, flags). Mirrored views, "
    "derived from the real ones, are marked. With --json one object is printed with the keys "
    "index, name, frames, views, real_views, ticks_per_frame, key_frame, loop_frame, "
    "transfer_mode, transfer_period, first_sound, key_sound, last_sound (text, \"\" for none), "
    "flags, mirroring, no_rotation and grid: [{frame, flags, shadow, shadow_offset: [x, y], "
    "views: [{view, bitmap, registration: [x, y], key: [x, y], flags, mirrored}]}] (bitmap -1 "
    "for none).\n\n"
    "With -o OUT the options set header fields as the sequence editor's controls do: "
    "--frames and --views store at least 1 and at most what a collection can hold (65,535 "
    "frame views and frames over all its sequences), saying so when they cap; the other "
    "numbers are clamped to 0-65535; --transfer-mode takes none, fade-out, fade-in, appearing, "
    "disappearing or cycle; the sound options take up to four characters, padded with blanks, "
    "\"\" for none; --mirroring on derives the mirrored views and clears --no-rotation, which "
    "cannot be on in a mirrored sequence.";

constexpr const char* kImportHelp =
    "Import one image file per view cell (frames x real views) of sequence INDEX as new bitmaps: "
    "--order by-frame assigns all views of frame 0 first, then of frame 1 ..., by-view all "
    "frames of view 0 first. --plate imports one plate whose cells go frame by frame, view by "
    "view. --alpha replaces the alpha values of the bitmaps the cells show instead, from "
    "greyscale files or an alpha plate; every view cell must show a bitmap. All or nothing: "
    "one bad file imports none.";

constexpr const char* kExportHelp =
    "Write the bitmaps of sequence INDEX's view cells into folder DEST as \"Frame #00, view "
    "#00\" files (\" alpha\" added with --alpha), or with --plate one plate image DEST (one "
    "band per frame, the real views as columns).";

struct ModeName {
  const char* name;
  uint16_t value;
};
constexpr ModeName kModes[] = {{"none", 0},      {"fade-out", 1},     {"fade-in", 2},
                               {"appearing", 5}, {"disappearing", 6}, {"cycle", 7}};

const char* ModeText(uint16_t mode) {
  for (const ModeName& m : kModes)
    if (m.value == mode) return m.name;
  return "other";
}

std::string BitmapText(const Collection& c, const CollectionBitmap* b) {
  if (!b) return "-";
  return std::to_string(c.IndexOfBitmap(b)) + " '" + Printable(Utf8FromEightBit(b->Name())) + "'";
}

int Signed(uint16_t v) {
  return static_cast<int16_t>(v);
}

bool OnOff(const std::string& text, bool& on, const char* option, std::ostream& err) {
  if (text == "on" || text == "off") {
    on = text == "on";
    return true;
  }
  err << "zarv-tool: " << option << " takes on or off, not '" << text << "'\n";
  return false;
}

}  // namespace

Sequence* CollectionSequenceCommand::Load(CollectionFile& file, std::ostream& err) const {
  if (!file.Load(tag_file, err)) return nullptr;
  const auto& sequences = file.collection.sequences;
  if (index < 0 || index >= static_cast<int64_t>(sequences.size())) {
    err << "zarv-tool: " << tag_file << ": no sequence " << index << " (the collection has "
        << sequences.size() << ")\n";
    return nullptr;
  }
  return sequences[static_cast<size_t>(index)].get();
}

bool CollectionSequenceCommand::AnyField() const {
  return frames || views || ticks || key_frame || loop_frame || transfer_period || transfer_mode ||
         first_sound || key_sound || last_sound || mirroring || no_rotation;
}

bool CollectionSequenceCommand::SetFields(CollectionFile& file, Sequence& s,
                                          std::ostream& err) const {
  // Mirroring first: it decides the real views, and whether No Rotation may be on.
  if (mirroring) {
    bool on = false;
    if (!OnOff(*mirroring, on, "--mirroring", err)) return false;
    SequenceEdits::SetMirroring(s, on);
  }
  if (no_rotation) {
    bool on = false;
    if (!OnOff(*no_rotation, on, "--no-rotation", err)) return false;
    if (on && (s.flags & cl::kSequenceMirroring)) {
      err << "zarv-tool: --no-rotation: a mirrored sequence rotates; turn --mirroring off first\n";
      return false;
    }
    SequenceEdits::SetNoRotation(s, on);
  }
  std::string message;
  if (frames) {
    SequenceEdits::SetFrames(file.collection, s, *frames, message);
    if (!message.empty()) err << "zarv-tool: --frames: " << message << "\n";
  }
  if (views) {
    SequenceEdits::SetViews(file.collection, s, *views, message);
    if (!message.empty()) err << "zarv-tool: --views: " << message << "\n";
  }
  if (ticks) s.ticks_per_frame = SequenceEdits::ClampNumber(*ticks);
  if (key_frame) s.key_frame = SequenceEdits::ClampNumber(*key_frame);
  if (loop_frame) s.loop_frame = SequenceEdits::ClampNumber(*loop_frame);
  if (transfer_period) s.transfer_period = SequenceEdits::ClampNumber(*transfer_period);
  if (transfer_mode) {
    bool found = false;
    for (const ModeName& m : kModes) {
      if (*transfer_mode == m.name) {
        s.transfer_mode = m.value;
        found = true;
      }
    }
    if (!found) {
      err << "zarv-tool: --transfer-mode: '" << *transfer_mode
          << "' is none of none, fade-out, fade-in, appearing, disappearing, cycle\n";
      return false;
    }
  }
  const std::pair<const std::optional<std::string>*, uint32_t*> sounds[] = {
      {&first_sound, &s.first_sound}, {&key_sound, &s.key_sound}, {&last_sound, &s.last_sound}};
  for (const auto& [text, field] : sounds) {
    if (!*text) continue;
    const std::string narrow = EightBitFromUtf8(**text);
    if (narrow.size() > 4) {
      err << "zarv-tool: a sound tag id has at most four characters, not '" << **text << "'\n";
      return false;
    }
    *field = SequenceEdits::SoundIdFromText(narrow);
  }
  return true;
}

int CollectionSequenceCommand::RunSequence(std::ostream& out, std::ostream& err) const {
  CollectionFile file;
  Sequence* found = Load(file, err);
  if (!found) return 1;
  Sequence& s = *found;
  if (AnyField() && output.empty()) {
    err << "zarv-tool: setting fields needs -o OUT\n";
    return 2;
  }
  if (!output.empty()) {
    if (!SetFields(file, s, err)) return 1;
    if (!file.Save(output, err)) return 1;
  }
  const Collection& c = file.collection;
  const int real = SequenceEdits::RealViews(s);
  if (json) {
    nlohmann::json grid = nlohmann::json::array();
    for (size_t f = 0; f < s.frames.size(); ++f) {
      const SequenceFrame& frame = s.frames[f];
      nlohmann::json views = nlohmann::json::array();
      for (size_t v = 0; v < frame.views.size(); ++v) {
        const FrameView& view = frame.views[v];
        views.push_back(
            {{"view", v},
             {"bitmap", view.bitmap ? c.IndexOfBitmap(view.bitmap) : -1},
             {"registration", {Signed(view.registration_x), Signed(view.registration_y)}},
             {"key", {Signed(view.key_x), Signed(view.key_y)}},
             {"flags", view.flags},
             {"mirrored", SequenceEdits::IsDerived(s, static_cast<int>(v))}});
      }
      grid.push_back(
          {{"frame", f},
           {"flags", frame.record.flags},
           {"shadow", frame.record.shadow ? c.IndexOfBitmap(frame.record.shadow) : -1},
           {"shadow_offset", {frame.record.shadow_offset_x, frame.record.shadow_offset_y}},
           {"views", views}});
    }
    PrintJson(out, {{"index", index},
                    {"name", Utf8FromEightBit(s.Name())},
                    {"frames", s.frames.size()},
                    {"views", s.view_count},
                    {"real_views", real},
                    {"ticks_per_frame", s.ticks_per_frame},
                    {"key_frame", s.key_frame},
                    {"loop_frame", s.loop_frame},
                    {"transfer_mode", s.transfer_mode},
                    {"transfer_period", s.transfer_period},
                    {"first_sound", SequenceEdits::SoundText(s.first_sound)},
                    {"key_sound", SequenceEdits::SoundText(s.key_sound)},
                    {"last_sound", SequenceEdits::SoundText(s.last_sound)},
                    {"flags", s.flags},
                    {"mirroring", (s.flags & cl::kSequenceMirroring) != 0},
                    {"no_rotation", (s.flags & cl::kSequenceNoRotation) != 0},
                    {"grid", grid}});
    return 0;
  }
  out << "sequence " << index << " '" << Printable(Utf8FromEightBit(s.Name())) << "'\n";
  out << "  frames " << s.frames.size() << ", views " << s.view_count << " (" << real << " real)\n";
  out << "  ticks per frame " << s.ticks_per_frame << ", key frame " << s.key_frame
      << ", loop frame " << s.loop_frame << "\n";
  out << "  transfer mode " << s.transfer_mode << " (" << ModeText(s.transfer_mode) << "), period "
      << s.transfer_period << "\n";
  out << "  sounds first '" << SequenceEdits::SoundText(s.first_sound) << "' key '"
      << SequenceEdits::SoundText(s.key_sound) << "' last '"
      << SequenceEdits::SoundText(s.last_sound) << "'\n";
  out << "  mirroring " << ((s.flags & cl::kSequenceMirroring) ? "on" : "off") << ", no rotation "
      << ((s.flags & cl::kSequenceNoRotation) ? "on" : "off") << "\n";
  for (size_t f = 0; f < s.frames.size(); ++f) {
    const SequenceFrame& frame = s.frames[f];
    out << "frame " << f << " shadow " << BitmapText(c, frame.record.shadow) << " offset "
        << frame.record.shadow_offset_x << "," << frame.record.shadow_offset_y << " flags "
        << frame.record.flags << "\n";
    for (size_t v = 0; v < frame.views.size(); ++v) {
      const FrameView& view = frame.views[v];
      out << "  view " << v << " " << BitmapText(c, view.bitmap) << " reg "
          << Signed(view.registration_x) << "," << Signed(view.registration_y) << " key "
          << Signed(view.key_x) << "," << Signed(view.key_y) << " flags " << view.flags
          << (SequenceEdits::IsDerived(s, static_cast<int>(v)) ? " mirrored" : "") << "\n";
    }
  }
  return 0;
}

int CollectionSequenceCommand::RunImport(std::ostream& out, std::ostream& err) const {
  CollectionFile file;
  Sequence* found = Load(file, err);
  if (!found) return 1;
  Sequence& s = *found;
  Collection& c = file.collection;
  const SequenceTransfer::Order chosen =
      order == "by-view" ? SequenceTransfer::kViewsThenFrames : SequenceTransfer::kFramesThenViews;
  std::vector<std::filesystem::path> paths(files.begin(), files.end());
  std::string message;
  bool ok = false;
  if (plate) {
    if (paths.size() != 1) {
      err << "zarv-tool: --plate takes one plate file\n";
      return 2;
    }
    Image image;
    const std::string name = paths.front().filename().string();
    ok = DataFile::loadImage(paths.front(), image, message) &&
         (alpha ? SequenceTransfer::ImportAlphaPlate(c, s, image, name, message)
                : SequenceTransfer::ImportPlate(
                      c, s, image, ColorImport::BitmapNameFromFile(paths.front()), name, message));
  } else if (alpha) {
    ok = SequenceTransfer::ImportAlphaFiles(c, s, paths, chosen, message);
  } else {
    // No question is put: colours that do not fit refuse the import.
    ok = SequenceTransfer::ImportFiles(c, s, paths, chosen, nullptr, message);
  }
  if (!ok) {
    err << "zarv-tool: " << Printable(Utf8FromEightBit(message)) << "\n";
    return 1;
  }
  const int real = SequenceEdits::RealViews(s);
  for (size_t f = 0; f < s.frames.size(); ++f) {
    for (int v = 0; v < real; ++v) {
      out << "frame " << f << " view " << v << " "
          << BitmapText(c, s.frames[f].views[static_cast<size_t>(v)].bitmap) << "\n";
    }
  }
  return file.Save(output, err) ? 0 : 1;
}

int CollectionSequenceCommand::RunExport(std::ostream& out, std::ostream& err) const {
  CollectionFile file;
  Sequence* found = Load(file, err);
  if (!found) return 1;
  const Sequence& s = *found;
  const Collection& c = file.collection;
  std::string message;
  if (plate) {
    Image image;
    std::string error;
    if (!SequenceTransfer::BuildPlate(c, s, alpha, image, message) ||
        !DataFile::saveImage(destination, image, error)) {
      err << "zarv-tool: " << destination << ": " << (error.empty() ? message : error) << "\n";
      return 1;
    }
    if (!message.empty()) err << "zarv-tool: " << Printable(Utf8FromEightBit(message)) << "\n";
    out << destination << "\n";
    return 0;
  }
  const DataFile::FileFormat file_format = format == "bmp"    ? DataFile::kBmp
                                           : format == "tiff" ? DataFile::kTiff
                                                              : DataFile::kPng;
  BitmapExport::FolderResult result;
  if (!SequenceTransfer::ExportFiles(c, s, alpha, file_format, destination, result, message)) {
    err << "zarv-tool: " << tag_file << ": " << message << "\n";
    return 1;
  }
  for (const std::filesystem::path& path : result.written) out << path.string() << "\n";
  for (const std::string& problem : result.problems)
    err << "zarv-tool: " << Printable(Utf8FromEightBit(problem)) << "\n";
  return result.problems.empty() ? 0 : 1;
}

void AddCollectionSequenceCommands(CLI::App& collection, ToolCommands& commands) {
  auto command = std::make_shared<CollectionSequenceCommand>();

  CLI::App* seq =
      collection.add_subcommand("sequence", "Print a sequence, or set its header fields.");
  seq->footer(kSequenceHelp);
  seq->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  seq->add_option("INDEX", command->index, "Sequence index")->required();
  seq->add_flag("--json", command->json, "Print one JSON object (keys below)");
  seq->add_option("-o", command->output, "Tag file to write (may be TAGFILE)");
  seq->add_option("--frames", command->frames, "Number of frames");
  seq->add_option("--views", command->views, "Number of views");
  seq->add_option("--ticks", command->ticks, "Ticks per frame");
  seq->add_option("--key-frame", command->key_frame, "Key frame");
  seq->add_option("--loop-frame", command->loop_frame, "Loop frame");
  seq->add_option("--transfer-mode", command->transfer_mode, "Transfer mode name");
  seq->add_option("--transfer-period", command->transfer_period, "Transfer period");
  seq->add_option("--first-sound", command->first_sound, "First sound tag id");
  seq->add_option("--key-sound", command->key_sound, "Key sound tag id");
  seq->add_option("--last-sound", command->last_sound, "Last sound tag id");
  seq->add_option("--mirroring", command->mirroring, "on or off");
  seq->add_option("--no-rotation", command->no_rotation, "on or off");
  commands.push_back({seq, [command] { return command->RunSequence(std::cout, std::cerr); }});

  CLI::App* import =
      collection.add_subcommand("sequence-import", "Import a sequence's bitmaps from files.");
  import->footer(kImportHelp);
  import->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  import->add_option("INDEX", command->index, "Sequence index")->required();
  import->add_option("FILE", command->files, "Image files, or one plate")->required();
  import->add_option("-o", command->output, "Tag file to write (may be TAGFILE)")->required();
  import->add_option("--order", command->order, "by-frame (default) or by-view")
      ->check(CLI::IsMember({"by-frame", "by-view"}));
  import->add_flag("--plate", command->plate, "FILE is one plate");
  import->add_flag("--alpha", command->alpha, "Replace the alpha values");
  commands.push_back({import, [command] { return command->RunImport(std::cout, std::cerr); }});

  CLI::App* exp =
      collection.add_subcommand("sequence-export", "Write a sequence's bitmaps as images.");
  exp->footer(kExportHelp);
  exp->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  exp->add_option("INDEX", command->index, "Sequence index")->required();
  exp->add_option("DEST", command->destination, "Folder, or the plate image with --plate")
      ->required();
  exp->add_flag("--alpha", command->alpha, "Write the alpha values");
  exp->add_flag("--plate", command->plate, "Write one plate image");
  exp->add_option("--format", command->format, "Image format (default png)")
      ->check(CLI::IsMember({"png", "bmp", "tiff"}));
  commands.push_back({exp, [command] { return command->RunExport(std::cout, std::cerr); }});
}
