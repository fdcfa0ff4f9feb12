#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "collections/Collection.h"
#include "collections/CollectionChange.h"
#include "collections/ui/X256EditHost.h"

// An editor as the pages see it: it keeps the committed changes, so that a test can count them
// and undo the last one.
class FakeEditHost : public X256EditHost {
 public:
  Collection& EditedCollection() override { return collection; }
  std::unique_ptr<CollectionChange> BeginChange() override {
    ++begun;
    return std::make_unique<CollectionChange>(collection);
  }
  void Commit(std::unique_ptr<CollectionChange> change, uint32_t affects) override {
    if (!change || !change->Finish()) return;
    committed.push_back(std::move(change));
    affected.push_back(affects);
  }
  void Abandon(std::unique_ptr<CollectionChange> change) override {
    if (change) change->Revert();
    ++abandoned;
  }
  const CollectionDisplay::Palette& DisplayPalette() const override { return collection.palette; }
  bool ShowingAlternates() const override { return false; }
  void EditorWindowsChanged() override { ++editor_notices; }
  bool AnyEditorWindowOpen() const override { return editor_open; }

  // Undoes the last committed change.
  void Undo() {
    ASSERT_FALSE(committed.empty());
    committed.back()->Revert();
    committed.pop_back();
    affected.pop_back();
  }
  int Commits() const { return static_cast<int>(committed.size()); }

  Collection collection;
  std::vector<std::unique_ptr<CollectionChange>> committed;
  std::vector<uint32_t> affected;
  int begun = 0;
  int abandoned = 0;
  int editor_notices = 0;
  bool editor_open = false;
};
