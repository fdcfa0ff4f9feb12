#include "tags/CodexEntry.h"

#include "tags/LooseTagWriter.h"
#include "tags/TagStream.h"

CodexEntry::Extras::Extras() = default;
CodexEntry::Extras::~Extras() = default;

CodexEntry::Extras& CodexEntry::extras() {
  if (!extras_) extras_ = std::make_unique<Extras>();
  return *extras_;
}

CodexEntry::~CodexEntry() = default;

void CodexEntry::TrimExtras() {
  if (extras_ && extras_->attachments.empty() && !extras_->read && !extras_->write &&
      !extras_->pending) {
    extras_.reset();
  }
}

void CodexEntry::AppendCopy(LocationRecord* record) {
  record->owner = this;
  record->next_copy = nullptr;
  LocationRecord** link = &copies_;
  while (*link) link = &(*link)->next_copy;
  *link = record;
}

void CodexEntry::UnlinkCopy(LocationRecord* record) {
  for (LocationRecord** link = &copies_; *link; link = &(*link)->next_copy) {
    if (*link == record) {
      *link = record->next_copy;
      record->next_copy = nullptr;
      record->owner = nullptr;
      return;
    }
  }
}
