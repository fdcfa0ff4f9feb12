// Fuzz target for the record descriptions. Besides not crashing: every problem names the file;
// every definition read is within what a descriptor can hold and its members tile it; a record
// converted from the input and back converts to the same memory again; writing a member the
// value it shows changes no byte; used counts stay within capacity.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/MessageLog.h"
#include "fuzz/FuzzCheck.h"
#include "structs/MemberValue.h"
#include "structs/StructInstance.h"
#include "structs/StructRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    SetMessageSink([](int, std::string_view, std::string_view) {});
    return true;
  }();
  (void)quiet;

  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<StructProblem> problems;
  XmlResourceSet resources;
  resources.LoadText("fuzz.xml", text, &problems);
  StructRegistry registry;
  registry.Build(std::move(resources), &problems);
  for (const StructProblem& problem : problems) {
    Check(problem.file == "fuzz.xml" && problem.line >= 0, "a problem names no place");
  }

  size_t budget = 4096;  // member visits per input, to keep each run short
  for (const auto& definition : registry.definitions()) {
    Check(definition->size() > 0 && definition->size() <= StructDefinition::kMaxSize,
          "a definition outside the descriptor's sizes was read");
    Check(definition->descriptor().file_size() == definition->size(),
          "a descriptor disagrees with its definition's size");
    uint64_t offset = 0;
    for (const auto& member : definition->members()) {
      Check(member->offset == offset, "members do not follow each other");
      offset += member->byte_size();
    }
    Check(offset == definition->size(), "members do not cover the record");

    std::vector<uint8_t> file(definition->size());
    for (size_t i = 0; i < file.size(); ++i) file[i] = size != 0 ? data[i % size] : 0;
    StructInstance record(*definition);
    Check(record.ReadSwapped(file), "a record of the right size was refused");
    const std::vector<uint8_t> memory = record.Snapshot();
    const std::vector<uint8_t> written = record.WriteSwapped();
    StructInstance again(*definition);
    Check(again.ReadSwapped(written) && again.Snapshot() == memory,
          "a record does not survive a round trip");

    for (const auto& member : definition->members()) {
      if (budget == 0) return 0;
      --budget;
      const MemberRef ref{member.get(), &record};
      Check(membervalue::UsedCount(record, *member) <= member->count, "used count over capacity");
      if (member->nested != nullptr || member->count == 0) continue;
      (void)membervalue::Shown(ref, 0);
      const std::vector<uint8_t> before = record.Snapshot();
      if (membervalue::WriteInteger(ref, 0, membervalue::Read(ref, 0))) {
        Check(record.Snapshot() == before, "writing the shown value changed the record");
      }
    }
  }
  return 0;
}
