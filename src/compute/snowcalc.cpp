#include "compute/snowcalc.h"

#include <exception>
#include <vector>

#include "app/session.h"
#include "common/log_files.h"
#include "compute/snowmelt_inputs.h"
#include "compute/snowpack_energy_balance.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "run/sql_guard.h"
#include "store/series_reader.h"

namespace fw::compute {

namespace {

const char* const kResultFile = "snowin.txt";
const char* const kDiagnosticFile = "SNOWMELT.txt";
constexpr double kMmPerInch = 25.4;
// A gap this much longer than the limit is still within it: dates carry rounding of about 1e-10 d.
constexpr double kGapSlack = 1e-9;

const char* const kUnitsRow[] = {"input",  "input",  "input",  "input",  "input",  "input",
                                 "[mm/h]", "[mm/h]", "days",   "shine",  "K",      "Pa",
                                 "Pa",     "[W/m²]", "[W/m²]", "[W/m²]", "[W/m²]", "[W/m²]",
                                 "[W/m²]", "[W/m²]", "[mm/h]", "[mm/h]", "[in]",   "[in]"};
const char* const kNamesRow[] = {"date_time",
                                 "Temp",
                                 "Humidity",
                                 "Wind",
                                 "Solar",
                                 "Longwave",
                                 "Precip",
                                 "rainfall",
                                 "snowfall",
                                 "snowage",
                                 "albedo",
                                 "surf.temp",
                                 "VP.air",
                                 "VP.surface",
                                 "Shortwave rad. balance",
                                 "Longwave rad. balance",
                                 "Sensible heat flux",
                                 "Latent heat flux",
                                 "Advektive flux rain",
                                 "Advektive flux snow",
                                 "Energy balance",
                                 "(Re-)Sublimation",
                                 "Melt",
                                 "SWE",
                                 "Melt/Rain"};

std::string diagnosticHeader(const std::string& inputList, const std::string& dsidField) {
  std::string h;
  for (int k = 0; k <= 25; ++k) h += std::to_string(k) + "\t";
  h += "\n" + inputList + "\t\t";
  for (size_t k = 0; k < std::size(kUnitsRow); ++k) h += (k ? "\t" : "") + std::string(kUnitsRow[k]);
  h += "\n" + dsidField;
  for (const char* name : kNamesRow) h += "\t" + std::string(name);
  return h + "\r\n";
}

// The DSID at a position of the input list; not a whole number ends the computation.
std::string inputDsid(const std::vector<std::string>& list, size_t position) {
  const std::string dsid = vb::Replace(list[position], " ", "");
  if (!isIntegerDsid(dsid))
    throw vb::Error(vb::err::TypeMismatch, "snowmelt input " + std::to_string(position + 1) +
                                               " is not a DSID: \"" + vb::Trim(list[position]) + "\"");
  return dsid;
}

class SnowRun {
 public:
  SnowRun(Session& s, SnowcalcCall& c) : s_(s), c_(c) {}
  void run();
  // The files hold what was computed so far, whatever happens.
  void closeFiles();

 private:
  int32_t read(const std::string& dsid, const std::string& table, bool modelRun);
  void firstStep(int32_t i);
  void writeRows(int32_t i, const SnowRowTexts& r);

