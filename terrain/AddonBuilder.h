#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Archive;
class Codex;
class CodexEntry;

// The two kinds of add-on: the local tags of the groups the game takes from add-ons, or the
// local detail maps with every detail texture they use.
enum class AddonKind { kRegular, kDetailTexture };

// What the user is told after a step: a message box's title, text and button. A failure whose
// box gives no cause keeps the real one in `reason`, for the log and the command line.
struct AddonMessage {
  std::string title;
  std::string text;
  std::string button = "OK";
  std::string reason;
};

// What the add-on dialog asks for.
struct AddonFields {
  std::string name;
  std::string url;
  uint16_t priority = 100;
};

// Packs tags of the local folder into an add-on: a type-6 archive in the game's plugins
// folder, named as the add-on, loaded afterwards and inactive. The editor's menu commands and
// the command-line tool both build through here. An add-on of the same name that is already
// there takes no part in the checks or as a source, so a build gives the same bytes whether
// or not an earlier one exists.
class AddonBuilder {
 public:
  static constexpr uint16_t kDefaultPriority = 100;
  static constexpr int kMinPriority = 2;
  static constexpr int kMaxPriority = 32767;
  static constexpr size_t kMaxName = 31;
  static constexpr size_t kMaxUrl = 63;
  static constexpr uint16_t kArchiveType = 6;
  static constexpr const char* kLog = "Add-on Builder";

  AddonBuilder(Codex& codex, AddonKind kind) : codex_(codex), kind_(kind) {}

  // The invalid fields, each with a space in front, in the order " name", " url", " version";
  // empty when every field is valid, and `fields` then holds them. A name is invalid when it
  // could not be a file of the plugins folder of its own (empty, a path, "." or "..", a
  // staging name) and a priority when it is no number in 2 ... 32767.
  static std::string InvalidFields(std::string_view name, std::string_view url,
                                   std::string_view priority, AddonFields& fields);
  // "The following fields are invalid: " and the list.
  static std::string InvalidFieldsText(const std::string& invalid);
  // soli, form, obpc, reco, save, soun, stli, temp and text.
  static bool IsAllowedGroup(uint32_t group);

  // Whether the local folder holds anything to pack; false with the message to show.
  bool HasSomethingToPack(AddonMessage& message) const;
  // The tags an add-on named `file_name` would hold once every check has passed; false with
  // the message of the first that failed.
  bool Entries(std::string_view file_name, std::vector<CodexEntry*>& entries,
               AddonMessage& message) const;
  // Every check, then the write. The archive (loaded, inactive) with the success message, or
  // none with the message of the failure.
  Archive* Build(const AddonFields& fields, AddonMessage& message) const;

 private:
  Codex& codex_;
  AddonKind kind_;
};
