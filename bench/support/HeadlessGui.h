#pragma once
#include <chrono>
#include <cstddef>
#include <span>
#include <vector>

#include "gui/Painter.h"
#include "gui/Platform.h"

// What a benchmark of the toolkit needs instead of a window: a platform on the real clock
// that has no events, and a painter that accepts every window and draws nothing (it counts
// the quads it is handed, so the text drawing cannot be optimised away).
class BenchPlatform : public Platform {
 public:
  double Now() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void PollEvents() override {}
  void Sleep() override {}
  void Beep() override { ++beeps; }
  void SetCursorShape(int32_t) override {}
  void Present() override {}
  int beeps = 0;
};

class NullPainter : public Painter {
 public:
  void BeginFrame(Size) override {}
  void SetClip(const Rect&) override {}
  void FillScreenRect(const Rect&, Color) override {}
  void OutlineScreenRect(const Rect&, Color) override {}
  void EndFrame() override {}
  bool BeginWindow(const Rect&, const Rect&, bool, Size) override { return true; }
  void EndWindow() override {}
  void SetColor(Color color) override { color_ = color; }
  void SetBlending(bool) override {}
  Color CurrentColor() const override { return color_; }
  void FillRect(const Rect&) override {}
  void DrawQuads(PageSet, int32_t, std::span<const TexturedQuad> quads) override {
    quads_ += quads.size();
  }
  void UploadPages(PageSet, std::span<const PageImage>) override {}
  bool ReadPixels(const Rect&, std::vector<uint8_t>&) override { return false; }
  void UploadScratch(const Rect&, std::span<const uint8_t>) override {}
  void DrawScratchQuads(std::span<const TexturedQuad> quads) override { quads_ += quads.size(); }
  size_t quads_ = 0;

 private:
  Color color_ = kWhite;
};
