// zarv_tagopsbench: what the tag operations cost on a 64 MB tag, beside copying its file with
// cp, and how many folders the rescans around an operation list in a local folder of 5,000 tags.
//
//   zarv_tagopsbench DIR    writes its game folders under DIR (replacing them) and prints
//
// A save flushes its file to disk before renaming it into place, so the copy it is measured
// against is cp followed by flushing the copy (`sync FILE`); plain cp is printed beside it.
// bench/run-tagops.sh runs it.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "tags/ArchiveWriter.h"
#include "tags/Codex.h"
#include "tags/LocalFolder.h"
#include "tags/TagCode.h"
#include "tags/TagOperations.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kSoun = tagcode::Make("soun");
constexpr size_t kBigSize = 64u << 20;
constexpr int kRuns = 5;
constexpr int kLooseTags = 5000;
constexpr uint32_t kGroups[] = {tagcode::Make("soun"), tagcode::Make("text"), tagcode::Make("mesh"),
                                tagcode::Make(".256"), tagcode::Make("unit"), tagcode::Make("scen"),
                                tagcode::Make("proj"), tagcode::Make("obje")};

bool WriteTag(const fs::path& path, uint32_t group, uint32_t tag_id, const std::string& name,
              size_t size) {
  TagHeader h = TagHeader::Fresh();
  h.identifier = 0xFFFF;
  h.SetName(name);
  h.group = group;
  h.tag_id = tag_id;
  h.data_offset = TagHeader::kSize;
  h.data_size = static_cast<uint32_t>(size);
  ByteWriter w;
  h.Write(w);
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
  w.WriteBytes(data);
  fs::create_directories(path.parent_path());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = ::write(fd, w.bytes().data(), w.size()) == static_cast<ssize_t>(w.size());
  return ::fsync(fd) == 0 && ::close(fd) == 0 && ok;
}

bool Run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The median of kRuns timings of `op`, with `reset` (untimed) after each.
double Median(const std::function<bool()>& op, const std::function<void()>& reset) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const Clock::time_point begin = Clock::now();
    if (!op()) {
      std::fprintf(stderr, "an operation failed\n");
      std::exit(1);
    }
    times.push_back(std::chrono::duration<double>(Clock::now() - begin).count());
    reset();
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Ratio(const char* name, double seconds, double baseline) {
  std::printf("%s: %.2f x (target <= 1.5)   [%.1f ms]\n", name, seconds / baseline, seconds * 1e3);
}

