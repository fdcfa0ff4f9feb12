#include "tags/Codex.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <system_error>
#include <unordered_set>

#include "base/MessageLog.h"
#include "tags/ArchiveFile.h"
#include "tags/ArchiveWriter.h"
#include "tags/LocalFolder.h"
#include "tags/LooseTagFile.h"
#include "tags/LooseTagWriter.h"
#include "tags/TagCode.h"
#include "tags/TagFileSystem.h"
#include "tags/TagGroupTable.h"
#include "tags/TagName.h"
#include "tags/TagStream.h"

namespace {

constexpr const char* kLog = "Codex";

// Is copy `a` preferred over copy `b`? Both are archived copies of active archives.
bool Beats(const LocationRecord& a, const LocationRecord& b) {
  if (a.kind != b.kind) return a.kind > b.kind;
  if (a.archive->order() != b.archive->order()) return a.archive->order() > b.archive->order();
  return a.archive->file_name() > b.archive->file_name();
}

bool IsListedName(const char* name) {
  return std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 &&
         strcasecmp(name, "desktop.ini") != 0 && strcasecmp(name, "thumbs.db") != 0 &&
         strcasecmp(name, ".ds_store") != 0;
}

}  // namespace

Codex::Codex() = default;

Codex::~Codex() {
  // Records of archives are linked into entries; unlink before either side goes.
  for (auto& archive : archives_) {
    for (LocationRecord& r : archive->copies_) {
      if (r.owner) r.owner->UnlinkCopy(&r);
    }
  }
}

// ---------------------------------------------------------------------------- lookups

CodexEntry* Codex::FindAny(uint32_t group, uint32_t tag_id) const {
  auto it = entries_.find(Key(group, tag_id));
  return it == entries_.end() ? nullptr : const_cast<CodexEntry*>(&it->second);
}

CodexEntry* Codex::Find(uint32_t group, uint32_t tag_id) const {
  if (tag_id == tagcode::kNone) return nullptr;
  CodexEntry* entry = FindAny(group, tag_id);
  return entry && WinningCopy(*entry) ? entry : nullptr;
}

CodexEntry* Codex::FindOrCreate(uint32_t group, uint32_t tag_id) {
  auto [it, inserted] = entries_.try_emplace(Key(group, tag_id), group, tag_id);
  return &it->second;
}

const LocationRecord* Codex::WinningCopy(const CodexEntry& entry) const {
  return WinningCopy(entry, nullptr);
}

const LocationRecord* Codex::WinningCopy(const CodexEntry& entry, const Archive* ignored) const {
  if (entry.local_) return entry.local_.get();
  const LocationRecord* best = nullptr;
  entry.ForEachCopy([&](const LocationRecord& r) {
    if (!r.archive || !r.archive->active() || r.archive == ignored) return;
    if (!best || Beats(r, *best)) best = &r;
  });
  return best;
}

TagHeader Codex::EntryHeader(const CodexEntry& entry) const {
  if (const LocationRecord* winner = WinningCopy(entry)) return winner->header;
  TagHeader h;
  h.group = entry.group();
  h.tag_id = entry.tag_id();
  h.signature = 0;
  h.SetName("~codex_placeholder~");
  return h;
}

std::string Codex::LocationName(const CodexEntry& entry) const {
  const LocationRecord* winner = WinningCopy(entry);
  if (!winner) return "unknown";
  if (!winner->archive) return "local folder";
  return winner->archive->file_name();
}

bool Codex::HasOtherActiveCopy(const CodexEntry& entry) const {
  bool found = false;
  entry.ForEachCopy([&](const LocationRecord& r) {
    if (r.archive && r.archive->active()) found = true;
  });
  return found;
}

// ---------------------------------------------------------------------------- attachments

size_t Codex::Attach(CodexEntry* entry, uint32_t code, void* object) {
  auto& list = entry->extras().attachments;
  const bool present = std::any_of(list.begin(), list.end(), [&](const CodexEntry::Attachment& a) {
    return a.code == code && a.object == object;
  });
  if (!present) list.push_back({code, object});
  return list.size();
}

size_t Codex::Detach(CodexEntry* entry, uint32_t code, void* object) {
  if (!entry->extras_) return 0;
  auto& list = entry->extras_->attachments;
  auto it = std::find_if(list.begin(), list.end(), [&](const CodexEntry::Attachment& a) {
    return a.code == code && a.object == object;
  });
  if (it != list.end()) list.erase(it);
  const size_t left = list.size();
  // A pending save belongs to whoever holds the entry.
  if (left == 0) entry->extras_->pending.reset();
  entry->TrimExtras();
  DeleteIfEmpty(entry);
  return left;
}

