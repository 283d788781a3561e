#include "platform/vb/textfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "platform/vb/error.h"

namespace vb {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void raiseForErrno(int e, const std::filesystem::path&) {
  int number = err::PathFileAccess;
  if (e == ENOENT) number = err::PathNotFound;
  if (e == ENOSPC) number = 61;                // "Disk full"
  if (e == EACCES || e == EPERM) number = 70;  // "Permission denied"
  raise(number);
}

void writeAll(std::FILE* f, const std::string& bytes, const std::filesystem::path& path) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
    raiseForErrno(errno, path);
}

// Writes bytes to a temporary file beside path, flushes it to disk (when durable) and renames it
// over path.
// A rename needs only the folder's rights, so an existing file that may not be written is refused
// first; the new file keeps the old one's mode, and a symbolic link keeps pointing at the file.
void replaceFile(const std::filesystem::path& given, const std::string& bytes, bool durable = true) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path path = given;
  std::error_code ec;
  if (std::filesystem::is_symlink(given, ec)) {
    const std::filesystem::path target = std::filesystem::weakly_canonical(given, ec);
    if (!ec) path = target;
  }
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  if (exists && ::access(path.c_str(), W_OK) != 0) raiseForErrno(errno, path);
  std::filesystem::path tmp = path;
  tmp += ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
  {
    File f(std::fopen(tmp.c_str(), "wb"));
    if (!f) raiseForErrno(errno, path);
    try {
      writeAll(f.get(), bytes, path);
      if (exists && ::fchmod(::fileno(f.get()), old.st_mode & 07777) != 0) raiseForErrno(errno, path);
      if (std::fflush(f.get()) != 0 || (durable && ::fsync(::fileno(f.get())) != 0))
        raiseForErrno(errno, path);
    } catch (...) {
      f.reset();
      std::remove(tmp.c_str());
      throw;
    }
    if (std::fclose(f.release()) != 0) {
      int e = errno;
      std::remove(tmp.c_str());
      raiseForErrno(e, path);
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    int e = errno;
    std::remove(tmp.c_str());
    raiseForErrno(e, path);
  }
}

}  // namespace

std::string readAllBytes(const std::filesystem::path& path) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    if (errno == ENOENT || errno == ENOTDIR) raise(err::FileNotFound);
    raiseForErrno(errno, path);
  }
  std::string bytes;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) bytes.append(buf, n);
  if (std::ferror(f.get())) raiseForErrno(errno, path);
  return bytes;
}

bool fileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::vector<std::string> splitLines(const std::string& text, LineEnds ends) {
  std::vector<std::string> lines;
  const size_t n = text.size();
  size_t start = 0;
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    size_t endLen = 0;
    if (c == '\r') {
      if (ends == LineEnds::LfOnly) continue;
      endLen = (i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
    } else if (c == '\n') {
      if (ends == LineEnds::LineInput) continue;
      endLen = 1;
    } else {
      continue;
    }
    lines.emplace_back(text, start, i - start);
    i += endLen - 1;
    start = i + 1;
  }
  if (start < n) lines.emplace_back(text, start);
  return lines;
}

std::vector<std::string> readLines(const std::filesystem::path& path, LineEnds ends) {
  return splitLines(readAllBytes(path), ends);
}

void writeLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (const auto& l : lines) {
    bytes += l;
    bytes += "\r\n";
  }
  replaceFile(path, bytes);
}

void writeAllBytes(const std::filesystem::path& path, const std::string& bytes) {
  replaceFile(path, bytes);
}

void writeScratchBytes(const std::filesystem::path& path, const std::string& bytes) {
  replaceFile(path, bytes, false);
}

void appendLine(const std::filesystem::path& path, const std::string& line) {
  File f(std::fopen(path.c_str(), "ab"));
  if (!f) raiseForErrno(errno, path);
  writeAll(f.get(), line + "\r\n", path);
  if (std::fclose(f.release()) != 0) raiseForErrno(errno, path);
}

}  // namespace vb
