#pragma once
#include <filesystem>
#include <string_view>

class Codex;
class CodexEntry;
class Geometry;

// The "Model Import" log title: every line of an import or export goes there.
inline constexpr const char* kModelImportLog = "Model Import";

// Imports a triangulated LightWave object and its paletted textures (resolved against the
// object's own folder; the working folder never changes) as four new local tags named `name`.
// Returns the new geometry's entry, or null after "Import Failed.".
CodexEntry* ImportModel(Codex& codex, const std::filesystem::path& object, std::string_view name);

// Writes the geometry as `<tag name>.lwo` and its textures as PNG files into `folder`, undoing
// every step of the import. False when anything could not be written (logged); nothing is left
// half written.
bool ExportModel(Codex& codex, const Geometry& geometry, std::string_view tag_name,
                 const std::filesystem::path& folder);
