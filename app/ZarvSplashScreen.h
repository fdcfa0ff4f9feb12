#pragma once
#include <cstdint>
#include <string>

#include "gui/Window.h"

// The splash picture shown at start-up and the About window: the same picture, the About
// window with a column of text beside it. One exists, made on first use and kept; it lives
// in the top layer. Either mode holds for a while, then fades out and ends its modal loop.
class ZarvSplashScreen : public Window {
 public:
  enum Mode : int32_t { kSplash = 0, kAbout = 1 };

  static constexpr double kFadeSeconds = 1.0;
  static constexpr double kSplashHoldSeconds = 1.5;
  static constexpr double kAboutHoldSeconds = 120.0;
  static constexpr int32_t kTextColumnWidth = 384;
  // The About window's height when there is no picture to take it from.
  static constexpr int32_t kTextOnlyHeight = 300;

  // The one instance, made with the picture at `picture_path` on first use (later calls
  // ignore the path); by default the zarv.bmp among the program's resources.
  static ZarvSplashScreen& Instance(const char* picture_path = nullptr);

  // Runs the start-up splash to its end; without a picture there is nothing to show and it
  // returns at once (the reason is in the log).
  void ShowSplash();
  // Runs the About window until it fades out or is clicked.
  void ShowAbout();

  bool HasPicture() const { return picture_width_ > 0; }
  int32_t GetMode() const { return mode_; }
  bool IsFading() const { return fading_; }
  // The picture's alpha for a fade `elapsed` seconds old: 255 x (1 - (3 - 2s) s^2), s the
  // elapsed part of the fade clamped to 0..1.
  static uint8_t FadeAlpha(double elapsed, double duration);

  const char* GetClassName() const override { return "ZarvSplashScreen"; }
  ~ZarvSplashScreen() override;
  void OnIdle() override;
  void OnMouseButton(InputEvent& event) override;
  void Draw() override;

 private:
  explicit ZarvSplashScreen(const char* picture_path);
  void Begin(int32_t mode, double hold);
  void End();

  int32_t mode_ = kSplash;
  int32_t picture_width_ = 0;
  int32_t picture_height_ = 0;
  bool texture_ = false;
  double start_ = 0;
  double fade_ = kFadeSeconds;
  double hold_ = kSplashHoldSeconds;
  bool fading_ = false;
  uint8_t alpha_ = 255;
};