int Copies(const fs::path& dir) {
  const fs::path game = dir / "big";
  fs::remove_all(game);
  const fs::path source = game / "local/sounds/Big";
  const fs::path archived = dir / "blob";
  if (!WriteTag(source, kSoun, tagcode::Make("Big "), "Big", kBigSize) ||
      !WriteTag(archived, kSoun, tagcode::Make("Arch"), "Archived", kBigSize)) {
    std::fprintf(stderr, "cannot write the 64 MB tags\n");
    return 1;
  }
  {
    ArchiveSource s;
    s.header = TagHeader::Fresh();
    s.header.group = kSoun;
    s.header.tag_id = tagcode::Make("Arch");
    s.header.SetName("Archived");
    s.header.data_size = kBigSize;
    s.file = archived;
    s.offset = TagHeader::kSize;
    ArchiveWriter writer;
    std::string error;
    fs::create_directories(game / "tags");
    if (!writer.Write(game / "tags/base.arc", {s}, 3, "Base", "", 0, error) ||
        !writer.Commit(error)) {
      std::fprintf(stderr, "archive: %s\n", error.c_str());
      return 1;
    }
    fs::remove(archived);
  }
  const fs::path copy = dir / "cp-copy";
  const double cp = Median(
      [&] {
        return Run({"cp", source.string(), copy.string()});
      },
      [&] { fs::remove(copy); });
  const double cp_sync = Median(
      [&] {
        return Run({"cp", source.string(), copy.string()}) && Run({"sync", copy.string()});
      },
      [&] { fs::remove(copy); });
  std::printf("cp of the 64 MB file: %.1f ms; with the copy flushed to disk: %.1f ms\n", cp * 1e3,
              cp_sync * 1e3);

  Codex codex;
  codex.OpenGameFolder(game);
  CodexEntry* big = codex.Find(kSoun, tagcode::Make("Big "));
  CodexEntry* copy_entry = nullptr;
  const double duplicate =
      Median([&] { return (copy_entry = tagops::Duplicate(codex, big, std::nullopt)) != nullptr; },
             [&] { tagops::DeleteLocalCopy(codex, copy_entry); });
  CodexEntry* arch = codex.Find(kSoun, tagcode::Make("Arch"));
  const double to_local = Median([&] { return tagops::CopyToLocal(codex, arch); },
                                 [&] { tagops::DeleteLocalCopy(codex, arch); });
  uint32_t id = tagcode::Make("Big ");
  const double rename = Median(
      [&] {
        const uint32_t next =
            id == tagcode::Make("Big ") ? tagcode::Make("Big2") : tagcode::Make("Big ");
        CodexEntry* e = tagops::ChangeTagInfo(codex, codex.Find(kSoun, id), next, std::nullopt);
        id = next;
        return e != nullptr;
      },
      [] {});
  Ratio("duplicate 64 MB / cp+sync", duplicate, cp_sync);
  Ratio("copy to local 64 MB / cp+sync", to_local, cp_sync);
  Ratio("id-only rename 64 MB / cp+sync", rename, cp_sync);
  std::printf("(against plain cp: duplicate %.2f x, copy to local %.2f x, rename %.2f x)\n",
              duplicate / cp, to_local / cp, rename / cp);
  fs::remove_all(game);
  return 0;
}

int Rescans(const fs::path& dir) {
  const fs::path game = dir / "many";
  fs::remove_all(game);
  for (int i = 0; i < kLooseTags; ++i) {
    const uint32_t group = kGroups[i % 8];
    const std::string name = "Loose " + std::to_string(i);
    if (!WriteTag(LocalFolder::GroupFolderPath(game / "local", group) / name, group,
                  0xF0000000u | static_cast<uint32_t>(i), name, 100)) {
      std::fprintf(stderr, "cannot write the loose tags\n");
      return 1;
    }
  }
  Codex codex;
  codex.OpenGameFolder(game);
  struct Step {
    const char* name;
    std::function<bool()> op;
  };
  CodexEntry* made = nullptr;
  const std::vector<Step> steps = {
      {"duplicate",
       [&] {
         return (made = tagops::Duplicate(codex, codex.Find(kSoun, 0xF0000000u), std::nullopt)) !=
                nullptr;
       }},
      {"refused copy to local", [&] { return !tagops::CopyToLocal(codex, made); }},
      {"rename",
       [&] {
         return (made = tagops::ChangeTagInfo(codex, made, tagcode::Make("Renm"), "Renamed")) !=
                nullptr;
       }},
      {"delete", [&] { return tagops::DeleteLocalCopy(codex, made); }},
  };
  for (const Step& step : steps) {
    codex.Poll(true);  // what came before is seen
    const uint64_t before = codex.watch().listings();
    const Clock::time_point begin = Clock::now();
    if (!step.op()) {
      std::fprintf(stderr, "%s failed\n", step.name);
      return 1;
    }
    codex.Poll(true);  // and what the operation did, as the next idle step sees it
    const double s = std::chrono::duration<double>(Clock::now() - begin).count();
    std::printf(
        "%s in %d tags: %llu folders listed (target <= 1, the folder it changed)   "
        "[%.2f ms]\n",
        step.name, kLooseTags, static_cast<unsigned long long>(codex.watch().listings() - before),
        s * 1e3);
  }
  fs::remove_all(game);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const fs::path dir = argv[1];
  fs::create_directories(dir);
  if (int rc = Copies(dir)) return rc;
  return Rescans(dir);
}
