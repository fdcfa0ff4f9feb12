#include "collections/CollectionWriter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/BitmapCodec.h"
#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "tags/TagHeader.h"

namespace cl = collection_layout;

namespace {

std::string_view NameOf(const std::array<char, 64>& name, size_t max_length) {
  return std::string_view(name.data(), strnlen(name.data(), std::min(max_length, name.size())));
}

// Indices are 16-bit and 0xFFFF means none, so no list may grow past 0xFFFF items.
constexpr size_t kMaxItems = cl::kNoIndex;

bool Fail(std::string& error, std::string text) {
  error = std::move(text);
  return false;
}

bool Check(const Collection& c, std::string& error) {
  if (c.without_bitmaps) {
    return Fail(error, "the collection was loaded without its bitmaps and cannot be saved");
  }
  if (c.bitmaps.size() > kMaxItems) return Fail(error, "too many bitmaps to index");
  size_t views = 0;
  size_t frames = 0;
  for (const auto& s : c.sequences) {
    if (s->view_count == 0 || s->frames.empty() || s->frames.size() > kMaxItems) {
      return Fail(error, "sequence '" + s->Name() + "' needs between 1 and 65535 frames and views");
    }
    for (const SequenceFrame& frame : s->frames) {
      if (frame.views.size() != s->view_count) {
        return Fail(error, "sequence '" + s->Name() + "' has a frame with the wrong view count");
      }
      views += frame.views.size();
    }
    frames += s->frames.size();
  }
  if (views > kMaxItems || frames > kMaxItems) {
    return Fail(error, "too many frames or views to index");
  }
  for (const auto& b : c.bitmaps) {
    if (b->placeholder) continue;
    const bool shape_ok = b->width > 0 && b->height > 0 &&
                          (b->bytes_per_pixel == 2 || b->bytes_per_pixel == 8) &&
                          b->pixels.size() == size_t{b->width} * b->height * b->bytes_per_pixel;
    if (!shape_ok) {
      return Fail(error, "bitmap '" + b->Name() + "' has no pixels or pixels of the wrong size");
    }
  }
  return true;
}

uint16_t IndexOrNone(const Collection& c, const CollectionBitmap* bitmap) {
  const int index = c.IndexOfBitmap(bitmap);
  return index < 0 ? cl::kNoIndex : static_cast<uint16_t>(index);
}

bool IsPowerOfTwo(uint16_t value) {
  return value != 0 && std::has_single_bit(value);
}

void WriteFrameView(const FrameView& v, ByteWriter& out) {
  // Without the alternate flag the alternate fields mean nothing; they read back as zero.
  const bool alternate = (v.flags & cl::kViewHasAlternate) != 0;
  out.WriteU32Be(v.flags);
  out.WriteZeros(8);
  out.WriteU16Be(v.registration_x);
  out.WriteU16Be(v.registration_y);
  out.WriteZeros(8);
  out.WriteU16Be(v.key_x);
  out.WriteU16Be(v.key_y);
  out.WriteU16Be(v.bitmap_index);
  out.WriteU16Be(alternate ? v.alternate_index : 0);
  out.WriteU32Be(alternate ? v.alternate_size_factor : 0);
  out.WriteU16Be(alternate ? v.alternate_registration_x : 0);
  out.WriteU16Be(alternate ? v.alternate_registration_y : 0);
  out.WriteZeros(24);
}

void WriteFrameRecord(const FrameRecord& r, ByteWriter& out) {
  out.WriteU32Be(r.flags);
  out.WriteI32Be(r.shadow_offset_x);
  out.WriteI32Be(r.shadow_offset_y);
  out.WriteU16Be(r.shadow_index);
  out.WriteZeros(18);
}

void WriteSequenceHeader(const Sequence& s, ByteWriter& out) {
  out.WriteU32Be(s.flags);
  out.WriteU32Be(s.carried_fixed_4);
  out.WriteU16Be(s.view_count);
  out.WriteU16Be(static_cast<uint16_t>(s.frames.size()));
  out.WriteU16Be(s.ticks_per_frame);
  out.WriteU16Be(s.key_frame);
  out.WriteU16Be(s.loop_frame);
  for (uint16_t value : s.carried_18) out.WriteU16Be(value);
  out.WriteU32Be(s.first_sound);
  out.WriteU32Be(s.key_sound);
  out.WriteU32Be(s.last_sound);
  out.WriteU16Be(s.transfer_mode);
  out.WriteU16Be(s.transfer_period);
  out.WriteU32Be(s.registration_x_fixed);
  out.WriteU32Be(s.carried_fixed_44);
  out.WriteU32Be(s.registration_y_fixed);
  for (uint16_t value : s.carried_52) out.WriteU16Be(value);
  out.WriteZeros(6);
}

class Writer {
 public:
  explicit Writer(Collection& c) : c_(c) {}
  bool Run(ByteWriter& out, std::string& error);

