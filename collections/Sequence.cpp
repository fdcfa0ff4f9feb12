#include "collections/Sequence.h"

#include <algorithm>
#include <cstring>

#include "collections/CollectionBitmap.h"

std::string Sequence::Name() const {
  return std::string(name.data(), strnlen(name.data(), name.size()));
}

void Sequence::SetName(std::string_view text) {
  name.fill('\0');
  const size_t length = std::min({text.find('\0'), text.size(), name.size() - 1});
  std::memcpy(name.data(), text.data(), length);
}

FrameView Sequence::NewView() const {
  FrameView view;
  view.registration_x = static_cast<uint16_t>(registration_x_fixed >> 16);
  view.registration_y = static_cast<uint16_t>(registration_y_fixed >> 16);
  view.load_registration_x = view.registration_x;
  view.load_registration_y = view.registration_y;
  return view;
}

SequenceFrame Sequence::NewFrame() const {
  SequenceFrame frame;
  frame.views.assign(view_count, NewView());
  return frame;
}

void Sequence::ApplyMirroring() {
  using namespace collection_layout;
  if ((flags & kSequenceMirroring) && (flags & kSequenceNoRotation)) flags &= ~kSequenceNoRotation;
  if (!(flags & kSequenceMirroring) || view_count < 3) return;
  const size_t real = view_count / 2 + 1;
  for (SequenceFrame& frame : frames) {
    if (frame.views.size() != view_count) continue;
    for (size_t k = real; k < view_count; ++k) {
      FrameView mirrored = frame.views[view_count - k];
      mirrored.flags ^= kViewMirrorX;
      // A view without a bitmap counts as width 0.
      const int width = mirrored.bitmap ? mirrored.bitmap->width : 0;
      mirrored.registration_x = static_cast<uint16_t>(width - mirrored.registration_x);
      frame.views[k] = mirrored;
    }
  }
}

void Sequence::ComputeBounds() {
  max_registration_x = max_registration_y = max_right = max_below = 0;
  bool first = true;
  for (const SequenceFrame& frame : frames) {
    for (const FrameView& view : frame.views) {
      const int width = view.bitmap ? view.bitmap->width : 0;
      const int height = view.bitmap ? view.bitmap->height : 0;
      // A registration point may lie left of or above its bitmap (a mirrored view's often
      // does), so the 16-bit values are read as signed.
      const int x = static_cast<int16_t>(view.registration_x);
      const int y = static_cast<int16_t>(view.registration_y);
      if (first) {
        max_registration_x = x;
        max_registration_y = y;
        max_right = width - x;
        max_below = height - y;
        first = false;
        continue;
      }
      max_registration_x = std::max(max_registration_x, x);
      max_registration_y = std::max(max_registration_y, y);
      max_right = std::max(max_right, width - x);
      max_below = std::max(max_below, height - y);
    }
  }
}
