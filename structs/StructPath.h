#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "structs/MemberValue.h"

class StructInstance;

// Member elements named by a path through a record: `hp`, `armor[2]`, `attacks[1].delay`,
// `origin.x`, and a bit of an integer as `flags:3`. Each name is a member of the record the
// path has reached (never of an enclosing one); a missing index means element 0. Scripts and
// the command-line tool address values this way, the editor's layouts by target and index.
namespace structpath {

struct Segment {
  std::string name;
  std::optional<uint32_t> index;
};

struct Parsed {
  std::vector<Segment> segments;
  std::optional<uint32_t> bit;
};

// The syntax alone; nullopt with a reason for text that is no path.
std::optional<Parsed> Parse(std::string_view text, std::string& error);

// A path bound to one element of one leaf member. The nested records on the way are views
// kept here, so `ref.instance` stays valid while this lives (and the top record does).
struct Resolved {
  MemberRef ref;
  uint32_t index = 0;
  std::optional<uint32_t> bit;
  std::vector<std::unique_ptr<StructInstance>> nested;
};

// False with a reason for an unknown member, an element past a member's capacity, a record
// named as a leaf or crossed as if it were one, or a bit of a member that holds no bits (only
// long, short and byte do, in element 0, bits below the width).
bool Resolve(StructInstance& top, std::string_view path, Resolved& out, std::string& error);

// Calls `visit` for every element of every named leaf member reachable by a path, in layout
// order, nested records element by element up to their capacity. Unnamed members and members
// hidden by an earlier one of the same name are skipped, as no path reaches them. Elements of
// a member with a count other than 1 carry their index in the path.
using LeafVisitor =
    std::function<void(const std::string& path, const MemberRef& ref, uint32_t index)>;
void ForEachLeaf(StructInstance& top, const LeafVisitor& visit);

}  // namespace structpath
