#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tags/ui/TagEdit.h"

class DtexTag;
class Menu;

// The detail texture editor: the texture at one texture pixel per screen pixel, with a context
// menu and Ctrl keys to move it to and from image files and the clipboard, save it and centre
// its brightness. It works on the shared DtexTag resource, so the mesh editor drawing with the
// same texture sees every change at once.
class DtexEdit : public TagEdit {
 public:
  static constexpr const char* kLog = "DtexEdit";
  // The window shows at most this much of a texture when it opens.
  static constexpr int32_t kMaxShown = 512;

  // Context menu item ids.
  enum Command : int32_t {
    kExport = 1,
    kImport,
    kCopy,
    kPaste,
    kSaveTag,
    kMeanCenterRgb,
    kMeanCenterLuma,
  };

  explicit DtexEdit(const TagHeader& header);
  ~DtexEdit() override;
  // The factory of the `dtex` group's row.
  static TagEdit* Make(const TagHeader& header);

  // --- The root menu's commands.
  // "New Detail Texture From Image File": an image chosen and checked as Import does, then a
  // new tag named after the file, saved at once.
  static void NewFromImageFile();
  // "New Detail Texture From Clipboard".
  static void NewFromClipboard();
  // Asks for a name (proposing `default_name`), creates the texture with the image, marks it
  // dirty, sizes the window and saves. None when the user cancels or the tag is not created.
  static DtexEdit* NewWithImage(std::string_view default_name, uint32_t width, uint32_t height,
                                const std::vector<uint8_t>& rgb);

  // Reads an image file for a texture; a refused or unreadable file is reported to the user
  // ("Image must be 24 bit RGB.", the power-of-two message, "Failed to load image data.").
  static bool ReadImageFile(const std::string& path, uint32_t& width, uint32_t& height,
                            std::vector<uint8_t>& rgb);

  // --- The commands, as the menu and the keys run them.
  void RunCommand(int32_t id);
  void ExportImage();
  void ImportImage();
  void CopyImage();
  void PasteImage();
  void MeanCenterRgb();
  void MeanCenterLuma();
  // Replaces the texture, marks the editor dirty and sizes the window to the image. False
  // (nothing changed) for pixels that do not match the sides.
  bool ReplaceImage(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb);

  // The client size the window takes: the texture's, at most kMaxShown on each side.
  Size PreferredClientSize() const;
  DtexTag* Texture() const { return tag_; }
  // The context menu as it would pop up; the caller deletes it.
  Menu* MakeContextMenu() const;

  // --- TagEdit
  const char* GetClassName() const override { return "DtexEdit"; }
  bool Save() override;
  bool Load() override;
  bool Create(uint32_t group, std::string_view name) override;
  bool Discard() override;
  void Show() override;

  // --- Window
  void Draw() override;
  void OnIdle() override;
  bool OnKey(InputEvent& event) override;
  void OnMouseButton(InputEvent& event) override;
  void OnClose() override;

 private:
  void ReleaseTexture();
  void FitToTexture();

  DtexTag* tag_ = nullptr;
  // Shift was held while the tag opened: its pixels were shifted, which is a change to save.
  bool shifted_on_open_ = false;
  uint64_t drawn_revision_ = 0;
  std::vector<uint8_t> tile_;  // one scratch tile of RGBA, reused every frame
};
