#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "structs/StructProblem.h"

class TiXmlDocument;
class TiXmlElement;

// The XML resource files of the program's `res` folder. Every file of the folder and its
// sub-folders is read in the order of its path, those under `structs/` (the descriptions
// shipped with the program) last, so that a description a user puts anywhere else is read
// first and wins. Files are checked before TinyXML sees them: over 16 MiB, not starting with
// '<' (after blanks and a byte-order mark) or nested deeper than 256 elements, a file adds
// nothing. Each document whose top element is `zarvxmlfile` is kept whole (no copy); the
// others are dropped. No folder is visited twice (links are followed once).
class XmlResourceSet {
 public:
  static constexpr uint64_t kMaxFileBytes = 16u << 20;
  static constexpr int kMaxNesting = 256;

  struct Root {
    std::string file;  // path relative to the folder read, '/'-separated
    std::unique_ptr<TiXmlDocument> document;
    const TiXmlElement* element = nullptr;  // the `zarvxmlfile` element
  };

  XmlResourceSet();
  ~XmlResourceSet();
  XmlResourceSet(XmlResourceSet&&) noexcept;
  XmlResourceSet& operator=(XmlResourceSet&&) noexcept;

  // Adds the roots of `folder` after those already held. A file that is not well-formed
  // (or is refused by the checks above) adds an error with TinyXML's line and column, or the
  // check's reason; a well-formed file without `zarvxmlfile` adds a warning.
  // `user_folder`, when given, is walked too, its files named by their full paths, so none of
  // them counts as shipped and their names win over the shipped ones.
  void LoadFolder(const std::filesystem::path& folder, std::vector<StructProblem>* problems,
                  const std::filesystem::path& user_folder = {});
  // One document from memory (tests, the fuzzer); same checks; false when it adds no root.
  bool LoadText(const std::string& file, const std::string& text,
                std::vector<StructProblem>* problems);

  const std::vector<Root>& roots() const { return roots_; }

 private:
  std::vector<Root> roots_;
};
