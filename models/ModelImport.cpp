#include "models/ModelImport.h"

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "base/MessageLog.h"
#include "base/SafeFile.h"
#include "collections/DataFile.h"
#include "collections/ExportNames.h"
#include "models/Geometry.h"
#include "models/GeometryMesh.h"
#include "models/LightWaveMesh.h"
#include "models/LightWaveObject.h"
#include "models/ModelTags.h"

namespace {

CodexEntry* Failed() {
  LogMessage(2, kModelImportLog, "Import Failed.\n\n");
  return nullptr;
}

bool ExportFailed(const std::string& why) {
  LogMessage(0, kModelImportLog, "%s\n", why.c_str());
  LogMessage(2, kModelImportLog, "Export Failed.\n\n");
  return false;
}

// Hands out file names for one folder, each a plain name in it and none equal to another
// without regard to case, so that no file system can merge two of them.
class FolderNames {
 public:
  // `stem` (already sanitised) plus `extension`, numbered from 2 when the name is taken.
  std::string Take(const std::string& stem, const std::string& extension) {
    std::string name = stem + extension;
    for (int n = 2; !taken_.insert(Folded(name)).second; ++n) {
      name = stem + " " + std::to_string(n) + extension;
    }
    return name;
  }

 private:
  static std::string Folded(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
  std::set<std::string> taken_;
};

// The bitmap's name made a file name, without its extension.
std::string TextureStem(const std::string& bitmap_name) {
  std::string stem = ExportNames::Sanitise(bitmap_name);
  // Sanitised names never start with '.', so a dot found is an extension's.
  const size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot > 0) stem.resize(dot);
  return stem;
}

}  // namespace

CodexEntry* ImportModel(Codex& codex, const std::filesystem::path& object, std::string_view name) {
  const std::string file_name = object.filename().string();
  LogMessage(2, kModelImportLog, "Beginning import of '%s' ...\n", file_name.c_str());
  LightWaveObject lwo;
  std::string error;
  if (!ReadLightWaveObject(object, lwo, error)) {
    LogMessage(0, kModelImportLog, "%s: %s\n", file_name.c_str(), error.c_str());
    return Failed();
  }
  for (size_t i = 1; i < lwo.layers.size(); ++i) {
    LogMessage(1, kModelImportLog, "Layer %u '%s' is ignored: only the first layer is imported.\n",
               unsigned{lwo.layers[i].number}, lwo.layers[i].name.c_str());
  }
  // Textures are found beside the object; the working folder stays as it is.
  ModelMesh mesh;
  if (!ObjectToMesh(lwo, object.parent_path(), mesh, error)) {
    LogMessage(0, kModelImportLog, "%s: %s\n", file_name.c_str(), error.c_str());
    return Failed();
  }
  lwo = {};
  bool paletted = true;
  for (const ModelMesh::Material& material : mesh.materials) {
    if (material.texture_name.empty()) continue;
    if (!material.has_texture) {
      LogMessage(1, kModelImportLog, "Texture '%s' could not be loaded.\n",
                 material.texture_name.c_str());
    } else if (!material.texture.is(ImageFormat::kIndexed)) {
      LogMessage(0, kModelImportLog, "Texture '%s' was not 8-bit paletted.\n",
                 material.texture_name.c_str());
      paletted = false;
    }
  }
  if (!paletted) return Failed();
  CodexEntry* geometry = MeshToTags(codex, mesh, name, error);
  if (geometry == nullptr) {
    LogMessage(0, kModelImportLog, "%s\n", error.c_str());
    LogMessage(0, kModelImportLog,
               "LWO -> Model conversion failed. If the target model is already open in Zarv or "
               "another app, please close it first.\n");
    return Failed();
  }
  LogMessage(2, kModelImportLog, "Import Successful.\n\n");
  return geometry;
}

bool ExportModel(Codex& codex, const Geometry& geometry, std::string_view tag_name,
                 const std::filesystem::path& folder) {
  const std::string name(tag_name);
  LogMessage(2, kModelImportLog, "Beginning export of '%s' ...\n", name.c_str());
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    return ExportFailed("'" + folder.string() + "' is not a folder");
  }
  std::vector<std::string> warnings;
  const ModelMesh mesh = MeshFromGeometry(geometry, &codex, warnings);
  for (const std::string& warning : warnings) {
    LogMessage(1, kModelImportLog, "%s\n", warning.c_str());
  }

  FolderNames names;
  const std::string object_file = names.Take(ExportNames::Sanitise(name), ".lwo");
  std::vector<SafeFile::Part> parts;
  // The file written for each material (empty: untextured); materials showing one sequence
  // share its file.
  std::vector<std::string> texture_files(mesh.materials.size());
  std::map<uint16_t, size_t> material_of_sequence;
  for (size_t m = 0; m < mesh.materials.size(); ++m) {
    const ModelMesh::Material& material = mesh.materials[m];
    if (!material.has_texture) {
      LogMessage(1, kModelImportLog, "Material %zu has no bitmap; it is exported untextured.\n", m);
      continue;
    }
    const auto [it, added] = material_of_sequence.emplace(geometry.materials[m].sequence, m);
    if (!added) {
      texture_files[m] = texture_files[it->second];
      continue;
    }
    texture_files[m] = names.Take(TextureStem(material.texture_name), ".png");
    parts.push_back(
        {folder / texture_files[m], [&material](const std::string& temp, std::string& error) {
           return DataFile::saveImage(temp, material.texture, DataFile::kPng, error);
         }});
  }
  const std::vector<uint8_t> object = WriteLightWaveObject(MeshToObject(mesh, texture_files));
  parts.push_back({folder / object_file, [&object](const std::string& temp, std::string& error) {
                     return SafeFile::ReplaceWithBytes(temp, object, error);
                   }});
  std::string error;
  if (!SafeFile::ReplaceAll(parts, error)) return ExportFailed(error);
  for (const SafeFile::Part& part : parts) {
    LogMessage(2, kModelImportLog, "Wrote '%s'.\n", part.target.filename().string().c_str());
  }
  LogMessage(2, kModelImportLog, "Export Successful.\n\n");
  return true;
}
