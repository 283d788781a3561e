#include "compute/if_check.h"

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "compute/db_lookup.h"

namespace fw::compute {

int32_t IfCheck(Session& s, const std::string& dsid, const std::string& table, vb::VbDate day, vb::VbDate endDay,
                const std::string& action, const std::string& expression) {
  ScriptControl& script = s.form.ScriptControl1;
  script.Reset();
  if (dsid != "0") {
    std::string sql;
    if (vb::LCase(table) == "rdaymax") {
      sql = "SELECT MAX(value) as maxrday FROM " + table + " where datatype_site_id=" + dsid +
            " and date_time between #" + vb::Format(day, "mm/dd/yyyy") + "# and #" + vb::Format(endDay, "mm/dd/yyyy") +
            "#;";
    } else {
      sql = "SELECT value FROM " + table + " where datatype_site_id=" + dsid + " and date_time= #" +
            vb::Format(day, "mm/dd/yyyy") + "#;";
    }
    // MAX over no rows gives one row holding Null: no value, as for no row.
    const LookupRow row = lookupRow(s, sql);
    if (!hasValue(row)) return 0;
    script.ExecuteStatement("P1=" + vb::CStr(row.first.toDouble()));
  }
  if (vb::InStr(vb::UCase(expression), "D") > 0)
    script.ExecuteStatement("D=" + vb::CStr(static_cast<int32_t>(vb::Int(day))));
  const int32_t result = vb::CInt(script.Eval(expression).toDouble());
  if (result == 0) return 0;
  const int dash = vb::InStr(action, "-");
  if (dash > 0) return vb::CInt(vb::Val(vb::Mid(action, dash + 1)));
  return result;
}

}  // namespace fw::compute
