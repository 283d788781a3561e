#include "run/links.h"

#include <filesystem>
#include <system_error>

#include "app/session.h"
#include "app/setup_data.h"
#include "platform/vb/format.h"
#include "store/connection.h"
#include "store/update_rows.h"

namespace fw {

QueryResult runSelect(Session& s, const std::string& sql, double largest) {
  QueryResult q;
  q.largest = largest;
  std::string text = sql;
  vb::Variant second;
  // GetCurrentCNNsql reports a failure itself, through LastError.
  std::string before = std::move(s.LastError);
  s.LastError.clear();
  GetCurrentCNNsql(s, text, q.eof, q.first, q.largest, second);
  q.failed = !s.LastError.empty();
  if (!q.failed) s.LastError = std::move(before);
  return q;
}

void closeSelect(Session& s) {
  CloseCNNrs(s);
}

void openRunDatabase(Session& s) {
  if (!s.HdbUseDAO) {
    if (s.HdbCnn.State() == db::adStateClosed) s.HdbCnn.Open();
    return;
  }
  if (!s.DaoEngine) s.DaoEngine.emplace();
  s.HdbDb = s.DaoEngine->OpenDatabase(s.HdbFile);
}

void closeRunDatabase(Session& s) {
  if (s.HdbUseDAO) {
    if (s.HdbDaoRsOpen && s.HdbDaoRs.isOpen()) s.HdbDaoRs.Close();
    s.HdbDaoRsOpen = false;
    if (s.HdbDb.isOpen()) s.HdbDb.Close();
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(s.HdbFile, ec);
    const double megabytes = ec ? 0.0 : static_cast<double>(bytes) / 1024000.0;
    s.HdbSizeText = ", HDB size= " + vb::FormatNumber(megabytes, "0") + " MB";
    return;
  }
  if (s.HdbRs.State() != db::adStateClosed) s.HdbRs.Close();
  if (s.HdbCnn.State() != db::adStateClosed) s.HdbCnn.Close();
  s.HdbSizeText.clear();
}

UpdateRow lastUpdate(Session& s, const std::string& dsid) {
  UpdateRow row;
  if (s.HdbUseDAO)
    hdblastupdateDAO(s, dsid, row.updated, row.value);
  else
    hdblastupdate(s, dsid, row.updated, row.value);
  return row;
}

void writeUpdate(Session& s, const std::string& dsid, const std::string& note, vb::VbDate updated,
                 double value) {
  if (s.HdbUseDAO)
    hdbupdateDAO(s, dsid, note, vb::Variant::Date(updated), value);
  else
    hdbupdate(s, dsid, note, vb::Variant::Date(updated), value);
}

ScriptControl& scriptControl(Session& s) {
  return s.form.ScriptControl1;
}

void reloadSetup(Session& s) {
  setupdata(s);
}

}  // namespace fw
