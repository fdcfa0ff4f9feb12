#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/DialogWindow.h"
#include "terrain/FromTerrain.h"

class ColorButton;
class ListWindow;
class TextBox;

// "Edit Detail Texture Attributes": which detail texture a slot (or a row of the automatic
// texturing) shows, its highlight colour and its description. The list holds "<no tag>" and
// every visible detail texture; picking a texture proposes its name as the description while
// the description still is the previous texture's name (or empty).
class DetailAttributesDialog : public DialogWindow {
 public:
  static constexpr const char* kTitle = "Edit Detail Texture Attributes";
  static constexpr Size kSize{384, 248};
  static constexpr int32_t kMaxDescription = 31;
  static constexpr const char* kNoTag = "<no tag>";

  explicit DetailAttributesDialog(const TerrainRow& start);
  const char* GetClassName() const override { return "DetailAttributesDialog"; }
  bool Accept() override;
  void OnResized() override;

  // Runs it modally; on OK `row` takes the choice. True on OK.
  static bool Edit(TerrainRow& row);

  const TerrainRow& result() const { return result_; }
  ListWindow* Textures() const { return list_; }
  ColorButton* Colour() const { return color_; }
  TextBox* Description() const { return description_; }

 private:
  struct Texture {
    uint32_t dtex;
    std::string name;
  };
  void OnSelection(intptr_t);

  std::vector<Texture> textures_;
  ListWindow* list_ = nullptr;
  TextBox* color_label_ = nullptr;
  ColorButton* color_ = nullptr;
  TextBox* description_label_ = nullptr;
  TextBox* description_ = nullptr;
  std::string proposed_;  // the texture name last put into the description
  TerrainRow result_;
};