 private:
  // Position relative to the data base, where every stored offset counts from.
  uint32_t Here() const { return static_cast<uint32_t>(d_.size() - cl::kDataBase); }
  void BeginArray(size_t array, size_t count) {
    refs_[array] = {static_cast<uint32_t>(count), Here(),
                    static_cast<uint32_t>(count * cl::kRecordSizes[array])};
  }
  void Flatten();

  struct Ref {
    uint32_t count = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
  };

  Collection& c_;
  ByteWriter d_;
  Ref refs_[cl::kArrayCount];
  std::vector<FrameView> views_;
  std::vector<FrameRecord> records_;
  // Per sequence, per frame: the frame record's position, then its views' positions.
  std::vector<std::vector<std::vector<uint16_t>>> entries_;
};

void Writer::Flatten() {
  for (const auto& s : c_.sequences) {
    std::vector<std::vector<uint16_t>>& sequence_entries = entries_.emplace_back();
    for (const SequenceFrame& frame : s->frames) {
      std::vector<uint16_t>& entry = sequence_entries.emplace_back();
      entry.push_back(static_cast<uint16_t>(records_.size()));
      FrameRecord record = frame.record;
      record.shadow_index = IndexOrNone(c_, record.shadow);
      records_.push_back(record);
      for (const FrameView& view : frame.views) {
        FrameView flat = view;
        flat.bitmap_index = IndexOrNone(c_, view.bitmap);
        // A placeholder says nothing true about the bitmap it stands for, so the flags read
        // with the view are left as they were.
        if (!view.bitmap || !view.bitmap->placeholder) {
          flat.flags &= ~(cl::kViewPartialAlpha | cl::kViewRawPowerOfTwo);
          if (view.bitmap && (view.bitmap->flags & cl::kBitmapPartialAlpha)) {
            flat.flags |= cl::kViewPartialAlpha;
          }
          if (view.bitmap && !view.bitmap->IsRle() && IsPowerOfTwo(view.bitmap->width) &&
              IsPowerOfTwo(view.bitmap->height)) {
            flat.flags |= cl::kViewRawPowerOfTwo;
          }
        }
        entry.push_back(static_cast<uint16_t>(views_.size()));
        views_.push_back(flat);
      }
    }
  }
}

bool Writer::Run(ByteWriter& out, std::string& error) {
  if (!Check(c_, error)) return false;
  for (const auto& bitmap : c_.bitmaps) bitmap->NormaliseAlpha();
  Flatten();

  d_.WriteZeros(cl::kHeaderSize);

  BeginArray(cl::kColorTables, 1);
  d_.WriteU32Be(256);
  d_.WriteZeros(28);
  for (size_t i = 0; i < 256; ++i) {
    for (size_t k = 0; k < 3; ++k) d_.WriteU16Be(static_cast<uint16_t>(c_.palette[i * 3 + k] << 8));
    d_.WriteU16Be(0);
  }

  BeginArray(cl::kHueChanges, c_.hue_changes.size());
  for (const auto& hue_change : c_.hue_changes) {
    hue_change->ComputeAffected(c_.palette);
    hue_change->Write(d_);
  }

  BeginArray(cl::kFrameViews, views_.size());
  for (const FrameView& view : views_) WriteFrameView(view, d_);

  BeginArray(cl::kSequenceDirectory, c_.sequences.size());
  const size_t sequence_directory = d_.size();
  d_.WriteZeros(c_.sequences.size() * cl::kSequenceEntrySize);
  std::vector<std::pair<uint32_t, uint32_t>> sequence_blocks;
  for (size_t i = 0; i < c_.sequences.size(); ++i) {
    const Sequence& s = *c_.sequences[i];
    const uint32_t start = Here();
    WriteSequenceHeader(s, d_);
    for (size_t f = 0; f < s.frames.size(); ++f) {
      const std::vector<uint16_t>& entry = entries_[i][f];
      d_.WriteU16Be(entry[0]);
      for (uint16_t value : s.frames[f].carried) d_.WriteU16Be(value);
      d_.WriteZeros(38);
      for (size_t v = 1; v < entry.size(); ++v) d_.WriteU16Be(entry[v]);
    }
    sequence_blocks.emplace_back(start, Here() - start);
  }

  BeginArray(cl::kFrameRecords, records_.size());
  for (const FrameRecord& record : records_) WriteFrameRecord(record, d_);

  BeginArray(cl::kBitmapDirectory, c_.bitmaps.size());
  const size_t bitmap_directory = d_.size();
  d_.WriteZeros(c_.bitmaps.size() * cl::kBitmapEntrySize);
  std::vector<std::pair<uint32_t, uint32_t>> bitmap_blocks;
  for (const auto& bitmap : c_.bitmaps) {
    const uint32_t start = Here();
    BitmapCodec::Encode(*bitmap, d_);
    bitmap_blocks.emplace_back(start, Here() - start);
    if (d_.size() > 0xFFFFFFFFu) return Fail(error, "collection grows past 4 GB");
  }

  // The directories go into the room kept for them, now that the blocks' places are known.
  ByteWriter directory;
  for (size_t i = 0; i < c_.sequences.size(); ++i) {
    directory.WriteFixedChars(NameOf(c_.sequences[i]->name, 63), cl::kNameSize);
    directory.WriteU32Be(sequence_blocks[i].first);
    directory.WriteU32Be(sequence_blocks[i].second);
    directory.WriteZeros(56);
  }
  bool ok = d_.PatchBytes(sequence_directory, directory.bytes());
  directory = ByteWriter();
  for (size_t i = 0; i < c_.bitmaps.size(); ++i) {
    const CollectionBitmap& b = *c_.bitmaps[i];
    directory.WriteFixedChars(NameOf(b.name, cl::kBitmapNameMax), cl::kNameSize);
    directory.WriteU32Be(bitmap_blocks[i].first);
    directory.WriteU32Be(bitmap_blocks[i].second);
    directory.WriteU32Be(0);
    directory.WriteU16Be(b.placeholder ? b.kept_width : b.width);
    directory.WriteU16Be(b.placeholder ? b.kept_height : b.height);
    directory.WriteZeros(48);
  }
  ok = ok && d_.PatchBytes(bitmap_directory, directory.bytes());

  ByteWriter header;
  header.WriteU32Be(c_.header_word);
  header.WriteU32Be(c_.usage);
  header.WriteZeros(cl::kArrayRefsOffset - header.size());
  for (const Ref& ref : refs_) {
    header.WriteU32Be(ref.count);
    header.WriteU32Be(ref.offset);
    header.WriteU32Be(ref.size);
    header.WriteU32Be(0);
  }
  header.WriteZeros(cl::kDataBaseOffset - header.size());
  header.WriteU32Be(cl::kDataBase);
  header.WriteU32Be(static_cast<uint32_t>(d_.size() - cl::kHeaderSize));
  header.WriteZeros(cl::kHeaderSize - header.size());
  ok = ok && d_.PatchBytes(0, header.bytes());
  if (!ok) return Fail(error, "collection layout does not add up");

  out.WriteBytes(d_.bytes());
  return true;
}

}  // namespace

bool CollectionWriter::Write(Collection& collection, ByteWriter& out, TagHeader& header,
                             std::string& error) {
  Writer writer(collection);
  if (!writer.Run(out, error)) return false;
  header.group = cl::kGroup;
  header.version = cl::kVersion;
  header.user_data = collection.usage;
  return true;
}
