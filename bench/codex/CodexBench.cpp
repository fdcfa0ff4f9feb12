// zarv_codexbench: what indexing a large game folder costs, against the floor of reading the
// same bytes with nothing but open/pread/close and readdir.
//
//   zarv_codexbench generate DIR   writes the game folder (once; kept for later runs)
//   zarv_codexbench measure DIR    prints the figures
//
// bench/run-codex.sh does both and runs the measurement warm.

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/GameLoad.h"
#include "base/ByteWriter.h"
#include "tags/ArchiveFile.h"
#include "tags/ArchiveWriter.h"
#include "tags/Codex.h"
#include "tags/LocalFolder.h"
#include "tags/TagCode.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kArchives = 40;
constexpr int kTagsPerArchive = 2500;
constexpr int kLooseTags = 5000;
constexpr const char* kDoneMarker = ".codexbench-complete";
constexpr uint32_t kGroups[] = {tagcode::Make("soun"), tagcode::Make("text"), tagcode::Make("mesh"),
                                tagcode::Make(".256"), tagcode::Make("unit"), tagcode::Make("scen"),
                                tagcode::Make("proj"), tagcode::Make("obje")};
constexpr size_t kGroupCount = sizeof kGroups / sizeof kGroups[0];

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && ok;
}

std::vector<uint8_t> LooseTagBytes(uint32_t group, uint32_t tag_id, const std::string& name,
                                   size_t data_size) {
  TagHeader h = TagHeader::Fresh();
  h.identifier = 0xFFFF;
  h.SetName(name);
  h.group = group;
  h.tag_id = tag_id;
  h.data_offset = TagHeader::kSize;
  h.data_size = static_cast<uint32_t>(data_size);
  ByteWriter w;
  h.Write(w);
  w.WriteZeros(data_size);
  return w.Take();
}

int Generate(const fs::path& game) {
  if (fs::exists(game / kDoneMarker)) {
    std::printf("%s: already generated\n", game.c_str());
    return 0;
  }
  fs::remove_all(game);
  fs::create_directories(game / "tags");
  // Every archived tag takes its data from one blob; only the sizes differ.
  const fs::path blob = game / "blob";
  if (!WriteFile(blob, std::vector<uint8_t>(512, 0x5A))) return 1;
  for (int a = 0; a < kArchives; ++a) {
    std::vector<ArchiveSource> sources;
    for (int i = 0; i < kTagsPerArchive; ++i) {
      ArchiveSource s;
      s.header = TagHeader::Fresh();
      s.header.group = kGroups[i % kGroupCount];
      s.header.tag_id = static_cast<uint32_t>((a + 1) << 16 | i);
      s.header.SetName("Tag " + std::to_string(a) + "-" + std::to_string(i));
      s.header.data_size = static_cast<uint32_t>(i % 509);
      s.file = blob;
      sources.push_back(s);
    }
    char file[32];
    std::snprintf(file, sizeof file, "archive-%02d.arc", a);
    ArchiveWriter writer;
    std::string error;
    const uint16_t type = a == 0 ? 3 : a < 4 ? 2 : 6;
    if (!writer.Write(game / "tags" / file, std::move(sources), type, file, "", 0, error) ||
        !writer.Commit(error)) {
      std::fprintf(stderr, "%s: %s\n", file, error.c_str());
      return 1;
    }
  }
  fs::remove(blob);
  for (int i = 0; i < kLooseTags; ++i) {
    const uint32_t group = kGroups[i % kGroupCount];
    const fs::path folder = LocalFolder::GroupFolderPath(game / "local", group);
    fs::create_directories(folder);
    const std::string name = "Loose " + std::to_string(i);
    if (!WriteFile(folder / name,
                   LooseTagBytes(group, 0xF0000000u | static_cast<uint32_t>(i), name, i % 300))) {
      std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
      return 1;
    }
  }
  WriteFile(game / kDoneMarker, {});
  std::printf("%s: %d archives of %d tags, %d loose tags\n", game.c_str(), kArchives,
              kTagsPerArchive, kLooseTags);
  return 0;
}

// Large blocks (an archive's records) are mmapped by malloc and counted apart.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

bool PreadAll(int fd, uint8_t* out, size_t count, off_t offset) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd, out + done, count - done, offset + static_cast<off_t>(done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::vector<std::string> ReadNames(const fs::path& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir)) {
      if (e->d_name[0] != '.') names.emplace_back(e->d_name);
    }
    ::closedir(dir);
  }
  return names;
}

