#pragma once
#include <cstdint>
#include <optional>

#include "gui/DialogWindow.h"
#include "terrain/AddonBuilder.h"

class TextBox;

// "Build Add-on plugin": the add-on's name, url and priority, with a help text on what the
// priority does. Rows of a 64-wide label and a control from x = 72 to 4 short of the right
// edge, above the dialog's buttons.
class AddonPopup : public DialogWindow {
 public:
  static constexpr const char* kTitle = "Build Add-on plugin";
  static constexpr int32_t kWidth = 448;
  static constexpr int32_t kLabelWidth = 64;
  static constexpr int32_t kControlLeft = 72;
  static constexpr int32_t kHelpLines = 8;
  static constexpr const char* kNamePlaceholder = "<addon name>";
  static constexpr const char* kUrlPlaceholder = "<addon url>";
  static constexpr const char* kHelp =
      "The priority field of an add-on plugin defines its load ordering compared to other "
      "add-ons.\n\nAn add-on with a high priority will load after (and so override) an add-on "
      "with a low priority.\n\nIf you are not explicitly trying to override or not override "
      "some other add-on, you should not change this number from the default value of 100.";

  AddonPopup();
  const char* GetClassName() const override { return "AddonPopup"; }
  void OnResized() override;

  TextBox* NameField() const { return name_; }
  TextBox* UrlField() const { return url_; }
  TextBox* PriorityField() const { return priority_; }
  TextBox* HelpText() const { return help_; }
  // The height of the rows: eleven text lines and 20 pixels.
  static int32_t RowsHeight();

  // Runs the dialog; on OK checks the fields and, when one is invalid, says which in an error
  // box. The fields, or nothing when cancelled or invalid.
  static std::optional<AddonFields> Ask();
  // The whole menu command: the check for something to pack, the dialog, the build and the box
  // that tells how it went. A failure's real reason goes to the log.
  static void BuildCommand(AddonKind kind);

 private:
  TextBox* name_label_ = nullptr;
  TextBox* name_ = nullptr;
  TextBox* url_label_ = nullptr;
  TextBox* url_ = nullptr;
  TextBox* priority_label_ = nullptr;
  TextBox* priority_ = nullptr;
  TextBox* help_label_ = nullptr;
  TextBox* help_ = nullptr;
};
