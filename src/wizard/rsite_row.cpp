#include "wizard/rsite_row.h"

#include "app/session.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "run/sql_guard.h"
#include "store/connection.h"
#include "wizard/wizard_form.h"

namespace fw {

namespace {

std::string describe(const std::exception& e) {
  if (const auto* vbe = dynamic_cast<const vb::Error*>(&e)) return vbe->description();
  return e.what();
}

void closeRecordset(db::AdoRecordset& rs) {
  if (rs.State() != db::adStateClosed) rs.Close();
}

}  // namespace

std::string rsiteRowTail(const std::string& dsid, const std::string& state) {
  return "; " + vb::Left(vb::Right(dsid, 3), 1) + "; " + state + "; 0";
}

bool ReplaceRsite(Session& s, const std::string& dsid, const std::string& row) {
  const std::string key = vb::Trim(dsid);
  if (!isIntegerDsid(key)) {
    notify(s, "rsite: the DSID \"" + dsid + "\" is not a whole number; table rsite was not changed.",
           MsgButtons::OK, MsgIcon::Exclamation);
    return false;
  }
  if (s.ui.msgBox("Do wish to replace ALL Rsite data for " + dsid + "?", MsgButtons::YesNo, MsgIcon::Question,
                  "REPLACE RSITE DATA!!!") != MsgResult::Yes)
    return false;
  WizardForm& w = s.frmWizard;
  if (!openWizardDb(s)) return false;
  db::AdoRecordset& rs = *w.WizardRs;
  try {
    std::string sql = "select * from rsite where datatype_site_id=" + key + ";";
    if (s.Hdb2AposDates) sql = vb::Replace(sql, "#", "'");
    closeRecordset(rs);
    rs.Open(sql, *w.WizardCnn);
    const std::vector<std::string> values = vb::Split(row, ";");
    if (rs.Eof()) rs.AddNew();
    for (std::size_t i = 0; i < values.size(); ++i)
      rs.Fields(static_cast<int>(i)) = vb::Variant(vb::Trim(values[i]));
    rs.Update();
    closeRecordset(rs);
  } catch (const std::exception& e) {
    try {
      if (rs.State() != db::adStateClosed) {
        rs.CancelUpdate();
        rs.Close();
      }
    } catch (const std::exception&) {
      // A recordset the failure left unusable is opened afresh by the next write.
    }
    s.ui.msgBox(describe(e));
    return false;
  }
  s.ui.msgBox("Table rsite updated.");
  return true;
}

}  // namespace fw
