#include "tags/TagResource.h"

#include "tags/Codex.h"
#include "tags/LooseTagWriter.h"

TagResource::TagResource(Codex& codex, CodexEntry* entry)
    : Resource(entry), codex_(codex), entry_(entry) {
  codex_.Attach(entry_, kAttachResource, this);
}

TagResource::~TagResource() {
  codex_.Detach(entry_, kAttachResource, this);
}

bool TagResource::Load() {
  TagStream* stream = codex_.OpenData(entry_);
  if (!stream) return false;
  header_ = codex_.EntryHeader(*entry_);
  const bool ok = ReadData(*stream, header_);
  codex_.CloseData(entry_);
  return ok;
}

bool TagResource::Save() {
  LooseTagWriter* writer = codex_.BeginWrite(entry_, header_);
  if (!writer) return false;
  const bool ok = WriteData(writer->data(), header_);
  return codex_.EndWrite(entry_, header_, ok) && ok;
}