void* Codex::FindAttachment(const CodexEntry& entry, uint32_t code) const {
  if (!entry.extras_) return nullptr;
  for (const auto& a : entry.extras_->attachments) {
    if (a.code == code) return a.object;
  }
  return nullptr;
}

size_t Codex::OpenTagCount() const {
  size_t count = 0;
  for (const auto& [key, entry] : entries_) {
    if (entry.attachment_count() && WinningCopy(entry)) count += entry.attachment_count();
  }
  return count;
}

size_t Codex::AttachmentCount() const {
  size_t count = 0;
  for (const auto& [key, entry] : entries_) count += entry.attachment_count();
  return count;
}

void Codex::ForgetIfUnused(CodexEntry* entry) {
  if (entry->attachment_count() == 0) ClearPendingSave(entry);
  DeleteIfEmpty(entry);
}

void Codex::SetPendingSave(CodexEntry* entry, PendingSave pending) {
  entry->extras().pending = std::make_unique<PendingSave>(std::move(pending));
}

void Codex::ClearPendingSave(CodexEntry* entry) {
  if (!entry->extras_) return;
  entry->extras_->pending.reset();
  entry->TrimExtras();
}

void Codex::DeleteIfEmpty(CodexEntry* entry) {
  if (entry->copies_ || entry->attachment_count() || entry->read_stream() || entry->writing()) {
    return;
  }
  entries_.erase(Key(entry->group(), entry->tag_id()));
}

// ---------------------------------------------------------------------------- tag sets

std::vector<CodexEntry*> Codex::Combined() const {
  std::vector<CodexEntry*> out;
  for (const auto& [key, entry] : entries_) {
    if (WinningCopy(entry)) out.push_back(const_cast<CodexEntry*>(&entry));
  }
  return out;
}

std::vector<CodexEntry*> Codex::Local() const {
  std::vector<CodexEntry*> out;
  for (const auto& [key, entry] : entries_) {
    if (entry.local_) out.push_back(const_cast<CodexEntry*>(&entry));
  }
  return out;
}

std::vector<CodexEntry*> Codex::Foundation() const {
  std::vector<CodexEntry*> out;
  for (const auto& [key, entry] : entries_) {
    bool foundation = false;
    entry.ForEachCopy([&](const LocationRecord& r) { foundation |= r.archive && r.kind == 0; });
    if (foundation && WinningCopy(entry)) out.push_back(const_cast<CodexEntry*>(&entry));
  }
  return out;
}

std::vector<CodexEntry*> Codex::OfArchive(const Archive& archive) const {
  std::vector<CodexEntry*> out;
  std::unordered_set<const CodexEntry*> seen;
  for (const LocationRecord& r : archive.copies()) {
    if (r.owner && seen.insert(r.owner).second) out.push_back(r.owner);
  }
  return out;
}

// ---------------------------------------------------------------------------- data

std::filesystem::path Codex::LooseFilePath(const CodexEntry& entry) const {
  return LocalFolder::GroupFolderPath(local_folder_, entry.group()) / entry.local_->file_name;
}

TagStream* Codex::OpenData(CodexEntry* entry) {
  CloseData(entry);
  const LocationRecord* winner = WinningCopy(*entry);
  if (!winner) return nullptr;
  std::string error;
  std::unique_ptr<TagStream> stream;
  if (!winner->archive) {
    // The loose file is read afresh: another program may have changed it since indexing.
    const std::filesystem::path path = LooseFilePath(*entry);
    TagHeader header;
    if (LooseTagFile::ReadHeader(path, entry->group(), header, error)) {
      stream = TagStream::Open(path, TagHeader::kSize, header.data_size, true, error);
    }
    if (!stream) {
      LogMessage(0, kLog, "couldn't open local file '%s' for reading\n",
                 entry->local_->file_name.c_str());
      return nullptr;
    }
  } else {
    stream = TagStream::Open(winner->archive->path(), winner->header.data_offset,
                             winner->header.data_size, false, error);
    if (!stream) {
      LogMessage(0, kLog, "couldn't read '%s' from archive '%s': %s\n",
                 winner->header.Name().c_str(), winner->archive->file_name().c_str(),
                 error.c_str());
      return nullptr;
    }
  }
  TagStream* result = stream.get();
  entry->extras().read = std::move(stream);
  return result;
}

void Codex::CloseData(CodexEntry* entry) {
  if (!entry->extras_) return;
  entry->extras_->read.reset();
  entry->TrimExtras();
}

