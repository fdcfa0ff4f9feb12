#include "terrain/ui/InfoOverlay.h"

#include <cstring>

#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/TextLayout.h"

InfoOverlay::InfoOverlay(Window* parent) : Window(0, parent) {
  text_.reserve(2048);
}

bool InfoOverlay::SetText(const char* text) {
  if (text_ == text) return false;
  text_.assign(text);
  InvalidateClient();
  return true;
}

int32_t InfoOverlay::NeededHeight() const {
  const Font* font = GetFont() ? GetFont() : DefaultFont();
  const int32_t line = font ? font->line_height() : 14;
  int32_t lines = 0;
  for (char c : text_) lines += c == '\n';
  return lines * line + 2 * kPadding;
}

void InfoOverlay::Draw() {
  const Rect& client = ClientRect();
  SetDrawColor(kBackground);
  FillRect({0, 0, client.Width(), client.Height()});
  SetDrawColor(MakeColor(255, 255, 255));
  DrawText(GetFont(), text_, 0, kTextMultiLine,
           {kPadding, kPadding, client.Width() - kPadding, client.Height() - kPadding});
}
