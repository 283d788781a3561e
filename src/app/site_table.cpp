#include "app/site_table.h"

#include "app/session.h"
#include "platform/db/ado.h"
#include "platform/db/dao.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "store/connection.h"

namespace fw {

namespace {

// rsite positions the list is made of.
constexpr int kDsid = 1;
constexpr int kDatatypeNumber = 3;
constexpr int kUnit = 5;
constexpr int kParameterCode = 7;
constexpr int kSource = 8;
constexpr int kState = 10;
constexpr int kHourShift = 11;  // present only in tables of more than 12 columns

template <class Recordset>
void fillSiteList(Session& s, Recordset& rs, int16_t count) {
  s.SiteCount = count;
  if (count == 0) return;  // the list keeps what it held
  s.SiteList.redim(kSiteListColumns, count + 1);
  const bool hasHourShift = rs.FieldCount() > 12;
  for (int i = 1; i <= count; ++i) {
    s.SiteList(1, i) = rs.Fields(kDsid).Value();
    s.SiteList(2, i) = rs.Fields(kDatatypeNumber).Value();
    const vb::Variant& unit = rs.Fields(kUnit).Value();
    s.SiteList(3, i) = unit.isNull() ? unit : vb::Variant(vb::LCase(unit.toString()));
    s.SiteList(4, i) = rs.Fields(kParameterCode).Value();
    s.SiteList(6, i) = vb::Variant(static_cast<int16_t>(0));
    if (hasHourShift && !rs.Fields(kHourShift).IsNull()) s.SiteList(6, i) = rs.Fields(kHourShift).Value();
    s.SiteList(7, i) = rs.Fields(kSource).Value();
    // The run reads the site's state (Canadian provinces are served by their own retriever).
    if (rs.FieldCount() > kState) s.SiteList(5, i) = rs.Fields(kState).Value();
    rs.MoveNext();
  }
}

// The main connection is closed after every load, also one that failed part-way; the run
// opens it again.
void closeMainConnection(Session& s) {
  if (s.HdbUseDAO) {
    if (s.HdbDaoRsOpen) {
      if (s.HdbDaoRs.isOpen()) s.HdbDaoRs.Close();
      s.HdbDaoRsOpen = false;
    }
    if (s.HdbDb.isOpen()) s.HdbDb.Close();
  } else {
    if (s.HdbRs.State() != db::adStateClosed) s.HdbRs.Close();
    if (s.HdbCnn.State() != db::adStateClosed) s.HdbCnn.Close();
  }
}

struct CloseOnExit {
  Session& s;
  ~CloseOnExit() {
    try {
      closeMainConnection(s);
    } catch (...) {  // closing never adds a failure of its own to the one being raised
    }
  }
};

}  // namespace

void getrsite(Session& s) {
  openHDB(s);
  // openHDB has told the user why the database cannot be reached; querying it would only add a
  // second, less helpful message.
  if (s.HdbUseDAO ? !s.HdbDb.isOpen() : s.HdbCnn.State() == db::adStateClosed) return;
  CloseOnExit closer{s};

  std::string sql = "select * from rsite order by datatype_site_id;";
  if (s.HdbIsExcel) sql = vb::Replace("select * from rsite;", "rsite", "[rsite$]");

  if (s.HdbUseDAO) {
    s.HdbDaoRs = s.HdbDb.OpenRecordset(sql, db::dbOpenSnapshot);
    s.HdbDaoRsOpen = true;
    s.ui.doEvents();
    if (!s.HdbDaoRs.Eof()) s.HdbDaoRs.MoveLast();  // an empty table has no last record
    const int16_t count = vb::toInteger(s.HdbDaoRs.RecordCount());
    if (count != 0) s.HdbDaoRs.MoveFirst();
    fillSiteList(s, s.HdbDaoRs, count);
  } else {
    if (s.HdbRs.State() != db::adStateClosed) s.HdbRs.Close();
    s.HdbRs.Open(sql, s.HdbCnn);
    s.ui.doEvents();
    fillSiteList(s, s.HdbRs, vb::toInteger(s.HdbRs.RecordCount()));
  }
}

}  // namespace fw
