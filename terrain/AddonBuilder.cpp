#include "terrain/AddonBuilder.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "tags/ArchiveWriter.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagStream.h"
#include "terrain/DetailMap.h"

namespace {

constexpr uint32_t kDmap = tagcode::Make("dmap");
constexpr uint32_t kDtex = tagcode::Make("dtex");
constexpr uint32_t kAllowedGroups[] = {
    tagcode::Make("soli"), tagcode::Make("form"), tagcode::Make("obpc"),
    tagcode::Make("reco"), tagcode::Make("save"), tagcode::Make("soun"),
    tagcode::Make("stli"), tagcode::Make("temp"), tagcode::Make("text"),
};

constexpr const char* kFailure =
    "The addon could not be created. Possible reasons include:\n"
    "\xA5Tags from the destination file are open in Zarv.\n"
    "\xA5The destination file is open in another program.\n"
    "\xA5Some tags from the local folder were corrupt or unreadable.";

// The archive's file name is the add-on's name, so the name must stay a file of the plugins
// folder: no separator of either system (the archive list names archives by what follows the
// last of them), no "." or "..", and none of the names builds stage under.
bool IsAddonFileName(std::string_view name) {
  return !name.empty() && name.size() <= AddonBuilder::kMaxName && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos &&
         !ArchiveWriter::IsStagingName(name);
}

bool ParsePriority(std::string_view text, uint16_t& out) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const char* first = text.data();
  if (first != end && *first == '+') ++first;
  const auto [stop, ec] = std::from_chars(first, end, value);
  if (ec != std::errc() || stop != end || first == end) return false;
  if (value < AddonBuilder::kMinPriority || value > AddonBuilder::kMaxPriority) return false;
  out = static_cast<uint16_t>(value);
  return true;
}

AddonMessage Box(const char* title, std::string text, const char* button = "OK") {
  AddonMessage m;
  m.title = title;
  m.text = std::move(text);
  m.button = button;
  return m;
}

}  // namespace

std::string AddonBuilder::InvalidFields(std::string_view name, std::string_view url,
                                        std::string_view priority, AddonFields& fields) {
  std::string invalid;
  if (!IsAddonFileName(name)) invalid += " name";
  if (url.empty() || url.size() > kMaxUrl || url.find('\0') != std::string_view::npos) {
    invalid += " url";
  }
  uint16_t value = 0;
  if (!ParsePriority(priority, value)) invalid += " version";
  if (invalid.empty()) {
    fields.name = std::string(name);
    fields.url = std::string(url);
    fields.priority = value;
  }
  return invalid;
}

std::string AddonBuilder::InvalidFieldsText(const std::string& invalid) {
  return "The following fields are invalid: " + invalid;
}

bool AddonBuilder::IsAllowedGroup(uint32_t group) {
  return std::find(std::begin(kAllowedGroups), std::end(kAllowedGroups), group) !=
         std::end(kAllowedGroups);
}

bool AddonBuilder::HasSomethingToPack(AddonMessage& message) const {
  const std::vector<CodexEntry*> local = codex_.Local();
  if (kind_ == AddonKind::kRegular) {
    if (std::any_of(local.begin(), local.end(),
                    [](const CodexEntry* e) { return IsAllowedGroup(e->group()); })) {
      return true;
    }
    message =
        Box("Message", "No addon-allowed files were found in the local folder - Nothing to do!");
    return false;
  }
  if (std::any_of(local.begin(), local.end(),
                  [](const CodexEntry* e) { return e->group() == kDmap; })) {
    return true;
  }
  message = Box("Message", "No dmaps detected in the local folder - nothing to do!");
  return false;
}

bool AddonBuilder::Entries(std::string_view file_name, std::vector<CodexEntry*>& entries,
                           AddonMessage& message) const {
  entries.clear();
  if (!HasSomethingToPack(message)) return false;
  // The add-on this build would replace: whatever it holds is about to go.
  const Archive* old = codex_.ArchiveAtPath(codex_.plugins_folder() / std::string(file_name));
  if (old && old->type() != kArchiveType) old = nullptr;

  const std::vector<CodexEntry*> local = codex_.Local();
  if (kind_ == AddonKind::kRegular) {
    for (CodexEntry* e : local) {
      if (IsAllowedGroup(e->group())) entries.push_back(e);
    }
    return true;
  }

  std::set<uint32_t> textures;
  for (CodexEntry* e : local) {
    if (e->group() != kDmap) continue;
    const TagHeader header = codex_.EntryHeader(*e);
    const std::string map_name = header.Name();
    const std::string map_id = tagcode::Display(e->tag_id());
    DetailMap map;
    std::string why;
    std::vector<uint8_t> data;
    TagStream* stream = codex_.OpenData(e);
    bool read = false;
    if (!stream) {
      why = "its data could not be opened";
    } else if (!stream->ReadRest(data)) {
      why = "its data could not be read";
    } else {
      read = DetailMap::Read(data, header, map, why);
    }
    if (stream) codex_.CloseData(e);
    if (!read) {
      message =
          Box("Error",
              "The detail map '" + map_name + "' ('" + map_id + "') could not be read. Aborting.",
              "Ok");
      message.reason = "detail map '" + map_name + "' (" + map_id + "): " + why;
      entries.clear();
      return false;
    }
    const std::bitset<DetailMap::kSlotCount> used = map.UsedSlots();
    for (int s = 0; s < DetailMap::kSlotCount; ++s) {
      const uint32_t texture = map.slots[static_cast<size_t>(s)].dtex;
      if (!used[static_cast<size_t>(s)] || texture == DetailSlot::kNoTexture) continue;
      const CodexEntry* found = codex_.FindAny(kDtex, texture);
      if (!found || !codex_.WinningCopy(*found, old)) {
        const std::string id = tagcode::Display(texture);
        message = Box("Error",
                      "The detail map '" + map_name + "' (" + map_id +
                          ") referenced a detail texture ('" + id +
                          "') which could not be found. Aborting.",
                      "Ok");
        message.reason = "slot " + std::to_string(s) + " of detail map '" + map_name + "' (" +
                         map_id + ") names detail texture " + id +
                         (found && codex_.WinningCopy(*found)
                              ? ", which only the add-on being replaced holds"
                              : ", which neither the local folder nor an active archive holds");
        entries.clear();
        return false;
      }
      textures.insert(texture);
    }
    entries.push_back(e);
  }
  for (uint32_t texture : textures) entries.push_back(codex_.FindAny(kDtex, texture));
  return true;
}

Archive* AddonBuilder::Build(const AddonFields& fields, AddonMessage& message) const {
  std::vector<CodexEntry*> entries;
  if (!Entries(fields.name, entries, message)) return nullptr;
  std::string error;
  Archive* archive = codex_.WriteArchive(entries, kArchiveType, fields.name, fields.name,
                                         fields.url, fields.priority, error);
  if (!archive) {
    message = Box("Error", kFailure);
    message.reason = "add-on '" + fields.name + "': " + error;
    return nullptr;
  }
  message =
      Box("Success", "The addon has been written to the plugins folder as '" + fields.name + "'");
  return archive;
}
