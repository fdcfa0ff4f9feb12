#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tags/TagHeader.h"

class Codex;
class CodexEntry;

// The operations that create, copy, rename and delete tags. Every change ends up as a loose tag
// file in the local folder; a tag inside an archive is never changed. Each operation rescans the
// local folder before deciding (a file another program just made counts) and is all or nothing:
// a refusal or a failure leaves the files and the index as they were and tells no listener.
// A refusal's reason goes to `reason` when given: the text the user or the tool shows.
namespace tagops {

// Why create tag refused; the texts are the ones logged and shown.
enum CreateRefusal : int {
  kTagIdTaken = 0,      // "A file with the same tagid already exists"
  kNameTaken = 1,       // "A file with the same name already exists"
  kNotOverwritten = 2,  // "An existing file could not be overwritten"
  kReservedTagId = 3,   // the id would be 0xFFFFFFFF, which means "none" wherever ids are passed
};
const char* CreateRefusalText(int reason);

struct CreatedTag {
  // The entry for (group, tag id), kept alive only by what the caller attaches to it: a caller
  // that attaches nothing hands it back with Codex::ForgetIfUnused.
  CodexEntry* entry = nullptr;
  // The new tag's header: group, tag id, sanitised name, version 1, owner index 0xFF, "vrn2".
  TagHeader header;
  int refusal = -1;  // a CreateRefusal when `entry` is none
};

// Nothing is written: the tag becomes a file at its first save. `tag_id` tagcode::kNone derives
// one from the name. With `allow_overwrite`, a local copy in the way is kept until the new tag's
// first save commits, and only then removed.
CreatedTag CreateTag(Codex& codex, uint32_t group, uint32_t tag_id, std::string_view name,
                     bool allow_overwrite, std::string* reason = nullptr);

// CreateTag for a tag that takes the place of an archived one of the same id: the archived
// copy does not count as taken, and the new local copy wins over it once saved.
CreatedTag CreateOverArchive(Codex& codex, uint32_t group, uint32_t tag_id, std::string_view name,
                             bool allow_overwrite, std::string* reason = nullptr);

// A new local tag with the source's data, user data, version and index bytes, named `name` or
// "<source> copy", "<source> copy 1" ... "<source> copy 100". None when every candidate is
// refused or the data cannot be copied.
CodexEntry* Duplicate(Codex& codex, CodexEntry* entry, std::optional<std::string_view> name,
                      std::string* reason = nullptr);

// Gives a tag that only an archive holds a local copy with the same header and data.
bool CopyToLocal(Codex& codex, CodexEntry* entry, std::string* reason = nullptr);

// Removes the tag's loose file. Refused while anything is attached to the entry.
bool DeleteLocalCopy(Codex& codex, CodexEntry* entry, std::string* reason = nullptr);

// Renames and/or re-identifies a tag: `new_tag_id` tagcode::kNone and no `new_name` keep each.
// A tag without a local copy first gets one, written at once under its final name and id.
// Refused while an editor or resource is attached, and for an id another local tag holds.
// Returns the entry the tag now lives under (another one when the id changed), or none.
CodexEntry* ChangeTagInfo(Codex& codex, CodexEntry* entry, uint32_t new_tag_id,
                          std::optional<std::string_view> new_name, std::string* reason = nullptr);

}  // namespace tagops
