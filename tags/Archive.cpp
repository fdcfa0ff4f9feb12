#include "tags/Archive.h"

#include <utility>

Archive::Archive(std::filesystem::path path, ArchiveContents contents)
    : header_(contents.header),
      path_(std::move(path)),
      file_name_(path_.filename().string()),
      qualified_name_(path_.parent_path().filename().empty()
                          ? file_name_
                          : path_.parent_path().filename().string() + "/" + file_name_),
      meshes_(std::move(contents.meshes)),
      directory_offset_(contents.directory_offset) {
  kind_ = static_cast<uint32_t>(ArchiveFile::KindOfType(header_.type));
  // Built in one pass: a game's archives hold a hundred thousand records or more.
  copies_.reserve(contents.tags.size());
  for (const TagHeader& tag : contents.tags) {
    copies_.push_back(LocationRecord{tag, this, nullptr, nullptr, kind_});
  }
}

int Archive::SortKey() const {
  if (!active_) return -1;
  switch (header_.type) {
    case 2:
      return -2;
    case 3:
      return -3;
    case 6:
      return -1;
    default:
      return header_.order;
  }
}
