#include "store/update_rows.h"

#include <cmath>

#include "platform/db/error.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "store/series_reader.h"
#include "store/series_writer.h"

namespace fw {
namespace {

constexpr int16_t kRunoffDataType = 30;
constexpr int kNoteLength = 98;

void requireDsid(const std::string& dsid) {
  if (!isDsid(dsid))
    db::raise(vb::err::TypeMismatch, "the datatype_site_id \"" + dsid + "\" is not a whole number");
}

std::string querySql(const Session& s, const std::string& dsid, WriterForm form) {
  std::string sql = "select * from rupdate where datatype_site_id=" + dsid + ";";
  if (form == WriterForm::AdoBatch && s.HdbIsExcel) sql = vb::Replace(sql, "rupdate", "[rupdate$]");
  return sql;
}

// The shared recordset of the engine in use, as these routines need it.
struct UpdateRs {
  Session& s;
  WriterForm form;

  void open(const std::string& sql, bool forWriting) {
    if (form == WriterForm::DaoImmediate) {
      s.HdbDaoRs = s.HdbDb.OpenRecordset(sql, db::dbOpenDynaset);
      s.HdbDaoRsOpen = true;
      return;
    }
    close();
    if (forWriting) s.HdbRs.LockType = db::adLockOptimistic;
    s.HdbRs.Open(sql, s.HdbCnn);
  }
  void close() {
    if (form == WriterForm::DaoImmediate) {
      if (!s.HdbDaoRsOpen) return;
      s.HdbDaoRsOpen = false;
      s.HdbDaoRs.Close();
    } else if (s.HdbRs.State() != db::adStateClosed) {
      s.HdbRs.Close();
    }
  }
  bool eof() { return form == WriterForm::DaoImmediate ? s.HdbDaoRs.Eof() : s.HdbRs.Eof(); }
  vb::Variant value(int i) {
    return form == WriterForm::DaoImmediate ? s.HdbDaoRs.Value(i) : s.HdbRs.Value(i);
  }
  db::Field field(int i) {
    return form == WriterForm::DaoImmediate ? s.HdbDaoRs.Fields(i) : s.HdbRs.Fields(i);
  }
  void addNew() { form == WriterForm::DaoImmediate ? s.HdbDaoRs.AddNew() : s.HdbRs.AddNew(); }
  void edit() {
    if (form == WriterForm::DaoImmediate) s.HdbDaoRs.Edit();  // ADO edits by assigning a field
  }
  void update() { form == WriterForm::DaoImmediate ? s.HdbDaoRs.Update() : s.HdbRs.Update(); }
  void cancelUpdate() {
    if (form == WriterForm::DaoImmediate) {
      if (s.HdbDaoRsOpen && s.HdbDaoRs.isOpen()) s.HdbDaoRs.CancelUpdate();
    } else if (s.HdbRs.State() != db::adStateClosed) {
      s.HdbRs.CancelUpdate();
    }
  }
};

void lastUpdate(Session& s, const std::string& dsid, vb::VbDate& updated, double& value, WriterForm form) {
  UpdateRs rs{s, form};
  // Each step goes on after a failure, so one call may log several lines.
  auto step = [&](auto&& body) {
    try {
      body();
    } catch (const vb::Error& e) {
      value = 0;
      s.LastError = dsid + " hdblastupdate: " + e.description();
      s.noteProgramFault(s.LastError);
      logPaneLine(s, s.LastError);
      if (s.form.onRepaint) s.form.onRepaint("Form1");
      s.errlog.writeLine(s.LastError);
    }
  };
  bool opened = false;
  step([&] {
    requireDsid(dsid);
    rs.open(querySql(s, dsid, form), false);
    opened = true;
  });
  bool none = true;
  if (opened) step([&] { none = rs.eof(); });
  if (none) {
    updated = 0;
    value = 0;
  } else {
    step([&] {
      const vb::Variant u = rs.value(2);
      updated = u.isNull() ? 0 : u.toDate();
    });
    step([&] {
      const vb::Variant v = rs.value(3);
      value = v.isNull() ? 0 : v.toDouble();
    });
  }
  step([&] { rs.close(); });
}

void update(Session& s, const std::string& dsid, const std::string& note, const vb::Variant& updated,
            double value, WriterForm form) {
  UpdateRs rs{s, form};
  try {
    const std::string text = vb::Left(note, kNoteLength);
    const bool writeValue = dsidDataType(dsid) != kRunoffDataType || value > 1;
    requireDsid(dsid);
    rs.open(querySql(s, dsid, form), true);
    if (rs.eof()) {
      rs.addNew();
      rs.field(0) = vb::Variant(dsid);
    } else {
      rs.edit();
    }
    rs.field(1) = vb::Variant(text);
    rs.field(2) = updated;
    if (writeValue) rs.field(3) = vb::Variant(value);
    rs.update();
    rs.close();
  } catch (const vb::Error& e) {
    s.LastError = vb::Format(s.clock.now(), "mm-dd-yyyy hh:mm ") + dsid + " HDBupdate  " + e.description();
    s.noteProgramFault(s.LastError);
    logPaneLine(s, s.LastError);
    s.errlog.writeLine(s.LastError);
    // Whatever was being added or edited is dropped: the row stays as it was.
    try {
      rs.cancelUpdate();
      rs.close();
    } catch (const vb::Error& again) {
      s.errlog.writeLine(dsid + " HDBupdate  " + again.description());
    }
  }
}

}  // namespace

int16_t dsidDataType(const std::string& dsid) {
  if (vb::Len(dsid) <= 3) return 0;
  return vb::CInt(std::fabs(vb::Val(vb::Left(dsid, vb::Len(dsid) - 3))));
}

void hdblastupdate(Session& s, const std::string& dsid, vb::VbDate& updated, double& value) {
  lastUpdate(s, dsid, updated, value, WriterForm::AdoBatch);
}
void hdblastupdateDAO(Session& s, const std::string& dsid, vb::VbDate& updated, double& value) {
  lastUpdate(s, dsid, updated, value, WriterForm::DaoImmediate);
}
void hdbupdate(Session& s, const std::string& dsid, const std::string& note, const vb::Variant& updated,
               double value) {
  update(s, dsid, note, updated, value, WriterForm::AdoBatch);
}
void hdbupdateDAO(Session& s, const std::string& dsid, const std::string& note, const vb::Variant& updated,
                  double value) {
  update(s, dsid, note, updated, value, WriterForm::DaoImmediate);
}

}  // namespace fw
