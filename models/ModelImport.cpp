#include "models/ModelImport.h"

#include <string>
#include <vector>

#include "base/MessageLog.h"
#include "models/LightWaveMesh.h"
#include "models/LightWaveObject.h"
#include "models/ModelTags.h"

namespace {

CodexEntry* Failed() {
  LogMessage(2, kModelImportLog, "Import Failed.\n\n");
  return nullptr;
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
