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

FolderConversion::FolderConversion(std::filesystem::path folder, DataFile::FileFormat target,
                                   Mode mode)
    : folder_(std::move(folder)), target_(target), mode_(mode) {}

std::filesystem::path FolderConversion::Upcoming() const {
  return next_ < files_.size() ? files_[next_] : std::filesystem::path();
}

bool FolderConversion::Next(const Progress& progress, const Failure& failure) {
  if (!walked_) {
    walked_ = true;
    files_ = GatherFiles(folder_);
    inputs_.insert(files_.begin(), files_.end());
    return !files_.empty();
  }
  if (next_ >= files_.size()) return false;
  const std::filesystem::path& path = files_[next_++];
  if (progress) progress(path);
  Treat(path, failure);
  return true;
}

void FolderConversion::Treat(const std::filesystem::path& path, const Failure& failure) {
  const auto fail = [&](const std::string& why) {
    ++result_.failed;
    if (failure) failure(path, why);
  };
  DataFile file(path);
  const bool probed = file.probe();
  // Only images count; one whose header is bad is reported like one whose pixels are.
  if (file.kind() != DataFile::kImage) return;
  if (!probed) return fail(file.error());
  const bool same_format = file.fileFormat() == target_;
  if (same_format && mode_ == Mode::kFull) return;
  if (same_format && file.image().is(ImageFormat::kGreyscale)) return;
  if (!file.loadPixels()) return fail(file.error());
  // The greyscale rule may only show once the palette has been looked at.
  if (same_format && file.image().is(ImageFormat::kGreyscale)) return;
  const bool alpha = mode_ == Mode::kAlphaOnly && file.image().convert(ImageFormat::kGreyscale);
  const std::filesystem::path out = OutputPath(path, target_, alpha);
  std::error_code ec;
  // Nothing that is there is replaced: a source, another output of this run, or whatever
  // appeared since the walk (a link, a folder, a file someone else wrote meanwhile).
  if (inputs_.count(out) != 0 || !outputs_.insert(out).second ||
      std::filesystem::symlink_status(out, ec).type() != std::filesystem::file_type::not_found) {
    return fail("not written: " + out.string() + " would be replaced");
  }
  std::string error;
  if (!DataFile::saveImage(out, file.image(), target_, error)) return fail(error);
  ++result_.processed;
}

FolderConversion::Result FolderConversion::Run(const std::filesystem::path& folder,
                                               DataFile::FileFormat target, Mode mode,
                                               const Progress& progress, const Failure& failure) {
  FolderConversion run(folder, target, mode);
  while (run.Next(progress, failure)) {
  }
  return run.Totals();
}