LooseTagWriter* Codex::BeginWrite(CodexEntry* entry, const TagHeader& header) {
  const PendingSave* pending = entry->pending_save();
  const std::string file_name = pending         ? pending->file_name
                                : entry->local_ ? entry->local_->file_name
                                                : tagname::Sanitise(header.Name());
  if (entry->writing()) {
    LogMessage(0, kLog, "couldn't open tag file '%s' for writing\n", file_name.c_str());
    return nullptr;
  }
  // A file that has the name, in any case, is replaced only when it is the tag's own or one the
  // pending save takes over; any other is another tag's or no tag's, and stays.
  LooseTagWriter::Replace replace = LooseTagWriter::Replace::kNone;
  uint32_t replaced_tag_id = tagcode::kNone;
  const std::filesystem::path folder = LocalFolder::GroupFolderPath(local_folder_, entry->group());
  for (const std::string& holder : LocalFolder::NamesIgnoringCase(folder, file_name)) {
    const bool own = entry->local_ && entry->local_->file_name == holder;
    const PendingSave::Replaced* taken_over = nullptr;
    if (pending) {
      for (const PendingSave::Replaced& r : pending->replaced) {
        if (r.file_name == holder) taken_over = &r;
      }
    }
    if (!own && !taken_over) {
      LogMessage(0, kLog, "couldn't open tag file '%s' for writing\n", file_name.c_str());
      LogMessage(0, kLog, "'%s' would replace '%s', which is not this tag's file\n",
                 file_name.c_str(), holder.c_str());
      return nullptr;
    }
    if (holder == file_name) {
      replace = LooseTagWriter::Replace::kSameTag;
      replaced_tag_id = own ? entry->tag_id() : taken_over->tag_id;
    }
  }
  auto writer = std::make_unique<LooseTagWriter>();
  std::string error;
  if (!writer->Begin(local_folder_, header, entry->group(), entry->tag_id(), file_name, error,
                     replace, replaced_tag_id)) {
    LogMessage(0, kLog, "couldn't open tag file '%s' for writing\n", file_name.c_str());
    return nullptr;
  }
  LooseTagWriter* result = writer.get();
  entry->extras().write = std::move(writer);
  return result;
}

bool Codex::EndWrite(CodexEntry* entry, const TagHeader& caller, bool success) {
  if (!entry->writing()) return false;
  std::unique_ptr<LooseTagWriter> writer = std::move(entry->extras_->write);
  entry->TrimExtras();
  std::string error;
  if (!writer->End(caller, success, error)) {
    if (success) {
      LogMessage(0, kLog, "%s\n", error.c_str());  // names the file
    }
    // A tag create tag made is its maker's to forget (Codex::ForgetIfUnused), not ours.
    if (!entry->pending_save()) DeleteIfEmpty(entry);
    return false;
  }
  changed_ = true;
  const std::string saved = writer->path().filename().string();
  std::unique_ptr<PendingSave> pending =
      entry->extras_ ? std::move(entry->extras_->pending) : nullptr;
  entry->TrimExtras();

  // The files the new one takes the place of: the tag's own earlier file when it had another
  // name, and what create tag was told to overwrite. Each goes only if it still holds the tag it
  // held when that was decided.
  std::vector<PendingSave::Replaced> superseded;
  if (entry->local_ && entry->local_->file_name != saved) {
    superseded.push_back({entry->local_->file_name, entry->tag_id()});
  }
  if (pending) {
    for (const PendingSave::Replaced& r : pending->replaced) {
      const bool listed = std::any_of(superseded.begin(), superseded.end(),
                                      [&](const auto& s) { return s.file_name == r.file_name; });
      if (!listed) superseded.push_back(r);
    }
  }
  const std::filesystem::path folder = LocalFolder::GroupFolderPath(local_folder_, entry->group());
  std::vector<PendingSave::Replaced> gone;
  for (const PendingSave::Replaced& r : superseded) {
    if (r.file_name == saved) {
      gone.push_back(r);  // replaced by the rename
      continue;
    }
    TagHeader there;
    std::string why;
    if (!LooseTagFile::ReadHeader(folder / r.file_name, entry->group(), there, why) ||
        there.tag_id != r.tag_id) {
      continue;
    }
    if (TagFileSystem::Current().Unlink(folder / r.file_name, why)) {
      gone.push_back(r);
    } else {
      LogMessage(0, kLog, "couldn't remove '%s' after saving '%s': %s\n", r.file_name.c_str(),
                 saved.c_str(), why.c_str());
    }
  }
  // Other tags whose local file is gone or now holds this one.
  for (const PendingSave::Replaced& r : gone) {
    if (r.tag_id == entry->tag_id()) continue;
    CodexEntry* other = FindAny(entry->group(), r.tag_id);
    if (other && other->local_ && other->local_->file_name == r.file_name) LoseLocalCopy(other);
  }

  if (entry->local_) {
    entry->local_->header = writer->header();
    entry->local_->file_name = saved;
    Notify(nullptr, entry, kCodexTagChanged);
    return true;
  }
  auto local = std::make_unique<LocalRecord>();
  local->header = writer->header();
  local->kind = 3;
  local->file_name = saved;
  entry->AppendCopy(local.get());
  entry->local_ = std::move(local);
  ++local_copies_;
  Notify(nullptr, entry, HasOtherActiveCopy(*entry) ? kCodexTagChanged : kCodexTagAppeared);
  return true;
}

