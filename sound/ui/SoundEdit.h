#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sound/AudioOutput.h"
#include "sound/SoundTag.h"
#include "tags/ui/TagEdit.h"

class Button;
class ListWindow;

// The sound viewer (`soun` tags): one row per permutation with its length, bit depth, channels
// and rate; its permutations exported as WAV files into a chosen folder, and played. It only
// reads: saving is refused and leaves the tag as it was.
class SoundEdit : public TagEdit {
 public:
  static constexpr Size kClientSize{544, 256};
  static constexpr int32_t kStripHeight = 48;  // below the list
  static constexpr int32_t kButtonInset = 8;   // from the left edge, and between buttons
  static constexpr int32_t kButtonsUp = 40;    // the buttons' tops, from the bottom
  static constexpr int32_t kPlaybackGap = 24;  // sets Play and Stop apart from the exports
  static constexpr const char* kLog = "SoundEdit";
  enum ButtonId : int32_t { kExportSelected = 1, kExportAll = 2, kPlay = 3, kStop = 4 };

  // A row as the list's columns read it.
  struct Row {
    char name[32];
    char duration[32];
    uint32_t bits;
    char channels[32];
    uint32_t rate_hz;
    uint32_t index;  // the permutation's
  };

  // How the editors reach a sound device. It is called once, when the first sound editor of
  // the run opens; null (and why) means no playback for the rest of the run.
  using AudioOpener = std::function<std::unique_ptr<AudioOutput>(std::string& why)>;
  static void SetAudioOpener(AudioOpener opener);
  // Closes the device (stopping any sound) once the sound editors are gone; the next editor
  // asks the opener again.
  static void ReleaseAudio();
  // The device the editors play through; null when there is none (or none was asked for yet).
  static AudioOutput* Audio();

  explicit SoundEdit(const TagHeader& header);
  ~SoundEdit() override;
  static TagEdit* Make(const TagHeader& header);

  // --- TagEdit
  const char* GetClassName() const override { return "SoundEdit"; }
  bool ReadData(TagStream& stream, const TagHeader& header) override;
  bool WriteData(ByteWriter& out, TagHeader& header) override;
  bool OnKey(InputEvent& event) override;
  void OnIdle() override;
  void OnResized() override;

  // --- Commands
  // Ask for a folder ("Choose Sound Folder") and write the permutations there; the ones that
  // fail are named in one message.
  void ExportAll();
  void ExportSelected();
  // The first selected row (in row order) through the sound device, in place of what was
  // playing; nothing without a device or a selection.
  void Play();
  // Silences this editor's clip; another editor's plays on.
  void Stop();

  // Shows `tag`'s permutations; loading ends here.
  void ShowTag(SoundTag&& tag);

  const SoundTag& tag() const { return tag_; }
  ListWindow* List() const { return list_; }
  Button* ExportSelectedButton() const { return buttons_[0]; }
  Button* ExportAllButton() const { return buttons_[1]; }
  Button* PlayButton() const { return buttons_[2]; }
  Button* StopButton() const { return buttons_[3]; }
  // The permutations of the selected rows, in row order.
  std::vector<size_t> SelectedPermutations() const;

 private:
  void OnButton(intptr_t id);
  void OnSelectionChanged(intptr_t);
  void UpdateButtons();
  void Export(const std::vector<size_t>& indices);

  SoundTag tag_;
  std::vector<Row> rows_;  // the list's items point into it: filled once, never grown
  ListWindow* list_ = nullptr;
  Button* buttons_[4] = {};
};
