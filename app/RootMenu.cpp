#include "app/RootMenu.h"

#include "app/AutoCollectionDialog.h"
#include "app/AutoUpResDialog.h"
#include "app/Preferences.h"
#include "app/ShellCommands.h"
#include "app/ToolWindows.h"
#include "gui/Menu.h"
#include "gui/WindowManager.h"
#include "tags/TagCode.h"
#include "tags/ui/ArchiveBrowser.h"
#include "tags/ui/TagEdit.h"
#include "terrain/ui/AddonPopup.h"
#include "terrain/ui/DtexEdit.h"

namespace {
struct MenuLine {
  const char* label;  // null for a separator
  int32_t id;
  bool enabled;
};

constexpr MenuLine kFileItems[] = {
    {"Add Archives", RootMenu::kAddArchives, true},
    {"New Collection", RootMenu::kNewCollection, true},
    {"New Detail Texture From Image File", RootMenu::kDetailTextureFromFile, true},
    {"New Detail Texture From Clipboard", RootMenu::kDetailTextureFromClipboard, true},
    {"New Model From LWO", RootMenu::kNewModelFromLwo, true},
    {"New Script", RootMenu::kNewScript, true},
    {nullptr, 0, false},
    {"Exit", RootMenu::kExit, true},
};

constexpr MenuLine kToolsItems[] = {
    {"Reload Local Folder", RootMenu::kReloadLocalFolder, true},
    {"Reload Plugins Folder", RootMenu::kReloadPluginsFolder, true},
    {"Choose Vorn Folder", RootMenu::kChooseVornFolder, true},
    {"Archive Browser", RootMenu::kArchiveBrowser, true},
    {"Log Viewer", RootMenu::kLogViewer, true},
    {nullptr, 0, false},
    {"Build Dtex Add-on", RootMenu::kBuildDtexAddOn, true},
    {"Build Regular Add-on", RootMenu::kBuildRegularAddOn, true},
    {"Recursive Image Conversion", RootMenu::kRecursiveImageConversion, true},
    {"Build Standard Collection", RootMenu::kBuildStandardCollection, true},
    {"Build High-Res Collection", RootMenu::kBuildHighResCollection, true},
};

constexpr MenuLine kDebugItems[] = {{"Window Spy", RootMenu::kWindowSpy, true}};
constexpr MenuLine kHelpItems[] = {{"About Zarv...", RootMenu::kAbout, true}};

template <size_t N>
MenuItem* AddMenu(Menu* bar, const char* title, int32_t id, const MenuLine (&items)[N]) {
  MenuItem* menu = bar->AddItem(title, id);
  for (const MenuLine& line : items) {
    if (line.label)
      menu->AddItem(line.label, line.id, line.enabled);
    else
      menu->AddSeparator();
  }
  return menu;
}
}  // namespace

RootMenu::RootMenu() : Window(0, nullptr) {
  SetTitle("ZarvRootMenu");
  bar_ = new Menu(true);
  AddMenu(bar_, "File", 0, kFileItems);
  AddMenu(bar_, "Tools", 0, kToolsItems);
  window_menu_ = bar_->AddItem("Window", kWindowMenu);
  // Built now as well as on every opening, so that it opens as a menu the first time.
  RebuildWindowMenu();
  AddMenu(bar_, "Debug", 0, kDebugItems);
  AddMenu(bar_, "Help", 0, kHelpItems);
  Connect<&RootMenu::OnCommand>(bar_->command, this);
  Connect<&RootMenu::OnOpening>(bar_->opening, this);
  WM().SetMenuBar(bar_, bar_->FrameRect().Height());
}

RootMenu::~RootMenu() {
  // The bar lives in the top layer, which may have gone first when the whole tree goes; the
  // window manager forgets its menu bar once the bar is destroyed.
  WindowManager* wm = WMOrNull();
  if (wm && wm->MenuBar() == bar_) {
    wm->SetMenuBar(nullptr, 0);
    delete bar_;
  }
  bar_ = nullptr;
}

bool RootMenu::HandleEvent(Window* target, int32_t type, InputEvent& event) {
  if (type == kEventResize && target == this) {
    // The next start opens the OS window at this size.
    SetPrefInt("OsWindowSizeX", event.a);
    SetPrefInt("OsWindowSizeY", event.b);
  }
  return Window::HandleEvent(target, type, event);
}

