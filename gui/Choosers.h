#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gui/ChooserMemory.h"
#include "gui/FileKind.h"

// The program's own file, folder and colour choosers: modal dialogs of the toolkit, run on
// the window manager's modal loop. None of them changes the working folder. Each returns
// true when the user confirmed, false when they cancelled or the choice could not be used
// (then nothing is remembered).

// A chosen file: the path, the kind it was chosen as, and the file type that the program's
// file probe recognised (0 when the probe does not know it, or for a save).
struct ChosenFile {
  std::string path;
  int32_t kind = FileKindId::kAny;
  int32_t file_type = 0;
};

// An extra list below a chooser's own controls: a label and (text, value) options; the
// chooser shows `selected` first and leaves the user's choice there.
struct ChooserOption {
  std::string label;
  std::vector<std::pair<std::string, int32_t>> options;
  size_t selected = 0;
  int32_t Value() const { return selected < options.size() ? options[selected].second : 0; }
};

// Recognises a file the user picked to open: false when it cannot be read; `file_type`
// receives what it is. The program's image-format registry fills this in.
using FileProbe = std::function<bool(const std::string& path, int32_t& file_type)>;

// Where the choosers remember folders and file types, and how they probe opened files. Set
// once at start-up; without a memory nothing is remembered, without a probe every existing
// file is accepted with file type 0.
void SetChooserServices(ChooserMemory* memory, FileProbe probe);
// The memory set there (null without one), for the choices made beside a chooser, such as a
// mapping mode, that are remembered with it.
ChooserMemory* ChooserServicesMemory();

// `title` null takes the kind's own title. An unknown kind is refused (false at once).
// Save: `file.path` proposes a name (with or without a folder); the result has the chosen
// file type's extension when it lacked one of the kind's, and replacing an existing file asks
// first.
bool ChooseSaveFile(const char* title, ChosenFile& file, int32_t kind,
                    std::vector<ChooserOption>* options);
bool ChooseOpenFile(const char* title, ChosenFile& file, int32_t kind,
                    std::vector<ChooserOption>* options);
bool ChooseOpenFiles(const char* title, std::vector<ChosenFile>& files, int32_t kind,
                     std::vector<ChooserOption>* options);
// `folder` proposes the folder to start in and receives the chosen one; `format_index` the
// kind's file type picked in "Target Format:" (kinds with file types only).
bool ChooseFolder(const char* title, std::string& folder, int32_t& format_index, int32_t kind,
                  std::vector<ChooserOption>* options);

// Red, green and blue in, the chosen colour out. Sixteen custom colours are kept for the run.
bool ChooseColor(uint8_t rgb[3]);
