#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gui/ListWindow.h"

class CollectionChange;
class Menu;
class X256EditHost;

// The common part of the hue change and sequence pages: a list of the collection's named
// records in collection order, with new, duplicate, rename, delete, drag to reorder and
// double-click to open. Items carry a pointer to their record as id; records keep their
// identity across undo, so a refresh can keep the selection.
class X256ListPage : public ListWindow {
 public:
  enum Command : int32_t { kNew = 1, kDuplicate = 2, kRename = 3, kDelete = 4 };
  static constexpr size_t kMaxName = 63;

  X256ListPage(X256EditHost& host, Window* parent);

  // Rebuilds the rows from the collection, keeping the selected records that still exist.
  void Refresh();
  // The context menu, enabled for the current selection; the caller deletes it.
  Menu* BuildMenu();
  void RunCommand(int32_t id);

  void NewRecord();
  void DuplicateSelection();
  // In-place label edit of the one selected record.
  void RenameSelection();
  void DeleteSelection();
  // The selected records, in list order.
  std::vector<void*> SelectedRecords() const;
  void SelectRecord(const void* record);

  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;

 protected:
  struct Texts {
    const char* new_label;  // the menu item
    const char* new_name;   // the name a new record gets
    const char* confirm;    // printf format with one %s: "s" for several
    const char* confirm_title;
    const char* open_refusal;  // printf format with the record's name
    uint32_t affects;          // X256EditHost::Affects of every change here
  };
  virtual const Texts& PageTexts() const = 0;
  virtual int32_t RecordCount() const = 0;
  virtual void* RecordAt(int32_t index) const = 0;
  virtual int32_t IndexOf(const void* record) const = 0;
  virtual std::string RecordName(const void* record) const = 0;
  virtual void SetRecordName(void* record, std::string_view name) = 0;
  virtual void* AddRecord(std::string_view name) = 0;  // appended
  // A copy of `source` with `name`, appended.
  virtual void* CopyRecord(const void* source, std::string_view name) = 0;
  virtual void RemoveRecord(const void* record) = 0;
  virtual void MoveRecord(const void* record, int32_t new_index) = 0;
  virtual bool IsRecordOpen(const void* record) const = 0;
  virtual void OpenRecord(void* record) = 0;
  // After every change made here, and after a refresh: open editors may show the record.
  virtual void RecordsChanged() {}

  X256EditHost& host_;

 private:
  void ShowMenu(Point screen_point);
  void OnActivated(intptr_t item);
  void OnDeleteRequested(intptr_t);
  void OnDropped(intptr_t drop);
  // Commits a change made here and shows its outcome.
  void Finish(std::unique_ptr<CollectionChange> change);
};