void RootMenu::OnCommand(intptr_t item) {
  const auto* chosen = reinterpret_cast<const MenuItem*>(item);
  if (chosen) RunCommand(chosen->WindowId());
}

void RootMenu::OnOpening(intptr_t item) {
  const auto* opening = reinterpret_cast<const MenuItem*>(item);
  if (opening && opening->WindowId() == kWindowMenu) RebuildWindowMenu();
}

void RootMenu::RebuildWindowMenu() {
  window_menu_->ClearItems();
  window_menu_->AddItem("Close All Windows", kCloseAllWindows);
  window_list_.clear();
  int32_t id = kFirstWindow;
  for (Window* w = WM().Layer0()->FirstChild(); w; w = w->NextSibling()) {
    // Ids past the list's end belong to other commands (the window spy's is 11000).
    if (window_list_.size() == kMaxListedWindows) break;
    if (w == this || !w->IsVisible() || w->IsBeingDestroyed()) continue;
    if (w->GetShowState() == kShowClosing) continue;
    const char* title = w->GetTitle();
    window_menu_->AddItem(title ? title : "", id++);
    window_list_.push_back(w);
  }
}

Window* RootMenu::ListedWindow(size_t index) const {
  if (index >= window_list_.size()) return nullptr;
  const Window* listed = window_list_[index];
  // Compared by address only: a window closed since the menu was built is never touched.
  for (Window* w = WM().Layer0()->FirstChild(); w; w = w->NextSibling()) {
    if (w == listed) {
      if (w->IsBeingDestroyed() || w->GetShowState() == kShowClosing) return nullptr;
      return w;
    }
  }
  return nullptr;
}

void RootMenu::CloseAllWindows() {
  for (size_t i = 0; i < window_list_.size(); ++i) {
    Window* w = ListedWindow(i);
    if (!w || !w->HasFlags(WindowFlag::CloseButton)) continue;
    // The first window that will not close (its user kept unsaved work, say) stops the rest. A
    // window that hides instead of closing (the log viewer) has gone from view all the same.
    if (!Window::TryClose(w, true) && ListedWindow(i) && w->IsVisible()) break;
  }
}

void RootMenu::RunCommand(int32_t id) {
  WindowManager& wm = WM();
  switch (id) {
    case kExit:
      wm.PostCloseRequest();
      return;
    case kLogViewer:
      ShowLogViewer();
      return;
    case kWindowSpy:
      ShowWindowSpy();
      return;
    case kCloseAllWindows:
      CloseAllWindows();
      return;
    case kArchiveBrowser:
      ArchiveBrowser::OpenOrRaise();
      return;
    case kNewScript:
      TagEdit::NewTagDialog(tagcode::Make("scri"), "");
      return;
    case kNewCollection:
      TagEdit::NewTagDialog(tagcode::Make(".256"), "");
      return;
    case kDetailTextureFromFile:
      DtexEdit::NewFromImageFile();
      return;
    case kDetailTextureFromClipboard:
      DtexEdit::NewFromClipboard();
      return;
    case kNewModelFromLwo:
      NewModelFromLwoCommand();
      return;
    case kAddArchives:
      AddArchivesCommand();
      return;
    case kReloadLocalFolder:
      ReloadLocalFolderCommand();
      return;
    case kReloadPluginsFolder:
      ReloadPluginsFolderCommand();
      return;
    case kChooseVornFolder:
      ChooseVornFolderCommand();
      return;
    case kBuildDtexAddOn:
      AddonPopup::BuildCommand(AddonKind::kDetailTexture);
      return;
    case kBuildRegularAddOn:
      AddonPopup::BuildCommand(AddonKind::kRegular);
      return;
    case kRecursiveImageConversion:
      RecursiveImageConversionCommand();
      return;
    case kBuildStandardCollection:
      AutoCollectionDialog::RunCommand();
      return;
    case kBuildHighResCollection:
      AutoUpResDialog::RunCommand();
      return;
    case kAbout:
      AboutCommand();
      return;
    default:
      break;
  }
  if (id >= kFirstWindow && id < kFirstWindow + static_cast<int32_t>(kMaxListedWindows)) {
    if (Window* w = ListedWindow(static_cast<size_t>(id - kFirstWindow))) {
      wm.BringToFront(w);
      Window::SetFocus(w, 0);
    }
  }
}
