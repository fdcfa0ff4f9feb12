#include "collections/ui/X256OptimizeEdit.h"

#include <string>

#include "collections/BitmapEdits.h"
#include "collections/Collection.h"
#include "collections/CollectionChange.h"
#include "collections/ui/X256EditHost.h"
#include "gui/Button.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextBox.h"

namespace {

constexpr const char* kLabels[X256OptimizeEdit::kOperationCount] = {
    "Delete Unused Bitmaps", "Merge Identical Bitmaps", "Crop All Bitmaps", "Auto Rename Bitmaps",
    "Get Runtime Size"};

// What each operation may change, for the pages that show it.
constexpr uint32_t kAffects = X256EditHost::kBitmapList | X256EditHost::kSequences;

}  // namespace

X256OptimizeEdit::X256OptimizeEdit(X256EditHost& host, Window* parent)
    : Window(WindowFlag::Visible, parent), host_(host) {
  SetTitle("Optimize");
  std::array<Window*, kOperationCount> order{};
  for (int32_t i = 0; i < kOperationCount; ++i) {
    auto* button = new Button(this, kLabels[i], i);
    const int32_t top = kMargin + i * kRow;
    button->SetFrameRect({kMargin, top, kMargin + kButtonWidth, top + Button::Height()});
    ::Connect<&X256OptimizeEdit::OnButton>(button->clicked_with_id, this);
    buttons_[static_cast<size_t>(i)] = button;
    order[static_cast<size_t>(i)] = button;
  }
  Window::SetTabOrder(order);
  lock_ = new TextBox(TextBox::kLabel, this);
  lock_->SetText(kLockText);
  lock_->SetFrameRect({kMargin, kMargin, kMargin + 540, kMargin + 36});
  lock_->Hide();
  UpdateLock();
}

void X256OptimizeEdit::Refresh() {
  UpdateLock();
}

void X256OptimizeEdit::UpdateLock() {
  const bool locked = host_.AnyEditorWindowOpen();
  if (locked == locked_ && lock_->IsVisible() == locked) return;
  locked_ = locked;
  for (Button* button : buttons_) button->Show(!locked);
  lock_->Show(locked);
  InvalidateClient();
}

void X256OptimizeEdit::OnButton(intptr_t id) {
  Run(static_cast<int32_t>(id));
}

void X256OptimizeEdit::Run(int32_t operation) {
  UpdateLock();
  if (locked_ || operation < 0 || operation >= kOperationCount) return;
  Collection& collection = host_.EditedCollection();
  if (operation == kRuntimeSize) {
    const std::string report =
        BitmapEdits::RuntimeSizeReport(BitmapEdits::GetRuntimeSize(collection));
    MessageBoxWindow::Show("Information", report.c_str(), {"OK"});
    return;
  }
  auto change = host_.BeginChange();
  std::string report;
  const char* title = "";
  switch (operation) {
    case kDeleteUnused:
      report = BitmapEdits::DeleteUnusedReport(BitmapEdits::DeleteUnused(collection));
      break;
    case kMergeIdentical:
      report = BitmapEdits::MergeReport(BitmapEdits::MergeIdentical(collection));
      break;
    case kCropAll:
      report = BitmapEdits::CropAllReport(BitmapEdits::CropAll(collection));
      break;
    default:
      report = BitmapEdits::AutoRenameReport(BitmapEdits::AutoRename(collection));
      title = "Rename operation";
      break;
  }
  host_.Commit(std::move(change), kAffects);
  MessageBoxWindow::Show(title, report.c_str(), {"OK"});
}
