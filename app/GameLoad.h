#pragma once
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

class Codex;

// Loading the game into the tag index one bounded piece at a time: the archives one by one,
// then the local folder. The pieces are the same work the index does in one go when it opens
// a game folder; cut up, a window can show progress and frames go on being drawn between
// them. Touches only the index, on the caller's thread.
class GameLoad {
 public:
  enum class Kind {
    kGameFolder,   // everything afresh: the archives of "tags" and "plugins", the local folder
    kPlugins,      // the archives of "tags" and "plugins" again; the local folder stays
    kLocalFolder,  // a full rescan of the local folder
  };

  GameLoad(Codex& codex, Kind kind, std::filesystem::path game_folder);

  // Does the next piece; false once everything is done (and nothing was done by this call).
  bool Step();
  // What the next piece is about, and the counts so far.
  std::string Status() const;
  std::string Detail() const;
  // 0..1 of the pieces done.
  double Fraction() const;
  size_t archives_loaded() const { return loaded_; }

 private:
  enum class Phase { kStart, kArchives, kLocalFolder, kWorkingSet, kDone };

  Codex& codex_;
  Kind kind_;
  std::filesystem::path game_;
  Phase phase_ = Phase::kStart;
  std::vector<std::filesystem::path> candidates_;
  size_t next_ = 0;
  size_t loaded_ = 0;
};
