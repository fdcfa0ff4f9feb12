// Struct editor benchmark: building the editor of one 300-member record, 40 of them tag
// members, over an index of 20,000 tags, in a headless window manager that draws into a painter
// which throws everything away. All the tags are of one group, so each of the 40 tag lists
// offers all 20,000 (kGroups spreads them over more groups); the other members are integers,
// scaled numbers, bits and enumerations, laid out ten to a row.
//
//   struct editor build   a top editor made and built from its layout: every control, every
//                         tag list filled and sorted, the table measured and placed
//
// Prints Google Benchmark's table on the error stream, then the figure with its target on the
// standard output.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "bench/support/BenchReport.h"
#include "bench/support/HeadlessGui.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "structs/StructRegistry.h"
#include "structs/XmlResourceSet.h"
#include "structs/ui/StructEditor.h"
#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagGroupTable.h"
#include "tests/support/MonoFont.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTags = 20000;
constexpr int kGroups = 1;
constexpr int kMembers = 300;
constexpr int kTagMembers = 40;

std::vector<uint32_t> Groups() {
  std::vector<uint32_t> groups;
  for (const TagGroupRow& row : TagGroupTable::Rows()) {
    if (row.code == tagcode::Make(".256") || row.code == tagcode::Make("core")) continue;
    groups.push_back(row.code);
    if (groups.size() == kGroups) break;
  }
  return groups;
}

std::string FolderOf(uint32_t group) {
  std::string name = TagGroupTable::PluralName(group);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

void WriteTag(const fs::path& file, uint32_t group, uint32_t id, const std::string& name) {
  ByteWriter w;
  w.WriteU16Be(0xFFFF);
  w.WriteU8(0);
  w.WriteU8(0);
  w.WriteFixedChars(name, 32);
  w.WriteU32Be(group);
  w.WriteU32Be(id);
  w.WriteU32Be(64);
  w.WriteU32Be(4);
  w.WriteU32Be(0);
  w.WriteU16Be(1);
  w.WriteU8(0xFF);
  w.WriteU8(0xFF);
  w.WriteU32Be(0x76726E32);
  w.WriteU32Be(0);
  const std::vector<uint8_t> bytes = w.Take();
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::string Description(const std::vector<uint32_t>& groups) {
  static const char* const kKinds[] = {"short", "long", "long_time", "short_fixed", "byte", "enum"};
  std::string xml = "<zarvxmlfile><struct name=\"Bench\">";
  std::string layout = "<structedit struct=\"Bench\" layout=\"table\"><row>";
  for (int i = 0; i < kMembers; ++i) {
    const std::string name = "m" + std::to_string(i);
    if (i > 0 && i % 10 == 0) layout += "</row><row>";
    if (i < kTagMembers) {
      xml += "<tag name=\"" + name + "\" group=\"" + tagcode::Chars(groups[i % kGroups]) + "\"/>";
      layout += "<item target=\"" + name + "\"/>";
      continue;
    }
    const std::string kind = kKinds[i % 6];
    if (kind == "enum") {
      xml += "<short_enum name=\"" + name +
             "\"><member text=\"Off\" value=\"0\"/>"
             "<member text=\"On\" value=\"1\"/><member text=\"Both\" value=\"2\"/></short_enum>";
    } else {
      xml += "<" + kind + " name=\"" + name + "\"/>";
    }
    layout +=
        "<item target=\"" + name + "\"" + (kind == "byte" ? " bit=\"2\" text=\"Bit\"" : "") + "/>";
  }
  return xml + "</struct>" + layout + "</row></structedit></zarvxmlfile>";
}

struct Fixture {
  Fixture() {
    std::string pattern = (fs::temp_directory_path() / "zarv-structedit-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    root = pattern;
    const std::vector<uint32_t> groups = Groups();
    for (uint32_t g : groups) fs::create_directories(root / "local" / FolderOf(g));
    for (int i = 0; i < kTags; ++i) {
      const uint32_t group = groups[static_cast<size_t>(i % kGroups)];
      const uint32_t id = 0x41000000u + static_cast<uint32_t>(i);
      WriteTag(root / "local" / FolderOf(group) / ("Tag " + std::to_string(i)), group, id,
               "Tag " + std::to_string(i));
    }
    ProgramCodex().OpenGameFolder(root);
    XmlResourceSet set;
    if (!set.LoadText("bench.xml", Description(groups), nullptr)) std::abort();
    registry.Build(std::move(set), nullptr);

    SetCurrentPainter(&painter);
    SetDefaultFont(&font);
    wm = std::make_unique<WindowManager>(platform, &renderer);
    wm->ResizeScreen(1024, 768);
    wm->SetInputDisabled(false);
    host = new Window(WindowFlag::Visible | WindowFlag::BackgroundA, nullptr);
    host->SetFont(&font);
    host->SetFrameRect({0, 0, 1000, 700});
  }
  ~Fixture() {
    wm.reset();
    ReleaseProgramCodex();
    SetDefaultFont(nullptr);
    SetCurrentPainter(nullptr);
    fs::remove_all(root);
  }

  fs::path root;
  StructRegistry registry;
  Font font{MonoFontData()};
  BenchPlatform platform;
  NullPainter painter;
  TreeRenderer renderer;
  std::unique_ptr<WindowManager> wm;
  Window* host = nullptr;
};

Fixture* g_fixture = nullptr;

void BM_StructEditorBuild(benchmark::State& state) {
  Fixture& f = *g_fixture;
  size_t controls = 0;
  for (auto _ : state) {
    auto* editor = new StructEditor(*f.registry.Find("Bench"), f.registry, f.host);
    editor->Build();
    controls = editor->controls().size();
    state.PauseTiming();
    Window::Close(editor);
    f.wm->DrainDeletes();
    state.ResumeTiming();
  }
  state.counters["controls"] = static_cast<double>(controls);
}
BENCHMARK(BM_StructEditorBuild)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  Fixture fixture;
  g_fixture = &fixture;
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  Figure("struct_editor_build", report.Ms("BM_StructEditorBuild"), "ms", "<", 100);
  g_fixture = nullptr;
  return 0;
}
