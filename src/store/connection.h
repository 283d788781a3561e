#pragma once
// The main database connection: which engine a connection string means, how its SQL is written,
// a second connection for routines that keep their own, the one-query routine and the close of
// the shared recordset.
#include <cstdint>
#include <string>

#include "platform/db/ado.h"
#include "platform/vb/error.h"
#include "platform/vb/variant.h"

namespace fw {

struct Session;

// Opens the main connection from HdbConnString: a Jet string opens its file over DAO (read-only,
// until a run reopens it writable), unless the string holds "|" or "//"; anything else over ADO.
// Sets HdbUseDAO, HdbAposDates, HdbIsExcel and HdbFile. A failure sets LastError to "openHDB: "
// and the engine's text and shows it (batch: writes it to the error log).
void openHDB(Session& s);
// What openHDB does when the database cannot be opened: LastError, the error log or a box, and
// the database fault the exit status reports. For the run's own opening too.
void databaseNotOpened(Session& s, const vb::Error& e);

// A second, independent ADO connection: connString may get the workbook options appended;
// writable non-zero opens it for reading and writing. Sets Hdb2AposDates (and HdbIsExcel).
void openHDB2(Session& s, std::string& connString, db::AdoConnection& connection, db::AdoRecordset& recordset,
              int16_t writable);

// Runs one query on the shared recordset and returns its first row: atEnd when it has none, first
// = column 0, second = column 1 when the result has exactly two columns (else the integer 0).
// When largest is not 0 on entry it becomes the largest column-0 value of all rows above it. The
// recordset stays open for the caller to close with CloseCNNrs. sql receives the quoting and
// sheet-name rewrites.
void GetCurrentCNNsql(Session& s, std::string& sql, bool& atEnd, vb::Variant& first, double& largest,
                      vb::Variant& second);

// Closes the shared recordset of the engine in use.
void CloseCNNrs(Session& s);

}  // namespace fw
