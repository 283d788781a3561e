#include "run/links.h"

#include <filesystem>
#include <system_error>

#include "app/session.h"
#include "platform/vb/format.h"
#include "store/connection.h"

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

}  // namespace fw
