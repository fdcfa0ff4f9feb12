#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tags/TagHeader.h"

class Archive;
class CodexEntry;
class LooseTagWriter;
class TagStream;

// One place that holds a copy of a tag: an archive, or the local folder. Archive copies are
// owned by their archive, the local copy by its entry.
struct LocationRecord {
  TagHeader header;            // data offset absolute in the archive for an archived copy
  Archive* archive = nullptr;  // none for the local copy
  CodexEntry* owner = nullptr;
  LocationRecord* next_copy = nullptr;  // the entry's copies form a list in the order added
  uint32_t kind = 0;                    // 0-2 from the archive's type, 3 for the local copy
};

struct LocalRecord : LocationRecord {
  std::string file_name;  // the actual name in the group folder
};

// What the next save of an entry does differently, set by create tag: the file name it writes
// and the local files it replaces once it has committed, each with the tag id it must still
// hold then. Until that save commits those files stay as they are.
struct PendingSave {
  struct Replaced {
    std::string file_name;
    uint32_t tag_id = 0;
  };
  std::string file_name;
  std::vector<Replaced> replaced;
};

// One per (group, tag id) the program knows of: every copy of the tag, and the objects
// attached to it (its editor, its loaded resource, its info window).
class CodexEntry {
 public:
  struct Attachment {
    uint32_t code;
    void* object;
  };

  CodexEntry(uint32_t group, uint32_t tag_id) : group_(group), tag_id_(tag_id) {}
  ~CodexEntry();
  CodexEntry(const CodexEntry&) = delete;
  CodexEntry& operator=(const CodexEntry&) = delete;

  uint32_t group() const { return group_; }
  uint32_t tag_id() const { return tag_id_; }
  const LocalRecord* local_copy() const { return local_.get(); }
  bool has_local_copy() const { return local_ != nullptr; }
  // The copies in the order they were added (the local copy among them).
  template <typename F>
  void ForEachCopy(F&& f) const {
    for (LocationRecord* r = copies_; r; r = r->next_copy) f(*r);
  }
  bool has_copies() const { return copies_ != nullptr; }

  size_t attachment_count() const { return extras_ ? extras_->attachments.size() : 0; }
  const std::vector<Attachment>* attachments() const {
    return extras_ ? &extras_->attachments : nullptr;
  }
  TagStream* read_stream() const { return extras_ ? extras_->read.get() : nullptr; }
  bool writing() const { return extras_ && extras_->write; }
  const PendingSave* pending_save() const { return extras_ ? extras_->pending.get() : nullptr; }

 private:
  friend class Codex;

  // Rarely used state lives apart, so the many entries nobody has opened stay small.
  struct Extras {
    std::vector<Attachment> attachments;
    std::unique_ptr<TagStream> read;
    std::unique_ptr<LooseTagWriter> write;
    std::unique_ptr<PendingSave> pending;
    Extras();
    ~Extras();
  };
  Extras& extras();
  void TrimExtras();
  void AppendCopy(LocationRecord* record);
  void UnlinkCopy(LocationRecord* record);

  LocationRecord* copies_ = nullptr;
  std::unique_ptr<LocalRecord> local_;
  std::unique_ptr<Extras> extras_;
  uint32_t group_;
  uint32_t tag_id_;
};
