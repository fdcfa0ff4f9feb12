// Writes the sound reader's seed corpus: tags of tones encoded here, mono and stereo, an odd
// stereo block, an empty permutation and a header alone. Run with the corpus folder.

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "sound/SoundTag.h"

namespace {

std::vector<int16_t> Tone(size_t frames, uint16_t channels, double hz, double rate) {
  std::vector<int16_t> out(frames * channels);
  for (size_t i = 0; i < frames; ++i) {
    for (uint16_t c = 0; c < channels; ++c) {
      const double t = double(i) / rate;
      out[i * channels + c] = int16_t(9000 * std::sin(2 * std::numbers::pi * hz * (c + 1) * t));
    }
  }
  return out;
}

bool Save(const std::string& folder, const char* name, const std::vector<uint8_t>& bytes) {
  const std::string path = folder + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  bool ok = true;

  SoundTag mono;
  mono.permutations.push_back(SoundTag::Encode("Beep", 1, 22050, Tone(300, 1, 440, 22050)));
  ok &= Save(folder, "mono-tone", mono.Write());

  SoundTag stereo;
  stereo.permutations.push_back(SoundTag::Encode("Left Right", 2, 11025, Tone(200, 2, 330, 11025)));
  stereo.permutations.push_back(SoundTag::Encode("Second", 1, 8000, Tone(64, 1, 200, 8000)));
  ok &= Save(folder, "stereo-two", stereo.Write());

  SoundTag odd;
  odd.permutations.push_back(SoundTag::Encode("Odd", 2, 22050, Tone(64, 2, 500, 22050)));
  SoundPermutation& p = odd.permutations.back();
  p.compressed.resize(p.compressed.size() + 34, 0x5A);
  p.blocks += 1;
  SoundPermutation empty;
  empty.name = "Nothing";
  empty.channels = 3;
  odd.permutations.push_back(empty);
  ok &= Save(folder, "odd-and-empty", odd.Write());

  ok &= Save(folder, "header-only", SoundTag().Write());

  // Counts that wrap in 32 bits: permutations x 32 and blocks x 34.
  std::vector<uint8_t> wrapping = mono.Write();
  wrapping[36] = 0x08;
  ok &= Save(folder, "wrapping-count", wrapping);
  wrapping = mono.Write();
  const size_t blocks_at = SoundTag::kHeaderSize + SoundTag::kNameRecordSize + 16;
  wrapping[blocks_at] = 0x80;
  wrapping[blocks_at + 1] = wrapping[blocks_at + 2] = wrapping[blocks_at + 3] = 0;
  ok &= Save(folder, "wrapping-blocks", wrapping);
  return ok ? 0 : 1;
}
