#include "app/GameLoad.h"

#include "tags/Codex.h"

GameLoad::GameLoad(Codex& codex, Kind kind, std::filesystem::path game_folder)
    : codex_(codex), kind_(kind), game_(std::move(game_folder)) {}

bool GameLoad::Step() {
  switch (phase_) {
    case Phase::kStart:
      if (kind_ == Kind::kLocalFolder) {
        phase_ = Phase::kLocalFolder;
        return true;
      }
      // Archives and local copies in use (an open editor's) stay; everything else goes.
      codex_.UnloadAllArchives();
      if (kind_ == Kind::kGameFolder) {
        codex_.SetGameFolder(game_);
        codex_.DropAllLocalCopies();
      }
      for (const char* sub : {"tags", "plugins"}) {
        const std::filesystem::path folder = game_ / sub;
        for (const std::string& name : Codex::ArchiveCandidates(folder)) {
          candidates_.push_back(folder / name);
        }
      }
      phase_ = Phase::kArchives;
      return true;
    case Phase::kArchives:
      if (next_ < candidates_.size()) {
        // Files that are not archives are passed over without a word.
        if (codex_.LoadArchive(candidates_[next_])) ++loaded_;
        ++next_;
        return true;
      }
      phase_ = kind_ == Kind::kGameFolder ? Phase::kLocalFolder : Phase::kWorkingSet;
      return true;
    case Phase::kLocalFolder:
      if (kind_ == Kind::kGameFolder) {
        codex_.SetLocalFolder((game_ / "local").string());
        phase_ = Phase::kWorkingSet;
      } else {
        codex_.Poll(true);
        phase_ = Phase::kDone;
      }
      return true;
    case Phase::kWorkingSet:
      codex_.ApplyDefaultWorkingSet();
      phase_ = Phase::kDone;
      return true;
    case Phase::kDone:
      break;
  }
  return false;
}

std::string GameLoad::Status() const {
  switch (phase_) {
    case Phase::kStart:
      return kind_ == Kind::kLocalFolder ? "Indexing the local folder"
                                         : "Looking for archives in " + game_.string();
    case Phase::kArchives:
      if (next_ < candidates_.size()) return "Loading " + candidates_[next_].string();
      return "Loading archives";
    case Phase::kLocalFolder:
      return "Indexing the local folder";
    case Phase::kWorkingSet:
    case Phase::kDone:
      break;
  }
  return "Choosing the archives in force";
}

std::string GameLoad::Detail() const {
  if (kind_ == Kind::kLocalFolder) return {};
  return std::to_string(next_) + " of " + std::to_string(candidates_.size()) + " files, " +
         std::to_string(loaded_) + " archives loaded";
}

double GameLoad::Fraction() const {
  // The archives, then the local folder and the working set as one piece each.
  const double total = static_cast<double>(candidates_.size()) + 2;
  switch (phase_) {
    case Phase::kStart:
      return 0;
    case Phase::kArchives:
      return static_cast<double>(next_) / total;
    case Phase::kLocalFolder:
      return (total - 2) / total;
    case Phase::kWorkingSet:
      return (total - 1) / total;
    case Phase::kDone:
      break;
  }
  return 1;
}