// ---------------------------------------------------------------------------- local folder

void Codex::SetLocalFolder(std::string_view path) {
  std::string normal(path);
  for (char& c : normal) {
    if (c == '\\') c = '/';
    if (c == '*' || c == '?' || c == '<' || c == '>' || c == '|') c = '_';
  }
  if (normal.empty() || normal.back() != '/') normal.push_back('/');
  local_folder_ = normal;
  DropAllLocalCopies();
  watch_.Clear();
  for (const TagGroupRow& row : TagGroupTable::Rows()) {
    watch_.AddFolder(LocalFolder::GroupFolderPath(local_folder_, row.code), row.code);
  }
  Poll(true);
  changed_ = false;
}

void Codex::Poll(bool force) {
  if (!force && !changed_) return;
  changed_ = false;
  if (local_folder_.empty()) return;
  watch_.Rescan([this](size_t folder, FolderWatch::Change change, const std::string& name) {
    switch (change) {
      case FolderWatch::Change::kAdded:
        FileAdded(folder, name);
        break;
      case FolderWatch::Change::kModified:
        FileModified(folder, name);
        break;
      case FolderWatch::Change::kRemoved:
        FileRemoved(folder, name);
        break;
    }
  });
  // Indexing sets the flag as it adds copies; the rescan has already seen those changes.
  changed_ = false;
}

void Codex::FileAdded(size_t folder, const std::string& name) {
  const uint32_t group = watch_.group(folder);
  TagHeader header;
  std::string error;
  const std::span<const uint8_t> head = watch_.ListedHead(folder, name);
  uint32_t claimed = 0;
  const bool read =
      head.empty() ? LooseTagFile::ReadHeaderAt(watch_.folder_fd(folder), name.c_str(), name, group,
                                                header, error, watch_.ListedSize(folder, name))
                   : LooseTagFile::CheckHeader(head, watch_.ListedSize(folder, name).value_or(0),
                                               name, group, header, claimed, error);
  if (!read) {
    LogRefusedFile(group, name, error);
    return;
  }
  CodexEntry* entry = FindOrCreate(group, header.tag_id);
  if (entry->local_) {
    if (entry->local_->file_name == name && entry->local_->header == header) {
      // Our own save, already in the index and already told.
      watch_.SetTagId(folder, name, header.tag_id);
      return;
    }
    if (entry->local_->file_name != name) {
      LogMessage(1, kLog,
                 "duplicate tagids detected: in the '%s' folder, '%s' and '%s' have the same "
                 "tagids.\n",
                 TagGroupTable::PluralName(group).c_str(), name.c_str(),
                 entry->local_->file_name.c_str());
      DeleteIfEmpty(entry);
      return;
    }
  } else {
    auto local = std::make_unique<LocalRecord>();
    local->header = header;
    local->kind = 3;
    local->file_name = name;
    entry->AppendCopy(local.get());
    entry->local_ = std::move(local);
    ++local_copies_;
    changed_ = true;
  }
  watch_.SetTagId(folder, name, header.tag_id);
  Notify(nullptr, entry, HasOtherActiveCopy(*entry) ? kCodexTagChanged : kCodexTagAppeared);
}

void Codex::FileModified(size_t folder, const std::string& name) {
  const uint32_t group = watch_.group(folder);
  uint32_t tag_id = 0;
  CodexEntry* entry = watch_.TagId(folder, name, tag_id) ? FindAny(group, tag_id) : nullptr;
  if (!entry || !entry->local_ || entry->local_->file_name != name) {
    FileAdded(folder, name);
    return;
  }
  TagHeader header;
  std::string error;
  if (!LooseTagFile::ReadHeaderAt(watch_.folder_fd(folder), name.c_str(), name, group, header,
                                  error, watch_.ListedSize(folder, name))) {
    LogRefusedFile(group, name, error);
    FileRemoved(folder, name);
    return;
  }
  if (header.tag_id == entry->tag_id()) {
    if (entry->local_->header == header) return;  // our own save, already told
    entry->local_->header = header;
    Notify(nullptr, entry, kCodexTagChanged);
    return;
  }
  FileRemoved(folder, name);
  FileAdded(folder, name);
}

