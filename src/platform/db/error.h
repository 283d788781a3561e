#pragma once
// The error numbers of the database layer. Every failure raises vb::Error with one of these
// numbers, so callers can tell a faulty command from a refused operation the way the engines of
// the Windows program did.
#include <cstdint>
#include <string>

#include "platform/vb/error.h"

namespace fw::db {

namespace err {
// A faulty command (syntax error, unknown table or column, text after the statement) and a
// unique-key violation: the provider's 0x80040E14.
inline constexpr int32_t FaultyCommand = -2147217900;
// Any other engine failure (file not found, locked, read-only, disk full): 0x80004005. Its
// description is the engine's own message.
inline constexpr int32_t EngineFailure = -2147467259;
// An operation the object's state does not allow: closed recordset, no current row, writing to a
// read-only recordset, Update without AddNew or Edit, committing below an open batch.
inline constexpr int32_t NotAllowed = 3219;
// A field index or name that the recordset does not have.
inline constexpr int32_t NoSuchField = 3265;
// A Find criterion of a shape the layer does not know.
inline constexpr int32_t BadArguments = 3001;
// A connection string whose provider the layer does not know.
inline constexpr int32_t UnknownProvider = 3706;
// CompactDatabase: the destination exists, or the source is open.
inline constexpr int32_t DatabaseExists = 3204;
inline constexpr int32_t DatabaseInUse = 3356;
// DAO Execute given a statement that returns rows.
inline constexpr int32_t ExecuteSelect = 3065;
}  // namespace err

[[noreturn]] void raise(int32_t number, const std::string& description);
[[noreturn]] void raiseNotAllowed();
[[noreturn]] void raiseNoSuchField();

}  // namespace fw::db
