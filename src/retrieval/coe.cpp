#include "retrieval/coe.h"

#include <optional>
#include <vector>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "retrieval/get_url.h"
#include "retrieval/request_template.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"

namespace fw {

namespace {

constexpr const char* kPageTemplate = "/WaterControl/shefdata2.cfm?sid=CCLK2&d=7&dt=S";
constexpr std::size_t kFirstTableLine = 100;  // the page's head and menus come first
constexpr int kCellTextOffset = 8;            // from the "c" of `center">` to the cell's text

// The texts of a row's cells; a piece without "center" (what follows the last cell) is no cell.
// False when the row splits into two pieces or fewer (no table row).
bool rowCells(const std::string& row, std::vector<std::string>& cells) {
  cells.clear();
  const std::vector<std::string> pieces = vb::Split(row, "</div>");
  if (pieces.size() <= 2) return false;
  for (const std::string& piece : pieces) {
    const int at = vb::InStr(piece, "center");
    if (at == 0) continue;
    cells.push_back(vb::Mid(piece, at + kCellTextOffset));
  }
  return true;
}

}  // namespace

std::string coeRequest(const std::string& gauge, int32_t dayCount) {
  return fillTemplate(kPageTemplate, {{"sid=CCLK2", "sid=" + percentEncode(gauge)},
                                      {"&d=7", "&d=" + vb::CStr(dayCount + 1)}});
}

CoeText coeTransform(const std::string& page, const std::string& parameterCode, int32_t beginDay) {
  CoeText out;
  out.text = "COE \t";
  const std::vector<std::string> lines = vb::Split(page, "\n");
  std::size_t tableLine = 0;
  for (std::size_t i = kFirstTableLine; i < lines.size() && tableLine == 0; ++i)
    if (vb::InStr(lines[i], "frm_daily") > 0) tableLine = i;
  if (tableLine != 0) {
    const std::vector<std::string> rows = vb::Split(lines[tableLine], "<tr");
    std::vector<std::string> cells;
    std::size_t heading = 0;
    bool found = false;
    for (; heading < rows.size(); ++heading)
      if (rowCells(rows[heading], cells)) {
        found = true;
        break;
      }
    if (found) {
      for (std::size_t k = 0; k < cells.size(); ++k) {
        out.text += cells[k] + "\t";
        if (out.ValueField == 0 && !parameterCode.empty() && vb::InStr(cells[k], parameterCode) > 0)
          out.ValueField = static_cast<int16_t>(k + 1);
      }
      // The page lists the newest row first: walking back from the end writes oldest first.
      for (std::size_t r = rows.size() - 1; r > heading; --r) {
        if (!rowCells(rows[r], cells)) continue;
        bool leftOut = false;
        std::string line;
        for (const std::string& cell : cells) {
          if (vb::InStr(cell, ":") > 0) {
            // A date cell that does not read as a date could never be stored, and would fail
            // the whole line in the run: its row is left out.
            const std::optional<vb::VbDate> when = vb::parseDate(cell);
            if (!when || *when <= beginDay) {
              leftOut = true;
              break;
            }
            line += "\nZ\t";
          }
          line += cell + "\t";
        }
        if (!leftOut) out.text += line;
      }
    }
  }
  out.text += "\n";
  return out;
}

void GetCOE(Session& s, SourceCall& c) {
  c.ValueFieldIndex = 0;
  c.WindDegrees = false;
  c.DateFieldIndex = 1;
  c.RetrievalText.clear();
  if (vb::Left(c.StationId, 4) == "COE-") c.StationId = vb::Mid(c.StationId, 5);
  const int32_t beginDay = static_cast<int32_t>(s.RunDay) - c.DayCount;
  if (!s.RealtimeMode) {
    if (s.UnitValues) notify(s, "Flumewright COE historical unit values not supported yet, only dailys.");
    return;
  }
  const std::string page = GetURL(s, serverBase(s, kCoeService) + coeRequest(c.StationId, c.DayCount), false);
  if (c.ParameterCode == "Wind Direction") c.WindDegrees = true;
  CoeText t = coeTransform(page, c.ParameterCode, beginDay);
  c.RetrievalText = std::move(t.text);
  c.ValueFieldIndex = t.ValueField;
}

}  // namespace fw
