#pragma once
#include <cstdint>
#include <memory>

#include "collections/CollectionDisplay.h"

class Collection;
class CollectionChange;

// What the pages of the collection editor need of the editor that holds them. Every change
// goes through Commit as one undo step; the editor marks the tag modified and refreshes the
// pages the change concerns.
class X256EditHost {
 public:
  // Which pages a change concerns, beyond the one that made it.
  enum Affects : uint32_t {
    kBitmapList = 0x01,  // bitmaps added, removed, moved or changed
    kSequences = 0x02,
    kHueChanges = 0x04,  // also changes the display palette
    kPalette = 0x08,     // the colour table
    kFlags = 0x10,
    kEverything = 0xFF,
  };

  virtual ~X256EditHost() = default;
  virtual Collection& EditedCollection() = 0;
  // A change about to be made: records from now until Commit or Abandon.
  virtual std::unique_ptr<CollectionChange> BeginChange() = 0;
  // Finishes the change and, when it changed anything, adds it to the undo history, marks the
  // tag modified and refreshes the pages `affects` names.
  virtual void Commit(std::unique_ptr<CollectionChange> change, uint32_t affects) = 0;
  // Rolls a change that failed half way back.
  virtual void Abandon(std::unique_ptr<CollectionChange> change) = 0;

  // The palette bitmaps are drawn in (the hue changes' replacements applied).
  virtual const CollectionDisplay::Palette& DisplayPalette() const = 0;
  // Ctrl+T: views show their alternate bitmaps. Display only.
  virtual bool ShowingAlternates() const = 0;
  // A bitmap window, sequence editor or frame editor opened or closed: the optimisation page
  // locks while any is open.
  virtual void EditorWindowsChanged() = 0;
  virtual bool AnyEditorWindowOpen() const = 0;
};
