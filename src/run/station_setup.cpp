#include "run/station_setup.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "run/box_numbers.h"
#include "run/links.h"
#include "run/source_type.h"

namespace fw {

namespace {

const char* const kCrLf = "\r\n";
const char* const kStartAfterEnd = "Your Start Date is later than your End Date, try again.";

// History mode: the window runs from the date dialog's begin day to its end day, both counted.
std::optional<Move> historyWindow(Session& s, RunContext& ctx, LineState& line) {
  const vb::VbDate begin = vb::CDate(s.form.TextBegindate.Text);
  const vb::VbDate end = vb::CDate(s.form.TextEnddate.Text);
  const int64_t days = vb::DateDiff("d", begin, end);
  if (days < 0) {
    // Said once per run; every line of the run then fails alike.
    if (!ctx.StartDateReported) {
      ctx.StartDateReported = true;
      if (s.BatchMode) {
        s.LastError = kStartAfterEnd;
        s.errlog.writeLine(kStartAfterEnd);
      } else {
        s.ui.msgBox(kStartAfterEnd, MsgButtons::OK);
      }
    }
    line.StationError = line.StationId + " " + line.Dsid + " " + kStartAfterEnd;
    line.CloseDirectly = true;
    return Move::endStation();
  }
  ctx.DaysBack = static_cast<int32_t>(days + 1);
  line.FirstDay = static_cast<int32_t>(vb::Int(begin));
  line.LastDay = static_cast<int32_t>(vb::Int(end));
  if (s.form.Option1[0].Value) {  // "Dailys Only"
    s.UnitValues = false;
    if (ctx.SourceType == 1 || ctx.SourceType == 4)
      line.DailyFromSource = true;
    else
      s.form.Check7.Value = 0;
  } else {
    s.UnitValues = true;
  }
  return std::nullopt;
}

// The first RUNOFF line of a real-time run may start every line from the last runoff computation.
void runoffQuestion(Session& s, RunContext& ctx, LineState& line) {
  if (ctx.RunoffDateChecked || vb::InStr(vb::UCase(line.Datatype_Name), "RUNOFF") == 0) return;
  const UpdateRow last = lastUpdate(s, "-1");
  ctx.DaysBack = leadingLong(s.form.Text2.Text);
  const int32_t runDay = static_cast<int32_t>(s.RunDay);
  line.LastDay = runDay;
  line.FirstDay = runDay - ctx.DaysBack;
  const int32_t lastRunoffDay = static_cast<int32_t>(vb::Int(last.updated));
  ctx.RunoffDateChecked = true;
  if (line.FirstDay > lastRunoffDay && lastRunoffDay > runDay - 100 && !s.BatchMode) {
    const int32_t ago = runDay - lastRunoffDay;
    const MsgResult answer = s.ui.msgBox(
        "Starting date is newer than last runoff computation update.  Do you want to start on last update?",
        MsgButtons::YesNo, MsgIcon::Question, "Last runoff date: " + vb::CStr(ago) + " days ago.");
    ctx.RunAnswer = static_cast<int16_t>(answer);
    if (answer == MsgResult::Yes) s.form.Text2.Text = vb::CStr(ago);
  }
}

// The DSID field "a,b" names two series: the first pass takes a, the second b, the later passes
// of a snowmelt line the snow-age and albedo series of its parameter list.
void pickDsidOfPair(RunContext& ctx, LineState& line) {
  if (vb::InStr(line.Dsid, ",") == 0) return;
  const int comma = vb::InStr(line.Dsid, ",");
  const int nameComma = vb::InStr(line.Datatype_Name, ",");
  if (ctx.SnowFollowStep == 0) {
    line.Dsid = vb::Left(line.Dsid, comma - 1);
    if (nameComma > 0) line.Datatype_Name = vb::Left(line.Datatype_Name, nameComma - 1);
    return;
  }
  if (ctx.SnowFollowStep == 1) {
    line.Dsid = vb::Mid(line.Dsid, comma + 1);
    if (nameComma > 0) line.Datatype_Name = vb::Trim(vb::Mid(line.Datatype_Name, nameComma + 1));
  } else {
    const std::vector<std::string> list = vb::Split(ctx.SnowmeltParameters, ",");
    const size_t k = static_cast<size_t>(ctx.SnowFollowStep) + 5;
    line.Dsid = k < list.size() ? vb::Replace(list[k], " ", "") : std::string();
    line.Datatype_Name = ctx.SnowFollowStep == 2 ? "Snow Age" : "Albedo";
  }
  ctx.UnitWriteFlag = true;
}

// A site-list cell holds the DSID as the database gave it (a number, mostly); it is compared with
// the line's DSID as its text would be, without making that text for every row of the search.
bool cellIs(const vb::Variant& cell, const std::string& text) {
  const vb::Variant::Storage& v = cell.storage();
  auto sameNumber = [&text](auto n) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, n).ptr;
    return std::string_view(buffer, static_cast<size_t>(end - buffer)) == text;
  };
  if (const auto* p = std::get_if<int32_t>(&v)) return sameNumber(*p);
  if (const auto* p = std::get_if<int16_t>(&v)) return sameNumber(*p);
  if (const auto* p = std::get_if<std::string>(&v)) return *p == text;
  return !cell.isNull() && cell.toString() == text;
}

