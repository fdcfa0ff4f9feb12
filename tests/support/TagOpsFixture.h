#pragma once
// A game folder written byte by byte, a Codex on it, the events it sends, and a snapshot of the
// local folder's bytes and the index, to show that a refused or failed operation changed nothing.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/ByteReader.h"
#include "support/TagFiles.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagFileSystem.h"
#include "tags/TagHeader.h"
#include "tags/TagStream.h"

namespace tagops_test {

using namespace tagfiles;

inline constexpr uint32_t kSoun = tagcode::Make("soun");

struct Event {
  int code;
  uint32_t tag_id;
  bool operator==(const Event&) const = default;
};

struct Snapshot {
  std::map<std::string, Bytes> files;  // every file under local/, by relative path
  std::vector<std::string> index;      // one line per entry: ids, name, where, file
  size_t entries = 0;
  bool operator==(const Snapshot&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Snapshot& s) {
  for (const auto& [path, bytes] : s.files) out << path << " (" << bytes.size() << ")\n";
  for (const std::string& line : s.index) out << line << "\n";
  return out << s.entries << " entries\n";
}

// Fails the `fail_at`-th file step (counting from 1) of whatever runs while it is installed.
class FailingFileSystem : public TagFileSystem {
 public:
  explicit FailingFileSystem(int fail_at) : fail_at_(fail_at) { Install(this); }
  ~FailingFileSystem() override { Install(nullptr); }
  bool failed() const { return steps_ >= fail_at_; }

  int CreateTemp(const fs::path& folder, const std::string& stem, fs::path& temp,
                 std::string& error) override {
    return Fails(error) ? -1 : TagFileSystem::CreateTemp(folder, stem, temp, error);
  }
  bool Write(int fd, const void* data, size_t size, std::string& error) override {
    return !Fails(error) && TagFileSystem::Write(fd, data, size, error);
  }
  bool CopyRange(int from, uint64_t offset, uint64_t size, int to, std::string& error) override {
    return !Fails(error) && TagFileSystem::CopyRange(from, offset, size, to, error);
  }
  bool WriteAt(int fd, uint64_t offset, const void* data, size_t size,
               std::string& error) override {
    return !Fails(error) && TagFileSystem::WriteAt(fd, offset, data, size, error);
  }
  bool Sync(int fd, std::string& error) override {
    return !Fails(error) && TagFileSystem::Sync(fd, error);
  }
  bool RenameNoReplace(const fs::path& from, const fs::path& to, std::string& error) override {
    return !Fails(error) && TagFileSystem::RenameNoReplace(from, to, error);
  }
  bool RenameOver(const fs::path& from, const fs::path& to, std::string& error) override {
    return !Fails(error) && TagFileSystem::RenameOver(from, to, error);
  }
  bool Unlink(const fs::path& path, std::string& error) override {
    return !Fails(error) && TagFileSystem::Unlink(path, error);
  }

 private:
  bool Fails(std::string& error) {
    if (++steps_ != fail_at_) return false;
    error = "injected failure";
    return true;
  }
  int fail_at_;
  int steps_ = 0;
};

class TagOpsTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    fs::create_directories(root_ / "local");
    codex_.AddListener(&Record, this);
  }

  static void Record(void* self, Archive*, CodexEntry* entry, int code) {
    static_cast<TagOpsTest*>(self)->events_.push_back({code, entry ? entry->tag_id() : 0});
  }

  // Opens the game folder after the test has written it; the events of indexing are dropped.
  void Open() {
    codex_.OpenGameFolder(root_);
    events_.clear();
  }

  void Archive(const std::vector<TagRecipe>& tags, const std::string& file = "base.dat") {
    Spit(root_ / "tags" / file, ArchiveBytes(3, 0, file, tags));
  }
  void Loose(const std::string& file, const TagRecipe& tag) {
    Spit(root_ / "local/sounds" / file, LooseBytes(tag));
  }
  fs::path SoundFile(const std::string& file) const { return root_ / "local/sounds" / file; }

  Snapshot Take() const {
    Snapshot s;
    for (const auto& e : fs::recursive_directory_iterator(root_ / "local")) {
      if (e.is_regular_file()) s.files[fs::relative(e.path(), root_).string()] = Slurp(e.path());
    }
    for (CodexEntry* entry : codex_.Combined()) {
      const TagHeader h = codex_.EntryHeader(*entry);
      s.index.push_back(tagcode::Display(entry->group()) + " " + tagcode::Display(entry->tag_id()) +
                        " " + h.Name() + " " + codex_.LocationName(*entry) + " " +
                        (entry->has_local_copy() ? entry->local_copy()->file_name : "-"));
    }
    s.entries = codex_.entry_count();
    return s;
  }

  // The index a program starting now would build from the folder: what ours must match.
  std::vector<std::string> FreshIndex() const {
    Codex fresh;
    fresh.OpenGameFolder(root_);
    std::vector<std::string> lines;
    for (CodexEntry* entry : fresh.Combined()) {
      const TagHeader h = fresh.EntryHeader(*entry);
      lines.push_back(tagcode::Display(entry->group()) + " " + tagcode::Display(entry->tag_id()) +
                      " " + h.Name() + " " + fresh.LocationName(*entry) + " " +
                      (entry->has_local_copy() ? entry->local_copy()->file_name : "-"));
    }
    return lines;
  }

  // Runs `op` with each of its file steps failing in turn, then with none failing. After each
  // failure the folder and index must be as before and agree with a fresh index, and listeners
  // must have heard nothing; returns the number of steps the operation took.
  template <typename Op>
  int FailEachStep(const Op& op) {
    const Snapshot before = Take();
    for (int step = 1;; ++step) {
      SCOPED_TRACE("failing step " + std::to_string(step));
      events_.clear();
      bool ok;
      {
        FailingFileSystem failing(step);
        ok = op();
        if (!failing.failed()) {
          EXPECT_TRUE(ok);
          return step - 1;
        }
      }
      EXPECT_FALSE(ok);
      EXPECT_EQ(Take(), before);
      EXPECT_EQ(Take().index, FreshIndex());
      EXPECT_TRUE(events_.empty());
      if (step > 20 || ::testing::Test::HasFailure()) return -1;
    }
  }

  std::string ReadData(CodexEntry* entry) {
    TagStream* s = codex_.OpenData(entry);
    if (!s) return "<none>";
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(s->ReadRest(bytes));
    codex_.CloseData(entry);
    return std::string(bytes.begin(), bytes.end());
  }

  // The header as the file holds it.
  TagHeader FileHeader(const fs::path& path) {
    const Bytes bytes = Slurp(path);
    TagHeader h;
    std::string error;
    ByteReader reader(bytes);
    EXPECT_TRUE(TagHeader::Read(reader, h, error)) << path << ": " << error;
    return h;
  }

  static Bytes Data(const std::string& text) { return Bytes(text.begin(), text.end()); }

  Codex codex_;
  std::vector<Event> events_;
};

}  // namespace tagops_test
