#include "store/connection.h"

#include "app/session.h"
#include "platform/db/connection_string.h"
#include "platform/db/error.h"
#include "platform/heap.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

// The provider text: the part between the first and the second "=" in lower case, for example
// "microsoft.jet.oledb.4.0;data source".
std::string providerText(const std::string& connString) {
  // A server URI as the whole string has no "Provider=" key.
  if (db::isPostgresUri(connString)) return "postgresql";
  std::vector<std::string> pieces = vb::Split(connString, "=");
  if (pieces.size() < 2) vb::raise(vb::err::SubscriptOutOfRange);
  return vb::LCase(pieces[1]);
}

// A workbook string gets its options once; afterwards "HDR=" is there and nothing is added.
void appendWorkbookOptions(Session& s, std::string& connString) {
  s.HdbIsExcel = false;
  if (vb::InStr(vb::UCase(connString), "EXCEL") > 0) {
    if (vb::InStr(connString, "HDR=") == 0) {
      if (vb::Right(connString, 1) == ";") connString += "ReadOnly=False;HDR=Yes;";
      else connString += ";ReadOnly=False;HDR=Yes;";
    }
    s.HdbIsExcel = true;
  }
}

void reportFailure(Session& s, const std::string& routine, const std::string& rawText, const std::string& hint,
                   const std::string& connString) {
  const std::string text = db::maskConnectionSecrets(rawText, connString);
  s.LastError = routine + ": " + text;
  if (s.BatchMode) s.errlog.writeLine(s.LastError);
  else s.ui.msgBox(s.LastError + hint);
}

}  // namespace

void openHDB(Session& s) {
  keepFreedHeap();
  try {
    std::string provider = providerText(s.HdbConnString);
    s.HdbAposDates = true;
    s.HdbUseDAO = false;
    s.HdbFile.clear();
    if (vb::InStr(provider, ".jet") > 0) {
      s.HdbAposDates = false;
      s.HdbUseDAO = true;
      if (vb::InStr(s.HdbConnString, "//") > 0 || vb::InStr(s.HdbConnString, "|") > 0) s.HdbUseDAO = false;
    }
    if (vb::InStr(provider, "access") > 0 || vb::InStr(provider, "excel") > 0) s.HdbAposDates = false;

    if (s.HdbUseDAO) {
      std::vector<std::string> pieces = vb::Split(s.HdbConnString, "=");
      if (pieces.size() < 3) vb::raise(vb::err::SubscriptOutOfRange);
      s.HdbFile = vb::Split(pieces[2], ";")[0];
      if (!s.DaoEngine) s.DaoEngine.emplace();
      s.DaoEngine->ProgramFolder = s.programFolder;
      // HdbFile names the file as found here, so that a run and the compaction reach the same file.
      s.HdbFile = db::resolveDataSource(s.HdbFile, s.programFolder).string();
      s.HdbDb = s.DaoEngine->OpenDatabase(s.HdbFile, false, true);
      return;
    }

    s.form.chkCompactRepair.Enabled = false;  // compaction works only over DAO
    s.HdbCnn = db::AdoConnection();
    s.HdbRs = db::AdoRecordset();
    appendWorkbookOptions(s, s.HdbConnString);
    s.HdbCnn.ConnectionString = s.HdbConnString;
    s.HdbCnn.CursorLocation = db::adUseClient;
    s.HdbCnn.ProgramFolder = s.programFolder;
    s.HdbCnn.Open("", "", -1);
    s.ui.doEvents();
  } catch (const vb::Error& e) {
    databaseNotOpened(s, e);
  }
}

void databaseNotOpened(Session& s, const vb::Error& e) {
  s.noteDatabaseFault("openHDB: " + db::maskConnectionSecrets(e.description(), s.HdbConnString));
  reportFailure(s, "openHDB", e.description(),
                "... check connection string by 'Select Station(s)', 'Connection'. (maybe \\Program Files (x86)\\) and "
                "then 'Save' setup.",
                s.HdbConnString);
}

void openHDB2(Session& s, std::string& connString, db::AdoConnection& connection, db::AdoRecordset& recordset,
              int16_t writable) {
  try {
    connection = db::AdoConnection();
    recordset = db::AdoRecordset();
    std::string provider = providerText(connString);
    s.Hdb2AposDates = !(vb::InStr(provider, ".jet") > 0 || vb::InStr(provider, "access") > 0 ||
                        vb::InStr(provider, "excel") > 0);
    appendWorkbookOptions(s, connString);
    connection.ConnectionString = connString;
    connection.CursorLocation = db::adUseClient;
    connection.Mode = writable != 0 ? db::adModeReadWrite : db::adModeRead;
    connection.ProgramFolder = s.programFolder;
    connection.Open();
    s.ui.doEvents();
    recordset.CursorLocation = db::adUseClient;
    recordset.CursorType = db::adOpenStatic;
    recordset.LockType = db::adLockOptimistic;
    s.ui.doEvents();
  } catch (const vb::Error& e) {
    reportFailure(s, "openHDB2", e.description(), "... check connection string.", connString);
  }
}

namespace {

template <class Recordset>
void readFirstRow(Recordset& rs, bool& atEnd, vb::Variant& first, double& largest, vb::Variant& second) {
  atEnd = rs.Eof();
  if (!atEnd) {
    first = rs.Fields(0).Value();
    if (rs.FieldCount() == 2) second = rs.Fields(1).Value();
  }
  if (largest != 0) {
    rs.MoveFirst();
    while (!rs.Eof()) {
      const vb::Variant& v = rs.Fields(0).Value();
      if (!v.isNull() && v.toDouble() > largest) largest = v.toDouble();
      rs.MoveNext();
    }
  }
}

}  // namespace

void GetCurrentCNNsql(Session& s, std::string& sql, bool& atEnd, vb::Variant& first, double& largest,
                      vb::Variant& second) {
  try {
    if (s.HdbAposDates) sql = vb::Replace(sql, "#", "'");
    second = vb::Variant(static_cast<int16_t>(0));
    if (s.HdbUseDAO) {
      s.HdbDaoRs = s.HdbDb.OpenRecordset(sql, db::dbOpenSnapshot);
      s.HdbDaoRsOpen = true;
      readFirstRow(s.HdbDaoRs, atEnd, first, largest, second);
    } else {
      if (s.HdbIsExcel) sql = vb::Replace(sql, "rday", "[rday$]");
      if (s.HdbRs.State() != db::adStateClosed) s.HdbRs.Close();
      s.HdbRs.Open(sql, s.HdbCnn);
      readFirstRow(s.HdbRs, atEnd, first, largest, second);
    }
  } catch (const vb::Error& e) {
    s.LastError = "GetCurrentCNNsql: " + e.description();
    atEnd = true;
    s.errlog.writeLine(s.LastError);
    if (!s.BatchMode) s.ui.msgBox(s.LastError);
  }
}

void CloseCNNrs(Session& s) {
  if (s.HdbUseDAO) {
    if (s.HdbDaoRsOpen) {
      if (s.HdbDaoRs.isOpen()) s.HdbDaoRs.Close();
      s.HdbDaoRsOpen = false;
    }
  } else if (s.HdbRs.State() != db::adStateClosed) {
    s.HdbRs.Close();
  }
}

}  // namespace fw
