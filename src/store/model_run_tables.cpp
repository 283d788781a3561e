#include "store/model_run_tables.h"

#include <vector>

#include "platform/db/error.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "store/connection.h"
#include "store/series_reader.h"

namespace fw {
namespace {

constexpr int kNoteKeep = 255;

void requireDsid(const std::string& dsid) {
  if (!isDsid(dsid))
    db::raise(vb::err::TypeMismatch, "the datatype_site_id \"" + dsid + "\" is not a whole number");
}

// Adds the row the query finds none of, or updates the one it finds, with the columns in order.
// `word` names the writer in the error line. A DSID that goes into the query must be a number.
void upsert(Session& s, bool dao, const std::string& sql, const std::vector<vb::Variant>& columns,
            const std::string& dsid, bool dsidInSql, const char* word) {
  try {
    if (dsidInSql) requireDsid(dsid);
    if (dao) {
      s.HdbDaoRs = s.HdbDb.OpenRecordset(sql, db::dbOpenDynaset);
      s.HdbDaoRsOpen = true;
      if (s.HdbDaoRs.Eof())
        s.HdbDaoRs.AddNew();
      else
        s.HdbDaoRs.Edit();
      for (size_t i = 0; i < columns.size(); ++i) s.HdbDaoRs.Fields(static_cast<int>(i)) = columns[i];
      s.HdbDaoRs.Update();
      s.HdbDaoRsOpen = false;
      s.HdbDaoRs.Close();
    } else {
      if (s.HdbRs.State() != db::adStateClosed) s.HdbRs.Close();
      s.HdbRs.LockType = db::adLockOptimistic;
      s.HdbRs.Open(sql, s.HdbCnn);
      if (s.HdbRs.Eof()) s.HdbRs.AddNew();
      for (size_t i = 0; i < columns.size(); ++i) s.HdbRs.Fields(static_cast<int>(i)) = columns[i];
      s.HdbRs.Update();
      s.HdbRs.Close();
    }
  } catch (const vb::Error& e) {
    s.LastError = vb::Format(s.clock.now(), "mm-dd-yyyy hh:mm ") + dsid + word + e.description();
    logPaneLine(s, s.LastError);
    s.errlog.writeLine(s.LastError);
    try {
      if (dao) {
        if (s.HdbDaoRsOpen) {
          s.HdbDaoRsOpen = false;
          if (s.HdbDaoRs.isOpen()) s.HdbDaoRs.CancelUpdate();
          s.HdbDaoRs.Close();
        }
      } else if (s.HdbRs.State() != db::adStateClosed) {
        s.HdbRs.CancelUpdate();
        s.HdbRs.Close();
      }
    } catch (const vb::Error& again) {
      s.errlog.writeLine(dsid + word + again.description());
    }
  }
}

std::string runIdText(const Session& s) {
  return vb::CStr(static_cast<int32_t>(s.RunId));
}
std::string traceText(const Session& s) {
  return vb::CStr(static_cast<int32_t>(s.TraceNo));
}

void mrun(Session& s, bool dao, const std::string& dsid, vb::VbDate when, const std::string& description,
          const std::string& kind) {
  upsert(s, dao, "select * from mrun where run_id=" + runIdText(s) + ";",
         {vb::Variant(s.RunId), vb::Variant::Date(s.LastRunStart), vb::Variant::Date(when),
          vb::Variant(s.TraceNo), vb::Variant(dsid), vb::Variant(kind), vb::Variant(description)},
         dsid, false, " HDBmrun  ");
}

void mrundsid(Session& s, bool dao, const std::string& dsid, double number, const std::string& text1,
              const std::string& note, const std::string& text2) {
  upsert(s, dao,
         "select * from mrundsid where run_id=" + runIdText(s) + " and trace=" + traceText(s) +
             " and datatype_site_id=" + dsid + ";",
         {vb::Variant(s.RunId), vb::Variant(s.TraceNo), vb::Variant(dsid), vb::Variant(number),
          vb::Variant(text1), vb::Variant(static_cast<int16_t>(1)), vb::Variant(vb::Right(note, kNoteKeep)),
          vb::Variant(text2)},
         dsid, true, " HDBmrundsid  ");
}

}  // namespace

void hdbmrun(Session& s, const std::string& dsid, vb::VbDate when, const std::string& description,
             const std::string& kind) {
  mrun(s, false, dsid, when, description, kind);
}
void hdbmrunDAO(Session& s, const std::string& dsid, vb::VbDate when, const std::string& description,
                const std::string& kind) {
  mrun(s, true, dsid, when, description, kind);
}
void hdbmrundsid(Session& s, const std::string& dsid, double number, const std::string& text1,
                 const std::string& note, const std::string& text2) {
  mrundsid(s, false, dsid, number, text1, note, text2);
}
void hdbmrundsidDAO(Session& s, const std::string& dsid, double number, const std::string& text1,
                    const std::string& note, const std::string& text2) {
  mrundsid(s, true, dsid, number, text1, note, text2);
}

bool MrundsidExists(Session& s, const std::string& runId, const std::string& dsid) {
  if (!isDsid(runId) || !isDsid(dsid)) return false;
  const std::string sql =
      "select * from mrundsid where run_id=" + runId + " and datatype_site_id=" + dsid + ";";
  bool exists = false;
  try {
    openHDB(s);
    if (s.HdbUseDAO) {
      s.HdbDaoRs = s.HdbDb.OpenRecordset(sql, db::dbOpenSnapshot);
      s.HdbDaoRsOpen = true;
      exists = !s.HdbDaoRs.Eof();
    } else {
      s.HdbRs.Open(sql, s.HdbCnn);
      exists = !s.HdbRs.Eof();
    }
  } catch (const vb::Error&) {
    // The answer is "not there"; the wizard asks only to warn before overwriting, and openHDB has
    // reported a database it could not open.
  }
  try {
    if (s.HdbUseDAO) {
      if (s.HdbDaoRsOpen) {
        s.HdbDaoRsOpen = false;
        s.HdbDaoRs.Close();
      }
    } else if (s.HdbRs.State() != db::adStateClosed) {
      s.HdbRs.Close();
    }
  } catch (const vb::Error&) {
    // Closing a recordset that failed to open: nothing left to release.
  }
  return exists;
}

}  // namespace fw
