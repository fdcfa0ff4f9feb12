#include "structs/StructRegistry.h"

#include <tinyxml.h>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>

#include "base/MessageLog.h"
#include "structs/VornStructMember.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"

namespace {

constexpr const char* kLog = "Struct Definitions";

constexpr std::array<uint32_t, 12> kBuiltInEditorGroups{
    tagcode::Make("ditl"), tagcode::Make("scri"), tagcode::Make("stli"), tagcode::Make("temp"),
    tagcode::Make("text"), tagcode::Make("mesh"), tagcode::Make("geom"), tagcode::Make(".256"),
    tagcode::Make("dtex"), tagcode::Make("soun"), tagcode::Make("dmap"), tagcode::Make("bina"),
};

bool IsBuiltIn(uint32_t group) {
  return std::find(kBuiltInEditorGroups.begin(), kBuiltInEditorGroups.end(), group) !=
         kBuiltInEditorGroups.end();
}

void Add(std::vector<StructProblem>* problems, StructProblem problem) {
  if (problems != nullptr) problems->push_back(std::move(problem));
}

std::string Where(const std::string& file, int line) {
  return file + ":" + std::to_string(line);
}

}  // namespace

// Lookups by name while building and afterwards: the first of each name, as Find answers. The
// keys point into the definitions and the kept documents.
struct StructRegistry::Index {
  std::unordered_map<std::string_view, const StructDefinition*> definitions;
  std::unordered_map<std::string_view, size_t> layouts;
};

StructRegistry::StructRegistry() : index_(std::make_unique<Index>()) {}

StructRegistry::~StructRegistry() = default;

void StructRegistry::LoadFolder(const std::filesystem::path& folder,
                                std::vector<StructProblem>* problems,
                                const std::filesystem::path& user_folder) {
  XmlResourceSet resources;
  resources.LoadFolder(folder, problems, user_folder);
  Build(std::move(resources), problems);
}

void StructRegistry::Build(XmlResourceSet resources, std::vector<StructProblem>* problems) {
  Index& index = *index_;
  index = {};
  definitions_.clear();
  layouts_.clear();
  layout_roots_.clear();
  resources_ = std::move(resources);

  const std::vector<XmlResourceSet::Root>& roots = resources_.roots();
  for (size_t r = 0; r < roots.size(); ++r) {
    const XmlResourceSet::Root& root = roots[r];
    for (const TiXmlElement* child = root.element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
      const std::string& kind = child->ValueStr();
      if (kind == "struct") {
        std::unique_ptr<StructDefinition> definition =
            StructDefinition::Read(*child, *this, root.file, problems);
        if (!definition) continue;
        const auto [at, fresh] = index.definitions.emplace(definition->name(), definition.get());
        if (!fresh) {
          Add(problems,
              StructProblem::Warning(
                  root.file, definition->line(),
                  "struct '" + definition->name() + "' is hidden by the one at " +
                      Where(at->second->file(), at->second->line()) + ", which was read first"));
        }
        definitions_.push_back(std::move(definition));
      } else if (kind == "structedit") {
        const char* name = child->Attribute("struct");
        if (name == nullptr) {
          Add(problems, StructProblem::Warning(root.file, child->Row(),
                                               "a structedit without a struct is never used"));
        } else {
          const auto [at, fresh] = index.layouts.emplace(name, layouts_.size());
          if (!fresh) {
            const TiXmlElement* first = layouts_[at->second];
            Add(problems,
                StructProblem::Warning(
                    root.file, child->Row(),
                    std::string("the structedit of '") + name + "' is hidden by the one at " +
                        Where(roots[layout_roots_[at->second]].file, first->Row()) +
                        ", which was read first"));
          }
        }
        layouts_.push_back(child);
        layout_roots_.push_back(r);
      }
    }
  }

  // A name in lower_bound or runtime_count resolves along the records that enclose the one
  // holding it, so it is unresolved only when neither the record nor any record containing it
  // (at any depth) has such a member.
  std::unordered_map<const StructDefinition*, std::vector<const StructDefinition*>> containers;
  for (const std::unique_ptr<StructDefinition>& definition : definitions_) {
    for (const std::unique_ptr<StructMember>& member : definition->members()) {
      if (member->nested != nullptr) containers[member->nested].push_back(definition.get());
    }
  }
  auto resolves = [&](const StructDefinition& start, const std::string& name) {
    std::vector<const StructDefinition*> queue{&start};
    std::vector<const StructDefinition*> visited{&start};
    for (size_t q = 0; q < queue.size(); ++q) {
      if (queue[q]->FindMember(name) != nullptr) return true;
      const auto found = containers.find(queue[q]);
      if (found == containers.end()) continue;
      for (const StructDefinition* outer : found->second) {
        if (std::find(visited.begin(), visited.end(), outer) != visited.end()) continue;
        visited.push_back(outer);
        queue.push_back(outer);
      }
    }
    return false;
  };
  for (const std::unique_ptr<StructDefinition>& definition : definitions_) {
    for (const std::unique_ptr<StructMember>& member : definition->members()) {
      const auto* vorn = dynamic_cast<const VornStructMember*>(member.get());
      if (vorn == nullptr) continue;
      const std::string who =
          member->name.empty() ? std::string("an unnamed member") : "member '" + member->name + "'";
      const std::pair<const char*, const std::string*> references[] = {
          {"lower_bound", &vorn->lower_bound}, {"runtime_count", &vorn->runtime_count}};
      for (const auto& [attribute, name] : references) {
        if (name->empty() || resolves(*definition, *name)) continue;
        Add(problems,
            StructProblem::Warning(definition->file(), member->line,
                                   who + " of struct '" + definition->name() + "': " + attribute +
                                       " '" + *name +
                                       "' names no member of it or of a record holding it; "
                                       "it is ignored"));
      }
    }
  }

  // A layout item whose target resolves nowhere gets no control: worth a word, as it is most
  // often a misspelt name.
  for (size_t l = 0; l < layouts_.size(); ++l) {
    const TiXmlElement* layout = layouts_[l];
    const char* name = layout->Attribute("struct");
    if (name == nullptr) continue;
    const std::string& file = roots[layout_roots_[l]].file;
    const StructDefinition* definition = Find(name);
    if (definition == nullptr) {
      Add(problems, StructProblem::Warning(file, layout->Row(),
                                           std::string("the structedit of '") + name +
                                               "' lays out no struct that was read"));
      continue;
    }
    std::vector<const TiXmlElement*> pending{layout};
    while (!pending.empty()) {
      const TiXmlElement* element = pending.back();
      pending.pop_back();
      for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
           child = child->NextSiblingElement()) {
        pending.push_back(child);
        const char* target = child->Attribute("target");
        if (child->ValueStr() != "item" || target == nullptr || resolves(*definition, target))
          continue;
        Add(problems, StructProblem::Warning(file, child->Row(),
                                             std::string("the item target '") + target +
                                                 "' names no member of struct '" + name +
                                                 "' or of a record holding it; it gets no "
                                                 "control"));
      }
    }
  }

  // The editor a four-character name gives its group.
  for (const std::unique_ptr<StructDefinition>& definition : definitions_) {
    const std::string& name = definition->name();
    if (name.size() != 4 || Find(name) != definition.get()) continue;
    const uint32_t group = tagcode::Make(name);
    if (IsBuiltIn(group)) {
      Add(problems, StructProblem::Warning(
                        definition->file(), definition->line(),
                        "group '" + name +
                            "' keeps its own editor; this struct only serves as a nested record"));
    } else if (TagGroupTable::Find(group) != nullptr && FindLayout(name) == nullptr) {
      Add(problems, StructProblem::Warning(definition->file(), definition->line(),
                                           "group '" + name +
                                               "' gets the struct editor but no structedit "
                                               "layout names it; its tags will not open"));
    }
  }
}

