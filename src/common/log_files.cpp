#include "common/log_files.h"

#include <fstream>
#include <string>
#include <system_error>

#include "app/session.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw {
namespace {

bool samePath(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ea, eb;
  const auto ca = std::filesystem::weakly_canonical(a, ea);
  const auto cb = std::filesystem::weakly_canonical(b, eb);
  if (ea || eb) return a.lexically_normal() == b.lexically_normal();
  return ca == cb;
}

// The file's length in bytes; 0 for a missing file. Throws std::filesystem_error otherwise.
std::uintmax_t fileLength(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    if (ec) throw std::filesystem::filesystem_error("file length", path, ec);
    return 0;
  }
  return std::filesystem::file_size(path);
}

void shrink(const std::filesystem::path& path, int32_t limit) {
  const std::uintmax_t length = fileLength(path);
  if (length == 0 || static_cast<int64_t>(length) <= static_cast<int64_t>(limit)) return;
  const std::string bytes = vb::readAllBytes(path);
  const int keepFrom = static_cast<int>(bytes.size() / 3);
  vb::writeAllBytes(path, vb::Mid(bytes, keepFrom));
}

}  // namespace

bool CheckFileClosed(Session& s, const std::filesystem::path& path) {
  bool opened = false;
  {
    std::ofstream probe(path, std::ios::binary | std::ios::app);
    opened = probe.is_open();
  }
  if (opened) return false;
  notify(s, "Before continuing, close file: " + path.string(), MsgButtons::OK);
  return true;
}

void ShrinkLog(Session& s, const std::filesystem::path& path, int32_t limit) {
  const bool reopen = s.errlog.isOpen() && samePath(s.errlog.path(), path);
  if (reopen) s.errlog.close();
  std::string failure;
  try {
    shrink(path, limit);
  } catch (const vb::Error& e) {
    failure = e.description();
  } catch (const std::filesystem::filesystem_error& e) {
    failure = e.code().message();
  } catch (const std::exception& e) {
    failure = e.what();
  }
  if (!failure.empty()) {
    s.LastError = "ShrinkLog: " + failure;
    s.errlog.writeLine(s.LastError);
  }
  if (reopen) s.errlog.open();
}

}  // namespace fw
