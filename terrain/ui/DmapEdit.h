#pragma once
#include <string>

#include "tags/ui/TagEdit.h"
#include "terrain/DetailMap.h"

class TextBox;

// The viewer of detail maps (`dmap` tags): the detail texture of each slot that has one, as
// "<tag id> - <texture name>" lines. Nothing here changes the tag; saving writes nothing.
class DmapEdit : public TagEdit {
 public:
  static constexpr Size kClientSize{500, 500};
  static constexpr const char* kLog = "DmapEdit";
  static constexpr const char* kNotFound = "<not found>";

  explicit DmapEdit(const TagHeader& header);
  static TagEdit* Make(const TagHeader& header);

  const char* GetClassName() const override { return "DmapEdit"; }
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  bool Save() override { return true; }
  void OnResized() override;

  // The lines for a detail map, with the texture names as the program sees them.
  static std::string Listing(const DetailMap& map);
  TextBox* Text() const { return text_; }
  const DetailMap& Detail() const { return map_; }

 private:
  DetailMap map_;
  TextBox* text_ = nullptr;
};