void Codex::LogRefusedFile(uint32_t group, const std::string& name, const std::string& error) {
  // A known tag in the wrong folder is a warning; any other refused file is named too, so a
  // tag that does not show up can be traced.
  if (error.find("was found in the") != std::string::npos) {
    LogMessage(1, kLog, "%s\n", error.c_str());
  } else {
    LogMessage(2, kLog, "'%s' in the '%s' folder is not a tag file: %s\n", name.c_str(),
               TagGroupTable::PluralName(group).c_str(), error.c_str());
  }
}

void Codex::FileRemoved(size_t folder, const std::string& name) {
  const uint32_t group = watch_.group(folder);
  uint32_t tag_id = 0;
  if (!watch_.TagId(folder, name, tag_id)) return;
  CodexEntry* entry = Find(group, tag_id);
  // Matched by file name too: the entry's local copy may be another file with the same tag id.
  if (!entry || !entry->local_ || entry->local_->file_name != name) return;
  LoseLocalCopy(entry);
}

void Codex::LoseLocalCopy(CodexEntry* entry) {
  if (HasOtherActiveCopy(*entry)) {
    DropLocalCopy(entry);
    Notify(nullptr, entry, kCodexTagChanged);
  } else {
    Notify(nullptr, entry, kCodexTagVanished);
    DropLocalCopy(entry);
  }
  DeleteIfEmpty(entry);
}

void Codex::DropLocalCopy(CodexEntry* entry) {
  if (!entry->local_) return;
  entry->UnlinkCopy(entry->local_.get());
  entry->local_.reset();
  --local_copies_;
  changed_ = true;
}

bool Codex::DropAllLocalCopies() {
  // Most calls come with nothing to drop; skip the walk over every archived tag.
  if (local_copies_ == 0) return true;
  for (auto it = entries_.begin(); it != entries_.end();) {
    CodexEntry& entry = it->second;
    ++it;  // the entry may be deleted below
    if (!entry.local_) continue;
    if (entry.attachment_count() || entry.writing()) return false;
    const bool other = HasOtherActiveCopy(entry);
    if (!other) Notify(nullptr, &entry, kCodexTagVanished);
    DropLocalCopy(&entry);
    if (other) Notify(nullptr, &entry, kCodexTagChanged);
    DeleteIfEmpty(&entry);
  }
  return true;
}

// ---------------------------------------------------------------------------- archives

Archive* Codex::LoadArchive(const std::filesystem::path& path, std::string* error) {
  for (const auto& archive : archives_) {
    if (archive->path() == path) return archive.get();
  }
  ArchiveContents contents;
  std::string why;
  if (!ArchiveFile::Load(path, contents, why)) {
    if (error) *error = why;
    return nullptr;
  }
  auto archive = std::make_unique<Archive>(path, std::move(contents));
  archive->load_number_ = next_load_number_++;
  // Added in key order, so that each insertion starts at the place of the one before: an
  // archive's tags mostly come in runs of neighbouring ids, and a descent of the whole index for
  // each of thousands of tags is a large part of what loading an archive costs. Sorting by
  // directory position after the key keeps several copies of one tag in directory order.
  std::vector<std::pair<uint64_t, uint32_t>> by_key;  // key, directory position
  by_key.reserve(archive->copies_.size());
  for (size_t i = 0; i < archive->copies_.size(); ++i) {
    const TagHeader& h = archive->copies_[i].header;
    by_key.emplace_back(Key(h.group, h.tag_id), static_cast<uint32_t>(i));
  }
  std::sort(by_key.begin(), by_key.end());
  auto hint = entries_.begin();
  for (const auto& [key, position] : by_key) {
    LocationRecord* r = &archive->copies_[position];
    const auto it = entries_.try_emplace(hint, key, r->header.group, r->header.tag_id);
    it->second.AppendCopy(r);
    hint = std::next(it);
  }
  Archive* result = archive.get();
  archives_.push_back(std::move(archive));
  changed_ = true;
  Notify(result, nullptr, kCodexArchiveLoaded);
  return result;
}

