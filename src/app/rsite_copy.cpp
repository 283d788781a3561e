// Copies of a station line's description into table rsite: one record per DSID of the line that
// the table does not hold yet, with defaults chosen by data type; then the database editor
// companion opens on the first DSID.
#include "app/rsite_copy.h"

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/editor_tools.h"
#include "app/session.h"
#include "platform/db/ado.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "run/sql_guard.h"
#include "store/connection.h"

namespace fw {

namespace {

constexpr const char* kSnowmeltInputs = "17XXX,18XXX,28XXX,29XXX,-29XXX,-11XXX,-23nnn,-25nnn,-31nnn";
constexpr int kSnowAgeEntry = 7;
constexpr int kAlbedoEntry = 8;

enum class CopyKind { Menu, RightClick };

std::string describe(const std::exception& e) {
  if (const auto* vbe = dynamic_cast<const vb::Error*>(&e)) return vbe->description();
  return e.what();
}

std::string beforeFirst(const std::string& text, const std::string& mark) {
  const int at = vb::InStr(text, mark);
  return at > 0 ? vb::Left(text, at - 1) : text;
}

// One record to add: its DSID, data type name, unit and parameter code.
struct RecordPlan {
  std::string dsid, name, unit, code;
};

struct LineCells {
  std::string dsid, dsid2, source, siteName, name, name2, unit, code;
};

LineCells readCells(const StationGrid& grid, int row, CopyKind kind) {
  LineCells c;
  std::string dsidCell = grid.TextMatrix(row, 2);
  dsidCell = kind == CopyKind::Menu ? vb::Trim(dsidCell) : vb::Replace(dsidCell, " ", "");
  if (vb::InStr(dsidCell, ",") > 0) {
    c.dsid = vb::Trim(beforeFirst(dsidCell, ","));
    c.dsid2 = vb::Trim(beforeFirst(vb::Mid(dsidCell, vb::InStr(dsidCell, ",") + 1), ","));
  } else {
    c.dsid = dsidCell;
  }
  c.name = vb::LCase(grid.TextMatrix(row, 3));
  if (vb::InStr(c.name, ",") > 0) {
    c.name2 = vb::Trim(vb::Mid(c.name, vb::InStr(c.name, ",") + 1));
    c.name = vb::Trim(beforeFirst(c.name, ","));
  }
  c.siteName = beforeFirst(grid.TextMatrix(row, 4), "-");
  c.unit = kind == CopyKind::Menu ? "" : "-";
  if (kind == CopyKind::RightClick && vb::InStr(c.name, "rain") > 0) c.unit = "inches";
  if (!c.dsid2.empty()) {
    if (kind == CopyKind::Menu) {
      c.code = kSnowmeltInputs;
    } else {
      const long second = std::labs(std::atol(c.dsid2.c_str()));
      const long first = std::labs(std::atol(c.dsid.c_str()));
      if (second > 22999) c.code = kSnowmeltInputs;
      else if (second > 16999 && second < 18000) c.code = "Air_Temp,Surfce_Temp";
      else if (first > 20999) c.code = "Snow Depth,% Density";
      else c.code = "Rainfall,Snowfall";
    }
  }
  c.source = grid.TextMatrix(row, 1);
  if (vb::InStr(c.source, "-") > 0) {
    if (vb::InStr(c.source, "NEXRAD") > 0) {
      c.code = "N0Q-Ridge2";
      c.unit = "inches";
    } else {
      c.source = beforeFirst(c.source, "-");
    }
  }
  return c;
}

// The unit the first record of a two-name parameter list gets.
std::string listUnit(const std::string& code) {
  if (code == "Air_Temp,Surfce_Temp") return "\xB0" "f";
  return "inches";
}

// Adds one record unless the DSID has one; false when it had one (the adding stops there).
bool addRecord(db::AdoConnection& cnn, db::AdoRecordset& rs, const LineCells& line, RecordPlan& plan,
               CopyKind kind, std::vector<std::string>& entries) {
  if (rs.State() != db::adStateClosed) rs.Close();
  rs.Open("select * from rsite where datatype_site_id=" + plan.dsid + ";", cnn);
  if (!rs.Eof()) return false;
  if (plan.dsid.size() < 3) throw std::runtime_error("DSID " + plan.dsid + " is shorter than three characters");
  const std::string last3 = vb::Right(plan.dsid, 3);
  if (vb::InStr(plan.code, ",") > 0) {
    plan.code = vb::Replace(plan.code, "nnn", last3);
    entries = vb::Split(plan.code, ",");
    plan.unit = kind == CopyKind::Menu ? "inches" : listUnit(plan.code);
  }
  const std::string typePart = vb::Left(plan.dsid, static_cast<int>(plan.dsid.size()) - 3);
  const long type = std::labs(std::atol(typePart.c_str()));
  const char digit = last3[0];
  rs.AddNew();
  rs.Fields(0) = vb::Variant(std::to_string(std::atol(last3.c_str())));
  rs.Fields(1) = vb::Variant(plan.dsid);
  rs.Fields(2) = vb::Variant(line.siteName);
  rs.Fields(3) = vb::Variant(std::to_string(type));
  rs.Fields(4) = vb::Variant(plan.name);
  if (plan.code.empty()) {
    const std::string unit = kind == CopyKind::Menu ? std::string("-") : plan.unit;
    rs.Fields(5) = vb::Variant(unit);
    rs.Fields(6) = vb::Variant(unit);
    rs.Fields(7) = vb::Variant(std::string("-"));
  } else {
    rs.Fields(5) = vb::Variant(plan.unit);
    rs.Fields(6) = vb::Variant(plan.unit);
    rs.Fields(7) = vb::Variant(plan.code);
  }
  rs.Fields(8) = vb::Variant(line.source);
  rs.Fields(9) = vb::Variant(std::to_string(std::isdigit(static_cast<unsigned char>(digit)) ? digit - '0' : 0));
  rs.Fields(10) = vb::Variant(std::string("-"));
  rs.Update();
  return true;
}

// Adds the line's records. False when the copy failed: message holds the failure's text, or is
// empty when the connection already reported it.
bool copyLine(std::string& message, Session& s, const LineCells& line, CopyKind kind) {
  for (const std::string* d : {&line.dsid, &line.dsid2}) {
    if (d == &line.dsid2 && d->empty()) continue;
    if (!isIntegerDsid(*d)) {
      message = "rsite: the DSID \"" + *d + "\" is not a whole number; nothing was added.";
      return false;
    }
  }
  std::string connString = s.HdbConnString;
  db::AdoConnection cnn;
  db::AdoRecordset rs;
  openHDB2(s, connString, cnn, rs, 1);  // reports its own failure
  message.clear();
  if (cnn.State() == db::adStateClosed) return false;
  bool ok = true;
  try {
    std::vector<std::string> entries;
    RecordPlan plan{line.dsid, line.name, line.unit, line.code};
    bool going = addRecord(cnn, rs, line, plan, kind, entries);
    if (going && !line.dsid2.empty()) {
      plan = {line.dsid2, line.name2, plan.unit, "Computed"};
      going = addRecord(cnn, rs, line, plan, kind, entries);
      const bool snowcast = kind == CopyKind::RightClick && line.source == "SNOWCAST";
      // Snow age and albedo come from the snowmelt input list; other lists have no such entries.
      if (going && !snowcast && static_cast<int>(entries.size()) > kAlbedoEntry) {
        const std::string albedo = entries[kAlbedoEntry];
        plan = {entries[kSnowAgeEntry], "snow age", "days", "Computed"};
        if (!isIntegerDsid(plan.dsid) || !isIntegerDsid(albedo))
          throw std::runtime_error("the snowmelt input list holds an entry that is not a DSID");
        if (addRecord(cnn, rs, line, plan, kind, entries)) {
          plan = {albedo, "albedo", "%", "Computed"};
          addRecord(cnn, rs, line, plan, kind, entries);
        }
      }
    }
  } catch (const std::exception& e) {
    message = "rsite: " + describe(e);
    ok = false;
  }
  if (rs.State() != db::adStateClosed) rs.Close();
  if (cnn.State() != db::adStateClosed) cnn.Close();
  return ok;
}

}  // namespace

void mnuPopupRsite_Click(Session& s) {
  StationGrid& grid = s.Form2.MSFlexGrid1;
  grid.Row = grid.RowSel;
  if (grid.Row < 1 || grid.Row >= grid.Rows()) return;
  const std::string title = grid.TextMatrix(grid.Row, 4);
  if (s.ui.msgBox("ADD this line to or EDIT table RSITE?", MsgButtons::YesNo, MsgIcon::Question, title) !=
      MsgResult::Yes)
    return;
  std::string failure;
  if (!copyLine(failure, s, readCells(grid, grid.Row, CopyKind::Menu), CopyKind::Menu)) {
    if (!failure.empty()) s.ui.msgBox(failure);
    return;
  }
  s.Form2.RsiteLaunch = true;
  cmdTablewise_Click(s);
}

void rsiteRightClickCopy(Session& s) {
  StationGrid& grid = s.Form2.MSFlexGrid1;
  grid.Row = grid.RowSel;
  if (grid.Row < 1 || grid.Row >= grid.Rows()) return;
  const std::string title = grid.TextMatrix(grid.Row, 4);
  if (s.ui.msgBox("ADD this line to table RSITE?", MsgButtons::YesNo, MsgIcon::Question, title) ==
      MsgResult::Yes) {
    std::string failure;
    if (!copyLine(failure, s, readCells(grid, grid.Row, CopyKind::RightClick), CopyKind::RightClick) &&
        !failure.empty())
      s.ui.msgBox(failure);
  }
  if (s.ui.msgBox("Do you want to edit/complete table RSITE now?", MsgButtons::YesNo, MsgIcon::Question, title) ==
      MsgResult::Yes) {
    s.Form2.RsiteLaunch = true;
    s.Form2.ListDirty = true;
    cmdTablewise_Click(s);
  }
}

}  // namespace fw
