#include "tools/zarv-tool/CollectionEditCommand.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <map>
#include <memory>

#include "collections/BitmapEdits.h"
#include "collections/ColorTableFile.h"
#include "tools/zarv-tool/CollectionFile.h"
#include "tools/zarv-tool/ToolText.h"

namespace {

constexpr const char* kEditHelp =
    "Operations run in the order given. Those on bitmaps (--rle, --raw, --remove-alpha, --crop, "
    "--uncrop N) act on --select (all bitmaps by default), --delete on --select only; "
    "placeholders and "
    "eight-byte-pixel bitmaps are skipped with a message. --rename I=NAME and --move I:J take "
    "bitmap indices as they are when the operation runs. --delete-unused, --merge-identical, "
    "--crop-all and --auto-rename are the optimisation page's operations and print its reports. "
    "--usage BITS sets the usage word (a number, 0x for hex); --palette FILE.act replaces the "
    "colour table. Nothing is written when an operation fails.";

// The operations that take a value, and the flags; in the order the help lists them.
constexpr const char* kValueOps[] = {"--uncrop", "--rename", "--move", "--usage", "--palette"};
constexpr const char* kFlagOps[] = {
    "--rle",        "--raw",           "--remove-alpha",    "--crop",
    "--delete",     "--delete-unused", "--merge-identical", "--crop-all",
    "--auto-rename"};

bool Number(std::string_view text, long long& value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

bool CollectionEditCommand::Apply(CollectionFile& file, const Op& op, std::vector<int>& selection,
                                  std::ostream& out, std::ostream& err) const {
  Collection& c = file.collection;
  const auto& [name, value] = op;
  const auto fail = [&](const std::string& why) {
    err << "zarv-tool: " << name << (value.empty() ? "" : " " + value) << ": " << why << "\n";
    return false;
  };
  const auto index = [&](std::string_view text, int& out_index) {
    long long v = 0;
    if (!Number(text, v) || v < 0 || v >= static_cast<long long>(c.bitmaps.size())) return false;
    out_index = static_cast<int>(v);
    return true;
  };
  // The selected bitmaps that still exist, or all of them.
  std::vector<CollectionBitmap*> chosen;
  if (select.empty()) {
    for (const auto& b : c.bitmaps) chosen.push_back(b.get());
  } else {
    chosen = file.Bitmaps(selection);
  }
  int skipped = 0;
  const auto editable = [&](CollectionBitmap* b) {
    if (BitmapEdits::Editable(*b)) return true;
    ++skipped;
    return false;
  };
  const auto report_skipped = [&] {
    if (skipped > 0) out << BitmapEdits::Skipped(skipped) << "\n";
  };

  if (name == "--rle" || name == "--raw") {
    int changed = 0;
    for (CollectionBitmap* b : chosen) {
      if (editable(b) && BitmapEdits::SetRle(*b, name == "--rle")) ++changed;
    }
    out << name.substr(2) << ": " << changed << " bitmap(s) changed\n";
    report_skipped();
  } else if (name == "--remove-alpha") {
    int changed = 0;
    for (CollectionBitmap* b : chosen) {
      if (editable(b) && BitmapEdits::RemoveAlpha(c, *b)) ++changed;
    }
    out << "remove-alpha: " << changed << " bitmap(s) changed\n";
    report_skipped();
  } else if (name == "--crop") {
    int cropped = 0;
    int64_t pixels = 0;
    for (CollectionBitmap* b : chosen) {
      if (!editable(b)) continue;
      const int64_t removed = BitmapEdits::CropTransparency(c, *b);
      if (removed > 0) {
        ++cropped;
        pixels += removed;
      }
    }
    out << BitmapEdits::CropReport(cropped, pixels, skipped) << "\n";
  } else if (name == "--uncrop") {
    long long size = 0;
    if (!Number(value, size) || size < 1 || size > 4096) return fail("the size must be 1 to 4096");
    int changed = 0;
    for (CollectionBitmap* b : chosen) {
      if (editable(b) && BitmapEdits::UncropTransparency(c, *b, static_cast<int>(size))) ++changed;
    }
    out << "uncrop: " << changed << " bitmap(s) changed\n";
    report_skipped();
  } else if (name == "--delete") {
    // Every bitmap by default would be one forgotten option away from an empty collection.
    if (select.empty()) return fail("--delete needs --select");
    for (CollectionBitmap* b : chosen) c.RemoveBitmap(b);
    out << "delete: " << chosen.size() << " bitmap(s) deleted\n";
    selection.clear();
  } else if (name == "--rename") {
    const size_t equals = value.find('=');
    int i = 0;
    if (equals == std::string::npos || !index(std::string_view(value).substr(0, equals), i)) {
      return fail("expected I=NAME with I a bitmap index");
    }
    c.bitmaps[static_cast<size_t>(i)]->SetName(EightBitFromUtf8(value.substr(equals + 1)));
  } else if (name == "--move") {
    const size_t colon = value.find(':');
    int from = 0, to = 0;
    if (colon == std::string::npos || !index(std::string_view(value).substr(0, colon), from) ||
        !index(std::string_view(value).substr(colon + 1), to)) {
      return fail("expected I:J with I and J bitmap indices");
    }
    // Selected bitmaps are remembered by index: follow the moved one.
    CollectionBitmap* moved = c.bitmaps[static_cast<size_t>(from)].get();
    std::vector<CollectionBitmap*> remembered = file.Bitmaps(selection);
    // J is where the bitmap ends up; the list counts the place before it is taken out.
    c.MoveBitmap(moved, to > from ? to + 1 : to);
    selection.clear();
    for (CollectionBitmap* b : remembered) selection.push_back(c.IndexOfBitmap(b));
  } else if (name == "--delete-unused") {
    out << BitmapEdits::DeleteUnusedReport(BitmapEdits::DeleteUnused(c)) << "\n";
  } else if (name == "--merge-identical") {
    int merge_skipped = 0;
    const int merged = BitmapEdits::MergeIdentical(c, &merge_skipped);
    out << BitmapEdits::MergeReport(merged, merge_skipped) << "\n";
  } else if (name == "--crop-all") {
    out << BitmapEdits::CropAllReport(BitmapEdits::CropAll(c)) << "\n";
  } else if (name == "--auto-rename") {
    out << BitmapEdits::AutoRenameReport(BitmapEdits::AutoRename(c)) << "\n";
  } else if (name == "--usage") {
    long long bits = 0;
    if (!Number(value, bits) || bits < 0 || bits > 0xFFFFFFFFll) return fail("not a number");
    c.usage = static_cast<uint32_t>(bits);
  } else if (name == "--palette") {
    ColorTableFile::Palette palette{};
    uint32_t count = 0;
    std::string error;
    if (!ColorTableFile::readColorTable(value, palette, count, error)) {
      return fail("The color table could not be opened. (" + error + ")");
    }
    c.palette = palette;
  }
  // Deleting and merging may have removed selected bitmaps: keep the ones still there.
  if (!select.empty()) {
    std::vector<CollectionBitmap*> remembered = chosen;
    std::vector<int> still;
    for (CollectionBitmap* b : remembered) {
      const int at = c.IndexOfBitmap(b);
      if (at >= 0) still.push_back(at);
    }
    if (name != "--move") selection = still;
  }
  return true;
}

int CollectionEditCommand::RunEdit(std::ostream& out, std::ostream& err) const {
  CollectionFile file;
  if (!file.Load(tag_file, err)) return 1;
  std::vector<int> selection;
  std::string error;
  if (!select.empty() &&
      !CollectionFile::ParseList(select, file.collection.bitmaps.size(), selection, error)) {
    err << "zarv-tool: --select: " << error << "\n";
    return 2;
  }
  for (const Op& op : ops) {
    if (!Apply(file, op, selection, out, err)) return 1;
  }
  return file.Save(output, err) ? 0 : 1;
}

int CollectionEditCommand::RunRuntimeSize(std::ostream& out, std::ostream& err) const {
  CollectionFile file;
  if (!file.Load(tag_file, err)) return 1;
  const std::string report =
      BitmapEdits::RuntimeSizeReport(BitmapEdits::GetRuntimeSize(file.collection));
  out << report << (report.ends_with('\n') ? "" : "\n");
  return 0;
}

void AddCollectionEditCommands(CLI::App& collection, ToolCommands& commands) {
  auto command = std::make_shared<CollectionEditCommand>();
  CLI::App* edit = collection.add_subcommand("edit", "Edit a collection's bitmaps and tables.");
  edit->footer(kEditHelp);
  edit->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  edit->add_option("-o", command->output, "Tag file to write (may be TAGFILE)")->required();
  edit->add_option("--select", command->select, "Bitmaps to act on, LIST like 0,3-5");
  // The options only collect their occurrences; the order they came in is read after parsing.
  const std::vector<std::pair<const char*, const char*>> value_help = {
      {"--uncrop", "Centre in N x N transparent pixels"},
      {"--rename", "I=NAME: rename bitmap I"},
      {"--move", "I:J: move bitmap I to index J"},
      {"--usage", "Set the usage bits"},
      {"--palette", "Replace the colour table from an .act file"}};
  for (const auto& [flag, help] : value_help) {
    edit->add_option(flag, command->collected, help)
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  }
  const std::vector<std::pair<const char*, const char*>> flag_help = {
      {"--rle", "Make bitmaps RLE"},
      {"--raw", "Make bitmaps RAW"},
      {"--remove-alpha", "Remove partial alpha"},
      {"--crop", "Crop transparent margins"},
      {"--delete", "Delete the bitmaps"},
      {"--delete-unused", "Delete bitmaps no sequence uses"},
      {"--merge-identical", "Merge identical bitmaps"},
      {"--crop-all", "Crop every bitmap (shadows aside)"},
      {"--auto-rename", "Rename bitmaps after their sequences"}};
  for (const auto& [flag, help] : flag_help) {
    edit->add_flag(flag, help)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  }
  edit->callback([edit, command] {
    command->ops.clear();
    std::map<const CLI::Option*, size_t> taken;
    for (const CLI::Option* option : edit->parse_order()) {
      const std::string name = "--" + option->get_single_name();
      if (name == "--select" || name == "--o" || name == "--TAGFILE") continue;
      const bool has_value =
          std::find(std::begin(kValueOps), std::end(kValueOps), name) != std::end(kValueOps);
      const bool is_flag =
          std::find(std::begin(kFlagOps), std::end(kFlagOps), name) != std::end(kFlagOps);
      if (!has_value && !is_flag) continue;
      const size_t n = taken[option]++;
      command->ops.push_back({name, has_value ? option->results().at(n) : std::string()});
    }
    if (command->ops.empty()) throw CLI::ValidationError("OP", "at least one operation is needed");
  });
  commands.push_back({edit, [command] { return command->RunEdit(std::cout, std::cerr); }});

  CLI::App* runtime =
      collection.add_subcommand("runtime-size", "Print the memory the bitmaps take at run time.");
  runtime->add_option("TAGFILE", command->tag_file, "Loose collection tag file")->required();
  commands.push_back(
      {runtime, [command] { return command->RunRuntimeSize(std::cout, std::cerr); }});
}