std::vector<std::string> Codex::ArchiveCandidates(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir)) {
      // A staged archive is either half written or about to replace another: never one to load.
      if (!IsListedName(e->d_name) || ArchiveWriter::IsStagingName(e->d_name)) continue;
      struct stat st {};
      if (::stat((folder / e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        names.emplace_back(e->d_name);
      }
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

size_t Codex::LoadArchiveFolder(const std::filesystem::path& folder) {
  size_t loaded = 0;
  for (const std::string& name : ArchiveCandidates(folder)) {
    if (LoadArchive(folder / name)) ++loaded;
  }
  return loaded;
}

bool Codex::InUse(const Archive& archive) const {
  return std::any_of(archive.copies().begin(), archive.copies().end(), [](const LocationRecord& r) {
    return r.owner && (r.owner->attachment_count() || r.owner->writing());
  });
}

void Codex::RemoveArchiveCopies(Archive& archive) {
  // Who wins before and after decides what each affected entry's listeners hear.
  std::vector<std::pair<CodexEntry*, const LocationRecord*>> affected;
  std::unordered_set<CodexEntry*> seen;
  for (LocationRecord& r : archive.copies_) {
    if (r.owner && seen.insert(r.owner).second)
      affected.emplace_back(r.owner, WinningCopy(*r.owner));
  }
  for (LocationRecord& r : archive.copies_) {
    if (r.owner) r.owner->UnlinkCopy(&r);
  }
  for (auto [entry, before] : affected) {
    const LocationRecord* after = WinningCopy(*entry);
    if (before && !after) {
      Notify(nullptr, entry, kCodexTagVanished);
    } else if (before != after && after) {
      Notify(nullptr, entry, kCodexTagChanged);
    }
    DeleteIfEmpty(entry);
  }
}

bool Codex::UnloadArchive(Archive* archive) {
  auto it = std::find_if(archives_.begin(), archives_.end(),
                         [&](const auto& a) { return a.get() == archive; });
  if (it == archives_.end() || InUse(*archive)) return false;
  Notify(archive, nullptr, kCodexArchiveUnloading);
  RemoveArchiveCopies(*archive);
  // The listeners may have changed the list; look the archive up again.
  it = std::find_if(archives_.begin(), archives_.end(),
                    [&](const auto& a) { return a.get() == archive; });
  if (it != archives_.end()) archives_.erase(it);
  changed_ = true;
  return true;
}

bool Codex::UnloadAllArchives() {
  std::vector<Archive*> all;
  for (const auto& a : archives_) all.push_back(a.get());
  bool all_gone = true;
  for (Archive* a : all) all_gone &= UnloadArchive(a);
  return all_gone;
}

Archive* Codex::ArchiveAt(size_t index) const {
  return index < archives_.size() ? archives_[index].get() : nullptr;
}

Archive* Codex::ArchiveByName(std::string_view file_name) const {
  for (const auto& a : archives_) {
    if (a->file_name() == file_name) return a.get();
  }
  return nullptr;
}

Archive* Codex::FindArchive(std::string_view name) const {
  if (name.find('/') == std::string_view::npos) return ArchiveByName(name);
  for (const auto& a : archives_) {
    if (a->qualified_name() == name) return a.get();
  }
  return nullptr;
}

size_t Codex::CountArchivesNamed(std::string_view file_name) const {
  return std::count_if(archives_.begin(), archives_.end(),
                       [&](const auto& a) { return a->file_name() == file_name; });
}

std::string Codex::WorkingSetName(const Archive& archive) const {
  return CountArchivesNamed(archive.file_name()) > 1 ? archive.qualified_name()
                                                     : archive.file_name();
}

// ---------------------------------------------------------------------------- working set

void Codex::SortArchives() {
  std::stable_sort(archives_.begin(), archives_.end(), [](const auto& a, const auto& b) {
    const int ka = a->SortKey(), kb = b->SortKey();
    if (ka != kb) return ka < kb;
    return a->file_name() < b->file_name();
  });
}

void Codex::SetWorkingSet(const std::vector<Archive*>& archives) {
  // Only loaded archives count; two of one file name are still two archives.
  std::set<Archive*> listed;
  for (Archive* a : archives) {
    if (std::any_of(archives_.begin(), archives_.end(),
                    [a](const auto& loaded) { return loaded.get() == a; })) {
      listed.insert(a);
    }
  }
  for (const auto& a : archives_) a->active_ = listed.count(a.get()) > 0;
  // Plugins get their order values from their place in the set, counted in load order.
  std::vector<Archive*> numbered;
  for (Archive* a : listed) {
    if (a->type() != 2 && a->type() != 3 && a->type() != 4 && a->type() != 6) numbered.push_back(a);
  }
  std::sort(numbered.begin(), numbered.end(),
            [](const Archive* a, const Archive* b) { return a->load_number_ < b->load_number_; });
  for (size_t i = 0; i < numbered.size(); ++i) {
    numbered[i]->header_.order = static_cast<uint16_t>(std::min<size_t>(i, 0xFFFF));
  }
  SortArchives();
  Notify(nullptr, nullptr, kCodexWorkingSetChanged);
}

void Codex::ApplyDefaultWorkingSet() {
  std::vector<Archive*> set;
  for (const auto& a : archives_) {
    if (a->type() == 2 || a->type() == 3 || a->type() == 6) set.push_back(a.get());
  }
  SetWorkingSet(set);
}

std::vector<std::string> Codex::WorkingSetNames() const {
  std::vector<std::string> names;
  for (const auto& a : archives_) {
    if (a->active()) names.push_back(WorkingSetName(*a));
  }
  return names;
}

std::vector<std::string> Codex::ApplyWorkingSetNames(const std::vector<std::string>& names) {
  std::vector<Archive*> set;
  std::vector<std::string> skipped;
  for (const std::string& name : names) {
    if (Archive* a = FindArchive(name)) {
      set.push_back(a);
    } else {
      skipped.push_back(name);
    }
  }
  SetWorkingSet(set);
  return skipped;
}

// ---------------------------------------------------------------------------- game folder

void Codex::OpenGameFolder(const std::filesystem::path& game) {
  game_folder_ = game;
  UnloadAllArchives();
  DropAllLocalCopies();
  LoadArchiveFolder(game / "tags");
  LoadArchiveFolder(game / "plugins");
  SetLocalFolder((game / "local").string());
  ApplyDefaultWorkingSet();
}

Archive* Codex::ArchiveAtPath(const std::filesystem::path& path) const {
  for (const auto& a : archives_) {
    if (a->path() == path) return a.get();
  }
  return nullptr;
}

Archive* Codex::WriteArchive(const std::vector<CodexEntry*>& entries, uint16_t type,
                             std::string_view file_name, std::string_view name,
                             std::string_view url, uint16_t priority, std::string& error) {
  if (!LocalFolder::IsPlainFileName(file_name) || ArchiveWriter::IsStagingName(file_name)) {
    error = "'" + std::string(file_name) + "' is not a plain file name";
    return nullptr;
  }
  const std::filesystem::path folder = plugins_folder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) {
    error = "cannot create the folder '" + folder.string() + "'";
    return nullptr;
  }
  const std::filesystem::path destination = folder / std::string(file_name);
  Archive* old = ArchiveAtPath(destination);
  // Only an archive of the kind being written is replaced: a file of that name that is some
  // other plugin, or no archive at all, belongs to someone else.
  if (old && old->type() != type) {
    error = "'" + destination.string() + "' is an archive of type " + std::to_string(old->type()) +
            ", not " + std::to_string(type) + "; it was left as it is";
    return nullptr;
  }
  if (!old && std::filesystem::symlink_status(destination, ec).type() !=
                  std::filesystem::file_type::not_found) {
    ArchiveContents contents;
    std::string why;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(destination, ec))) {
      error = "'" + destination.string() + "' exists and is not a file; it was left as it is";
      return nullptr;
    }
    if (!ArchiveFile::Load(destination, contents, why)) {
      error = "'" + destination.string() + "' exists and is left as it is: " + why;
      return nullptr;
    }
    if (contents.header.type != type) {
      error = "'" + destination.string() + "' is an archive of type " +
              std::to_string(contents.header.type) + ", not " + std::to_string(type) +
              "; it was left as it is";
      return nullptr;
    }
  }
  if (old && InUse(*old)) {
    error = "the tags of '" + old->file_name() + "' are in use";
    return nullptr;
  }
  std::vector<ArchiveSource> sources;
  sources.reserve(entries.size());
  std::unordered_set<const CodexEntry*> seen;
  for (CodexEntry* entry : entries) {
    if (!seen.insert(entry).second) continue;
    // The archive being replaced is no source: what is built must not depend on whether an
    // earlier build is there, and its file goes before the new one is complete.
    const LocationRecord* winner = WinningCopy(*entry, old);
    if (!winner) {
      error = "tag " + tagcode::Display(entry->group()) + " " + tagcode::Display(entry->tag_id()) +
              " has no copy in force" + (old ? " outside '" + old->file_name() + "'" : "");
      return nullptr;
    }
    ArchiveSource s;
    s.header = winner->header;
    if (winner->archive) {
      s.file = winner->archive->path();
      s.offset = winner->header.data_offset;
    } else {
      s.file = LooseFilePath(*entry);
      s.offset = TagHeader::kSize;
    }
    sources.push_back(std::move(s));
  }
  ArchiveWriter writer;
  if (!writer.Write(destination, std::move(sources), type, name, url, priority, error)) {
    return nullptr;
  }
  // The old archive goes only now, just before its file is replaced.
  bool was_active = false;
  if (old) {
    was_active = old->active();
    if (!UnloadArchive(old)) {
      error = "the tags of '" + std::string(file_name) + "' are in use";
      return nullptr;
    }
  }
  if (!writer.Commit(error)) {
    if (old) {
      // The old file is still in place: bring it back as it was.
      if (Archive* back = LoadArchive(destination); back && was_active) {
        std::vector<Archive*> set;
        for (const auto& a : archives_) {
          if (a->active()) set.push_back(a.get());
        }
        set.push_back(back);
        SetWorkingSet(set);
      }
    }
    return nullptr;
  }
  Archive* result = LoadArchive(destination, &error);
  if (!result) error = "the new archive does not load: " + error;
  return result;
}

