#include "collections/FolderConversion.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <system_error>
#include <vector>

namespace {

// Names the system or other programs leave in folders; never images worth converting.
bool IsIgnoredName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "." || lower == ".." || lower == "desktop.ini" || lower == "thumbs.db" ||
         lower == ".ds_store";
}

std::vector<std::filesystem::path> GatherFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  // Symbolic links to folders are not followed, so a link loop cannot make the walk endless.
  std::filesystem::recursive_directory_iterator it(
      folder, std::filesystem::directory_options::skip_permission_denied, ec);
  for (; !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (IsIgnoredName(name)) {
      if (it->is_directory(ec)) it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file(ec)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::filesystem::path FolderConversion::OutputPath(const std::filesystem::path& source,
                                                   DataFile::FileFormat target, bool alpha) {
  std::filesystem::path out = source;
  out.replace_extension();
  if (alpha) out += ".alpha";
  out += DataFile::extensionOf(target);
  return out;
}

FolderConversion::Result FolderConversion::Run(
    const std::filesystem::path& folder, DataFile::FileFormat target, Mode mode,
    const std::function<void(const std::filesystem::path&)>& progress,
    const std::function<void(const std::filesystem::path&, const std::string&)>& failure) {
  Result result;
  const std::vector<std::filesystem::path> files = GatherFiles(folder);
  const std::set<std::filesystem::path> inputs(files.begin(), files.end());
  std::set<std::filesystem::path> outputs;
  for (const std::filesystem::path& path : files) {
    if (progress) progress(path);
    DataFile file(path);
    const bool probed = file.probe();
    // Only images count; one whose header is bad is reported like one whose pixels are.
    if (file.kind() != DataFile::kImage) continue;
    if (!probed) {
      ++result.failed;
      if (failure) failure(path, file.error());
      continue;
    }
    const bool same_format = file.fileFormat() == target;
    if (same_format && mode == Mode::kFull) continue;
    if (same_format && file.image().is(ImageFormat::kGreyscale)) continue;
    if (!file.loadPixels()) {
      ++result.failed;
      if (failure) failure(path, file.error());
      continue;
    }
    // The greyscale rule may only show once the palette has been looked at.
    if (same_format && file.image().is(ImageFormat::kGreyscale)) continue;
    const bool alpha = mode == Mode::kAlphaOnly && file.image().convert(ImageFormat::kGreyscale);
    const std::filesystem::path out = OutputPath(path, target, alpha);
    if (inputs.count(out) != 0 || !outputs.insert(out).second) {
      ++result.failed;
      if (failure) failure(path, "not written: " + out.string() + " would be replaced");
      continue;
    }
    std::string error;
    if (!DataFile::saveImage(out, file.image(), target, error)) {
      ++result.failed;
      if (failure) failure(path, error);
      continue;
    }
    ++result.processed;
  }
  return result;
}
