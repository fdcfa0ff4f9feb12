#pragma once
#include <cstdint>
#include <memory>
#include <string_view>

#include "collections/Collection.h"
#include "tags/ui/TagEdit.h"

class TabWindow;

// The editor of sprite collections (`.256` tags): one collection shown on seven tab pages.
class X256Edit : public TagEdit {
 public:
  static constexpr Size kClientSize{575, 360};
  static constexpr const char* kLog = "X256Edit";

  explicit X256Edit(const TagHeader& header);
  ~X256Edit() override;
  // The factory of the group's row.
  static TagEdit* Make(const TagHeader& header);

  const char* GetClassName() const override { return "X256Edit"; }
  void OnResized() override;
  bool WriteData(ByteWriter& out, TagHeader& header) override;
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  bool Create(uint32_t group, std::string_view name) override;

  Collection& EditedCollection() { return collection_; }
  TabWindow* Tabs() const { return tabs_; }

 private:
  void CreatePages();

  Collection collection_;
  TabWindow* tabs_ = nullptr;
};