// The least any index must do: list the folders, read each archive's header and directory and
// each loose file's header. Returns the number of headers read.
size_t Floor(const fs::path& game) {
  size_t headers = 0;
  std::vector<uint8_t> buffer;
  for (const std::string& name : ReadNames(game / "tags")) {
    const int fd = ::open((game / "tags" / name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    uint8_t head[ArchiveHeader::kSize];
    if (PreadAll(fd, head, sizeof head, 0)) {
      const size_t meshes = size_t{head[100]} << 8 | head[101];
      const size_t tags = size_t{head[102]} << 8 | head[103];
      buffer.resize(tags * TagHeader::kSize);
      if (PreadAll(fd, buffer.data(), buffer.size(),
                   static_cast<off_t>(ArchiveHeader::kSize + MeshRecord::kSize * meshes))) {
        headers += tags;
      }
    }
    ::close(fd);
  }
  for (const std::string& group : ReadNames(game / "local")) {
    const fs::path folder = game / "local" / group;
    for (const std::string& name : ReadNames(folder)) {
      const int fd = ::open((folder / name).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      uint8_t head[TagHeader::kSize];
      if (PreadAll(fd, head, sizeof head, 0)) ++headers;
      ::close(fd);
    }
  }
  return headers;
}

int Measure(const fs::path& game) {
  if (!fs::exists(game / kDoneMarker)) {
    std::fprintf(stderr, "%s: not generated; run `zarv_codexbench generate %s` first\n",
                 game.c_str(), game.c_str());
    return 1;
  }
  // (c) The floor, taken in the same run and best of three, like the indexing below.
  double floor_s = 1e9;
  size_t floor_headers = 0;
  for (int i = 0; i < 3; ++i) {
    const auto t0 = Clock::now();
    floor_headers = Floor(game);
    floor_s = std::min(floor_s, Seconds(t0, Clock::now()));
  }

  // (a) and (b): one Codex whose allocations are counted, then two more for the time alone.
  double index_s = 1e9;
  size_t entries = 0, copies = 0;
  double bytes_per_entry = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t before = HeapInUse();
    const auto t0 = Clock::now();
    auto codex = std::make_unique<Codex>();
    codex->OpenGameFolder(game);
    index_s = std::min(index_s, Seconds(t0, Clock::now()));
    const size_t after = HeapInUse();
    if (i == 0) {
      entries = codex->entry_count();
      for (size_t a = 0; a < codex->archive_count(); ++a) {
        copies += codex->ArchiveAt(a)->copies().size();
      }
      copies += codex->Local().size();
      bytes_per_entry = static_cast<double>(after - before) / static_cast<double>(entries);
    }
  }

  // (d) One new loose file, written as another program would, then a forced poll.
  Codex codex;
  codex.OpenGameFolder(game);
  const fs::path added = LocalFolder::GroupFolderPath(game / "local", kGroups[0]) / "Bench New";
  const uint64_t listings_before = codex.watch().listings();
  const size_t entries_before = codex.entry_count();
  if (!WriteFile(added, LooseTagBytes(kGroups[0], 0xEEEEEEEE, "Bench New", 10))) return 1;
  const auto t0 = Clock::now();
  codex.Poll(true);
  const double poll_s = Seconds(t0, Clock::now());
  const uint64_t listings_after = codex.watch().listings();
  const size_t entries_after = codex.entry_count();
  const bool indexed = codex.Find(kGroups[0], 0xEEEEEEEE) != nullptr;
  const auto t1 = Clock::now();
  codex.Poll(true);
  const double idle_poll_s = Seconds(t1, Clock::now());
  fs::remove(added);
  codex.Poll(true);

  // (e) Start-up's loading cut into pieces, each run between two frames: the longest one.
  double longest_piece_s = 0;
  size_t pieces = 0;
  {
    Codex pieced;
    GameLoad load(pieced, GameLoad::Kind::kGameFolder, game);
    for (bool more = true; more; ++pieces) {
      const auto p0 = Clock::now();
      more = load.Step();
      longest_piece_s = std::max(longest_piece_s, Seconds(p0, Clock::now()));
    }
  }

  std::printf("game folder:          %s\n", game.c_str());
  std::printf("entries:              %zu (%zu copies)\n", entries, copies);
  std::printf("floor (read only):    %.1f ms for %zu headers\n", floor_s * 1e3, floor_headers);
  std::printf("indexing:             %.1f ms (%.2f x floor; target <= 2)\n", index_s * 1e3,
              index_s / floor_s);
  std::printf("memory per entry:     %.1f bytes beyond the 64-byte header (target < 150)\n",
              bytes_per_entry - TagHeader::kSize);
  std::printf("one new loose file:   %.3f ms; listings %llu -> %llu; entries %zu -> %zu; %s\n",
              poll_s * 1e3, static_cast<unsigned long long>(listings_before),
              static_cast<unsigned long long>(listings_after), entries_before, entries_after,
              indexed ? "indexed" : "NOT INDEXED");
  std::printf("poll, nothing new:    %.3f ms\n", idle_poll_s * 1e3);
  std::printf("longest loading piece: %.1f ms of %zu pieces (target <= 100)\n",
              longest_piece_s * 1e3, pieces);
  return indexed && listings_after == listings_before + 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "generate") != 0 && std::strcmp(argv[1], "measure"))) {
    std::fprintf(stderr, "usage: %s generate|measure DIR\n", argv[0]);
    return 2;
  }
  return std::strcmp(argv[1], "generate") == 0 ? Generate(argv[2]) : Measure(argv[2]);
}
