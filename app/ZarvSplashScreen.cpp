#include "app/ZarvSplashScreen.h"

#include <algorithm>
#include <string>

#include "app/ProgramFolders.h"
#include "base/MessageLog.h"
#include "collections/DataFile.h"
#include "collections/Image.h"
#include "gui/Draw.h"
#include "gui/Painter.h"
#include "gui/TextLayout.h"
#include "gui/WindowManager.h"

namespace {
ZarvSplashScreen* g_instance = nullptr;

constexpr uint32_t kSplashFlags = WindowFlag::FloatingLayer | WindowFlag::Centered;
constexpr uint32_t kAboutFlags = WindowFlag::FloatingLayer | WindowFlag::TitleBar |
                                 WindowFlag::DropShadow | WindowFlag::ThickFrame |
                                 WindowFlag::BackgroundB;
constexpr uint32_t kModalFlags = WindowManager::kModalKeys | WindowManager::kModalDim;
constexpr int32_t kTextMargin = 16;

#ifdef NDEBUG
#define ZARV_BUILD_KIND "an optimised build"
#else
#define ZARV_BUILD_KIND "a debugging build"
#endif

// Style switches: |b bold, |p plain.
constexpr const char* kAboutText =
    "|bZarv|p\n"
    "An editor for the tags of Vorn: browse the game's archives, edit the tags, pack the "
    "local folder into add-ons.\n"
    "\n"
    "This is " ZARV_BUILD_KIND ", compiled with GCC " __VERSION__
    ".\n"
    "\n"
    "|bCredits|p\n"
    "Written for the modders who keep Vorn alive.\n"
    "Built on GLFW, OpenGL, zlib, libpng, libtiff and TinyXML; the picture's lettering is "
    "DejaVu Sans Bold.\n"
    "\n"
    "Click to close.";
}  // namespace

ZarvSplashScreen& ZarvSplashScreen::Instance(const char* picture_path) {
  if (!g_instance) {
    const std::string shipped = (CurrentProgramFolders().resources / "zarv.bmp").string();
    g_instance = new ZarvSplashScreen(picture_path ? picture_path : shipped.c_str());
  }
  return *g_instance;
}

ZarvSplashScreen::ZarvSplashScreen(const char* picture_path) : Window(kSplashFlags, nullptr) {
  Image picture;
  Image rgba;
  std::string error;
  if (!DataFile::loadImage(picture_path, picture, error) ||
      !rgba.copyConverted(picture, ImageFormat::kRgba)) {
    if (error.empty()) error = "its pixels could not be made into a picture";
    LogMessage(0, "Zarv", "The splash picture %s cannot be shown: %s\n", picture_path,
               error.c_str());
    return;
  }
  picture_width_ = static_cast<int32_t>(rgba.width());
  picture_height_ = static_cast<int32_t>(rgba.height());
  if (Painter* painter = CurrentPainter()) {
    PageImage page;
    page.width = picture_width_;
    page.height = picture_height_;
    page.bytes_per_pixel = 4;
    page.pixels.assign(rgba.pixels().begin(), rgba.pixels().end());
    const PageImage pages[] = {std::move(page)};
    painter->UploadPages(PageSet::kPicture, pages);
    texture_ = true;
  }
}

ZarvSplashScreen::~ZarvSplashScreen() {
  if (g_instance == this) g_instance = nullptr;
}

uint8_t ZarvSplashScreen::FadeAlpha(double elapsed, double duration) {
  const double s = duration > 0 ? std::clamp(elapsed / duration, 0.0, 1.0) : 1.0;
  const double a = 255.0 * (1.0 - (3.0 - 2.0 * s) * s * s);
  return static_cast<uint8_t>(std::clamp(a + 0.5, 0.0, 255.0));
}

void ZarvSplashScreen::Begin(int32_t mode, double hold) {
  WindowManager& wm = WM();
  mode_ = mode;
  fade_ = kFadeSeconds;
  hold_ = hold;
  fading_ = false;
  alpha_ = 255;
  start_ = wm.GetPlatform().Now();
  if (mode == kSplash) {
    SetFlags(kSplashFlags);
    SetClientSize({picture_width_, picture_height_});
  } else {
    SetFlags(kAboutFlags);
    SetTitle("About Zarv");
    SetClientSize(
        {picture_width_ + kTextColumnWidth, HasPicture() ? picture_height_ : kTextOnlyHeight});
  }
  CenterInParent();
  Show();
  wm.RunModal(this, kModalFlags);
}

void ZarvSplashScreen::ShowSplash() {
  if (!HasPicture()) return;
  Begin(kSplash, kSplashHoldSeconds);
}

void ZarvSplashScreen::ShowAbout() {
  Begin(kAbout, kAboutHoldSeconds);
}

void ZarvSplashScreen::End() {
  WindowManager& wm = WM();
  if (!wm.IsInModalStack(this, false)) return;
  Hide();
  wm.EndModal(this, 0);
}

void ZarvSplashScreen::OnIdle() {
  WindowManager& wm = WM();
  if (!wm.IsInModalStack(this, false)) return;
  const double now = wm.GetPlatform().Now();
  if (!fading_) {
    if (now - start_ < hold_) return;
    start_ = now;
    fading_ = true;
  }
  alpha_ = FadeAlpha(now - start_, fade_);
  Invalidate();
  if (now - start_ >= fade_) End();
}

void ZarvSplashScreen::OnMouseButton(InputEvent& event) {
  // The About window goes at a click; the splash runs its course.
  if (mode_ == kAbout && event.d == 1) End();
}

void ZarvSplashScreen::Draw() {
  if (texture_) {
    if (Painter* painter = CurrentPainter()) {
      FlushSprites();
      SetDrawColor(MakeColor(255, 255, 255, fading_ ? alpha_ : 255));
      TexturedQuad quad;
      quad.x1 = static_cast<float>(picture_width_);
      quad.y1 = static_cast<float>(picture_height_);
      quad.u[1] = quad.u[2] = 1;
      quad.v[2] = quad.v[3] = 1;
      painter->DrawQuads(PageSet::kPicture, 0, {&quad, 1});
    }
  }
  if (mode_ != kAbout) return;
  SetDrawColor(kWhite);
  DrawText(nullptr, kAboutText, 0, kTextWordWrap,
           {picture_width_ + kTextMargin, kTextMargin,
            picture_width_ + kTextColumnWidth - kTextMargin, ClientRect().Height() - kTextMargin});
}
