#include "collections/SequenceEdits.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "collections/Collection.h"
#include "collections/CollectionLayout.h"

namespace cl = collection_layout;

namespace {

// Frame views and frames of the other sequences: what is left for this one.
void Room(const Collection& collection, const Sequence& sequence, int64_t& views, int64_t& frames) {
  views = SequenceEdits::kMaxFrameViews;
  frames = SequenceEdits::kMaxFrameViews;
  for (const auto& s : collection.sequences) {
    if (s.get() == &sequence) continue;
    views -= static_cast<int64_t>(s->frames.size()) * s->view_count;
    frames -= static_cast<int64_t>(s->frames.size());
  }
}

std::string CapMessage(int64_t frames, int64_t views) {
  char text[200];
  std::snprintf(text, sizeof text,
                "A collection holds at most 65,535 frame views and 65,535 frames: this sequence "
                "can have %lld frames of %lld views.",
                static_cast<long long>(frames), static_cast<long long>(views));
  return text;
}

}  // namespace

int SequenceEdits::RealViews(const Sequence& sequence) {
  const int views = sequence.view_count;
  if ((sequence.flags & cl::kSequenceMirroring) && views >= 3) return views / 2 + 1;
  return views;
}

bool SequenceEdits::IsDerived(const Sequence& sequence, int view) {
  return view >= RealViews(sequence) && view < sequence.view_count;
}

uint16_t SequenceEdits::ClampNumber(int64_t value) {
  return static_cast<uint16_t>(std::clamp<int64_t>(value, 0, 0xFFFF));
}

bool SequenceEdits::SetFrames(const Collection& collection, Sequence& sequence, int64_t frames,
                              std::string& message) {
  message.clear();
  int64_t room_views = 0, room_frames = 0;
  Room(collection, sequence, room_views, room_frames);
  const int64_t views = std::max<int64_t>(1, sequence.view_count);
  const int64_t most = std::max<int64_t>(1, std::min(room_frames, room_views / views));
  int64_t wanted = std::max<int64_t>(1, frames);
  if (wanted > most) {
    wanted = most;
    message = CapMessage(most, views);
  }
  const auto count = static_cast<size_t>(wanted);
  if (count == sequence.frames.size()) return false;
  if (count < sequence.frames.size()) {
    sequence.frames.resize(count);
  } else {
    sequence.frames.resize(count, sequence.NewFrame());
  }
  return true;
}

bool SequenceEdits::SetViews(const Collection& collection, Sequence& sequence, int64_t views,
                             std::string& message) {
  message.clear();
  int64_t room_views = 0, room_frames = 0;
  Room(collection, sequence, room_views, room_frames);
  const int64_t frames = std::max<int64_t>(1, static_cast<int64_t>(sequence.frames.size()));
  const int64_t most = std::clamp<int64_t>(room_views / frames, 1, 0xFFFF);
  int64_t wanted = std::max<int64_t>(1, views);
  if (wanted > most) {
    wanted = most;
    message = CapMessage(frames, most);
  }
  if (wanted == sequence.view_count) return false;
  sequence.view_count = static_cast<uint16_t>(wanted);
  for (SequenceFrame& frame : sequence.frames) {
    frame.views.resize(sequence.view_count, sequence.NewView());
  }
  DeriveMirroredViews(sequence);
  return true;
}

uint32_t SequenceEdits::SoundIdFromText(std::string_view text) {
  if (text.empty()) return 0xFFFFFFFF;
  uint32_t id = 0;
  for (size_t i = 0; i < 4; ++i) {
    const auto c = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
    id = id << 8 | c;
  }
  return id;
}

std::string SequenceEdits::SoundText(uint32_t id) {
  if (id == 0xFFFFFFFF) return {};
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<unsigned char>(id >> shift);
    if (c < 0x20 || c >= 0x7F) return {};
    text.push_back(static_cast<char>(c));
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void SequenceEdits::SetMirroring(Sequence& sequence, bool on) {
  if (on) {
    sequence.flags = (sequence.flags | cl::kSequenceMirroring) & ~cl::kSequenceNoRotation;
    DeriveMirroredViews(sequence);
  } else {
    // The mirrored views become views of their own, showing what they showed.
    sequence.flags &= ~cl::kSequenceMirroring;
  }
}

void SequenceEdits::SetNoRotation(Sequence& sequence, bool on) {
  if (on) {
    // A mirrored sequence rotates by definition.
    if (!(sequence.flags & cl::kSequenceMirroring)) sequence.flags |= cl::kSequenceNoRotation;
  } else {
    sequence.flags &= ~cl::kSequenceNoRotation;
  }
}

void SequenceEdits::DeriveMirroredViews(Sequence& sequence) {
  sequence.ApplyMirroring();
  sequence.ComputeBounds();
}

void SequenceEdits::ShowBitmap(const Collection& collection, FrameView& view,
                               CollectionBitmap* bitmap) {
  view.bitmap = bitmap;
  const int index = bitmap ? collection.IndexOfBitmap(bitmap) : -1;
  view.bitmap_index = index < 0 ? cl::kNoIndex : static_cast<uint16_t>(index);
}

const char* SequenceEdits::MoveModeName(int mode) {
  static constexpr const char* kNames[kMoveModeCount] = {"Move Keypoint", "Move Sequence",
                                                         "Move View", "Move Frame", "Move Bitmap"};
  return mode >= 0 && mode < kMoveModeCount ? kNames[mode] : "";
}

bool SequenceEdits::Move(Sequence& sequence, int mode, int frame, int view, int dx, int dy) {
  const int real = RealViews(sequence);
  if (frame < 0 || static_cast<size_t>(frame) >= sequence.frames.size() || view < 0 ||
      view >= real || mode < 0 || mode >= kMoveModeCount) {
    return false;
  }
  const auto shift = [dx, dy](FrameView& v) {
    v.registration_x = static_cast<uint16_t>(v.registration_x - dx);
    v.registration_y = static_cast<uint16_t>(v.registration_y - dy);
  };
  FrameView& current = sequence.frames[static_cast<size_t>(frame)].views[static_cast<size_t>(view)];
  switch (mode) {
    case kMoveKeyPoint:
      current.key_x = static_cast<uint16_t>(current.key_x + dx);
      current.key_y = static_cast<uint16_t>(current.key_y + dy);
      break;
    case kMoveBitmap:
      shift(current);
      break;
    case kMoveFrame:
      for (int v = 0; v < real; ++v) shift(sequence.frames[static_cast<size_t>(frame)].views[v]);
      break;
    case kMoveView:
      for (SequenceFrame& f : sequence.frames) shift(f.views[static_cast<size_t>(view)]);
      break;
    case kMoveSequence:
      for (SequenceFrame& f : sequence.frames)
        for (int v = 0; v < real; ++v) shift(f.views[static_cast<size_t>(v)]);
      break;
    default:
      return false;
  }
  DeriveMirroredViews(sequence);
  return true;
}
