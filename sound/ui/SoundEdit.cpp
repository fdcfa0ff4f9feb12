#include "sound/ui/SoundEdit.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "base/MessageLog.h"
#include "gui/Button.h"
#include "gui/Choosers.h"
#include "gui/Draw.h"
#include "gui/ListItem.h"
#include "gui/ListWindow.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TextLayout.h"
#include "sound/SoundExport.h"
#include "tags/TagStream.h"

namespace {

// One device for every sound editor of the run: opening one can take a while and, when there
// is none, says so once rather than with every sound opened.
struct SharedAudio {
  SoundEdit::AudioOpener opener;
  std::unique_ptr<AudioOutput> output;
  bool asked = false;
  const SoundEdit* playing = nullptr;  // whose clip the device was last given
};

SharedAudio& Shared() {
  static SharedAudio audio;
  return audio;
}

AudioOutput* OpenAudio() {
  SharedAudio& audio = Shared();
  if (!audio.asked) {
    audio.asked = true;
    std::string why;
    if (audio.opener) {
      audio.output = audio.opener(why);
    } else {
      why = "this program has no sound output";
    }
    if (!audio.output) {
      if (why.empty()) why = "the sound device could not be opened";
      LogMessage(1, SoundEdit::kLog, "Sounds cannot be played: %s.\n", why.c_str());
    }
  }
  return audio.output.get();
}

template <size_t N>
void Copy(char (&out)[N], const std::string& text) {
  std::snprintf(out, N, "%s", text.c_str());
}

}  // namespace

static_assert(offsetof(SoundEdit::Row, duration) == 32 && offsetof(SoundEdit::Row, bits) == 64 &&
                  offsetof(SoundEdit::Row, channels) == 68 &&
                  offsetof(SoundEdit::Row, rate_hz) == 100,
              "the columns read the row's fields at these offsets");

void SoundEdit::SetAudioOpener(AudioOpener opener) {
  Shared().opener = std::move(opener);
}

void SoundEdit::ReleaseAudio() {
  SharedAudio& audio = Shared();
  audio.output.reset();
  audio.asked = false;
  audio.playing = nullptr;
}

AudioOutput* SoundEdit::Audio() {
  return Shared().output.get();
}

SoundEdit::SoundEdit(const TagHeader& header) : TagEdit(header) {
  list_ = new ListWindow(ListStyle::Header | ListStyle::MultiSelect,
                         WindowFlag::Visible | WindowFlag::ThinFrame, this);
  list_->AddColumn("Name", "%s", ColumnType::CharArray, 32, 128, 0);
  list_->AddColumn("Duration", "%s", ColumnType::CharArray, 32, 96, 0);
  list_->AddColumn("Bit Depth", "%d", ColumnType::Unsigned, 4, 96, 0);
  list_->AddColumn("Channels", "%s", ColumnType::CharArray, 32, 96, 0);
  list_->AddColumn("Sample Rate", "%d Hz", ColumnType::Unsigned, 4, 96, 0);
  ::Connect<&SoundEdit::OnSelectionChanged>(list_->selection_changed, this);
  const char* labels[] = {"Export Selected", "Export All", "Play", "Stop"};
  // The editor takes its font when it is shown; the labels measure in the program's font.
  const Font* font = GetFont() ? GetFont() : DefaultFont();
  for (int32_t i = 0; i < 4; ++i) {
    auto* button = new Button(this, labels[i], kExportSelected + i);
    const int32_t width =
        std::max(Button::MinimumSize().width, MeasureTextWidth(font, labels[i], 0) + 28);
    button->SetFrameRect({0, 0, width, Button::Height()});
    ::Connect<&SoundEdit::OnButton>(button->clicked_with_id, this);
    buttons_[i] = button;
  }
  SetTabOrder({list_, buttons_[0], buttons_[1], buttons_[2], buttons_[3]});
  SetInitialFocus(list_);
  SetClientSize(kClientSize);
  OnResized();
  UpdateButtons();
}

SoundEdit::~SoundEdit() {
  // A closed editor's sound does not play on without it.
  SharedAudio& audio = Shared();
  if (audio.playing == this) {
    if (audio.output) audio.output->Stop();
    audio.playing = nullptr;
  }
}

TagEdit* SoundEdit::Make(const TagHeader& header) {
  return new SoundEdit(header);
}

// ------------------------------------------------------------------------------ loading

bool SoundEdit::ReadData(TagStream& stream, const TagHeader& header) {
  std::vector<uint8_t> data;
  if (!stream.ReadRest(data)) {
    ReportLoadProblem(
        kLog, "its " + std::to_string(header.data_size) + " bytes of data could not be read");
    return false;
  }
  SoundTag tag;
  std::string error;
  if (!SoundTag::Read(data, tag, error)) {
    ReportLoadProblem(kLog, error);
    return false;
  }
  ShowTag(std::move(tag));
  return true;
}

bool SoundEdit::WriteData(ByteWriter& /*out*/, TagHeader& /*header*/) {
  return false;
}

