#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/Window.h"

class Menu;
class MenuItem;

// The program's command centre: an invisible window of the bottom layer that owns the menu
// bar at the top of the OS window, turns menu choices into commands, keeps the "Window" menu
// listing the open windows, and stores the OS window's size whenever it changes. One exists,
// made at start-up; it makes itself the window manager's menu bar.
class RootMenu : public Window {
 public:
  // Command ids, as the menus carry them.
  static constexpr int32_t kExit = 10000;
  static constexpr int32_t kAddArchives = 10001;
  static constexpr int32_t kNewCollection = 10002;
  static constexpr int32_t kNewModelFromLwo = 10003;
  static constexpr int32_t kNewScript = 10004;
  static constexpr int32_t kArchiveBrowser = 10200;
  static constexpr int32_t kLogViewer = 10201;
  static constexpr int32_t kReloadLocalFolder = 10202;
  static constexpr int32_t kReloadPluginsFolder = 10203;
  static constexpr int32_t kChooseVornFolder = 10204;
  static constexpr int32_t kBuildDtexAddOn = 10205;
  static constexpr int32_t kBuildRegularAddOn = 10206;
  static constexpr int32_t kRecursiveImageConversion = 10208;
  static constexpr int32_t kBuildStandardCollection = 10209;
  static constexpr int32_t kBuildHighResCollection = 10210;
  static constexpr int32_t kWindowMenu = 10300;
  static constexpr int32_t kCloseAllWindows = 10301;
  static constexpr int32_t kFirstWindow = 10302;
  // The "Window" menu lists at most this many windows.
  static constexpr size_t kMaxListedWindows = 500;
  static constexpr int32_t kWindowSpy = 11000;
  static constexpr int32_t kAbout = 12000;
  static constexpr int32_t kDetailTextureFromFile = 13000;
  static constexpr int32_t kDetailTextureFromClipboard = 13001;

  RootMenu();
  ~RootMenu() override;

  Menu* Bar() const { return bar_; }
  MenuItem* WindowMenu() const { return window_menu_; }
  // The windows the "Window" menu listed when it last opened, in menu order.
  const std::vector<Window*>& WindowList() const { return window_list_; }

  // Runs a command by its id; ids without a command do nothing.
  void RunCommand(int32_t id);
  // "Close All Windows", then one item per visible window of the bottom layer.
  void RebuildWindowMenu();

  const char* GetClassName() const override { return "RootMenu"; }
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override;

 private:
  void OnCommand(intptr_t item);
  void OnOpening(intptr_t item);
  void CloseAllWindows();
  // A listed window, or null when it is gone or on its way out since the menu was built.
  Window* ListedWindow(size_t index) const;

  Menu* bar_ = nullptr;
  MenuItem* window_menu_ = nullptr;
  std::vector<Window*> window_list_;
};
