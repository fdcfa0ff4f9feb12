#include "gui/Choosers.h"

#include <memory>

#include "gui/ChooserDialog.h"
#include "gui/ChooserModel.h"
#include "gui/MessageBoxWindow.h"

namespace fs = std::filesystem;

namespace {

ChooserMemory* g_memory = nullptr;
FileProbe g_probe;

bool Probe(const std::string& path, int32_t& file_type) {
  file_type = 0;
  return g_probe ? g_probe(path, file_type) : true;
}

std::string Title(const char* title, const FileKind& kind, ChooserOp op) {
  return title ? std::string(title) : std::string(kind.Title(op));
}

// Runs one chooser; true with the chosen paths (and the dialog's folder and file type) when
// the user confirmed. The dialog is gone when it returns.
bool RunChooser(ChooserOp op, const FileKind& kind, const char* title, std::string_view proposed,
                std::string_view name, std::vector<ChooserOption>* options,
                std::vector<fs::path>& chosen, size_t& filter_index) {
  auto* dialog = new ChooserDialog(op, kind, Title(title, kind, op).c_str(), options);
  dialog->Start(ChooserModel::StartFolder(kind, op, proposed, g_memory),
                ChooserModel::StartFilter(kind, op, g_memory), name);
  const bool confirmed = dialog->Run();
  chosen = dialog->Chosen();
  filter_index = dialog->FilterIndex();
  Window::Close(dialog);
  return confirmed && !chosen.empty();
}

}  // namespace

ChooserMemory* ChooserServicesMemory() {
  return g_memory;
}

void SetChooserServices(ChooserMemory* memory, FileProbe probe) {
  g_memory = memory;
  g_probe = std::move(probe);
}

bool ChooseSaveFile(const char* title, ChosenFile& file, int32_t kind_id,
                    std::vector<ChooserOption>* options) {
  const FileKind* kind = FindFileKind(kind_id);
  if (!kind) return false;
  // The proposed name goes into the field; its folder, if it has one, is where we start.
  const std::string name = fs::path(file.path).filename().string();
  std::vector<fs::path> chosen;
  size_t filter = 0;
  if (!RunChooser(ChooserOp::kSave, *kind, title, file.path, name, options, chosen, filter)) {
    return false;
  }
  ChooserModel::Remember(*kind, ChooserOp::kSave, chosen[0].parent_path(), filter, g_memory);
  file.path = chosen[0].generic_string();
  file.kind = kind_id;
  file.file_type = 0;
  return true;
}

bool ChooseOpenFile(const char* title, ChosenFile& file, int32_t kind_id,
                    std::vector<ChooserOption>* options) {
  const FileKind* kind = FindFileKind(kind_id);
  if (!kind) return false;
  std::vector<fs::path> chosen;
  size_t filter = 0;
  const std::string name = fs::path(file.path).filename().string();
  if (!RunChooser(ChooserOp::kOpen, *kind, title, file.path, name, options, chosen, filter)) {
    return false;
  }
  int32_t type = 0;
  const std::string path = chosen[0].generic_string();
  if (!Probe(path, type)) {
    MessageBoxWindow::Show(
        "Error", "The selected file could not be read (inaccessable or invalid format).", {"OK"});
    return false;
  }
  ChooserModel::Remember(*kind, ChooserOp::kOpen, chosen[0].parent_path(), filter, g_memory);
  file = {path, kind_id, type};
  return true;
}

bool ChooseOpenFiles(const char* title, std::vector<ChosenFile>& files, int32_t kind_id,
                     std::vector<ChooserOption>* options) {
  const FileKind* kind = FindFileKind(kind_id);
  if (!kind) return false;
  std::vector<fs::path> chosen;
  size_t filter = 0;
  if (!RunChooser(ChooserOp::kOpenSeveral, *kind, title, "", "", options, chosen, filter)) {
    return false;
  }
  std::vector<ChosenFile> result;
  for (const fs::path& p : chosen) {
    ChosenFile f{p.generic_string(), kind_id, 0};
    if (!Probe(f.path, f.file_type)) {
      MessageBoxWindow::Show(
          "Error", "Some of the selected files could not be read (inaccessable or invalid format).",
          {"OK"});
      return false;
    }
    result.push_back(std::move(f));
  }
  ChooserModel::Remember(*kind, ChooserOp::kOpenSeveral, chosen[0].parent_path(), filter, g_memory);
  files = std::move(result);
  return true;
}

bool ChooseFolder(const char* title, std::string& folder, int32_t& format_index, int32_t kind_id,
                  std::vector<ChooserOption>* options) {
  const FileKind* kind = FindFileKind(kind_id);
  if (!kind) return false;
  std::vector<fs::path> chosen;
  size_t filter = 0;
  if (!RunChooser(ChooserOp::kFolder, *kind, title, folder, "", options, chosen, filter)) {
    return false;
  }
  ChooserModel::Remember(*kind, ChooserOp::kFolder, chosen[0], filter, g_memory);
  folder = chosen[0].generic_string();
  format_index = kind->format_keys[0].empty() ? 0 : static_cast<int32_t>(filter);
  return true;
}
