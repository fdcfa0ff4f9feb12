#include "tags/LooseTagFile.h"

#include <fstream>
#include <system_error>

#include "tags/ByteReader.h"
#include "tags/TagGroupTable.h"
#include "tags/TagName.h"

bool LooseTagFile::Parse(std::span<const uint8_t> bytes, std::string_view file_name,
                         std::optional<uint32_t> expected_group, LooseTag& out,
                         std::string& error) {
  const uint64_t length = bytes.size();
  if (length < TagHeader::kSize) {
    error = "file is " + std::to_string(length) + " bytes, shorter than the 64-byte tag header";
    return false;
  }
  if (length - TagHeader::kSize > kMaxDataSize) {
    error = "file of " + std::to_string(length) + " bytes is too large for a tag";
    return false;
  }
  ByteReader reader(bytes);
  LooseTag tag;
  if (!TagHeader::Read(reader, tag.header, error)) return false;
  TagHeader& h = tag.header;
  if (static_cast<uint64_t>(h.data_offset) > length) {
    error = "data offset " + std::to_string(h.data_offset) + " lies past the end of the file (" +
            std::to_string(length) + " bytes)";
    return false;
  }
  if (h.Name() == tagname::kPlaceholder) h.SetName(file_name);
  tag.claimed_data_size = h.data_size;
  // The file length is the authority in a loose file, whatever the header claims.
  h.data_size = static_cast<uint32_t>(length - TagHeader::kSize);
  if (expected_group && h.group != *expected_group) {
    if (!TagGroupTable::Find(h.group)) {
      error = "group " + TagGroupTable::PluralName(h.group) + " is not a known tag group";
    } else {
      error = "'" + std::string(file_name) + "', a '" + TagGroupTable::PluralName(h.group) +
              "' file, was found in the '" + TagGroupTable::PluralName(*expected_group) +
              "' folder.";
    }
    return false;
  }
  tag.data.assign(bytes.begin() + TagHeader::kSize, bytes.end());
  out = std::move(tag);
  return true;
}

bool LooseTagFile::Read(const std::filesystem::path& path, std::optional<uint32_t> expected_group,
                        LooseTag& out, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = ec ? ec.message() : "not a regular file";
    return false;
  }
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  // Checked before allocating anything for the contents.
  if (size > kMaxDataSize + TagHeader::kSize) {
    error = "file of " + std::to_string(size) + " bytes is too large for a tag";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open the file for reading";
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<uintmax_t>(in.gcount()) != size) {
    error = "read only " + std::to_string(in.gcount()) + " of " + std::to_string(size) + " bytes";
    return false;
  }
  return Parse(bytes, path.filename().string(), expected_group, out, error);
}