const StructDefinition* StructRegistry::Find(std::string_view name) const {
  const Index& index = *index_;
  const auto found = index.definitions.find(name);
  return found != index.definitions.end() ? found->second : nullptr;
}

const TiXmlElement* StructRegistry::FindLayout(std::string_view struct_name) const {
  const Index& index = *index_;
  const auto found = index.layouts.find(struct_name);
  return found != index.layouts.end() ? layouts_[found->second] : nullptr;
}

const std::string& StructRegistry::FileOf(const TiXmlElement* layout) const {
  static const std::string none;
  const auto found = std::find(layouts_.begin(), layouts_.end(), layout);
  if (found == layouts_.end()) return none;
  return resources_.roots()[layout_roots_[static_cast<size_t>(found - layouts_.begin())]].file;
}

std::vector<uint32_t> StructRegistry::EditedGroups() const {
  std::vector<uint32_t> groups;
  for (const std::unique_ptr<StructDefinition>& definition : definitions_) {
    const std::string& name = definition->name();
    if (name.size() != 4) continue;
    const uint32_t group = tagcode::Make(name);
    if (IsBuiltIn(group) || TagGroupTable::Find(group) == nullptr) continue;
    if (std::find(groups.begin(), groups.end(), group) == groups.end()) groups.push_back(group);
  }
  return groups;
}

std::span<const uint32_t> StructRegistry::BuiltInEditorGroups() {
  return kBuiltInEditorGroups;
}

StructRegistry& ProgramStructs() {
  static StructRegistry registry;
  return registry;
}

void LoadProgramStructs(const std::filesystem::path& res_folder,
                        const std::filesystem::path& user_folder) {
  std::vector<StructProblem> problems;
  ProgramStructs().LoadFolder(res_folder, &problems, user_folder);
  for (const StructProblem& problem : problems) {
    LogMessage(1, kLog, "%s\n", problem.Describe().c_str());
  }
}
