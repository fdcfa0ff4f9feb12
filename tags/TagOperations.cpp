#include "tags/TagOperations.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "base/ByteWriter.h"
#include "base/MessageLog.h"
#include "tags/Codex.h"
#include "tags/CodexEntry.h"
#include "tags/LocalFolder.h"
#include "tags/LooseTagFile.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"
#include "tags/TagFileSystem.h"
#include "tags/TagGroupTable.h"
#include "tags/TagName.h"
#include "tags/TagStream.h"

namespace tagops {

namespace {

constexpr const char* kLog = "Codex";
constexpr const char* kNameTakenText = "A file with the same name already exists";
constexpr const char* kIdHeldText =
    "A tag with the specified group and subgroup combination already exists in the local folder.";

bool Refuse(std::string* reason, std::string text) {
  if (reason) *reason = std::move(text);
  return false;
}

std::filesystem::path GroupFolder(const Codex& codex, uint32_t group) {
  return LocalFolder::GroupFolderPath(codex.local_folder(), group);
}

bool InUse(const CodexEntry& entry) {
  return entry.attachment_count() > 0 || entry.writing();
}

// An id a new tag cannot take: a tag in force has it, or a tag made but not yet saved holds it.
bool IdTaken(const Codex& codex, uint32_t group, uint32_t tag_id) {
  if (codex.Find(group, tag_id)) return true;
  const CodexEntry* e = codex.FindAny(group, tag_id);
  return e && (InUse(*e) || e->pending_save());
}

// The rescan every operation starts with: what another program did to the folder counts. The
// entry is looked up again, since the rescan may have dropped it.
CodexEntry* Rescanned(Codex& codex, uint32_t group, uint32_t tag_id) {
  codex.Poll(true);
  return codex.FindAny(group, tag_id);
}

// Create tag without the rescan. With `may_shadow_archive` an id that only archives hold is
// free too: the new local tag takes its place in force, as a changed tag id may. `self` is the
// tag being given a local copy, whose own id and attachments never stand in its way.
CreatedTag Create(Codex& codex, uint32_t group, uint32_t tag_id, std::string_view name,
                  bool allow_overwrite, bool may_shadow_archive, std::string* reason,
                  const CodexEntry* self = nullptr) {
  CreatedTag result;
  const std::string file_name = tagname::Sanitise(name);
  TagHeader header = TagHeader::Fresh();
  header.group = group;
  header.SetName(file_name);
  const uint32_t id =
      tag_id != tagcode::kNone ? tag_id : tagname::DeriveTagId(header.Name(), [&](uint32_t v) {
        return IdTaken(codex, group, v);
      });
  auto refuse = [&](int why) {
    LogMessage(2, kLog,
               "CreateTag(name='%s', tagid='%s', type='%s', allow_overwrite='%s') failed "
               "because '%s'.\n",
               std::string(name).c_str(), tagcode::Display(id).c_str(),
               TagGroupTable::PluralName(group).c_str(), allow_overwrite ? "True" : "False",
               CreateRefusalText(why));
    result.refusal = why;
    Refuse(reason, CreateRefusalText(why));
    return result;
  };
  // Four 0xFF bytes mean "none" wherever an id is passed; a tag never gets them.
  if (id == tagcode::kNone) return refuse(kReservedTagId);

  PendingSave pending;
  pending.file_name = file_name;
  CodexEntry* existing = codex.FindAny(group, id);
  const bool id_in_force = existing && codex.WinningCopy(*existing) &&
                           (existing->has_local_copy() || !may_shadow_archive);
  const bool held = existing && existing != self && (InUse(*existing) || existing->pending_save());
  if (id_in_force || held) {
    if (!allow_overwrite) return refuse(kTagIdTaken);
    // The old local copy stays until the new tag's first save has committed. An entry in use,
    // or one that only an archive holds, has no file that could be overwritten.
    if (!existing->has_local_copy() || InUse(*existing)) return refuse(kNotOverwritten);
    pending.replaced.push_back({existing->local_copy()->file_name, id});
  }

  // Any file holding the name blocks it, in any case; only the tag's own file does not.
  const std::filesystem::path folder = GroupFolder(codex, group);
  for (const std::string& holder : LocalFolder::NamesIgnoringCase(folder, file_name)) {
    if (existing && existing->has_local_copy() && existing->local_copy()->file_name == holder) {
      continue;
    }
    if (!allow_overwrite) return refuse(kNameTaken);
    // Overwriting takes the place of another tag's local copy, never of a file that is none.
    TagHeader there;
    std::string error;
    if (!LooseTagFile::ReadHeader(folder / holder, group, there, error)) {
      return refuse(kNotOverwritten);
    }
    const CodexEntry* owner = codex.FindAny(group, there.tag_id);
    if (!owner || !owner->has_local_copy() || owner->local_copy()->file_name != holder ||
        InUse(*owner)) {
      return refuse(kNotOverwritten);
    }
    pending.replaced.push_back({holder, there.tag_id});
  }

  CodexEntry* entry = codex.FindOrCreate(group, id);
  codex.SetPendingSave(entry, std::move(pending));
  header.tag_id = id;
  result.entry = entry;
  result.header = header;
  return result;
}

// Writes `target`'s loose file: `header`'s name and flags, `source`'s data, and the user data,
// version and index bytes of `caller`. The data is copied file to file.
bool WriteCopy(Codex& codex, CodexEntry* source, CodexEntry* target, const TagHeader& header,
               const TagHeader& caller, std::string* reason) {
  const std::string name = header.Name();
  TagStream* in = codex.OpenData(source);
  if (!in) return Refuse(reason, "The data of '" + name + "' could not be read.");
  LooseTagWriter* writer = codex.BeginWrite(target, header);
  if (!writer) {
    codex.CloseData(source);
    return Refuse(reason, "'" + tagname::Sanitise(name) + "' could not be written.");
  }
  std::string error;
  const bool copied = writer->AppendFrom(in->fd(), in->position(), in->remaining(), error);
  codex.CloseData(source);
  if (!copied)
    LogMessage(0, kLog, "couldn't copy the data of '%s': %s\n", name.c_str(), error.c_str());
  if (!codex.EndWrite(target, caller, copied)) {
    return Refuse(reason, "'" + tagname::Sanitise(name) + "' could not be written.");
  }
  return true;
}

// The copy names duplicate tries in turn: the given name or "<source> copy", then
// "<base> copy 1" ... "<base> copy 100"; the suffix always whole.
std::string CopyName(const std::string& base, bool named, int n) {
  if (n == 0) return named ? tagname::Sanitise(base) : tagname::WithSuffix(base, " copy");
  return tagname::WithSuffix(base, " copy " + std::to_string(n));
}

CreatedTag CreateCopyEntry(Codex& codex, uint32_t group, const std::string& base, bool named) {
  CreatedTag made;
  for (int n = 0; n <= 100 && !made.entry; ++n) {
    made = Create(codex, group, tagcode::kNone, CopyName(base, named, n), false, false, nullptr);
  }
  return made;
}

}  // namespace

const char* CreateRefusalText(int reason) {
  switch (reason) {
    case kTagIdTaken:
      return "A file with the same tagid already exists";
    case kNameTaken:
      return kNameTakenText;
    case kNotOverwritten:
      return "An existing file could not be overwritten";
    case kReservedTagId:
      return "The tag id 0xFFFFFFFF is reserved";
    default:
      return "Unknown";
  }
}

CreatedTag CreateTag(Codex& codex, uint32_t group, uint32_t tag_id, std::string_view name,
                     bool allow_overwrite, std::string* reason) {
  codex.Poll(true);
  return Create(codex, group, tag_id, name, allow_overwrite, false, reason);
}

CreatedTag CreateOverArchive(Codex& codex, uint32_t group, uint32_t tag_id, std::string_view name,
                             bool allow_overwrite, std::string* reason) {
  codex.Poll(true);
  return Create(codex, group, tag_id, name, allow_overwrite, true, reason);
}

CodexEntry* Duplicate(Codex& codex, CodexEntry* entry, std::optional<std::string_view> name,
                      std::string* reason) {
  const uint32_t group = entry->group(), tag_id = entry->tag_id();
  CodexEntry* source = Rescanned(codex, group, tag_id);
  if (!source || !codex.WinningCopy(*source)) {
    Refuse(reason, "The tag is no longer there.");
    return nullptr;
  }
  const TagHeader source_header = codex.EntryHeader(*source);
  const std::string base = name ? std::string(*name) : source_header.Name();
  CreatedTag made = CreateCopyEntry(codex, group, base, name.has_value());
  if (!made.entry) {
    Refuse(reason, "No free name was found for a copy of '" + source_header.Name() + "'.");
    return nullptr;
  }
  if (!WriteCopy(codex, source, made.entry, made.header, source_header, reason)) {
    codex.ClearPendingSave(made.entry);
    codex.ForgetIfUnused(made.entry);
    return nullptr;
  }
  return made.entry;
}

bool CopyToLocal(Codex& codex, CodexEntry* entry, std::string* reason) {
  const uint32_t group = entry->group(), tag_id = entry->tag_id();
  CodexEntry* source = Rescanned(codex, group, tag_id);
  const LocationRecord* winner = source ? codex.WinningCopy(*source) : nullptr;
  if (!winner) return Refuse(reason, "The tag is no longer there.");
  TagHeader header = winner->header;
  if (source->has_local_copy()) {
    return Refuse(reason, "'" + header.Name() + "' already has a local copy.");
  }
  const std::string file_name = tagname::Sanitise(header.Name());
  for (const std::string& holder :
       LocalFolder::NamesIgnoringCase(GroupFolder(codex, group), file_name)) {
    LogMessage(0, kLog, "couldn't copy '%s' to the local folder: the file '%s' is in the way\n",
               header.Name().c_str(), holder.c_str());
    return Refuse(reason, kNameTakenText);
  }
  header.identifier = 0xFFFF;
  header.type = 0;
  header.data_offset = TagHeader::kSize;
  header.foundation_index = 0xFF;
  header.owner_index = 0xFF;
  header.signature = TagHeader::kCurrentSignature;
  return WriteCopy(codex, source, source, header, header, reason);
}

bool DeleteLocalCopy(Codex& codex, CodexEntry* entry, std::string* reason) {
  const uint32_t group = entry->group(), tag_id = entry->tag_id();
  CodexEntry* e = Rescanned(codex, group, tag_id);
  if (!e || !e->has_local_copy()) return Refuse(reason, "The tag has no local copy.");
  const std::string name = codex.EntryHeader(*e).Name();
  if (InUse(*e)) return Refuse(reason, "'" + name + "' is still being used by Zarv.");
  const std::string file_name = e->local_copy()->file_name;
  const std::filesystem::path path = GroupFolder(codex, group) / file_name;
  // The remembered name may hold another file by now; only this tag's file goes.
  TagHeader there;
  std::string error;
  if (!LooseTagFile::ReadHeader(path, group, there, error) || there.tag_id != tag_id) {
    codex.Poll(true);
    return Refuse(reason, "'" + file_name + "' no longer holds the tag '" + name + "'.");
  }
  if (!TagFileSystem::Current().Unlink(path, error)) {
    LogMessage(0, kLog, "couldn't delete the local copy of '%s': %s\n", name.c_str(),
               error.c_str());
    return Refuse(reason, "'" + file_name + "' could not be removed: " + error);
  }
  // The rescan drops the local copy and tells listeners which copy is in force now.
  codex.Poll(true);
  return true;
}

namespace {

// Change tag info for a tag only archives hold: a new local tag, written at once under its final
// name and id, as a copy of the archived one. The archived tag stays as it was.
CodexEntry* ChangeArchived(Codex& codex, CodexEntry* e, uint32_t new_tag_id,
                           std::optional<std::string_view> new_name, std::string* reason) {
  const TagHeader source = codex.EntryHeader(*e);
  CreatedTag made;
  if (new_name) {
    // The id a duplicate would have derived from its copy name, unless one is given.
    const uint32_t id =
        new_tag_id != tagcode::kNone
            ? new_tag_id
            : tagname::DeriveTagId(tagname::WithSuffix(source.Name(), " copy"),
                                   [&](uint32_t v) { return IdTaken(codex, e->group(), v); });
    made = Create(codex, e->group(), id, *new_name, false, true, nullptr, e);
  } else if (new_tag_id != tagcode::kNone) {
    for (int n = 0; n <= 100 && !made.entry; ++n) {
      made = Create(codex, e->group(), new_tag_id, CopyName(source.Name(), false, n), false, true,
                    nullptr, e);
      if (made.refusal != kNameTaken) break;
    }
  } else {
    made = CreateCopyEntry(codex, e->group(), source.Name(), false);
  }
  if (!made.entry) {
    Refuse(reason, made.refusal == kNameTaken    ? kNameTakenText
                   : made.refusal == kTagIdTaken ? kIdHeldText
                                                 : CreateRefusalText(made.refusal));
    return nullptr;
  }
  TagHeader header = source;
  header.name = made.header.name;
  if (!WriteCopy(codex, e, made.entry, header, source, reason)) {
    // The entry may be the tag itself, kept by its info window: its next save is its own again.
    codex.ClearPendingSave(made.entry);
    codex.ForgetIfUnused(made.entry);
    return nullptr;
  }
  return made.entry;
}

// Writes the changed header and the data into a new file beside the old one and puts it in
// place: over the old file when the name stays, else under the new name without replacing
// anything, and then the old file goes. At every moment the folder holds the old tag, the new
// one, or both; a failure puts things back.
bool RewriteLocal(Codex& codex, const CodexEntry& e, const std::string& new_file,
                  uint32_t new_tag_id, std::optional<std::string_view> new_name,
                  std::string* reason) {
  const std::string old_file = e.local_copy()->file_name;
  const std::filesystem::path folder = GroupFolder(codex, e.group());
  const std::filesystem::path old_path = folder / old_file;
  const std::filesystem::path new_path = folder / new_file;
  const std::string failed = "The tag information could not be changed because of an error.";
  TagHeader header;
  std::string error;
  if (!LooseTagFile::ReadHeader(old_path, e.group(), header, error) ||
      header.tag_id != e.tag_id()) {
    LogMessage(0, kLog, "ChangeTagInfo: header update failed on '%s'.\n", old_path.c_str());
    return Refuse(reason, failed);
  }
  if (new_name) header.SetName(new_file);
  if (new_tag_id != tagcode::kNone) header.tag_id = new_tag_id;
  header.data_offset = TagHeader::kSize;
  ByteWriter head;
  header.Write(head);  // the current layout, a legacy file's too

  TagFileSystem& fs = TagFileSystem::Current();
  std::filesystem::path temp;
  const int out = fs.CreateTemp(folder, new_file, temp, error);
  if (out < 0) {
    LogMessage(0, kLog, "ChangeTagInfo: header update failed on '%s'.\n", new_path.c_str());
    return Refuse(reason, failed);
  }
  const int in = ::open(old_path.c_str(), O_RDONLY | O_CLOEXEC);
  bool ok = in >= 0 && fs.Write(out, head.bytes().data(), head.size(), error) &&
            fs.CopyRange(in, TagHeader::kSize, header.data_size, out, error) && fs.Sync(out, error);
  if (in >= 0) ::close(in);
  ok = ::close(out) == 0 && ok;
  std::string ignored;
  if (!ok) {
    fs.Unlink(temp, ignored);
    LogMessage(0, kLog, "ChangeTagInfo: header update failed on '%s'.\n", new_path.c_str());
    return Refuse(reason, failed);
  }
  if (new_file == old_file) {
    if (!fs.RenameOver(temp, old_path, error)) {
      fs.Unlink(temp, ignored);
      LogMessage(0, kLog, "ChangeTagInfo: header update failed on '%s'.\n", old_path.c_str());
      return Refuse(reason, failed);
    }
    return true;
  }
  if (!fs.RenameNoReplace(temp, new_path, error)) {
    fs.Unlink(temp, ignored);
    LogMessage(0, kLog, "ChangeTagInfo: rename('%s','%s') failed.\n", old_path.c_str(),
               new_path.c_str());
    return Refuse(reason, failed);
  }
  if (!fs.Unlink(old_path, error)) {
    // Back to the old tag alone rather than two files of one tag.
    fs.Unlink(new_path, ignored);
    LogMessage(0, kLog, "ChangeTagInfo: rename('%s','%s') failed.\n", old_path.c_str(),
               new_path.c_str());
    return Refuse(reason, failed);
  }
  return true;
}

}  // namespace

CodexEntry* ChangeTagInfo(Codex& codex, CodexEntry* entry, uint32_t new_tag_id,
                          std::optional<std::string_view> new_name, std::string* reason) {
  if (new_tag_id == tagcode::kNone && !new_name) return entry;
  const uint32_t group = entry->group(), tag_id = entry->tag_id();
  CodexEntry* e = Rescanned(codex, group, tag_id);
  if (!e || !codex.WinningCopy(*e)) {
    Refuse(reason, "The tag is no longer there.");
    return nullptr;
  }
  const std::string name = codex.EntryHeader(*e).Name();
  // The tag info window itself (`info`) may stay open; an editor or a loaded resource would be
  // left holding a tag that is gone.
  if (codex.FindAttachment(*e, kAttachEditor) || codex.FindAttachment(*e, kAttachResource) ||
      e->writing()) {
    Refuse(reason, "Tag information for '" + name +
                       "' could not be updated because the tag is still in use.");
    return nullptr;
  }
  if (new_name && new_name->empty()) {
    Refuse(reason, "The name field must not be empty.");
    return nullptr;
  }
  if (new_tag_id != tagcode::kNone && new_tag_id != tag_id) {
    const CodexEntry* other = codex.FindAny(group, new_tag_id);
    if (other && (other->has_local_copy() || InUse(*other) || other->pending_save())) {
      Refuse(reason, kIdHeldText);
      return nullptr;
    }
  }
  if (!e->has_local_copy()) return ChangeArchived(codex, e, new_tag_id, new_name, reason);

  const std::string old_file = e->local_copy()->file_name;
  const std::string new_file = new_name ? tagname::Sanitise(*new_name) : old_file;
  if (new_file != old_file) {
    for (const std::string& holder :
         LocalFolder::NamesIgnoringCase(GroupFolder(codex, group), new_file)) {
      if (holder != old_file) {
        Refuse(reason, kNameTakenText);
        return nullptr;
      }
    }
  }
  if (!RewriteLocal(codex, *e, new_file, new_tag_id, new_name, reason)) return nullptr;
  // The index follows the files.
  codex.Poll(true);
  const uint32_t result_id = new_tag_id != tagcode::kNone ? new_tag_id : tag_id;
  CodexEntry* result = codex.Find(group, result_id);
  if (!result) {
    LogMessage(0, kLog, "ChangeTagInfo: FindTag('%s', '%s') failed '%s'.\n",
               tagcode::Display(group).c_str(), tagcode::Display(result_id).c_str(),
               (GroupFolder(codex, group) / new_file).c_str());
    Refuse(reason, "The tag information could not be changed because of an error.");
  }
  return result;
}

}  // namespace tagops
