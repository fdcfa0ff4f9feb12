#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "structs/StructDefinition.h"
#include "structs/StructProblem.h"
#include "structs/XmlResourceSet.h"

class TiXmlElement;

// Every record description and editor layout the program knows, read once at start-up and
// unchanged afterwards. Definitions keep the order of the resource roots and, within one,
// document order; the first definition of a name wins (later ones are kept for checking but
// never found). Layouts (`structedit` elements) are found by their `struct` attribute, first
// one wins.
class StructRegistry {
 public:
  StructRegistry();
  ~StructRegistry();
  StructRegistry(const StructRegistry&) = delete;
  StructRegistry& operator=(const StructRegistry&) = delete;

  // Reads `folder` as start-up reads `res`, replacing what the registry held. Problems (XML
  // errors, refused definitions, every skip, unresolved and hidden names, registration
  // warnings) are appended to `problems` when given.
  void LoadFolder(const std::filesystem::path& folder, std::vector<StructProblem>* problems,
                  const std::filesystem::path& user_folder = {});
  // Takes `resources` over and builds from it (tests, the fuzzer, the benchmark).
  void Build(XmlResourceSet resources, std::vector<StructProblem>* problems);

  const StructDefinition* Find(std::string_view name) const;
  const TiXmlElement* FindLayout(std::string_view struct_name) const;
  std::span<const std::unique_ptr<StructDefinition>> definitions() const { return definitions_; }
  std::span<const TiXmlElement* const> layouts() const { return layouts_; }
  const XmlResourceSet& resources() const { return resources_; }
  // The file a layout element came from (for messages).
  const std::string& FileOf(const TiXmlElement* layout) const;

  // The tag groups that get the struct editor: for each definition in order whose name is
  // four characters and packs to a known tag group without a built-in editor, that group
  // once.
  std::vector<uint32_t> EditedGroups() const;
  // The groups that keep their own editor whatever the descriptions say.
  static std::span<const uint32_t> BuiltInEditorGroups();

 private:
  struct Index;  // the first definition and layout of each name

  XmlResourceSet resources_;
  std::vector<std::unique_ptr<StructDefinition>> definitions_;
  std::vector<const TiXmlElement*> layouts_;
  std::vector<size_t> layout_roots_;  // index into resources_.roots() per layout
  std::unique_ptr<Index> index_;
};

// The program's registry (the editor and its tools); empty until loaded.
StructRegistry& ProgramStructs();
// Start-up: reads `res_folder` into ProgramStructs() and writes each problem as a line of the
// "Struct Definitions" log (errors and warnings at level 1, with file, line and column).
void LoadProgramStructs(const std::filesystem::path& res_folder,
                        const std::filesystem::path& user_folder = {});
