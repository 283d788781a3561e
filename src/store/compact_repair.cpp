#include "store/compact_repair.h"

#include <cerrno>
#include <system_error>

#include "app/session.h"
#include "common/paths.h"
#include "platform/vb/error.h"

namespace fw {

namespace {

namespace fs = std::filesystem;

// A file system failure as the VB file statements reported it.
[[noreturn]] void raiseFileError(const std::error_code& ec) {
  if (ec == std::errc::no_such_file_or_directory) vb::raise(vb::err::FileNotFound);
  if (ec == std::errc::file_exists || ec == std::errc::directory_not_empty)
    vb::raise(58);  // File already exists
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) vb::raise(70);
  vb::raise(vb::err::PathFileAccess);
}

std::string corruptedText(const Session& s) {
  return s.HdbFile +
         " may be corrupted.  Copy your *_backup.mdb to a safe location before proceeding...  Then delete "
         "the "
         "*_new.mdb and try Compact & Repair again.";
}

}  // namespace

CompactFileOps systemFileOps() {
  CompactFileOps ops;
  ops.rename = [](const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec) raiseFileError(ec);
  };
  ops.remove = [](const fs::path& file) {
    std::error_code ec;
    fs::remove(file, ec);
    if (ec) raiseFileError(ec);
  };
  return ops;
}

void CompactRepair(Session& s) {
  CompactRepair(s, systemFileOps());
}

void CompactRepair(Session& s, const CompactFileOps& ops) {
  s.ui.doEvents();
  try {
    const std::string name = FileNameOnly(s.HdbFile);
    const auto dot = name.find('.');
    // A file name without "." has no base name to build the work files from.
    if (dot == std::string::npos) vb::raise(vb::err::InvalidProcedureCall);
    const std::string base = name.substr(0, dot);
    const std::string ext = name.substr(name.rfind('.'));
    const fs::path database(s.HdbFile);
    const fs::path folder = database.parent_path() / "BatchBackup";
    const fs::path backup = folder / (base + "_backup" + ext);
    const fs::path fresh = folder / (base + "_new" + ext);

    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
      fs::create_directory(folder, ec);
      if (ec) raiseFileError(ec);
    }
    if (fs::exists(fresh, ec)) {
      s.LastError = corruptedText(s);
      return;
    }

    s.ui.doEvents();
    if (!s.DaoEngine) {
      s.DaoEngine.emplace();
      s.DaoEngine->ProgramFolder = s.programFolder;
    }
    s.DaoEngine->CompactDatabase(s.HdbFile, fresh.string());
    s.ui.doEvents();

    const auto size = fs::file_size(fresh, ec);
    if (ec || size == 0) {
      s.LastError = corruptedText(s);
      return;
    }
    // The old backup goes only once a compacted copy exists, and the database is never deleted:
    // it moves to the backup name, and back again when its copy cannot take its place.
    if (fs::exists(backup, ec)) ops.remove(backup);
    ops.rename(database, backup);
    try {
      ops.rename(fresh, database);
    } catch (const vb::Error&) {
      try {
        ops.rename(backup, database);
      } catch (const vb::Error& back) {
        s.errlog.writeLine("CompactRepair: the database stays at " + backup.string() + ": " +
                           back.description());
      }
      throw;
    }
  } catch (const vb::Error& e) {
    s.LastError = "CompactRepair: " + e.description();
  }
}

}  // namespace fw
