// Record description benchmark: start-up's reading of 1 MB of descriptions (2,000 definitions,
// 500 editor layouts, in 20 files) held in memory, against TinyXML parsing the same documents
// and nothing else, which is the floor: the checks before parsing, the definitions, their
// descriptors and the registry's problems are what our load adds.
//
//   load            XmlResourceSet::LoadText of every file, then StructRegistry::Build
//   tinyxml         TiXmlDocument::Parse of every file
//
// Prints Google Benchmark's table on the error stream, then the figures on the standard
// output.
#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/support/BenchReport.h"
#include "structs/StructRegistry.h"

namespace {

constexpr int kFiles = 20;
constexpr int kDefinitions = 2000;
constexpr int kLayouts = 500;

const char* const kLeafTypes[] = {"long",  "long_time",      "long_world",  "fixed",
                                  "short", "short_time",     "short_world", "fixed_fraction",
                                  "angle", "angular_velocity", "byte",      "short_fixed",
                                  "short_fixed_fraction", "sequence_index", "padding"};

// Definitions of about 500 bytes of XML each: plain members, an enumeration, a tag, and from
// time to time an array of an earlier definition with a runtime count and a bound pair.
std::vector<std::string> MakeFiles() {
  std::mt19937 random(11);
  std::vector<std::string> files(kFiles, "<?xml version=\"1.0\"?>\n<zarvxmlfile>\n");
  for (int d = 0; d < kDefinitions; ++d) {
    std::string& out = files[static_cast<size_t>(d % kFiles)];
    out += "  <struct name=\"rec" + std::to_string(d) + "\">\n";
    out += "    <short name=\"min\"/>\n    <short name=\"max\" lower_bound=\"min\"/>\n";
    const int members = 6 + static_cast<int>(random() % 5);
    for (int m = 0; m < members; ++m) {
      const char* type = kLeafTypes[random() % std::size(kLeafTypes)];
      out += "    <" + std::string(type) + " name=\"m" + std::to_string(m) + "\"";
      if (random() % 4 == 0) out += " count=\"" + std::to_string(1 + random() % 4) + "\"";
      out += "/>\n";
    }
    out += "    <tag name=\"look\" group=\".256\"/>\n";
    out += "    <byte_enum name=\"kind\"><member text=\"none\" value=\"0\"/>"
           "<member text=\"one\" value=\"1\"/><member text=\"two\" value=\"2\"/></byte_enum>\n";
    if (d >= kFiles && random() % 3 == 0) {
      // An earlier file's definition, read before this one.
      const int nested = static_cast<int>(random() % static_cast<unsigned>(d - d % kFiles));
      out += "    <byte name=\"used\"/>\n    <substruct name=\"items\" struct=\"rec" +
             std::to_string(nested - nested % kFiles) + "\" count=\"2\" runtime_count=\"used\"/>\n";
    }
    out += "  </struct>\n";
  }
  for (int l = 0; l < kLayouts; ++l) {
    std::string& out = files[static_cast<size_t>(l % kFiles)];
    out += "  <structedit struct=\"rec" + std::to_string(l) + "\" layout=\"table\">\n"
           "    <row><text text=\"Range\"/><item target=\"min\"/><item target=\"max\"/></row>\n"
           "    <row><text text=\"Look\"/><item target=\"look\"/></row>\n"
           "    <row><text text=\"Kind\"/><item target=\"kind\"/><item target=\"m0\"/></row>\n"
           "  </structedit>\n";
  }
  for (std::string& out : files) out += "</zarvxmlfile>\n";
  return files;
}

const std::vector<std::string>& Files() {
  static const std::vector<std::string> files = MakeFiles();
  return files;
}

void BM_Load(benchmark::State& state) {
  size_t definitions = 0;
  for (auto _ : state) {
    std::vector<StructProblem> problems;
    XmlResourceSet resources;
    for (size_t i = 0; i < Files().size(); ++i) {
      resources.LoadText("bench" + std::to_string(i) + ".xml", Files()[i], &problems);
    }
    StructRegistry registry;
    registry.Build(std::move(resources), &problems);
    definitions = registry.definitions().size();
    benchmark::DoNotOptimize(problems.data());
  }
  state.counters["definitions"] = static_cast<double>(definitions);
}

void BM_TinyXml(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<TiXmlDocument> documents(Files().size());
    for (size_t i = 0; i < Files().size(); ++i) {
      documents[i].Parse(Files()[i].c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    }
    benchmark::DoNotOptimize(documents.data());
  }
}

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinyXml)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  size_t bytes = 0;
  for (const std::string& file : Files()) bytes += file.size();
  std::fprintf(stderr, "%zu files, %zu bytes of descriptions\n", Files().size(), bytes);
  BenchReport report;
  if (!report.RunAll(argc, argv)) return 1;
  const double load = report.Ms("BM_Load");
  const double tinyxml = report.Ms("BM_TinyXml");
  std::printf("struct_defs_load: %.3f ms (target < 100)\n", load);
  std::printf("struct_defs_vs_tinyxml: %.2f x (target <= 2.0)\n",
              tinyxml > 0 ? load / tinyxml : -1.0);
  return 0;
}
