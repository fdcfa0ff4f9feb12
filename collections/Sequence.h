#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collections/FrameView.h"

struct SequenceFrame {
  FrameRecord record;
  // Frame entry words with no known meaning, carried along.
  std::array<uint16_t, 3> carried{};
  std::vector<FrameView> views;  // Sequence::view_count of them

  bool operator==(const SequenceFrame&) const = default;
};

// An animation: frames × views, each cell a frame view.
struct Sequence {
  std::array<char, 64> name{};
  uint32_t flags = collection_layout::kSequenceNew;
  uint32_t carried_fixed_4 = 0x00010000;  // 16.16, meaning unknown
  uint16_t view_count = 1;
  uint16_t ticks_per_frame = 0;
  uint16_t key_frame = 0;
  uint16_t loop_frame = 0;
  std::array<uint16_t, 3> carried_18{};
  uint32_t first_sound = 0xFFFFFFFF;  // tag ids of sound tags, 0xFFFFFFFF for none
  uint32_t key_sound = 0xFFFFFFFF;
  uint32_t last_sound = 0xFFFFFFFF;
  uint16_t transfer_mode =
      0;  // 0 None, 1 Fade Out, 2 Fade In, 5 Appearing, 6 Disappearing, 7 Cycle
  uint16_t transfer_period = 0;
  uint32_t registration_x_fixed = 0x00140000;  // 16.16; whole part seeds new views
  uint32_t carried_fixed_44 = 0xFFF60000;
  uint32_t registration_y_fixed = 0x003C0000;
  std::array<uint16_t, 3> carried_52{};
  std::vector<SequenceFrame> frames;

  // Runtime bounds over all views, computed after a full load.
  int max_registration_x = 0;
  int max_registration_y = 0;
  int max_right = 0;  // width − registration x
  int max_below = 0;  // height − registration y

  std::string Name() const;
  void SetName(std::string_view text);

  // A view with no bitmap, its registration point taken from the sequence header.
  FrameView NewView() const;
  // A frame of view_count new views with no shadow.
  SequenceFrame NewFrame() const;

  // The game draws the second half of a mirrored sequence from the first, so after loading the
  // editor shows those views as mirror images of their counterparts.
  void ApplyMirroring();
  void ComputeBounds();

  // Every field, frames and views included; undo compares sequences with it.
  bool operator==(const Sequence&) const = default;
};