std::string columnText(const Session& s, int column, int32_t row) {
  const vb::Variant& v = s.SiteList(column, row);
  return v.isNull() ? std::string() : v.toString();
}

}  // namespace

int32_t findSiteRow(const Session& s, const std::string& dsid) {
  for (int32_t row = 1; row <= s.SiteCount && row < s.SiteList.rows(); ++row)
    if (cellIs(s.SiteList(1, row), dsid)) return row;
  return 0;
}

bool isCanadianState(const std::string& state) {
  static constexpr std::array<std::string_view, 9> kProvinces = {"BC", "AB", "SK", "MB", "ON",
                                                                 "QC", "NB", "NL", "NS"};
  const std::string st = vb::UCase(vb::Trim(state));
  return std::find(kProvinces.begin(), kProvinces.end(), st) != kProvinces.end();
}

std::optional<Move> stationSetUp(Session& s, RunContext& ctx, LineState& line) {
  line.DailyFromSource = false;
  if (!s.RealtimeMode) {
    if (auto move = historyWindow(s, ctx, line)) return move;
  } else {
    runoffQuestion(s, ctx, line);
    s.UnitValues = true;
    ctx.DaysBack = std::max(0, leadingLong(s.form.Text2.Text));
    line.LastDay = static_cast<int32_t>(s.RunDay);
    line.FirstDay = line.LastDay - ctx.DaysBack;
  }

  pickDsidOfPair(ctx, line);

  if (line.Dsid != "0") {
    line.SiteRow = findSiteRow(s, line.Dsid);
    if (line.SiteRow == 0) {
      const std::string notFound = line.Dsid + " Site not found in database table RSite.";
      if (!s.BatchMode) {
        s.ui.msgBox(notFound + kCrLf + "Use Tablewise to add site info to table RSite." + kCrLf +
                        "Restart Flumewright to load the new rsite info.",
                    MsgButtons::OK, MsgIcon::Question, "Station Not Found");
        return Move::endStation();
      }
      // Unattended, the line fails on its own and the run goes on with the next.
      line.StationError = notFound;
      return Move::endStation();
    }
    line.SiteText = columnText(s, 7, line.SiteRow);
    s.SiteState = vb::UCase(columnText(s, 5, line.SiteRow));
    if (isCanadianState(s.SiteState)) {
      s.CanadaSite = true;
      // A retrieval line on a Canadian site reads the Canadian service; a line named by a keyword
      // (a computation, a model, radar, a named service) keeps its own road.
      if (ctx.SourceType != 1 && !hasSourceKeyword(line.StationId) && ctx.SourceType != 0) {
        // Another service than the line before's: its failure says nothing about this one.
        ctx.SourceType = 0;
        s.InternetFailed = false;
      }
    }
  }
  ctx.StationsRun = vb::addInteger(ctx.StationsRun, 1);
  return std::nullopt;
}

}  // namespace fw
