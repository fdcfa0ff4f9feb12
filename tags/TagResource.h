#pragma once
#include "tags/Resource.h"
#include "tags/TagHeader.h"

class ByteWriter;
class Codex;
class CodexEntry;
class TagStream;

// The shared, loaded form of one tag that code needs while it works. It is attached to its
// index entry under `tres` for as long as it lives, which keeps the entry alive and marks the
// tag as in use.
class TagResource : public Resource {
 public:
  TagResource(Codex& codex, CodexEntry* entry);
  // Detaching may delete the entry.
  ~TagResource() override;

  const char* GetClassName() const override { return "TagResource"; }
  // Reads the data of the copy in force; the header field takes that copy's header.
  virtual bool Load();
  // Writes the tag as a loose file of the local folder (under its existing file name when it
  // has one). A failed save leaves the earlier file and the index as they were.
  virtual bool Save();
  // Fills a freshly created tag with its defaults.
  virtual bool InitNew() = 0;
  virtual bool ReadData(TagStream& stream, const TagHeader& header) = 0;
  // Appends the data; may set the header's user data and version.
  virtual bool WriteData(ByteWriter& out, TagHeader& header) = 0;

  CodexEntry* entry() const { return entry_; }
  Codex& codex() const { return codex_; }
  const TagHeader& header() const { return header_; }
  void set_header(const TagHeader& header) { header_ = header; }

 private:
  Codex& codex_;
  CodexEntry* entry_ = nullptr;
  TagHeader header_;
};
