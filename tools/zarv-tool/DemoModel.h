#pragma once
#include <filesystem>
#include <string>

#include "models/ModelMesh.h"

// The demo game's model: a crate, a unit cube standing on the ground, each face its own colour
// and material, written as the four tags an import makes (collection, collection reference,
// geometry and model, all named "Crate"), so that the geometry viewer has something to open.
namespace demomodel {
// The cube: 8 vertices, 12 triangles with outward normals, 6 textured materials sharing one
// palette (colour i + 1 for face i).
ModelMesh CrateMesh();
// Writes the four tags into `local_folder` as the import does.
bool Write(const std::filesystem::path& local_folder, std::string& error);
}  // namespace demomodel
