#pragma once
#include <cstddef>
#include <memory>
#include <vector>

class Collection;
struct CollectionBitmap;

// One recorded change of a collection, for undo and for rolling back a command that fails
// half way. Created before the change, it notes the cheap state (palette, usage, the lists'
// order, names, flags and sizes, hue changes and sequences); while it lives, the collection
// hands it what it removes instead of freeing it. Pixels are noted only for bitmaps passed to
// Touch (or announced through Collection::PixelsChanging, as BitmapEdits does) before they
// are changed in place. Finish compares and keeps only what differs, so a rename holds one
// name and a crop the old pixels of the bitmaps it cropped; each record holds the side that is
// not in the collection, and Revert and Apply swap it in.
//
// Bitmaps, hue changes and sequences keep their identity across undo and redo: windows that
// show one may keep pointing at it. Items must leave the lists through the collection's
// Remove*/AddOrReplaceBitmap while a change records, or they are freed and cannot come back.
// Revert and Apply expect the collection as the change left it (undo history order).
class CollectionChange {
 public:
  explicit CollectionChange(Collection& collection);
  ~CollectionChange();
  CollectionChange(const CollectionChange&) = delete;
  CollectionChange& operator=(const CollectionChange&) = delete;

  // Before a bitmap's pixels change in place.
  void Touch(const CollectionBitmap* bitmap);
  // Ends the recording; false when nothing changed.
  bool Finish();
  // Back to the state before (after Finish, or instead of it to roll a failed command back:
  // it finishes first), and forward again. Each does nothing when the collection is already
  // in that state. False, changing nothing, when the lists are not as the change left them
  // (changes undone out of order).
  bool Revert();
  bool Apply();

  // Bytes held, for the history's memory figure.
  size_t MemoryBytes() const;

 private:
  struct State;
  Collection& collection_;
  std::unique_ptr<State> state_;
};
