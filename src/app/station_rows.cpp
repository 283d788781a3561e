// The station grid's row operations in edit mode: new lines, new lines by data type, delete,
// copy and paste of whole lines.
#include <cmath>
#include <string>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

constexpr int kSnowmeltType = 23;
constexpr int kMaxSite = 999;

// Texts are kept in the setup file's code page (Windows-1252): 0xB0 is "°", 0x92 is "’".
const std::vector<std::string> kDataTypes = {
    "1 flow, cfs",
    "2 gage height, ft",
    "3 elevation, ft",
    "4 contents, af",
    "5 contents, % capacity",
    "6 specific conductance, umhos",
    "7 water temperature, \xB0" "f",
    "8 ph, std units",
    "9 total precip, inches",
    "10 rainfall, inches",
    "11 rainfall, inches",
    "12 turbidity, fnu",
    "13 dissolved oxygen, %",
    "14 tds, mg/l",
    "15 pressure, in hg",
    "16 dew point, \xB0" "f",
    "17 air temperature, \xB0" "f",
    "18 humidity, %",
    "19 wind, direction",
    "20 wind gust, mph",
    "21 snow depth, inches",
    "22 absolute humidity, g/m3",
    "23 snow water content, inches",
    "24 inflow, cfs",
    "25 xxx, NONE",
    "26 xxx, % of",
    "27 ET, inches",
    "28 wind speed, mph",
    "29 solar radiation, Langley\x92s/day",
    "30 runoff, cfs",
    "31 ratio, % of",
    "32 nexrad maximum, what ever",
};

std::string stationIdFor(int type) {
  switch (type) {
    case 23: return "SNOWMELT-Hour";
    case 30: return "COMPUTE-Unit";
    case 31: return "COMPUTE-Hour";
    case 32: return "NEXRAD-XXX";
    default: return "XXXXX";
  }
}

// Appends an empty row, makes it current and scrolls it into view.
int appendRow(StationGrid& grid) {
  grid.AddItem();
  const int16_t r = static_cast<int16_t>(grid.Rows() - 1);
  grid.Row = r;
  grid.RowSel = r;
  if (!grid.RowIsVisible(r)) grid.TopRow = r;
  return r;
}

}  // namespace

const std::vector<std::string>& DataTypeList() { return kDataTypes; }

void mnuPopupAdd_Click(Session& s) { appendRow(s.Form2.MSFlexGrid1); }

void mnuPopupAddDSID_Click(Session& s) { s.Form2.Frame1Visible = true; }

void cmdCancelNewLine_Click(Session& s) { s.Form2.Frame1Visible = false; }

void cmdAddNewLine_Click(Session& s) {
  StationEditor& f = s.Form2;
  f.Frame1Visible = false;
  const double siteValue = std::nearbyint(vb::Val(f.txtSID.Text));
  const int type = static_cast<int>(vb::Val(vb::Left(f.ComboAddNewLine.Text, 2)));
  if (type < 1 || type > static_cast<int>(kDataTypes.size())) {
    notify(s, "Choose a data type first; no line was added.", MsgButtons::OK, MsgIcon::Exclamation);
    return;
  }
  if (!(siteValue >= 0 && siteValue <= kMaxSite)) {
    notify(s, "Site_ID " + vb::Trim(f.txtSID.Text) + " is outside 0 to 999; no line was added.", MsgButtons::OK,
           MsgIcon::Exclamation);
    return;
  }
  const int32_t site = static_cast<int32_t>(siteValue);
  const int32_t dsid = type * 1000 + site;
  std::string dsidText = std::to_string(dsid);
  if (type == kSnowmeltType) dsidText = std::to_string(site + 10000) + ", " + dsidText;

  const std::string rest = vb::Mid(f.ComboAddNewLine.Text, 3);
  const int comma = vb::InStr(rest, ",");
  const std::string name = vb::Trim(comma > 0 ? vb::Left(rest, comma - 1) : rest);

  StationGrid& grid = f.MSFlexGrid1;
  const int r = appendRow(grid);
  grid.TextMatrix(r, 1) = stationIdFor(type);
  grid.TextMatrix(r, 2) = dsidText;
  grid.TextMatrix(r, 3) = name;
  grid.TextMatrix(r, 4) = "My New Site, NV";
  if (type == kSnowmeltType) {
    grid.TextMatrix(r, 5) = "0";
    grid.TextMatrix(r, 6) = "-0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0";
  }
  f.ListDirty = true;
}

void mnuPopupDelete_Click(Session& s) {
  StationEditor& f = s.Form2;
  StationGrid& grid = f.MSFlexGrid1;
  const int16_t r = grid.Row;
  if (grid.Rows() >= 3 && r > 0 && r < grid.Rows()) {
    grid.RemoveItem(r);
    // The remembered line moves with the lines; deleting it forgets it.
    if (f.CopiedRow == r) f.CopiedRow = 0;
    else if (f.CopiedRow > r) --f.CopiedRow;
    if (grid.Row >= grid.Rows()) grid.Row = static_cast<int16_t>(grid.Rows() - 1);
    grid.RowSel = grid.Row;
  }
  f.ListDirty = true;
}

void mnuPopupCopy_Click(Session& s) { s.Form2.CopiedRow = s.Form2.MSFlexGrid1.Row; }

void mnuPopupPaste_Click(Session& s) {
  StationEditor& f = s.Form2;
  StationGrid& grid = f.MSFlexGrid1;
  if (f.CopiedRow == 0) return;
  if (f.CopiedRow < grid.Rows() && grid.Row > 0 && grid.Row < grid.Rows()) {
    const StationGrid::GridRow from = grid.row(f.CopiedRow);
    for (int c = 1; c < grid.Cols(); ++c) grid.TextMatrix(grid.Row, c) = from[static_cast<std::size_t>(c)];
    grid.Col = static_cast<int16_t>(grid.Cols() - 1);
  }
  f.ListDirty = true;
}

}  // namespace fw
