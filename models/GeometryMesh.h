#pragma once
#include <string>
#include <vector>

#include "models/Geometry.h"
#include "models/ModelMesh.h"

class Codex;

// The mesh a geometry shows, for the viewer and the export, in the game's axes like every
// ModelMesh: stored coordinates / 512 (no axis change here; MeshToObject turns the mesh back
// into LightWave's axes for the export), the box recomputed from the vertices, and each material's
// texture the bitmap of frame 0, view 0 of its sequence in the collection the geometry's collection
// reference names, as an indexed image with the collection's palette (the texture name is the
// bitmap's name). A material whose reference, collection, sequence or bitmap cannot be found has no
// texture; each such problem is one line in `warnings`. Without a codex no textures are looked up.
ModelMesh MeshFromGeometry(const Geometry& geometry, Codex* codex,
                           std::vector<std::string>& warnings);
