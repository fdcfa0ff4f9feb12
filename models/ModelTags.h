#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "models/ModelMesh.h"

class Codex;
class CodexEntry;

// Writes a mesh as the four new local tags of one name: a collection of its textures (`.256`),
// a collection reference (`core`), a geometry (`geom`) and a model (`mode`). All four or none:
// when any cannot be created or saved, those already written are removed again. Returns the
// geometry's entry, or null with `error` saying why.
CodexEntry* MeshToTags(Codex& codex, const ModelMesh& mesh, std::string_view name,
                       std::string& error);
