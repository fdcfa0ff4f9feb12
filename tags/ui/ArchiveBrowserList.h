#pragma once
#include <cstdint>
#include <functional>

#include "gui/ListWindow.h"

// A list of the archive browser: a list window that hands its context-menu press and, when the
// browser wants it, its Enter key to the browser, which acts on the whole selection at once.
class ArchiveBrowserList : public ListWindow {
 public:
  // `screen_point` is where the menu opens.
  using ContextHandler = std::function<void(Point screen_point)>;
  // True when the browser took the key.
  using EnterHandler = std::function<bool()>;

  ArchiveBrowserList(uint32_t style, uint32_t window_flags, Window* parent)
      : ListWindow(style, window_flags, parent) {}

  void SetContextHandler(ContextHandler handler) { on_context_ = std::move(handler); }
  void SetEnterHandler(EnterHandler handler) { on_enter_ = std::move(handler); }

  const char* GetClassName() const override { return "ListWindow"; }
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;

 private:
  ContextHandler on_context_;
  EnterHandler on_enter_;
};
