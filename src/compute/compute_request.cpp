// GET lines of the COMPUTE source: a four-line request file names the table, the source (a
// HEC-DSS file or a connection string) and the series or query; the rows go to "computeIn.txt".
#include <cmath>

#include "app/session.h"
#include "compute/hdbcompute.h"
#include "compute/staging_file.h"
#include "platform/db/ado.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "store/connection.h"

namespace fw::compute {

namespace {

const char* const kCrLf = "\r\n";

std::string valueAfterColon(const std::string& line) {
  const int colon = vb::InStr(line, ":");
  return vb::Trim(colon > 0 ? vb::Mid(line, colon + 1) : std::string());
}

std::string importRow(vb::VbDate d, float value, int32_t source) {
  // A single prints with its own seven digits (0.1, not 0.100000001490116).
  return "Z\t" + vb::Format(d, "yyyy-mm-dd hh:mm") + "\t" + vb::StrSingle(value) + " \t" +
         vb::PrintNumber(source) + "\t\n";
}

// The rows of a HEC-DSS series; an empty text with Error set when the file cannot be read.
std::string dssRows(Session& s, SourceCall& c, const std::string& table, const std::string& file,
                    const std::string& pathname) {
  DssStore& dss = *s.services.dss;
  if (!dss.ZOPEN_(s, file)) {
    c.Error = "Could not open " + file;
    return std::string();
  }
  std::vector<std::string> parts = vb::Split(pathname, "/");
  const int32_t interval = parts.size() > 5 ? static_cast<int32_t>(vb::Int(vb::Val(parts[5]))) : 0;
  if (parts.size() > 4) parts[4].clear();
  DssReadCall read;
  read.pathname = vb::Join(parts, "/");
  if (c.DailyFlag) {
    read.startDate = vb::Format(static_cast<vb::VbDate>(c.FirstDay), "dd MMM yyyy");
    read.startTime = "0000";
  } else {
    read.startDate = vb::Format(static_cast<vb::VbDate>(c.FirstDay - 1), "dd MMM yyyy");
    read.startTime = "2400";
  }
  int32_t count = c.LastDay - c.FirstDay;
  double stepDays = 1;
  if (table == "rhour") {
    count *= 24;
    stepDays = 1.0 / 24;
  } else if (table == "runit") {
    if (interval <= 0) vb::raise(vb::err::DivisionByZero);
    count = static_cast<int32_t>(std::nearbyint(count * 1440.0 / interval));
    stepDays = interval / 1440.0;
  }
  read.count = count + 1;
  read.values.assign(static_cast<size_t>(count) + 2, 0.0f);
  dss.ZRRTS_(s, read);
  s.ui.doEvents();
  dss.ZCLOSE_(s);
  if (read.status > 3 && read.status < 10) {
    c.Error = dss.ZrrtsStatusText(read.status);
    return std::string();
  }
  std::string rows;
  if (read.count == 0) {
    logPaneLine(s, "No values returned.");
    return rows;
  }
  for (int32_t i = 0; i < read.count && static_cast<size_t>(i) < read.values.size(); ++i)
    rows += importRow(vb::roundToSecond(c.FirstDay + i * stepDays), read.values[static_cast<size_t>(i)], 16);
  return rows;
}

std::string databaseRows(Session& s, SourceCall& c, std::string connString, std::string query) {
  if (vb::InStr(query, "DAY1") > 0) {
    query = vb::Replace(query, "DAY1", vb::Format(static_cast<vb::VbDate>(c.FirstDay), "mm/dd/yyyy hh:mm"));
    query = vb::Replace(query, "DAY2", vb::Format(static_cast<vb::VbDate>(c.LastDay), "mm/dd/yyyy hh:mm"));
  } else if (!s.BatchMode) {
    s.ui.msgBox("No 'DAY1' in: " + query);
  }
  db::AdoConnection cn;
  db::AdoRecordset rs;
  // A connection that does not open is reported by openHDB2 (without its password); the query
  // then fails on the closed connection and ends the import in the error frame.
  openHDB2(s, connString, cn, rs, 0);
  if (s.Hdb2AposDates) query = vb::Replace(query, "#", "'");
  std::string rows;
  try {
    rs.Open(query, cn);
    while (rs.State() != db::adStateClosed && !rs.Eof()) {
      rows += importRow(rs.Value(0).toDate(), static_cast<float>(rs.Value(1).toDouble()), 0);
      rs.MoveNext();
    }
  } catch (...) {
    if (rs.State() != db::adStateClosed) rs.Close();
    if (cn.State() != db::adStateClosed) cn.Close();
    throw;
  }
  if (rs.State() != db::adStateClosed) rs.Close();
  cn.Close();
  return rows;
}

}  // namespace

void computeRequest(Session& s, SourceCall& c, std::string& requestName) {
  requestName = c.ParameterCode;
  const std::filesystem::path path = s.inProgramFolder(vb::Trim(c.ParameterCode));
  if (vb::Trim(c.ParameterCode).empty() || !vb::fileExists(path)) {
    c.Error = "File not found: " + c.ParameterCode;
    return;
  }
  const std::vector<std::string> lines = vb::readLines(path);
  if (lines.size() < 4) vb::raise(vb::err::InputPastEndOfFile);
  const std::string table = vb::LCase(valueAfterColon(lines[1]));
  const std::string source = valueAfterColon(lines[2]);
  const std::string series = valueAfterColon(lines[3]);
  c.DailyFlag = table == "rday";

  std::string rows;
  if (vb::UCase(vb::Right(source, 4)) == ".DSS") {
    const std::string file = vb::InStr(source, "\\") > 0 || vb::InStr(source, "/") > 0
                                 ? source
                                 : s.inProgramFolder(source).string();
    rows = dssRows(s, c, table, file, series);
    if (!c.Error.empty()) {
      writeStagingBytes(s, StagingKind::Compute, series + kCrLf);
      return;
    }
  } else {
    try {
      rows = databaseRows(s, c, source, series);
    } catch (...) {
      // The staging file holds only its title, never the rows of an earlier line.
      writeStagingBytes(s, StagingKind::Compute, series + kCrLf);
      throw;
    }
  }
  c.RetrievalText = writeStagingBytes(s, StagingKind::Compute, series + kCrLf + rows);
  c.Error.clear();
  if (c.ValueColumns.empty()) c.ValueColumns.resize(1);
  c.ValueColumns[0] = 2;
}

}  // namespace fw::compute