Codex::Unpacked Codex::DisassembleArchive(const Archive& archive,
                                          const std::filesystem::path& destination) {
  Unpacked result;
  std::set<std::pair<uint32_t, std::string>> used;
  for (const LocationRecord& r : archive.copies()) {
    const TagHeader& h = r.header;
    // Two tags of one group may share a name; the later ones get a numbered name rather than
    // replacing the earlier file.
    std::string file_name = tagname::Sanitise(h.Name());
    for (int n = 2; used.count({h.group, file_name}); ++n) {
      file_name = tagname::WithSuffix(h.Name(), " " + std::to_string(n));
    }
    used.insert({h.group, file_name});
    // What the folder already holds stays: it may be the user's own work.
    std::error_code ec;
    const std::filesystem::path target =
        LocalFolder::GroupFolderPath(destination, h.group) / file_name;
    if (std::filesystem::exists(std::filesystem::symlink_status(target, ec))) {
      ++result.skipped;
      continue;
    }
    std::string error;
    auto stream = TagStream::Open(archive.path(), h.data_offset, h.data_size, false, error);
    LooseTagWriter writer;
    std::vector<uint8_t> data;
    // An unpacked tag belongs to no archive.
    TagHeader caller = h;
    caller.foundation_index = 0xFF;
    caller.owner_index = 0xFF;
    if (!stream || !stream->ReadRest(data) ||
        !writer.Begin(destination, caller, h.group, h.tag_id, file_name, error,
                      LooseTagWriter::Replace::kNone)) {
      LogMessage(0, kLog, "couldn't unpack '%s' from '%s'\n", h.Name().c_str(),
                 archive.file_name().c_str());
      ++result.failed;
      continue;
    }
    writer.data().WriteBytes(data);
    if (!writer.End(caller, true, error)) {
      LogMessage(0, kLog, "couldn't unpack '%s' from '%s': %s\n", h.Name().c_str(),
                 archive.file_name().c_str(), error.c_str());
      // A file that turned up meanwhile was not replaced either.
      ++(std::filesystem::exists(std::filesystem::symlink_status(target, ec)) ? result.skipped
                                                                              : result.failed);
      continue;
    }
    ++result.written;
  }
  return result;
}

// ---------------------------------------------------------------------------- listeners

void Codex::AddListener(CodexListener listener, void* context) {
  for (const auto& l : listeners_) {
    if (l.first == listener && l.second == context) return;
  }
  listeners_.emplace_back(listener, context);
}

void Codex::RemoveListener(CodexListener listener, void* context) {
  std::erase_if(listeners_,
                [&](const auto& l) { return l.first == listener && l.second == context; });
}

void Codex::Notify(Archive* archive, CodexEntry* entry, int event) {
  // A listener may add or remove listeners while being told.
  const auto listeners = listeners_;
  for (const auto& [listener, context] : listeners) listener(context, archive, entry, event);
}

namespace {
std::unique_ptr<Codex>& ProgramCodexSlot() {
  static std::unique_ptr<Codex> codex;
  return codex;
}
}  // namespace

Codex& ProgramCodex() {
  std::unique_ptr<Codex>& codex = ProgramCodexSlot();
  if (!codex) codex = std::make_unique<Codex>();
  return *codex;
}

void ReleaseProgramCodex() {
  ProgramCodexSlot().reset();
}