void SoundEdit::ShowTag(SoundTag&& tag) {
  tag_ = std::move(tag);
  list_->Clear();
  rows_.assign(tag_.permutations.size(), Row{});
  for (size_t i = 0; i < rows_.size(); ++i) {
    const SoundPermutation& p = tag_.permutations[i];
    Row& row = rows_[i];
    Copy(row.name, p.name);
    Copy(row.duration, p.DurationText());
    row.bits = p.bits;
    Copy(row.channels, p.ChannelsText());
    row.rate_hz = p.RateHz();
    row.index = static_cast<uint32_t>(i);
    list_->AddItem(nullptr, 0, 0, reinterpret_cast<uint64_t>(&row), row.name);
  }
  list_->Refresh();
  list_->Select(list_->FirstItem(), false);
  OpenAudio();
  UpdateButtons();
}

// ------------------------------------------------------------------------------- window

void SoundEdit::OnResized() {
  TagEdit::OnResized();
  if (!list_) return;
  const Rect& client = ClientRect();
  const int32_t height = client.Height();
  list_->SetFrameRect({0, 0, client.Width(), std::max(0, height - kStripHeight)});
  int32_t x = kButtonInset;
  const int32_t top = height - kButtonsUp;
  for (int32_t i = 0; i < 4; ++i) {
    Button* button = buttons_[i];
    if (!button) continue;
    if (i == 2) x += kPlaybackGap - kButtonInset;
    const Rect& frame = button->FrameRect();
    button->SetFrameRect({x, top, x + frame.Width(), top + frame.Height()});
    x += frame.Width() + kButtonInset;
  }
}

void SoundEdit::OnIdle() {
  // Stop is there while this editor's clip sounds: until it ends, or another editor's clip
  // takes the device.
  SharedAudio& audio = Shared();
  if (audio.playing == this && !(audio.output && audio.output->IsPlaying())) {
    audio.playing = nullptr;
  }
  if (buttons_[3]->IsEnabled() != (audio.playing == this)) UpdateButtons();
}

bool SoundEdit::OnKey(InputEvent& event) {
  const bool plain = (event.flags & (kModControl | kModAlt)) == 0;
  if (plain && event.a == ' ') {
    if (event.b == 1 && !(event.flags & kKeyRepeatFlag)) Play();
    return true;
  }
  if (plain && event.a == Key::Escape) {
    if (event.b == 1) Stop();
    return true;
  }
  return TagEdit::OnKey(event);
}

void SoundEdit::OnButton(intptr_t id) {
  switch (id) {
    case kExportSelected:
      ExportSelected();
      break;
    case kExportAll:
      ExportAll();
      break;
    case kPlay:
      Play();
      break;
    case kStop:
      Stop();
      break;
    default:
      break;
  }
}

void SoundEdit::OnSelectionChanged(intptr_t) {
  UpdateButtons();
}

void SoundEdit::UpdateButtons() {
  const bool selected = !list_->SelectedItems().empty();
  buttons_[0]->SetEnabled(selected);
  buttons_[1]->SetEnabled(!rows_.empty());
  buttons_[2]->SetEnabled(selected && Audio() != nullptr);
  buttons_[3]->SetEnabled(Audio() != nullptr && Shared().playing == this);
}

std::vector<size_t> SoundEdit::SelectedPermutations() const {
  std::vector<size_t> out;
  for (ListItem* item = list_->FirstItem(); item; item = item->next) {
    if (item->IsSelected()) out.push_back(reinterpret_cast<const Row*>(item->id)->index);
  }
  return out;
}

// ------------------------------------------------------------------------------ commands

void SoundEdit::ExportAll() {
  std::vector<size_t> all(tag_.permutations.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  Export(all);
}

void SoundEdit::ExportSelected() {
  Export(SelectedPermutations());
}

void SoundEdit::Export(const std::vector<size_t>& indices) {
  if (indices.empty()) return;
  std::string folder;
  int32_t format = 0;
  if (!ChooseFolder(nullptr, folder, format, FileKindId::kSound, nullptr)) return;
  const std::vector<SoundExportResult> results = SoundExport::Run(tag_, indices, folder);
  const std::string message = SoundExport::FailureMessage(results);
  if (message.empty()) return;
  LogMessage(0, kLog, "%s: %s\n", header().Name().c_str(), message.c_str());
  MessageBoxWindow::Show("Error", message.c_str(), {"OK"});
}

void SoundEdit::Play() {
  AudioOutput* output = Audio();
  const std::vector<size_t> selected = SelectedPermutations();
  if (!output || selected.empty()) return;
  const SoundPermutation& p = tag_.permutations[selected.front()];
  SharedAudio& audio = Shared();
  std::string error;
  if (!output->Play(p.samples, p.channels, p.RateHz(), error)) {
    audio.playing = nullptr;
    UpdateButtons();
    MessageBoxWindow::ShowError("'%s' could not be played: %s.", p.name.c_str(), error.c_str());
    return;
  }
  audio.playing = this;
  UpdateButtons();
}

void SoundEdit::Stop() {
  SharedAudio& audio = Shared();
  if (audio.playing != this) return;
  if (audio.output) audio.output->Stop();
  audio.playing = nullptr;
  UpdateButtons();
}
