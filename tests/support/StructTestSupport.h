#pragma once
// Record descriptions built from XML text, for the tests of everything that reads records.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/MessageLog.h"
#include "structs/StructRegistry.h"

namespace structtest {

struct Built {
  std::unique_ptr<StructRegistry> registry = std::make_unique<StructRegistry>();
  std::vector<StructProblem> problems;
};

// tests/structs/fixtures: record descriptions covering every member type (all_types.xml).
// The tests' source folder comes from the build: __FILE__ may be relative to wherever the
// compiler ran (a compiler cache rewrites it so), which would tie the tests to one folder.
inline std::filesystem::path FixturesFolder() {
  return std::filesystem::path(ZARV_TESTS_SOURCE_DIR) / "structs" / "fixtures";
}

// `body` inside a zarvxmlfile element, read as one file of the resource folder named `file`.
inline Built Build(std::string_view body, const std::string& file = "test.xml") {
  Built built;
  XmlResourceSet resources;
  resources.LoadText(file, "<zarvxmlfile>\n" + std::string(body) + "\n</zarvxmlfile>\n",
                     &built.problems);
  built.registry->Build(std::move(resources), &built.problems);
  return built;
}

// The problems of one level whose message holds `text`.
inline std::vector<StructProblem> Matching(const std::vector<StructProblem>& problems,
                                           StructProblem::Level level, std::string_view text) {
  std::vector<StructProblem> found;
  std::copy_if(problems.begin(), problems.end(), std::back_inserter(found),
               [&](const StructProblem& p) {
                 return p.level == level && p.message.find(text) != std::string::npos;
               });
  return found;
}

// Every log line written while it lives, as "LOG [LEVEL] TEXT".
class LogLines {
 public:
  LogLines()
      : previous_(SetMessageSink([this](int level, std::string_view log, std::string_view text) {
          lines_.push_back(std::string(log) + " [" + std::to_string(level) + "] " +
                           std::string(text));
        })) {}
  ~LogLines() { SetMessageSink(previous_); }
  LogLines(const LogLines&) = delete;
  LogLines& operator=(const LogLines&) = delete;
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
  MessageSink previous_;
};

}  // namespace structtest