  Session& s_;
  SnowcalcCall& c_;
  size_t readSize_ = 0;
  SnowParameters p_;
  SnowSettings set_;
  SnowpackState state_;
  std::string result_;
  std::string diagnostics_;
  bool diagnosticsOn_ = false;
  SnowTimeBase* base_ = nullptr;
};

int32_t SnowRun::read(const std::string& dsid, const std::string& table, bool modelRun) {
  s_.UnitSeries.assign(readSize_, SeriesPoint{});
  int32_t count = 0;
  GetHDB(s_, dsid, table, c_.beginDay, c_.endDay, count, modelRun ? 1 : 0, modelRun ? c_.runId : int16_t{0},
         modelRun ? c_.trace : int16_t{0}, 0, 0);
  return count < 0 ? 0 : count;
}

void SnowRun::firstStep(int32_t i) {
  SnowTimeBase& b = *base_;
  const std::string sweText = vb::Str(state_.sweMm);
  const std::string ageText = vb::FormatNumber(state_.ageDays, "0.00000");
  if (!set_.metric) state_.sweMm *= kMmPerInch;
  state_.albedo = startingAlbedo(state_.albedo, state_.ageDays);
  const std::string albedoText = vb::FormatNumber(state_.albedo, "0.00000");
  const vb::VbDate date = b.dates[static_cast<size_t>(i)];
  result_ += "Z\t" + vb::Format(date, "yyyy-mm-dd hh:mm") + "\t\t" + sweText + "\t" + ageText + "\t" +
             albedoText + "\n";
  if (diagnosticsOn_) {
    std::string row = c_.stationId + "\t" + vb::CStrDate(date);
    for (double v : b.inputs[static_cast<size_t>(i)]) row += "\t" + vb::CStr(v);
    row += "\t\t\t" + ageText + "\t" + albedoText;
    for (int k = 0; k < 12; ++k) row += "\t";
    diagnostics_ += row + "\t" + sweText + "\n";
  }
}

void SnowRun::writeRows(int32_t i, const SnowRowTexts& r) {
  SnowTimeBase& b = *base_;
  const vb::VbDate date = b.dates[static_cast<size_t>(i)];
  result_ += "Z\t" + vb::Format(date, "yyyy-mm-dd hh:mm") + "\t" + r.text(28) + "\t" + r.text(27) + "\t" +
             r.text(13) + "\t" + r.text(14) + "\n";
  if (diagnosticsOn_) {
    std::string row = c_.stationId + "\t" + vb::CStrDate(date);
    for (double v : b.inputs[static_cast<size_t>(i)]) row += "\t" + vb::CStr(v);
    for (int k = 11; k <= 28; ++k) row += "\t" + r.text(k);
    diagnostics_ += row + "\n";
  }
}

void SnowRun::closeFiles() {
  if (diagnosticsOn_) {
    const std::filesystem::path path = s_.inProgramFolder(kDiagnosticFile);
    CheckFileClosed(s_, path);
    vb::writeAllBytes(path, diagnostics_);
  }
  const std::filesystem::path path = s_.inProgramFolder(kResultFile);
  CheckFileClosed(s_, path);
  vb::writeAllBytes(path, result_);
}

void SnowRun::run() {
  readSize_ = s_.UnitSeries.size();
  const int32_t unitUpper = static_cast<int32_t>(readSize_) - 1;
  p_ = parseSnowParameters(c_.parameters);
  diagnosticsOn_ = p_.diagnostics();
  const SnowTable table = snowTable(c_.stationId);
  if (!s_.RealtimeMode) {
    c_.beginDay = vb::CLng(std::round(vb::CDate(s_.form.TextBegindate.Text)));
    c_.endDay = vb::CLng(std::round(vb::CDate(s_.form.TextEnddate.Text)));
  }
  const SnowWindow w = snowWindow(table, c_.beginDay, c_.endDay, s_.RealtimeMode, unitUpper);
  c_.beginDay = w.begin;
  c_.endDay = w.end;
  if (readSize_ < static_cast<size_t>(w.capacity) + 1) readSize_ = static_cast<size_t>(w.capacity) + 1;
  set_ = snowSettings(p_, s_.MetricUnits, table.sweFloorMm);

  const std::vector<std::string> list = vb::Split(c_.inputList, ",");
  const size_t given = std::min<size_t>(list.size(), 9);
  if (given == 0) throw vb::Error(vb::err::TypeMismatch, "no snowmelt inputs are given");
  const bool separate = given > 5 && separatePrecipitation(vb::Replace(list[5], " ", ""));
  const std::string precipTable = c_.modelRunRead ? "m" + vb::Mid(table.name, 2) : table.name;

  if (diagnosticsOn_) diagnostics_ = diagnosticHeader(c_.inputList, c_.dsidField);
  result_ = "Compute Snowmelt from HDB" + std::string(s_.MetricUnits ? " METRIC UNITS" : "") +
            "\nx  date  melt  swe  age  albeto\n\r\n";

  SnowTimeBase base(w.capacity);
  base_ = &base;
  const std::string first = inputDsid(list, 0);
  int32_t n = read(first, table.name, false);
  if (n < 1) {
    const vb::VbDate day = c_.beginDay;
    throw vb::Error(0, "  " + table.name + " has no history for " + first + " beginning " +
                           vb::Format(day, "Mmm-dd-yyyy"));
  }
  setTimeBase(base, s_.UnitSeries, n);
  for (size_t k = 1; k < given; ++k) {
    if (k == 5 && separate && table.name == "RUNIT") continue;
    const std::string dsid = inputDsid(list, k);
    if (k <= 5) {
      n = k == 5 ? read(dsid, precipTable, c_.modelRunRead) : read(dsid, table.name, false);
      alignInput(base, static_cast<int>(k), s_.UnitSeries, n);
    } else {
      n = read(dsid, "rhour", false);
      const double v = startingValue(s_.UnitSeries, n, c_.beginDay);
      if (k == 6) state_.sweMm = v;
      if (k == 7) state_.ageDays = v;
      if (k == 8) state_.albedo = v;
    }
  }
  if (separate) {
    const std::string dsid = inputDsid(list, 5);
    n = read(dsid, precipTable, c_.modelRunRead);
    extendByPrecipitation(base, s_.UnitSeries, n);
    if (table.name == "RUNIT") {
      n = read(dsid, precipTable, c_.modelRunRead);
      fiveMinuteRebuild(base, s_.UnitSeries, n);
    }
  }

  firstStep(1);
  vb::VbDate previous = base.dates[1];
  double psum = 0;
  for (int32_t i = 2; i <= base.count; ++i) {
    const vb::VbDate date = base.dates[static_cast<size_t>(i)];
    const double gap = date - previous;
    if (gap == 0) continue;
    if (gap > c_.gapLimitDays + kGapSlack) {
      const std::string text = c_.dsidField + " Snowmelt data missing " + vb::Str(c_.gapLimitDays) + " days.";
      s_.LastError = text + "\r\n";
      s_.form.Text1.append(s_.LastError);
      s_.errlog.writeLine(text);
      break;
    }
    if (date == 0 || (table.hourly && vb::Minute(date) != 0)) continue;
    const double hours = static_cast<double>(vb::DateDiff("n", previous, date)) / 60;
    SnowInputs& in = base.inputs[static_cast<size_t>(i)];
    psum += in[5];
    SnowStepInputs step{in[0], in[1], in[2], in[3], in[4]};
    const bool newDay = vb::Int(date) > previous;
    const SnowStepResult r = snowpackStep(state_, step, gap, hours, psum, p_, set_, newDay);
    in[1] = step.humidity;
    in[2] = step.wind;
    if (r.skipped) continue;
    psum = 0;
    previous = date;
    writeRows(i, snowRowTexts(r, state_, set_));
    s_.ui.doEvents();
  }
}

}  // namespace

void Snowcalc(Session& s, SnowcalcCall& c) {
  c.result.clear();
  c.error.clear();
  const std::vector<SeriesPoint> entry = s.UnitSeries;
  const size_t entrySize = entry.size();
  SnowRun run(s, c);
  try {
    run.run();
    run.closeFiles();
    c.result = vb::readAllBytes(s.inProgramFolder(kResultFile));
  } catch (const vb::Error& e) {
    c.error = "Snowcalc: " + (e.number() == 0 ? e.description() : e.description() + "  ");
    try {
      run.closeFiles();
    } catch (const std::exception&) {
    }
  } catch (const std::exception& e) {
    c.error = "Snowcalc: " + std::string(e.what()) + "  ";
    try {
      run.closeFiles();
    } catch (const std::exception&) {
    }
  }
  s.UnitSeries.assign(entrySize, SeriesPoint{});
}

}  // namespace fw::compute
