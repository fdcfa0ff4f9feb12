#include "collections/CollectionWriter.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "base/ByteWriter.h"
#include "collections/BitmapCodec.h"
#include "collections/Collection.h"
#include "collections/CollectionLayout.h"
#include "collections/CollectionRecords.h"
#include "tags/TagHeader.h"

namespace cl = collection_layout;
namespace rec = collection_records;

namespace {

rec::Name NameField(const std::array<char, 64>& name, size_t max_length) {
  rec::Name field = name;
  rec::TerminateName(field, max_length);
  return field;
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

rec::FrameView ToRecord(const FrameView& v) {
  rec::FrameView r{};
  r.flags = v.flags;
  r.registration_x = v.registration_x;
  r.registration_y = v.registration_y;
  r.key_x = v.key_x;
  r.key_y = v.key_y;
  r.bitmap_index = v.bitmap_index;
  // Without the alternate flag the alternate fields mean nothing; they read back as zero.
  if (v.flags & cl::kViewHasAlternate) {
    r.alternate_index = v.alternate_index;
    r.alternate_size_factor = v.alternate_size_factor;
    r.alternate_registration_x = v.alternate_registration_x;
    r.alternate_registration_y = v.alternate_registration_y;
  }
  return r;
}

rec::FrameRecord ToRecord(const FrameRecord& f) {
  rec::FrameRecord r{};
  r.flags = f.flags;
  r.shadow_offset_x = f.shadow_offset_x;
  r.shadow_offset_y = f.shadow_offset_y;
  r.shadow_index = f.shadow_index;
  return r;
}

rec::SequenceHeader ToRecord(const Sequence& s) {
  rec::SequenceHeader h{};
  h.flags = s.flags;
  h.fixed_4 = s.carried_fixed_4;
  h.view_count = s.view_count;
  h.frame_count = static_cast<uint16_t>(s.frames.size());
  h.ticks_per_frame = s.ticks_per_frame;
  h.key_frame = s.key_frame;
  h.loop_frame = s.loop_frame;
  std::copy(s.carried_18.begin(), s.carried_18.end(), h.carried_18);
  h.first_sound = s.first_sound;
  h.key_sound = s.key_sound;
  h.last_sound = s.last_sound;
  h.transfer_mode = s.transfer_mode;
  h.transfer_period = s.transfer_period;
  h.registration_x_fixed = s.registration_x_fixed;
  h.fixed_44 = s.carried_fixed_44;
  h.registration_y_fixed = s.registration_y_fixed;
  std::copy(s.carried_52.begin(), s.carried_52.end(), h.carried_52);
  return h;
}

class Writer {
 public:
  explicit Writer(Collection& c) : c_(c) {}
  bool Run(ByteWriter& out, std::string& error);

 private:
  // Position relative to the data base, where every stored offset counts from.
  uint32_t Here() const { return static_cast<uint32_t>(d_.size() - cl::kDataBase); }
  void BeginArray(size_t array, size_t count) {
    header_.arrays[array] = {static_cast<uint32_t>(count), Here(),
                             static_cast<uint32_t>(count * cl::kRecordSizes[array]), 0};
  }
  void Flatten();

  Collection& c_;
  ByteWriter d_;
  rec::Header header_{};
  std::vector<rec::FrameView> views_;
  std::vector<rec::FrameRecord> records_;
  // Per sequence, per frame: the frame record's position, then its views' positions.
  std::vector<std::vector<std::vector<uint16_t>>> entries_;
};

void Writer::Flatten() {
  for (const auto& s : c_.sequences) {
    std::vector<std::vector<uint16_t>>& sequence_entries = entries_.emplace_back();
    for (const SequenceFrame& frame : s->frames) {
      std::vector<uint16_t>& entry = sequence_entries.emplace_back();
      entry.push_back(static_cast<uint16_t>(records_.size()));
      rec::FrameRecord record = ToRecord(frame.record);
      record.shadow_index = IndexOrNone(c_, frame.record.shadow);
      records_.push_back(record);
      for (const FrameView& view : frame.views) {
        FrameView flat = view;
        flat.bitmap_index = IndexOrNone(c_, view.bitmap);
        // An alternate index that resolved to no bitmap is written back as it was read.
        if ((view.flags & cl::kViewHasAlternate) && view.alternate) {
          flat.alternate_index = IndexOrNone(c_, view.alternate);
        }
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
        views_.push_back(ToRecord(flat));
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
  rec::ColorTable table{};
  table.count = 256;
  for (size_t i = 0; i < 256; ++i) {
    for (size_t k = 0; k < 3; ++k) {
      table.entries[i].rgb[k] = static_cast<uint16_t>(c_.palette[i * 3 + k] << 8);
    }
  }
  rec::AppendRecord(table, d_);

  BeginArray(cl::kHueChanges, c_.hue_changes.size());
  for (const auto& hue_change : c_.hue_changes) {
    hue_change->ComputeAffected(c_.palette);
    HueChange record = *hue_change;
    rec::TerminateName(record.name);
    rec::AppendRecord(record, d_);
  }

  BeginArray(cl::kFrameViews, views_.size());
  rec::AppendRecords<rec::FrameView>(views_, d_);

  BeginArray(cl::kSequenceDirectory, c_.sequences.size());
  const size_t sequence_directory = d_.size();
  d_.WriteZeros(c_.sequences.size() * cl::kSequenceEntrySize);
  std::vector<rec::SequenceEntry> sequence_entries(c_.sequences.size(), rec::SequenceEntry{});
  for (size_t i = 0; i < c_.sequences.size(); ++i) {
    const Sequence& s = *c_.sequences[i];
    const uint32_t start = Here();
    rec::AppendRecord(ToRecord(s), d_);
    for (size_t f = 0; f < s.frames.size(); ++f) {
      const std::vector<uint16_t>& entry = entries_[i][f];
      rec::FrameEntry frame_entry{};
      frame_entry.record_index = entry[0];
      std::copy(s.frames[f].carried.begin(), s.frames[f].carried.end(), frame_entry.carried);
      rec::AppendRecord(frame_entry, d_);
      std::vector<uint8_t> indices((entry.size() - 1) * 2);
      (void)RecordDescriptor::WriteElements(
          std::span(reinterpret_cast<const uint8_t*>(entry.data() + 1), indices.size()), indices,
          static_cast<uint32_t>(entry.size() - 1), 1);
      d_.WriteBytes(indices);
    }
    sequence_entries[i].name = NameField(s.name, 63);
    sequence_entries[i].offset = start;
    sequence_entries[i].size = Here() - start;
  }

  BeginArray(cl::kFrameRecords, records_.size());
  rec::AppendRecords<rec::FrameRecord>(records_, d_);

  BeginArray(cl::kBitmapDirectory, c_.bitmaps.size());
  const size_t bitmap_directory = d_.size();
  d_.WriteZeros(c_.bitmaps.size() * cl::kBitmapEntrySize);
  std::vector<rec::BitmapEntry> bitmap_entries(c_.bitmaps.size(), rec::BitmapEntry{});
  for (size_t i = 0; i < c_.bitmaps.size(); ++i) {
    const CollectionBitmap& b = *c_.bitmaps[i];
    const uint32_t start = Here();
    BitmapCodec::Encode(b, d_);
    if (d_.size() > 0xFFFFFFFFu) return Fail(error, "collection grows past 4 GB");
    rec::BitmapEntry& e = bitmap_entries[i];
    e.name = NameField(b.name, cl::kBitmapNameMax);
    e.offset = start;
    e.size = Here() - start;
    e.width = b.placeholder ? b.kept_width : b.width;
    e.height = b.placeholder ? b.kept_height : b.height;
  }

  // The directories go into the room kept for them, now that the blocks' places are known.
  ByteWriter directory;
  rec::AppendRecords<rec::SequenceEntry>(sequence_entries, directory);
  bool ok = d_.PatchBytes(sequence_directory, directory.bytes());
  directory = ByteWriter();
  rec::AppendRecords<rec::BitmapEntry>(bitmap_entries, directory);
  ok = ok && d_.PatchBytes(bitmap_directory, directory.bytes());

  header_.header_word = c_.header_word;
  header_.usage = c_.usage;
  header_.data_base = cl::kDataBase;
  header_.total_bytes = static_cast<uint32_t>(d_.size() - cl::kHeaderSize);
  ByteWriter header;
  rec::AppendRecord(header_, header);
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
