#include "collections/CollectionRecords.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace collection_records {

RecordDescriptor ParseOnce(Words words) {
  std::string error;
  std::optional<RecordDescriptor> parsed = RecordDescriptor::Parse(words, &error);
  if (!parsed) {
    std::fprintf(stderr, "collection record descriptor refused: %s\n", error.c_str());
    std::abort();
  }
  return std::move(*parsed);
}

void TerminateName(Name& name, size_t max_length) {
  const size_t length = strnlen(name.data(), std::min(max_length, name.size() - 1));
  std::memset(name.data() + length, 0, name.size() - length);
}

}  // namespace collection_records
