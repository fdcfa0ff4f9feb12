#pragma once
#include <cstdint>
#include <vector>

#include "collections/ui/X256ListPage.h"

struct Sequence;

// Page "Sequences": the collection's sequences. A double-click or Enter opens a sequence
// editor; the page keeps the list of open ones, so that a sequence being edited cannot be
// deleted and editors hear of every change.
class X256SequenceBrowser : public X256ListPage {
 public:
  X256SequenceBrowser(X256EditHost& host, Window* parent);
  ~X256SequenceBrowser() override;

  const char* GetClassName() const override { return "X256SequenceBrowser"; }

  // An editor window showing `sequence`; it leaves the list when it closes. `refresh` runs
  // after every change of the page.
  void AddEditor(Sequence* sequence, Window* editor, std::function<void()> refresh);
  Window* EditorOf(const Sequence* sequence) const;
  // The open sequence editors and their frame editors: the optimisation page locks while any
  // is open.
  int32_t EditorCount() const;
  // The editor closes: the sequence editors go with it.
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
  struct Editor {
    Sequence* sequence = nullptr;
    Window* window = nullptr;
    std::function<void()> refresh;
  };
  void OnEditorClosed(intptr_t window);
  std::vector<Editor> editors_;
};
