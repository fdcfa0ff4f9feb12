#pragma once
#include <cstdint>
#include <string>

#include "tags/ui/TagEdit.h"

class StructDefinition;
class StructEditor;
class StructRegistry;

// The tag editor of every group described by a record definition: one StructEditor over the
// tag's data, which is exactly one record. "OK" saves and closes, "Cancel" closes without
// saving. A tag whose data is not one record, or whose definition has no layout, does not
// open; why goes to the "Struct Definitions" log.
class TagStructEdit : public TagEdit {
 public:
  static constexpr const char* kLog = "Struct Definitions";

  // The definition named after the header's group, from `registry`.
  TagStructEdit(const TagHeader& header, const StructRegistry& registry);
  // The factory of the described groups: the program's registry.
  static TagEdit* Make(const TagHeader& header);
  // Why a tag with this header does not open in the struct editor (no definition named after
  // its group, data that is not one record, no layout), or empty when it opens.
  static std::string WhyNotOpened(const StructRegistry& registry, const TagHeader& header);

  const char* GetClassName() const override { return "TagStructEdit"; }
  void OnResized() override;
  bool WriteData(ByteWriter& out, TagHeader& header) override;
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  bool Create(uint32_t group, std::string_view name) override;

  StructEditor* Editor() const { return editor_; }

 private:
  void BuildEditor();
  void OnChanged(intptr_t);
  void OnAccepted(intptr_t);
  void OnCancelled(intptr_t);

  const StructRegistry* registry_ = nullptr;
  const StructDefinition* definition_ = nullptr;
  StructEditor* editor_ = nullptr;
};
