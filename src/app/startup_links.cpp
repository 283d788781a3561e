#include "app/session.h"
#include "app/setup_data.h"
#include "app/startup_state.h"
#include "platform/db/ado.h"
#include "run/runstations.h"
#include "store/compact_repair.h"
#include "store/connection.h"

namespace fw {

void StartupLinks::setupdata(Session& s) {
  fw::setupdata(s);
}

void StartupLinks::runstations(Session& s) {
  if (s.RunActive) return;
  fw::runstations(s);
  // A stop asked while the run walked its lines ended it before the end of the station list.
  s.LastRunStopped = s.WalkStopped;
}

std::optional<vb::VbDate> StartupLinks::lastRunTime(Session& s) {
  std::string connString = s.HdbConnString;
  db::AdoConnection connection;
  db::AdoRecordset recordset;
  openHDB2(s, connString, connection, recordset, 0);  // reports its own failure
  if (connection.State() == db::adStateClosed) return std::nullopt;
  std::optional<vb::VbDate> last;
  recordset.Open("select updated from rupdate where datatype_site_id=0;", connection);
  if (recordset.State() != db::adStateClosed && !recordset.Eof()) {
    const vb::Variant& v = recordset.Value(0);
    if (!v.isNull()) last = v.toDate();
  }
  if (recordset.State() != db::adStateClosed) recordset.Close();
  connection.Close();
  return last;
}

void StartupLinks::CompactRepair(Session& s) {
  fw::CompactRepair(s);
}

void StartupLinks::releaseDatabase(Session& s) {
  if (s.HdbDaoRsOpen && s.HdbDb.isOpen()) s.HdbDb.Close();
  s.HdbDaoRsOpen = false;
  s.HdbDaoRs = db::DaoRecordset();
  s.HdbDb = db::DaoDatabase();
  s.HdbCnn = db::AdoConnection();
  s.HdbRs = db::AdoRecordset();
}

}  // namespace fw
