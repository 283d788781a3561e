// The value loop on one station line at a time: parsing, formulas, precipitation kinds, the
// bad-value test, hours and days, and the edge cases where a plain reading would go wrong.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/vb/format.h"
#include "run/aggregation.h"
#include "run/runoff_state.h"
#include "run/hand_over.h"
#include "run/series_slots.h"
#include "run/value_formulas.h"
#include "run/value_loop.h"
#include "run/value_text.h"
#include "support/test_session.h"

namespace fw {
namespace {

constexpr double kDay1 = 45446;  // 06/03/2024

std::string at(double day, int minutes) { return vb::Format(day + minutes / 1440.0, "mm/dd/yyyy hh:mm"); }

const char* const kHeader = "# title\n# retrieved\nagency\tdatetime\tvalue\n";

// One station line in a real-time run on 06/05/2024 with a window from 06/03, sized as the
// station options size a 15-minute gauge.
struct LoopCase {
  testing::TestSession t;
  Session& s = t.s;
  RunContext ctx;
  LineState line;

  LoopCase() {
    s.UnitValues = true;
    s.RealtimeMode = true;
    s.BatchMode = true;
    s.RunDay = kDay1 + 2;
    ctx.ValueFieldIndex = 2;
    ctx.SourceType = 2;
    ctx.settings.MissingAllowedPercent = 10;
    ctx.settings.BadValuePercent = 3;
    line.StationId = "09380000";
    line.Dsid = "1101";
    line.Site_Name = "Colorado R";
    line.WindowDays = 2;
    line.DaySlots = 3;
    line.FirstDay = static_cast<int32_t>(kDay1);
    line.ValueCode = line.ValueClass = line.DatatypeCode = 1;
    line.UnitText = "cfs";
    size();
  }
  void size() {
    const int64_t days = line.WindowDays + 6;
    for (auto* series : {&s.DaySeries, &s.DayMaxSeries, &s.DayMinSeries}) sizeSeries(*series, days);
    sizeSeries(s.HourSeries, days * 24);
    line.ValueSlots = line.ValuesPerHour * 24 * (line.WindowDays + 4);
    sizeSeries(s.UnitSeries, line.ValueSlots);
    sizeSeries(s.ShiftSeries, line.ValueSlots);
    for (size_t d = 1; d < s.DaySeries.size(); ++d)
      s.DaySeries[d].value = s.DayMaxSeries[d].value = s.DayMinSeries[d].value = MissingValue;
    for (auto& p : s.HourSeries) p.value = MissingValue;
    for (auto& p : s.UnitSeries) p.value = MissingValue;
  }
  // Runs the text through the hand-over, the loop and the close of the last hour and day.
  LoopEnd run(const std::string& text) {
    ctx.RetrievalText = text;
    if (handOver(s, ctx, line)) return LoopEnd::Save;
    valueLoopSetUp(s, ctx, line);
    LoopEnd end = valueLoop(s, ctx, line);
    if (end == LoopEnd::Save) closeAfterLastLine(s, line);
    return end;
  }
  // Lines "Z", date, value at the minutes after 06/03 00:00.
  static std::string lines(const std::vector<std::pair<int, std::string>>& values) {
    std::string text = kHeader;
    for (const auto& [minutes, value] : values) text += "Z\t" + at(kDay1, minutes) + "\t" + value + "\n";
    return text;
  }
  const ValueLoopState& v() const { return line.ValueLoop; }
  int32_t units() const { return line.ValueLoop.UnitIndex; }
  const SeriesPoint& unit(int i) const { return s.UnitSeries[static_cast<size_t>(i)]; }
  const SeriesPoint& hour(int i) const { return s.HourSeries[static_cast<size_t>(i)]; }
};

TEST(ValueText, ShortTextsParseNothingAndCountTheWindowMissing) {
  LoopCase c;
  c.run("a\nb\nc");
  EXPECT_EQ(c.ctx.PreviousLineCount, 2);
  EXPECT_EQ(c.v().MissingCount, 2);
  EXPECT_EQ(c.units(), 0);

  LoopCase four;  // three line feeds: four lines, parsed
  four.run(std::string("x\ny\nZ\t") + at(kDay1, 15) + "\t5\n");
  EXPECT_EQ(four.units(), 1);
}

TEST(ValueText, LinesThatAreNotValueLinesOrComeAgainAreSkipped) {
  LoopCase c;
  std::string text = LoopCase::lines({{15, "5"}, {30, "6"}, {30, "7"}});
  text += "z\t" + at(kDay1, 45) + "\t8\n";           // lower-case marker
  text += "Z\t" + at(kDay1, 60) + "\r\n";            // a CR LF line with no value field
  text += "Z\t" + at(kDay1, 75) + "\t9\r\n";         // CR LF: the value keeps its last field
  text += "Z\t9\t" + at(kDay1, 90) + "\n";           // a date field that is no date
  c.line.DateFieldIndex = 1;
  c.run(text);
  EXPECT_EQ(c.units(), 3);
  EXPECT_EQ(c.unit(1).value, 6);  // the repeated 00:30 is dropped
  EXPECT_EQ(c.unit(2).value, 9);
  EXPECT_EQ(c.line.StationErrorCount, 1);  // the date "9" is refused: a counted error
}

TEST(ValueText, AnHourShiftDropsLinesBeforeTheWindowOnlyWhenGiven) {
  const std::string text = LoopCase::lines({{-60, "5"}, {7 * 60, "6"}, {8 * 60, "7"}});
  LoopCase shifted;
  shifted.line.HourShift = -8;
  shifted.run(text);
  EXPECT_EQ(shifted.units(), 1);  // 07:00 - 8 h is before 06/03; 08:00 - 8 h is 00:00
  EXPECT_DOUBLE_EQ(shifted.unit(0).date, kDay1);

  LoopCase plain;
  plain.run(text);
  EXPECT_EQ(plain.units(), 3);  // 06/02 23:00 is taken although it lies before the window
}

TEST(ValueText, AirportRainLateInTheHourBelongsToTheNextHour) {
  LoopCase c;
  c.line.PrecipKind = 3;
  c.run(LoopCase::lines({{10 * 60 + 51, "0.01"}, {10 * 60 + 52, "0.02"}}));
  EXPECT_NEAR(c.unit(0).date, kDay1 + (10 * 60 + 51) / 1440.0, 1e-9);
  EXPECT_NEAR(c.unit(1).date, kDay1 + 11 / 24.0, 1e-9);
}

struct TextCase {
  std::string text;
  int16_t formulas;
  bool missing;
  double value;  // for a present value; for a missing one whether the formulas still see it
};

TEST(ValueText, SpecialTextsBecomeZeroOrMissing) {
  const TextCase cases[] = {
      {"T", 0, false, 0},      {"N/A", 0, false, 0},  {"Calm", 0, false, 0}, {"-99", 0, true, 0},
      {"-99", 1, true, 1},     {"-999", 1, true, 0},  {"-99.99", 0, true, 0}, {"-98.5", 0, true, 1},
      {"-98", 0, false, -98},  {"M", 0, true, 0},     {" 12.5 ", 0, false, 12.5},
  };
  for (const TextCase& tc : cases) {
    LoopCase c;
    c.line.FormulaCount = tc.formulas;
    c.line.ValueLoop.Fields = {"Z", "06/03/2024 00:15", tc.text};
    const bool forFormulas = readValueText(c.ctx, c.line);
    EXPECT_EQ(c.v().Missing, tc.missing) << tc.text;
    if (!tc.missing)
      EXPECT_EQ(c.v().CurrentValue, tc.value) << tc.text;
    else
      EXPECT_EQ(forFormulas, tc.value != 0) << tc.text;  // "-99" of a formula line goes to its formula
  }
}

TEST(ValueText, WindDirectionsInQuarterCircles) {
  EXPECT_EQ(degreesValue(100), 1.0);  // 100 x 4 / 360 x 4 = 4.44, to 4, / 4
  EXPECT_EQ(compassValue("NNE"), 0.25);
  EXPECT_EQ(compassValue("South"), 2);
  EXPECT_EQ(compassValue("North"), 4);
  EXPECT_DOUBLE_EQ(compassValue("Northish"), -1.0 / 24);

  LoopCase words;
  words.line.WindDirSeries = true;
  words.line.ValueLoop.Fields = {"Z", "06/03/2024 00:15", "NEE"};
  readValueText(words.ctx, words.line);
  EXPECT_EQ(words.v().CurrentValue, 0.75);  // read as ENE

  LoopCase degrees;  // a word in a degrees series is missing
  degrees.line.WindDirSeries = degrees.line.WindDegrees = true;
  degrees.line.ValueLoop.Fields = {"Z", "06/03/2024 00:15", "North"};
  readValueText(degrees.ctx, degrees.line);
  EXPECT_TRUE(degrees.v().Missing);
}

TEST(Aggregation, WindFrom350And10DegreesIsNorth) {
  LoopCase c;
  c.line.WindDirSeries = c.line.WindDegrees = true;
  c.line.ValueCode = c.line.ValueClass = c.line.DatatypeCode = 19;
  c.run(LoopCase::lines({{60, "10"}, {90, "350"}, {120, "10"}}));
  ASSERT_GE(c.v().HourIndex, 1);
  EXPECT_EQ(c.hour(0).value, 4);  // not south (2), as a plain mean of 350 and 10 would give
}

TEST(ValueText, AGapOfDaysClosesTheOldHourAndDayFirst) {
  LoopCase c;
  c.run(LoopCase::lines({{15, "10"}, {30, "10"}, {45, "20"}, {2 * 1440 + 30, "30"}}));
  // The pass five minutes after 00:45 closes the hour (00:30 and 00:45, 15 minutes each) at 01:00
  // and the day of 06/03; the day after the gap is the station's second day.
  EXPECT_EQ(c.hour(0).value, 15);
  EXPECT_DOUBLE_EQ(c.hour(0).date, kDay1 + 1 / 24.0);
  EXPECT_DOUBLE_EQ(c.s.DaySeries[1].date, kDay1);
  EXPECT_EQ(c.line.StationDayCount, 2);
  EXPECT_EQ(c.units(), 4);
  EXPECT_NEAR(c.unit(3).date, kDay1 + 2 + 30 / 1440.0, 1e-9);
}

TEST(Aggregation, TheGapPassStoresNoHourWhenTheHourIsEmpty) {
  LoopCase c;
  // The value at 01:00 closes its hour; the gap pass then finds the new hour empty.
  c.run(LoopCase::lines({{15, "10"}, {30, "10"}, {60, "10"}, {2 * 1440 + 60, "30"}}));
  EXPECT_EQ(c.v().HourIndex, 2);  // 01:00 of 06/03 and the open last hour, nothing repeated
  EXPECT_NE(c.hour(1).value, c.hour(0).value);
}

TEST(Aggregation, ToleranceTablesRoundHalvesToEven) {
  EXPECT_EQ(ValueLoopState::toleranceTable(10), (std::array<int16_t, 3>{2, 5, 10}));
  EXPECT_EQ(ValueLoopState::toleranceTable(25), (std::array<int16_t, 3>{6, 12, 24}));
}

struct BadCase {
  double value, lastGood;
  int16_t valueClass, datatype;
  double factor;
  bool raises;
};

TEST(Aggregation, PossibleBadValues) {
  const BadCase cases[] = {
      {25.0, 24.0, 1, 1, 3, false}, {80.0, 24.0, 1, 1, 3, true},  {7.9, 24.0, 1, 1, 3, true},
      {8.0, 24.0, 1, 1, 3, false},  {110, 12, 1, 1, 3, false},    {113, 12, 1, 1, 3, true},
      {1.2, 0.8, 10, 11, 3, false}, {1.4, 0.8, 10, 11, 3, true},  {1.4, 0.8, 10, 27, 3, false},
      {80.0, 24.0, 1, 1, 0, false},  // an empty or 0% box leaves the relative test out
  };
  for (const BadCase& b : cases)
    EXPECT_EQ(isPossibleBadValue(b.value, b.lastGood, b.valueClass, b.datatype, b.factor), b.raises)
        << b.value << " after " << b.lastGood;
}

std::string quarterHourDay(int present) {
  std::vector<std::pair<int, std::string>> values;
  for (int m = 15, n = 0; m <= 1440 && n < present; m += 15, ++n) values.push_back({m, "100"});
  values.push_back({1440 + 15, "100"});
  return LoopCase::lines(values);
}

TEST(Aggregation, ADayWithTooFewValuesLosesItsDailyValue) {
  // The first value only starts the record: 85 lines leave 84 counted values (12 short of 96).
  LoopCase low;
  low.run(quarterHourDay(85));
  EXPECT_EQ(low.line.LowCountDays, 1);
  EXPECT_EQ(low.s.DaySeries[1].value, MissingValue);

  LoopCase kept;
  kept.run(quarterHourDay(87));
  EXPECT_EQ(kept.line.LowCountDays, 0);
  EXPECT_EQ(kept.s.DaySeries[1].value, 100);

  LoopCase all;  // 100% allowed: no day is ever emptied
  all.ctx.settings.MissingAllowedPercent = 100;
  all.run(quarterHourDay(20));
  EXPECT_EQ(all.line.LowCountDays, 0);
  EXPECT_EQ(all.s.DaySeries[1].value, 100);
}

TEST(Aggregation, HourlyDataOfAnyOtherStepIsNeverDrivenNegative) {
  LoopCase c;
  std::vector<std::pair<int, std::string>> values;
  for (int h = 1; h <= 30; ++h) values.push_back({h * 60, "5"});
  c.run(LoopCase::lines(values));
  EXPECT_EQ(c.v().StepClass, 3);
  EXPECT_EQ(c.line.LowCountDays, 0);
  EXPECT_GE(c.v().MissingCount, 0);
  EXPECT_EQ(c.s.DaySeries[1].value, 5);
}

TEST(Aggregation, AnArrayTooSmallForTheValuesEndsTheLoopAndKeepsWhatWasGathered) {
  LoopCase c;
  sizeSeries(c.s.UnitSeries, 3);
  std::vector<std::pair<int, std::string>> values;
  for (int m = 1; m <= 20; ++m) values.push_back({m, "5"});  // 1-minute data
  EXPECT_EQ(c.run(LoopCase::lines(values)), LoopEnd::Save);
  EXPECT_TRUE(c.v().ArrayFull);
  EXPECT_EQ(c.units(), 4);
  EXPECT_EQ(c.line.StationErrorCount, 0);
  EXPECT_NE(c.s.form.Text1.Text.find("beyond the series"), std::string::npos);
}

TEST(ValueLoop, NineErrorsSaveTheTenthCancels) {
  auto badDates = [](int n) {
    std::string text = LoopCase::lines({{15, "5"}, {30, "6"}});
    for (int i = 0; i < n; ++i) text += "Z\t13/45/2024 00:00\t7\n";
    return text;
  };
  LoopCase nine;
  EXPECT_EQ(nine.run(badDates(9)), LoopEnd::Save);
  EXPECT_EQ(nine.line.StationErrorCount, 9);

  LoopCase ten;
  EXPECT_EQ(ten.run(badDates(10)), LoopEnd::Cancelled);
  EXPECT_NE(ten.s.form.Text1.Text.find("10 compute errors... station canceled.\r\n"), std::string::npos);
  EXPECT_EQ(ten.s.LastError, "Colorado R\r\n1101--09380000--10 errors... station canceled.");
  EXPECT_EQ(ten.line.StationErrorCount, 0);
}

TEST(ValueLoop, OnlyMonthEndsAreReportedForALongWindow) {
  LoopCase c;
  c.line.LongRun = true;
  c.line.WindowDays = 40;
  c.line.DaySlots = 41;
  c.size();
  std::vector<std::pair<int, std::string>> values;
  for (int d = 0; d < 35; ++d) values.push_back({d * 1440 + 60, "5"});  // 06/03 to 07/07
  c.run(LoopCase::lines(values));
  EXPECT_EQ(c.s.form.Text1.Text.find("06/03/2024"), std::string::npos);
  EXPECT_NE(c.s.form.Text1.Text.find("06/30/2024  5 cfs"), std::string::npos);
}

TEST(ValueLoop, JulianGivesTheDayOfTheYear) {
  LoopCase c;
  c.line.FormulaUsesD = true;
  valueLoopSetUp(c.s, c.ctx, c.line);
  EXPECT_EQ(c.s.form.ScriptControl1.Eval("julian(CDate(\"2024-02-01\"))").toDouble(), 32);
}

TEST(ValueLoop, ACanadianSiteKeepsItsUnitsOnlyInCmsOrMm) {
  for (const auto& [unit, kept] : {std::pair{"CMS", true}, {"mm", true}, {"cfs", false}}) {
    LoopCase c;
    c.s.CanadaSite = true;
    c.line.UnitText = unit;
    valueLoopSetUp(c.s, c.ctx, c.line);
    EXPECT_EQ(c.s.CanadaSite, kept) << unit;
  }
}

// ---- formulas ------------------------------------------------------------------------------

struct FormulaCase : LoopCase {
  FormulaCase(std::vector<Triple> triples, int16_t parameters = 0) {
    ctx.SourceType = 13;
    for (size_t n = 0; n < triples.size(); ++n) line.Triples[n + 1] = triples[n];
    line.FormulaCount = static_cast<int16_t>(triples.size());
    line.ParameterCount = parameters;
    line.ParameterCodes.assign(static_cast<size_t>(parameters + 1), "p");
    for (int k = 0; k <= parameters; ++k) line.ValueColumns.push_back(static_cast<int16_t>(k + 2));
  }
  double value(const std::vector<std::string>& fields) {
    valueLoopSetUp(s, ctx, line);
    line.ValueLoop.Fields = fields;
    line.ValueLoop.ValueText = fields.size() > 2 ? fields[2] : "";
    valueFormulas(s, ctx, line);
    precipitationKinds(s, ctx, line);
    return line.ValueLoop.CurrentValue;
  }
};

TEST(Formulas, TheHighestTripleWhoseBaseHoldsIsChosen) {
  const std::vector<Triple> triples = {{"0", "0", "P1*1"}, {"5", "0", "P1*2"}, {"10", "0", "P1*3"}};
  const std::pair<std::string, double> cases[] = {{"7", 14}, {"10", 30}, {"-1", 0}};
  for (const auto& [p1, expected] : cases) {
    FormulaCase c(triples);
    EXPECT_EQ(c.value({"Z", "06/03/2024 00:15", p1}), expected) << p1;
  }
  FormulaCase script({{"0", "0", "P1"}, {"P2>1", "0", "P1+P2"}}, 1);
  EXPECT_EQ(script.value({"Z", "06/03/2024 00:15", "100", "2"}), 102);
}

TEST(Formulas, AMissingSecondParameterIsMissingUnlessTheFormulaCountsThem) {
  FormulaCase plain({{"0", "0", "P1+P2"}}, 1);
  plain.value({"Z", "06/03/2024 00:15", "4", "-999"});
  EXPECT_TRUE(plain.v().Missing);
  EXPECT_EQ(plain.v().CurrentValue, MissingValue);

  FormulaCase counted({{"0", "0", "(P1+P2)/N"}}, 1);
  counted.line.FormulaUsesN = true;
  EXPECT_EQ(counted.value({"Z", "06/03/2024 00:15", "4", "-999"}), 4);  // N=1
}

TEST(Formulas, AFailingFormulaIsLoggedAndLeavesTheValueMissing) {
  FormulaCase c({{"0", "0", "P1*"}});
  c.value({"Z", "06/03/2024 00:15", "12"});
  EXPECT_TRUE(c.v().Missing);
  EXPECT_EQ(c.v().CurrentValue, MissingValue);
  EXPECT_EQ(c.v().MissingCount, 1);
  EXPECT_FALSE(c.s.LastError.empty());
  EXPECT_NE(c.s.form.Text1.Text.find(c.s.LastError), std::string::npos);
}

TEST(Formulas, TheFillFlagRepeatsALastValueTwelveTimes) {
  FormulaCase c({{"0", "0", "P2"}}, 1);
  c.line.FillFlag = true;
  c.line.ValuesPerHour = 12;
  c.value({"Z", "06/03/2024 00:15", "1", "3.5"});
  for (int i = 1; i <= 12; ++i) {
    c.line.ValueLoop.Fields = {"Z", "06/03/2024 00:15", "1", "-99"};
    valueFormulas(c.s, c.ctx, c.line);
    EXPECT_EQ(c.v().CurrentValue, i < 12 ? 3.5 : 0) << i;  // the count starts at 1 with the value
  }
}

TEST(Formulas, TheShiftIsEvaluatedAndRecorded) {
  FormulaCase c({{"0", "0.12", "(P1+SHIFT)*10"}});
  EXPECT_NEAR(c.value({"Z", "06/03/2024 00:15", "2"}), 21.2, 1e-9);
  EXPECT_EQ(c.s.ShiftSeries[0].value, 0.12);
  EXPECT_EQ(c.s.ShiftSeries[0].source, 1);
}

TEST(PrecipitationKinds, RatesAndRunningTotalsBecomeAmounts) {
  LoopCase rate;
  rate.line.PrecipKind = -1;
  rate.line.ValueLoop.StepMinutes = 15;
  rate.line.ValueLoop.CurrentValue = 0.6;
  precipitationKinds(rate.s, rate.ctx, rate.line);
  EXPECT_DOUBLE_EQ(rate.v().CurrentValue, 0.15);

  struct Step {
    int minutes;
    double total, amount;
  };
  const Step daily[] = {{0, 1.20, 0}, {30, 0.05, 0}, {45, 0.70, 0.65}, {14 * 60, 0.10, 0}};
  LoopCase c;
  c.line.PrecipKind = 2;
  for (const Step& step : daily) {
    c.line.ValueLoop.ValueDate = kDay1 + step.minutes / 1440.0;
    c.line.ValueLoop.CurrentValue = step.total;
    c.line.ValueLoop.Missing = false;
    precipitationKinds(c.s, c.ctx, c.line);
    EXPECT_NEAR(c.v().CurrentValue, step.amount, 1e-9) << step.minutes;
  }
  LoopCase fresh;  // early in the day a new total of 0.70 is the day's first amount
  fresh.line.PrecipKind = 2;
  fresh.line.ValueLoop.PreviousTotal = 1.20;
  fresh.line.ValueLoop.ValueDate = kDay1 + 30 / 1440.0;
  fresh.line.ValueLoop.CurrentValue = 0.70;
  precipitationKinds(fresh.s, fresh.ctx, fresh.line);
  EXPECT_NEAR(fresh.v().CurrentValue, 0.70, 1e-9);
}

TEST(HandOver, TotalPrecipitationOfAFiveDigitSeriesIsRainfall) {
  for (const auto& [dsid, rain] : {std::pair{"9999", false}, {"10999", true}}) {
    LoopCase c;
    c.line.Dsid = dsid;
    c.line.ValueCode = c.line.ValueClass = c.line.DatatypeCode = 9;
    c.run(LoopCase::lines({{15, "1"}}));
    EXPECT_EQ(c.line.ValueClass, rain ? 10 : 9) << dsid;
    EXPECT_EQ(c.line.PrecipKind, rain ? 4 : 0) << dsid;
  }
}

TEST(HandOver, TheGraphWindowIsShownOnlyOutsideBatch) {
  LoopCase batch;
  batch.run(LoopCase::lines({{15, "1"}}));
  EXPECT_FALSE(batch.s.FrmGraph.Visible);
  EXPECT_FALSE(batch.s.GraphShown);

  LoopCase shown;
  shown.s.BatchMode = false;
  shown.run(LoopCase::lines({{15, "1"}}));
  EXPECT_TRUE(shown.s.FrmGraph.Visible);
  EXPECT_TRUE(shown.s.GraphShown);
  EXPECT_EQ(shown.s.FrmGraph.Place.Left, shown.s.form.Left + shown.s.form.Width);
}

TEST(HandOver, ARunoffLineWithTooFewParametersStopsTheRun) {
  LoopCase c;
  c.line.ValueClass = 30;
  c.line.Triples[1].shift = "2,75,0";
  c.run(LoopCase::lines({{15, "1"}}));
  EXPECT_TRUE(c.line.Runoff != nullptr);
  EXPECT_TRUE(c.line.Runoff->params.tooFew);
}

}  // namespace
}  // namespace fw
