#include "app/ProgramShell.h"

#include <GLFW/glfw3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "app/ChooserFileProbe.h"
#include "app/Preferences.h"
#include "app/PrefsChooserMemory.h"
#include "app/ProgramFolders.h"
#include "app/QuitCheck.h"
#include "app/StartupSettings.h"
#include "app/WindowPlacement.h"
#include "base/CharMap.h"
#include "base/MessageLog.h"
#include "gl/FatalMessage.h"
#include "gl/GlPainter.h"
#include "gl/GlPresenter.h"
#include "gl/GlScene3D.h"
#include "gl/GlTexture.h"
#include "gl/GlfwPlatform.h"
#include "gui/Choosers.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/FontFile.h"
#include "gui/FontPages.h"
#include "gui/MessageBoxWindow.h"
#include "gui/PlacementHooks.h"
#include "gui/Skin.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "sound/OpenAlOutput.h"
#include "sound/ui/SoundEdit.h"
#include "terrain/ui/MeshEdit.h"

namespace {
constexpr const char* kFontFile = "brimwell.zarvfont";
constexpr const char* kTexturePackFile = "texturepack";
constexpr const char* kCursorsFile = "cursors";

void OnGlfwError(int code, const char* description) {
  // Characters outside the keyboard map make glfwGetKeyName complain; nothing here is fatal or
  // worth opening the log viewer for (what is fatal gets its own window from Fail).
  std::fprintf(stderr, "GLFW error %d: %s\n", code, description ? description : "");
}

void SetUpGlState() {
  glEnable(GL_DEPTH_TEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

int32_t MaxTextureSize() {
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  return size > 0 ? size : 1024;
}

}  // namespace

ProgramShell::ProgramShell() = default;

ProgramShell::~ProgramShell() {
  if (started_ || glfw_) ShutDown();
}

// A start-up that cannot go on says why on standard error and in a window of its own; the
// program ends with a failure status once the window is dismissed.
bool ProgramShell::Fail(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  SetDefaultFont(nullptr);
  font_.reset();
  SetCurrentScene3D(nullptr);
  scene3d_.reset();
  SetCurrentPainter(nullptr);
  painter_.reset();
  if (window_) glfwDestroyWindow(window_);
  window_ = nullptr;
  // Shown while GLFW still holds its connection: a virtual X server resets when its last
  // client leaves, and a connection opened during the reset fails.
  ShowFatalMessage(message);
  if (glfw_) glfwTerminate();
  glfw_ = false;
  return false;
}

bool ProgramShell::Start(const char* title) {
  const ProgramFolders& folders = CurrentProgramFolders();
  if (folders.resources.empty()) return Fail("Zarv could not find its own folder; quitting.");
  // An installed program makes its own folder on first start; a build folder's res/ is there.
  std::error_code ec;
  std::filesystem::create_directories(folders.config, ec);
  if (ec) {
    return Fail("Zarv could not make its settings folder " + folders.config.string() + " (" +
                ec.message() + "); quitting.");
  }
  // Every relative path the program still uses (the charmap, the default game folder ".") is
  // relative to the executable's folder in a build and to the settings folder in an install.
  const std::filesystem::path working = folders.installed ? folders.config : ExecutableFolder();
  if (chdir(working.c_str()) != 0) {
    return Fail("Zarv could not enter its folder " + working.string() + "; quitting.");
  }
  SetPrefsPath((folders.config / "prefs.txt").string());
  MeshEdit::SetHighlightTablePath(folders.config / "dtex.act");
  if (folders.installed) MeshEdit::SetShippedHighlightTablePath(folders.resources / "dtex.act");

  SetPrefDefaults();
  LoadPrefs();
  const StartupSettings settings = ReadStartupSettings();

  glfwSetErrorCallback(OnGlfwError);
  if (!glfwInit()) {
    return Fail("Zarv could not open a window (is a display available?); quitting.");
  }
  glfw_ = true;
  glfwWindowHint(GLFW_DEPTH_BITS, 32);
  glfwWindowHint(GLFW_STENCIL_BITS, 0);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 1);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
  GLFWmonitor* monitor = settings.fullscreen ? glfwGetPrimaryMonitor() : nullptr;
  window_ = glfwCreateWindow(settings.window_size.width, settings.window_size.height, title,
                             monitor, nullptr);
  if (!window_) return Fail("Zarv could not open its window; quitting.");
  GLFWwindow* window = window_;
  glfwMakeContextCurrent(window);
  glfwSwapInterval(settings.vsync ? 1 : 0);
  glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_NORMAL);

  InitGL();
  glfwSwapBuffers(window);

  glfwSetWindowTitle(window, title);

  if (GLFWmonitor* primary = glfwGetPrimaryMonitor(); primary && !settings.fullscreen) {
    int x = 0, y = 0, w = 0, h = 0;
    glfwGetMonitorWorkarea(primary, &x, &y, &w, &h);
    if (ShouldMaximize(settings.window_size, {w, h})) glfwMaximizeWindow(window);
  }
  const int32_t swap_count = GlPresenter::CountSwapBuffers(window);
  SetUpGlState();

