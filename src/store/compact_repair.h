#pragma once
// The daily compaction of the database file of a DAO connection, with yesterday's file kept as a
// backup in the "BatchBackup" folder beside the database.
#include <filesystem>
#include <functional>

namespace fw {

struct Session;

// The file operations compaction uses; tests replace one to make it fail. A failing operation
// raises vb::Error with VB's file error number and text.
struct CompactFileOps {
  std::function<void(const std::filesystem::path& from, const std::filesystem::path& to)> rename;
  std::function<void(const std::filesystem::path& file)> remove;
};
CompactFileOps systemFileOps();

// Compacts HdbFile into "BatchBackup/<base>_new.<ext>" (base: the file name before its first
// "."), then replaces the previous backup "<base>_backup.<ext>" by the database and puts the
// compacted copy at the database's path. At every moment the data exist at HdbFile or at the
// backup name: when the compacted copy cannot take the database's place, the database is moved
// back before the failure is reported. The outcome is LastError, empty on success:
//   - a "_new" file left by an earlier attempt, or an empty compacted copy: HdbFile followed by
//     " may be corrupted.  ..." (the copy stays, so later attempts stop until a user deletes it);
//   - any other failure: "CompactRepair: " and the error text.
// The caller has emptied LastError and holds no connection to the file.
void CompactRepair(Session& s);
void CompactRepair(Session& s, const CompactFileOps& ops);

}  // namespace fw
