#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "gui/Window.h"

class CheckBox;
class ColorBar;
class ColorButton;
class ComboBox;
class TextBox;
class X256EditHost;
struct HueChange;

// The editor window of one hue change: its name, hue range, minimum saturation, use and
// replacement colour. Every control edits the hue change at once, as one change each.
class X256HueEdit : public Window {
 public:
  static constexpr uint32_t kFlags = WindowFlag::TitleBar | WindowFlag::DropShadow |
                                     WindowFlag::ThinFrame | WindowFlag::BackgroundB |
                                     WindowFlag::CloseButton | WindowFlag::Visible;
  static constexpr int32_t kMargin = 8;
  static constexpr int32_t kLabelWidth = 130;
  static constexpr int32_t kRow = 24;
  static constexpr size_t kMaxName = 63;
  static constexpr char kDegreeSign = '\xA1';  // in the interface font

  X256HueEdit(X256EditHost& host, HueChange* hue_change, Window* parent);
  ~X256HueEdit() override;

  const char* GetClassName() const override { return "X256HueEdit"; }
  // The editor's Ctrl keys (undo, redo, save) work here too.
  bool OnKey(InputEvent& event) override;
  // Shows the hue change as it now is.
  void Refresh();
  HueChange* EditedHueChange() const { return hue_change_; }
  // Forgets the hue change, which is about to go: the window only waits to close.
  void Detach();
  // Called from the destructor, for whoever keeps a list of open editors.
  void SetGoneHandler(std::function<void(X256HueEdit*)> handler) { gone_ = std::move(handler); }

  // "Min % Saturation:": what a typed percentage stores, and what a stored value shows.
  static uint16_t StoredSaturation(int32_t percent);
  static int32_t ShownSaturation(uint16_t value);
  // "Start Hue:" and the others: whole degrees and the degree sign.
  static std::string HueText(uint16_t hue);

  TextBox* NameBox() const { return name_; }
  ColorBar* Bar() const { return bar_; }
  TextBox* SaturationBox() const { return saturation_; }
  TextBox* HueLabel(int32_t index) const { return hue_labels_[static_cast<size_t>(index)]; }
  ComboBox* UseAsBox() const { return use_as_; }
  CheckBox* ReversedBox() const { return reversed_; }
  CheckBox* ReplacementBox() const { return replacement_; }
  ColorButton* ReplacementColor() const { return color_; }
  CheckBox* SolidBox() const { return solid_; }

 private:
  enum ControlId : int32_t { kReversedId = 1, kReplacementId = 2, kSolidId = 3 };
  TextBox* Label(const char* text, int32_t row);
  void Edit(const std::function<void(HueChange&)>& edit);
  void ShowHues();
  void OnNameEntered(intptr_t down);
  void OnNameFocusLost(intptr_t);
  void CommitName();
  void OnSaturationEntered(intptr_t down);
  void OnSaturationFocusLost(intptr_t);
  void CommitSaturation();
  void OnUseAs(intptr_t selection);
  void OnCheckBox(intptr_t id);
  void OnColor(intptr_t color);
  void OnBarMoved(intptr_t);

  X256EditHost& host_;
  HueChange* hue_change_ = nullptr;
  TextBox* name_ = nullptr;
  ColorBar* bar_ = nullptr;
  TextBox* saturation_ = nullptr;
  std::array<TextBox*, 3> hue_labels_{};
  ComboBox* use_as_ = nullptr;
  CheckBox* reversed_ = nullptr;
  CheckBox* replacement_ = nullptr;
  ColorButton* color_ = nullptr;
  CheckBox* solid_ = nullptr;
  bool refreshing_ = false;
  // What the fields were last set to from the hue change.
  std::string shown_name_;
  uint16_t shown_saturation_ = 0;
  std::function<void(X256HueEdit*)> gone_;
};
