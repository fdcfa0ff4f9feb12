#pragma once
#include <cstdint>
#include <string>
#include <string_view>

class Collection;
struct CollectionBitmap;
struct FrameView;
struct Sequence;

// The sequence editor's edits, headless so that the editor, the tool and the tests share them.
// Each keeps a mirrored sequence's derived views in step with the real views they mirror.
class SequenceEdits {
 public:
  // Frame views and frames are indexed by 16 bits with 0xFFFF for none: a saved collection
  // holds at most this many of either, over all its sequences.
  static constexpr uint32_t kMaxFrameViews = 0xFFFF;

  // The views the editor shows and edits: all of them, or with mirroring (and at least three
  // views) the first views / 2 + 1, the rest being mirror images of those.
  static int RealViews(const Sequence& sequence);
  // Whether view `view` is derived from another by mirroring.
  static bool IsDerived(const Sequence& sequence, int view);

  // What a number box stores: the value clamped to 0..65535.
  static uint16_t ClampNumber(int64_t value);

  // "Frames:" and "Views:": a value below 1 stores 1; a value that would take the collection
  // past kMaxFrameViews frame views (or frames) stores the most that fits and says so in
  // `message`. Added frames and views are new ones; existing cells keep what they show.
  // Returns whether the sequence changed.
  static bool SetFrames(const Collection& collection, Sequence& sequence, int64_t frames,
                        std::string& message);
  static bool SetViews(const Collection& collection, Sequence& sequence, int64_t views,
                       std::string& message);

  // The sound tag boxes: the text padded with blanks to four characters, the first in the most
  // significant byte; empty stores 0xFFFFFFFF (none). Text past four characters is cut.
  static uint32_t SoundIdFromText(std::string_view text);
  // What a box shows: "" for none, the four characters without trailing blanks when they are
  // printable. Other ids show "" too, and are kept unless the box is edited.
  static std::string SoundText(uint32_t id);

  // "Use Mirroring" and "No Rotation": the two cannot both be on, as loading clears No Rotation
  // when they are, so mirroring clears No Rotation and No Rotation is refused while mirroring
  // is on. Turning mirroring on derives the mirrored views from the real ones.
  static void SetMirroring(Sequence& sequence, bool on);
  static void SetNoRotation(Sequence& sequence, bool on);

  // After an edit of real views: the mirrored views are derived again as at load.
  static void DeriveMirroredViews(Sequence& sequence);

  // Shows `bitmap` (may be null) in a view: pointer and index.
  static void ShowBitmap(const Collection& collection, FrameView& view, CollectionBitmap* bitmap);

  // What the frame editor's mouse drags and arrow keys move, by mode.
  enum MoveMode : int {
    kMoveKeyPoint = 0,  // the key point of the current view
    kMoveSequence = 1,  // the registration points of every view of every frame
    kMoveView = 2,      // ... of the current view in every frame
    kMoveFrame = 3,     // ... of every view of the current frame
    kMoveBitmap = 4,    // ... of the current view only
  };
  static constexpr int kMoveModeCount = 5;
  static const char* MoveModeName(int mode);
  // Moves the bitmaps (or the key point) by (dx, dy) screen pixels: a bitmap drawn with its
  // registration point on the origin moves right when that point moves left. Only real views
  // are moved; derived ones follow. False when the cell does not exist.
  static bool Move(Sequence& sequence, int mode, int frame, int view, int dx, int dy);
};
