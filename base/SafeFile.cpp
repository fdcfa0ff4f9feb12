#include "base/SafeFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

namespace {

std::string Reason(const std::filesystem::path& path) {
  return path.string() + ": " + std::strerror(errno);
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool SafeFile::ReadAll(const std::filesystem::path& path, uint64_t max_size,
                       std::vector<uint8_t>& out, std::string& error) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = Reason(path);
    return false;
  }
  if (std::fseek(file.get(), 0, SEEK_END) != 0) {
    error = Reason(path);
    return false;
  }
  const long length = std::ftell(file.get());
  if (length < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
    error = Reason(path);
    return false;
  }
  if (static_cast<uint64_t>(length) > max_size) {
    error = path.string() + ": the file is too large";
    return false;
  }
  out.resize(static_cast<size_t>(length));
  if (!out.empty() && std::fread(out.data(), 1, out.size(), file.get()) != out.size()) {
    error = path.string() + ": the file could not be read";
    return false;
  }
  return true;
}

bool SafeFile::ReadStart(const std::filesystem::path& path, size_t count, std::vector<uint8_t>& out,
                         uint64_t& size, std::string& error) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
    error = Reason(path);
    return false;
  }
  const long length = std::ftell(file.get());
  if (length < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
    error = Reason(path);
    return false;
  }
  size = static_cast<uint64_t>(length);
  out.resize(std::min<uint64_t>(count, size));
  if (!out.empty() && std::fread(out.data(), 1, out.size(), file.get()) != out.size()) {
    error = path.string() + ": the file could not be read";
    return false;
  }
  return true;
}

namespace {

// A new, empty file beside `target` whose name no other writer uses.
bool MakeTemp(const std::filesystem::path& target, std::string& temp, std::string& error) {
  static std::atomic<uint32_t> counter{0};
  std::random_device random;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%d-%u-%08x.tmp", static_cast<int>(getpid()),
                  counter.fetch_add(1), static_cast<unsigned>(random()));
    temp = target.string() + suffix;
    // The mode lets the umask decide, as for any other new file.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      error = Reason(target);
      return false;
    }
  }
  if (fd < 0) {
    error = target.string() + ": no temporary file could be made";
    return false;
  }
  ::close(fd);
  return true;
}

}  // namespace

bool SafeFile::Replace(const std::filesystem::path& target, const Writer& write,
                       std::string& error) {
  std::string temp;
  if (!MakeTemp(target, temp, error)) return false;
  if (!write(temp, error)) {
    ::unlink(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    error = Reason(target);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool SafeFile::ReplaceAll(const std::vector<Part>& parts, std::string& error) {
  std::vector<std::string> temps;
  const auto drop_temps = [&](size_t from) {
    for (size_t i = from; i < temps.size(); ++i) ::unlink(temps[i].c_str());
  };
  for (const Part& part : parts) {
    std::string temp;
    if (!MakeTemp(part.target, temp, error)) {
      drop_temps(0);
      return false;
    }
    temps.push_back(std::move(temp));
    if (!part.write(temps.back(), error)) {
      drop_temps(0);
      return false;
    }
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    if (std::rename(temps[i].c_str(), parts[i].target.c_str()) != 0) {
      error = Reason(parts[i].target);
      for (size_t done = 0; done < i; ++done) ::unlink(parts[done].target.c_str());
      drop_temps(i);
      return false;
    }
  }
  return true;
}

bool SafeFile::ReplaceWithBytes(const std::filesystem::path& target,
                                const std::vector<uint8_t>& bytes, std::string& error) {
  return Replace(
      target,
      [&](const std::string& temp, std::string& err) {
        std::FILE* f = std::fopen(temp.c_str(), "wb");
        if (!f) {
          err = Reason(temp);
          return false;
        }
        const bool written =
            bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        const bool closed = std::fclose(f) == 0;
        if (!written || !closed) {
          err = target.string() + ": the file could not be written";
          return false;
        }
        return true;
      },
      error);
}
