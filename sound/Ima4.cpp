#include "sound/Ima4.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 89> kStepTable = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<int, 16> kIndexAdjust = {-1, -1, -1, -1, 2, 4, 6, 8,
                                              -1, -1, -1, -1, 2, 4, 6, 8};

// One channel's running state, shared by the decoder and by the encoder, which must follow
// exactly what a decoder will compute.
struct State {
  int predictor = 0;
  int index = 0;

  int Step(uint8_t code) {
    const int step = kStepTable[size_t(index)];
    int difference = step >> 3;
    if (code & 4) difference += step;
    if (code & 2) difference += step >> 1;
    if (code & 1) difference += step >> 2;
    if (code & 8) difference = -difference;
    predictor = std::clamp(predictor + difference, -32768, 32767);
    index = std::clamp(index + kIndexAdjust[code & 15], 0, Ima4::kMaxStepIndex);
    return predictor;
  }
};

State FromHeader(uint16_t header) {
  State s;
  s.predictor = static_cast<int16_t>(header & 0xFF80);
  s.index = std::min<int>(header & 0x7F, Ima4::kMaxStepIndex);
  return s;
}

// The code a decoder in state `s` turns into the sample closest to `sample`.
uint8_t Quantise(const State& s, int sample) {
  const int step = kStepTable[size_t(s.index)];
  int difference = sample - s.predictor;
  uint8_t code = 0;
  if (difference < 0) {
    code = 8;
    difference = -difference;
  }
  if (difference >= step) {
    code |= 4;
    difference -= step;
  }
  if (difference >= step >> 1) {
    code |= 2;
    difference -= step >> 1;
  }
  if (difference >= step >> 2) code |= 1;
  return code;
}

}  // namespace

void Ima4::DecodeBlock(std::span<const uint8_t, kBlockBytes> block, int16_t* out, size_t stride) {
  State s = FromHeader(static_cast<uint16_t>(block[0] << 8 | block[1]));
  for (size_t i = 0; i < 32; ++i) {
    const uint8_t byte = block[2 + i];
    out[(2 * i) * stride] = static_cast<int16_t>(s.Step(byte & 15));
    out[(2 * i + 1) * stride] = static_cast<int16_t>(s.Step(byte >> 4));
  }
}

std::vector<int16_t> Ima4::Decode(std::span<const uint8_t> data, uint64_t blocks,
                                  uint16_t channels) {
  const uint64_t frames = channels == 0 ? 0 : blocks / channels;
  std::vector<int16_t> out(size_t(frames * channels * kBlockSamples));
  const uint8_t* in = data.data();
  for (uint64_t f = 0; f < frames; ++f) {
    int16_t* frame = out.data() + f * channels * kBlockSamples;
    for (uint16_t c = 0; c < channels; ++c) {
      DecodeBlock(std::span<const uint8_t, kBlockBytes>(in, kBlockBytes), frame + c, channels);
      in += kBlockBytes;
    }
  }
  return out;
}

std::vector<uint8_t> Ima4::Encode(std::span<const int16_t> interleaved, uint16_t channels) {
  if (channels == 0) return {};
  const size_t frames = interleaved.size() / channels + (interleaved.size() % channels ? 1 : 0);
  const size_t block_frames = (frames + kBlockSamples - 1) / kBlockSamples;
  std::vector<uint8_t> out(block_frames * channels * kBlockBytes);
  std::vector<State> states(channels);
  uint8_t* p = out.data();
  for (size_t f = 0; f < block_frames; ++f) {
    for (uint16_t c = 0; c < channels; ++c) {
      State& s = states[c];
      // The header keeps only the top 9 bits of the predictor, so carry on from what a decoder
      // will start the block with.
      const uint16_t header = static_cast<uint16_t>((s.predictor & 0xFF80) | s.index);
      s = FromHeader(header);
      p[0] = static_cast<uint8_t>(header >> 8);
      p[1] = static_cast<uint8_t>(header);
      for (size_t i = 0; i < kBlockSamples; ++i) {
        const size_t at = (f * kBlockSamples + i) * channels + c;
        const int sample = at < interleaved.size() ? interleaved[at] : 0;
        const uint8_t code = Quantise(s, sample);
        s.Step(code);
        if (i % 2 == 0)
          p[2 + i / 2] = code;
        else
          p[2 + i / 2] |= static_cast<uint8_t>(code << 4);
      }
      p += kBlockBytes;
    }
  }
  return out;
}
