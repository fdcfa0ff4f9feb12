#include "tools/zarv-tool/CollectionFile.h"

#include <algorithm>
#include <charconv>

#include "base/ByteWriter.h"
#include "collections/CollectionLayout.h"

namespace cl = collection_layout;

bool CollectionFile::Load(const std::string& path, std::ostream& err) {
  std::string error;
  if (!LooseTagFile::Read(path, cl::kGroup, tag, error) ||
      !collection.Load(tag.data, tag.header, true, error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

bool CollectionFile::Save(const std::string& path, std::ostream& err) {
  ByteWriter data;
  std::string error;
  TagHeader header = tag.header;
  if (!collection.Save(data, header, error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return false;
  }
  if (!LooseTagFile::Write(path, header, data.bytes(), error)) {
    err << "zarv-tool: " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

void CollectionFile::MakeNew(std::string_view name, uint32_t id) {
  tag = LooseTag{};
  tag.header = TagHeader::Fresh();
  tag.header.SetName(name);
  tag.header.group = cl::kGroup;
  tag.header.tag_id = id;
  collection = Collection{};
}

bool CollectionFile::ParseList(std::string_view list, size_t count, std::vector<int>& out,
                               std::string& error) {
  out.clear();
  std::vector<bool> seen(count, false);
  const auto number = [](std::string_view text, size_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
  };
  while (true) {
    const size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    const size_t dash = item.find('-');
    size_t first = 0, last = 0;
    const bool ok = dash == std::string_view::npos ? number(item, first) && (last = first, true)
                                                   : number(item.substr(0, dash), first) &&
                                                         number(item.substr(dash + 1), last);
    if (!ok || first > last) {
      error = "'" + std::string(item) + "' is not a bitmap index or range like 0,3-5";
      return false;
    }
    if (last >= count) {
      error = "bitmap " + std::to_string(last) + " does not exist (the collection has " +
              std::to_string(count) + ")";
      return false;
    }
    for (size_t i = first; i <= last; ++i) {
      if (!seen[i]) out.push_back(static_cast<int>(i));
      seen[i] = true;
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return true;
}

std::vector<CollectionBitmap*> CollectionFile::Bitmaps(const std::vector<int>& indices) const {
  std::vector<CollectionBitmap*> out;
  for (int i : indices) out.push_back(collection.bitmaps[static_cast<size_t>(i)].get());
  return out;
}
