// Fuzz target for the sound tag reader. The input is the tag data: a tag that reads has every
// block inside the data, whole frames of samples only, names of at most 25 characters, and
// writes and reads back to the same permutations.

#include <cstdint>
#include <span>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "sound/Ima4.h"
#include "sound/SoundTag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SoundTag tag;
  std::string error;
  if (!SoundTag::Read(std::span<const uint8_t>(data, size), tag, error)) {
    Check(!error.empty(), "a sound refused without a message");
    Check(tag.permutations.empty(), "a refused sound changed the output");
    return 0;
  }
  uint64_t block_bytes = 0;
  for (const SoundPermutation& p : tag.permutations) {
    Check(p.name.size() <= SoundTag::kMaxNameLength, "a name longer than 25 characters");
    Check(p.bits == 16 && p.channels >= 1, "a permutation of the wrong depth or no channels");
    Check(p.compressed.size() == uint64_t{p.blocks} * Ima4::kBlockBytes,
          "compressed bytes differ from the block count");
    Check(p.samples.size() == p.Frames() * p.channels * Ima4::kBlockSamples,
          "samples are not whole frames");
    if (p.blocks != 0) Check(p.channels <= 2, "blocks of more than two channels decoded");
    block_bytes += p.compressed.size();
  }
  Check(block_bytes <= size, "more blocks than the data holds");

  SoundTag back;
  Check(SoundTag::Read(tag.Write(), back, error), "a written sound does not read");
  Check(back.permutations.size() == tag.permutations.size(), "permutations lost in a write");
  for (size_t i = 0; i < tag.permutations.size(); ++i) {
    const SoundPermutation &a = tag.permutations[i], &b = back.permutations[i];
    Check(a.name == b.name && a.flags == b.flags && a.channels == b.channels && a.rate == b.rate &&
              a.blocks == b.blocks && a.samples == b.samples,
          "a permutation changed in a write and read");
  }
  return 0;
}
