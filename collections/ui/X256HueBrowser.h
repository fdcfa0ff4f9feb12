#pragma once
#include <cstdint>
#include <vector>

#include "collections/ui/X256ListPage.h"

struct HueChange;
class X256HueEdit;

// Page "Hue Changes": the collection's hue changes; double-click opens an X256HueEdit on one.
// The page keeps its open editors: a hue change being edited cannot be deleted, and editors of
// hue changes that an undo took away close.
class X256HueBrowser : public X256ListPage {
 public:
  X256HueBrowser(X256EditHost& host, Window* parent);
  ~X256HueBrowser() override;

  const char* GetClassName() const override { return "X256HueBrowser"; }

  // The editor showing the hue change, or null.
  X256HueEdit* EditorOf(const HueChange* hue_change) const;
  const std::vector<X256HueEdit*>& Editors() const { return editors_; }
  // Closes every editor; their hue changes are about to go with the collection.
  void CloseEditors();

 protected:
  const Texts& PageTexts() const override;
  int32_t RecordCount() const override;
  void* RecordAt(int32_t index) const override;
  int32_t IndexOf(const void* record) const override;
  std::string RecordName(const void* record) const override;
  void SetRecordName(void* record, std::string_view name) override;
  void* AddRecord(std::string_view name) override;
  void* CopyRecord(const void* source, std::string_view name) override;
  void RemoveRecord(const void* record) override;
  void MoveRecord(const void* record, int32_t new_index) override;
  bool IsRecordOpen(const void* record) const override;
  void OpenRecord(void* record) override;
  void RecordsChanged() override;

 private:
  void OnEditorClosed(intptr_t window);
  std::vector<X256HueEdit*> editors_;
};
