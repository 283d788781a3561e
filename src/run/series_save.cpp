#include "run/series_save.h"

#include <algorithm>

#include "app/session.h"
#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "store/daily_writer.h"
#include "store/extremes_writer.h"
#include "store/hourly_writer.h"
#include "store/model_run_tables.h"
#include "store/unit_writer.h"
#include "store/update_rows.h"

namespace fw {

namespace {

// The writers of the engine in use: DAO's twins when HdbUseDAO is set.
struct Writers {
  Session& s;
  bool dao;
  void daily(const std::string& dsid, int32_t last, int16_t source, int16_t code) {
    dao ? hdbdailyDAO(s, dsid, last, source, code) : hdbdaily(s, dsid, last, source, code);
  }
  void update(const std::string& dsid, const std::string& note, vb::VbDate when, double value) {
    dao ? hdbupdateDAO(s, dsid, note, vb::Variant::Date(when), value)
        : hdbupdate(s, dsid, note, vb::Variant::Date(when), value);
  }
  void dmax(const std::string& dsid, int32_t last, int16_t source, int16_t code) {
    dao ? hdbdmaxDAO(s, dsid, last, source, code) : hdbdmax(s, dsid, last, source, code);
  }
  void dmin(const std::string& dsid, int32_t last, int16_t source) {
    dao ? hdbdminDAO(s, dsid, last, source) : hdbdmin(s, dsid, last, source);
  }
  void hourly(const std::string& dsid, int32_t lastDaily, int16_t source, int16_t code, int32_t& lastHourly,
              int16_t valueClass, const std::string& note, int16_t graphOff) {
    dao ? hdbhourlyDAO(s, dsid, lastDaily, source, code, lastHourly, valueClass, note, graphOff, 0)
        : hdbhourly(s, dsid, lastDaily, source, code, lastHourly, valueClass, note, graphOff, 0);
  }
  void unit(const std::string& dsid, int32_t lastDaily, int16_t source, int16_t valueClass, int32_t& lastUnit,
            bool& written, bool unitWriteFlag) {
    dao ? hdbunitDAO(s, dsid, lastDaily, source, valueClass, lastUnit, written, unitWriteFlag)
        : hdbunit(s, dsid, lastDaily, source, valueClass, lastUnit, written, unitWriteFlag);
  }
  void unitShift(const std::string& dsid, int32_t lastUnit, vb::VbDate lastTime) {
    dao ? hdbunitshiftDAO(s, dsid, 0, lastUnit, lastTime) : hdbunitshift(s, dsid, 0, lastUnit, lastTime);
  }
};

int32_t clampIndex(int32_t index, const std::vector<SeriesPoint>& series) {
  return std::min(index, static_cast<int32_t>(series.size()) - 1);
}

// Element i of a storage array into the series' values (dates stay).
void copyValues(std::vector<SeriesPoint>& series, const std::vector<double>& values, int32_t from, int32_t to) {
  for (int32_t i = from; i <= to; ++i) {
    if (static_cast<size_t>(i) >= series.size()) break;
    series[static_cast<size_t>(i)].value = static_cast<size_t>(i) < values.size() ? values[static_cast<size_t>(i)]
                                                                                  : MissingValue;
  }
}

// The hourly series of a storage series from its unit values: the value at each full hour, or for
// the third series the mean of the hour.
int32_t storageHours(Session& s, int32_t lastUnit, bool mean) {
  int32_t h = 0;
  double sum = 0;
  int32_t count = 0;
  for (int32_t i = 0; i <= lastUnit && static_cast<size_t>(i) < s.UnitSeries.size(); ++i) {
    const SeriesPoint& u = s.UnitSeries[static_cast<size_t>(i)];
    if (mean) {
      sum += u.value;
      count += 1;
    }
    if (vb::Minute(u.date) != 0) continue;
    if (static_cast<size_t>(h) >= s.HourSeries.size()) break;
    SeriesPoint& e = s.HourSeries[static_cast<size_t>(h)];
    e.date = u.date;
    e.value = mean ? (count > 0 ? vb::Round(sum / count, 4) : 0) : u.value;
    sum = 0;
    count = 0;
    h += 1;
  }
  return h - 1;
}

}  // namespace

int16_t shiftIndex(const LineState& line) {
  for (int n = 1; n <= line.FormulaCount && n <= 5; ++n)
    if (vb::InStr(vb::UCase(line.Triples[static_cast<size_t>(n)].formula), "SH") > 0) return static_cast<int16_t>(n);
  return 0;
}

void seriesSave(Session& s, RunContext& ctx, LineState& line) {
  ValueLoopState& v = line.ValueLoop;
  MainForm& f = s.form;
  Writers w{s, s.HdbUseDAO};
  const std::string& dsid = line.Dsid;
  const std::string site = vb::Right(dsid, 3);

  if (s.WhatIf.Coefficient != 0 && s.WhatIf.WriteMTables == 0 && line.StationDayCount > 369) {
    s.FrmGraph.Visible = false;
    return;
  }
  int32_t lastDaily = clampIndex(line.StationDayCount, s.DaySeries);
  int16_t source = ctx.SourceType;

  if (s.UnitValues && lastDaily != 0) {
    int32_t lastUnit = clampIndex(v.UnitIndex - 1, s.UnitSeries);
    int32_t lastHourly = clampIndex(v.HourIndex - 1, s.HourSeries);

    if (s.ModelRunWrite.modelRun) {
      std::string kind = s.MrunLine ? "Mrun" : "Run";
      std::string timeText = s.ModelRunTime;
      double coefficient = 0;
      if (s.WhatIf.Coefficient != 0) {
        kind = "What If";
        coefficient = vb::Val(vb::Mid(line.WhatIfNote, vb::Len(s.WhatIf.CoefficientCaption) + 2));
        timeText = s.WhatIf.CoefficientCaption;
        s.TraceNo = static_cast<int16_t>(line.WhatIfPass);
      }
      if (s.HdbUseDAO) {
        hdbmrunDAO(s, dsid, v.FirstUnitTime, line.WhatIfNote, kind);
        hdbmrundsidDAO(s, dsid, coefficient, timeText, line.ModelRunText, line.StartConditionNote);
      } else {
        hdbmrun(s, dsid, v.FirstUnitTime, line.WhatIfNote, kind);
        hdbmrundsid(s, dsid, coefficient, timeText, line.ModelRunText, line.StartConditionNote);
      }
    }
    if (vb::InStr(line.StationId, "-GET") > 0) source = 17;

    if (f.Check5.ticked()) {
      w.daily(dsid, lastDaily, source, line.ValueClass);
      if (line.ValueClass == 30) {
        const std::pair<std::string, const std::vector<double>*> days[] = {
            {"4" + site, &line.Storage.DaySoil},
            {"-4" + site, &line.Storage.DayPrecip},
            {"5" + site, &line.Storage.DayGroundwater}};
        for (const auto& [storageDsid, values] : days) {
          copyValues(s.DaySeries, *values, 1, lastDaily);
          w.daily(storageDsid, lastDaily, source, 6);
        }
        if (s.RealtimeMode && s.WhatIf.Coefficient == 0)
          w.update(dsid, line.Site_Name, line.Storage.UpdateDate, line.Storage.UpdateValue);
      }
      if (line.ValueClass == 1 && v.LargestTime != 0)
        w.update(dsid, line.Site_Name, v.LargestTime, v.LargestValue);
      if (line.ValueClass == 10) lastDaily -= 1;
    }
    if (line.ValueClass == 9 && ctx.SourceType != 18) {
      const size_t d = static_cast<size_t>(line.StationDayCount);
      w.update(dsid, line.Site_Name, s.RunDateTime, d < s.DayMaxSeries.size() ? s.DayMaxSeries[d].value : 0);
    }
    if (f.Check7.ticked()) {
      w.dmax(dsid, lastDaily, source, line.ValueClass);
      w.dmin(dsid, lastDaily, source);
    }
    const bool graphShown = s.FrmGraph.Visible && s.FrmGraph.Display;
    GraphModel& g = s.FrmGraph;
    // What the chart says now, for a series the writer then does not draw (no value to show):
    // the titles must go on describing the series that are drawn.
    const std::string caption = g.Caption, title = g.ChartTitle, axis = g.YAxisTitle, unit = s.GraphUnit;
    const int16_t datatype = s.GraphDatatype;
    const int32_t fills = g.Fills;
    if (graphShown) {
      g.Caption = line.Site_Name;
      g.ChartTitle = line.Site_Name;
      g.YAxisTitle = std::string(vb::InStr(line.StationId, "-DAY") > 0 ? "Daily " : "Hourly ") +
                     line.Datatype_Name + ", " + line.UnitText;
      s.GraphDatatype = line.ValueCode;
      s.GraphUnit = line.UnitText;
    }
    if (f.Check3.ticked() || graphShown)
      w.hourly(dsid, lastDaily, source, line.ValueCode, lastHourly, line.ValueClass, line.WhatIfNote, 0);
    if (graphShown && g.Fills == fills) {
      g.Caption = caption;
      g.ChartTitle = title;
      g.YAxisTitle = axis;
      s.GraphDatatype = datatype;
      s.GraphUnit = unit;
      if (g.onRedraw) g.onRedraw();
    }
    if (f.Check6.ticked()) {
      bool written = false;
      w.unit(dsid, lastDaily, source, line.ValueClass, lastUnit, written, ctx.UnitWriteFlag);
      if (line.Storage.WriteUnits) {
        const std::tuple<std::string, const std::vector<double>*, bool> steps[] = {
            {"4" + site, &line.Storage.StepSoil, false},
            {"-4" + site, &line.Storage.StepPrecip, false},
            {"3" + site, &line.Storage.StepThird, true}};
        for (const auto& [storageDsid, values, mean] : steps) {
          copyValues(s.UnitSeries, *values, 0, lastUnit);
          int32_t storageHourly = storageHours(s, lastUnit, mean);
          w.hourly(storageDsid, lastDaily, source, 6, storageHourly, 6, line.WhatIfNote, 1);
          bool storageWritten = false;
          int32_t storageUnit = lastUnit;
          w.unit(storageDsid, lastDaily, source, 6, storageUnit, storageWritten, false);
        }
      }
    }
    // A What-If trace is no day of the real series: today's value stays as the real run left it.
    if (f.Check5.ticked() && s.RealtimeMode && s.WhatIf.Coefficient == 0 && lastUnit >= 0 &&
        vb::Int(s.UnitSeries[static_cast<size_t>(lastUnit)].date) == s.RunDay)
      RedoCurrentday(s, dsid, static_cast<int32_t>(s.RunDay), source, line.ValueClass);
    if (f.Check8.ticked() && shiftIndex(line) != 0) w.unitShift(dsid, lastUnit, v.LastValueTime);
  } else {
    lastDaily = clampIndex(line.StationDayCount + 1, s.DaySeries);
    if (f.Check5.ticked()) w.daily(dsid, lastDaily, source, line.ValueClass);
    if (f.Check7.ticked()) {
      w.dmax(dsid, lastDaily, source, line.ValueClass);
      w.dmin(dsid, lastDaily, source);
    }
    logPaneLine(s, vb::CStr(line.StationDayCount) + " dailys retrieved");
  }
  f.setBackColor(f.chkSaveRadar, kSavedColour, "chkSaveRadar");
}

}  // namespace fw