  // Without the UI font nothing can be shown: refuse to start.
  const std::filesystem::path font_path = folders.resources / kFontFile;
  FontReadResult font_file = LoadFontFile(font_path);
  if (!font_file) {
    return Fail("The program's resources could not be found in " + folders.resources.string() +
                " (improper installation?); quitting.");
  }
  ProgramCharMap().Load("charmap");  // optional; the built-in map stays without it

  painter_ = std::make_unique<GlPainter>();
  GlPainter* painter = painter_.get();
  SetCurrentPainter(painter);
  scene3d_ = std::make_unique<GlScene3D>();
  SetCurrentScene3D(scene3d_.get());
  font_ = std::make_unique<Font>(std::move(*font_file.font));
  Font* font = font_.get();
  std::vector<PageImage> pages;
  if (std::string error = BuildFontPages(*font, MaxTextureSize(), pages); !error.empty()) {
    return Fail("The UI font cannot be used (" + error + "); quitting.");
  }
  painter->UploadPages(PageSet::kFont, pages);
  SetDefaultFont(font);
  if (std::string error =
          CurrentSkin().Load(folders.resources / kTexturePackFile, MaxTextureSize(), pages);
      !error.empty()) {
    return Fail("The texture pack " + (folders.resources / kTexturePackFile).string() +
                " cannot be used (" + error + "); quitting.");
  }
  painter->UploadPages(PageSet::kSkin, pages);
  pages.clear();
  CurrentSkinMetrics() = CurrentSkin().Metrics();

  platform_ = std::make_unique<GlfwPlatform>(window);
  GlfwPlatform* platform = platform_.get();
  platform->SetSwapCount(swap_count);
  // The window icon and the cursor shapes GLFW lacks. Without them the standard shapes stand
  // in: worth a word, not a refusal to start.
  const std::filesystem::path cursors_path = folders.resources / kCursorsFile;
  if (std::string error; CursorPack::Load(cursors_path, cursor_pictures_, error)) {
    platform->UsePictures(cursor_pictures_);
  } else {
    LogMessage(1, "Zarv", "The cursor pictures %s cannot be used (%s).\n", cursors_path.c_str(),
               error.c_str());
  }
  renderer_ = std::make_unique<TreeRenderer>();
  wm_ = std::make_unique<WindowManager>(*platform, renderer_.get());
  WindowManager* wm = wm_.get();
  wm->SetPartialRedraw(true);
  wm->SetQuitCheck(&StandardQuitCheck);
  wm->Root()->SetFont(font);
  wm->Layer0()->SetFont(font);
  wm->Layer1()->SetFont(font);
  platform->Attach(wm);
  // The choosers remember their folders and file types in the preferences and recognise
  // opened files by their content.
  chooser_memory_ = std::make_unique<PrefsChooserMemory>();
  SetChooserServices(chooser_memory_.get(), &ChooserFileProbe::Probe);
  // The toolkit's windows keep their places in the preferences.
  SetPlacementHooks({&LoadWindowPlacement, &SaveWindowPlacement});
  // The sound device opens when the first sound does, not at every start.
  SoundEdit::SetAudioOpener(
      [](std::string& why) -> std::unique_ptr<AudioOutput> { return OpenAlOutput::Open(why); });

  started_ = true;
  return true;
}

void ProgramShell::ShutDown(const std::function<void()>& release) {
  // Saved while the window is still up, so a file that cannot be written (a read-only folder, a
  // full disk) is said in a box, not lost silently; the old file stays whole. The places the
  // windows store while they close are saved again at the end.
  bool prefs_saved = false;
  if (started_ && wm_) {
    prefs_saved = SavePrefs();
    if (!prefs_saved) {
      const int error = errno;
      wm_->Resume();
      MessageBoxWindow::ShowError(
          "The preferences could not be saved to %s: %s. The file keeps what it held before.",
          GetPrefsPath().c_str(), std::strerror(error));
      wm_->Quit();
    }
  }
  SetChooserServices(nullptr, {});
  SetPlacementHooks({});
  wm_.reset();  // destroys root and every window under it
  SoundEdit::ReleaseAudio();
  SoundEdit::SetAudioOpener({});
  platform_.reset();
  renderer_.reset();
  SetDefaultFont(nullptr);
  font_.reset();
  SetCurrentScene3D(nullptr);
  scene3d_.reset();
  SetCurrentPainter(nullptr);
  painter_.reset();  // deletes the skin and font textures while the context is current
  if (window_) glfwDestroyWindow(window_);
  window_ = nullptr;
  if (release) release();
  if (glfw_) glfwTerminate();
  glfw_ = false;
  if (prefs_saved) SavePrefs();
  started_ = false;
}
