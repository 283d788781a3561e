// The forecast page: its line, the list from the last retrieval and from rhour, the history file,
// the cumulative graph's geometry, and "Save Edit" into the hourly and 5-minute series.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "wizard/forecast_edit_save.h"
#include "wizard/forecast_graph.h"
#include "wizard/forecast_page.h"
#include "wizard_support.h"

namespace fw {
namespace {

constexpr double kDay = 45448;  // 06/05/2024, the test clock's day (13:15)
const char* const kLine = "FORECAST-NWS; -11012; Forecast Rain; Elm Creek; -1; 36.1, -115.2, 3";

double at(int hour, int minute = 0) {
  return kDay + hour / 24.0 + minute / 1440.0;
}

std::string num(double d) {
  return vb::Replace(std::to_string(d), ",", ".");
}

TEST(ForecastPage, ThreeLinesComeBackAndTheSiteBoxMakesTheDsid) {
  for (const char* line : {kLine, "FORECAST-QPF; 10752; Forecast Rain; Wash, NV; -8; 36.2, -115.1, 0",
                           "RUN-FORECAST; -11020; Forecast Rain; Mesa; 1; 33.4, -111.9, 5"}) {
    testing::WizardSession w({line});
    w.open(1);
    EXPECT_EQ(w.text("txtForecast(6)"), line);
    EXPECT_EQ(w.text("txtForecast(7)"), "The rsite setup will probably be your adjusted radar.");
  }
  testing::WizardSession w({"FORECAST-NWS; -11012; Forecast Rain; Elm Creek"});
  w.open(1);
  EXPECT_EQ(vb::Right(w.text("txtForecast(6)"), 3), ", S");  // no storm type chosen yet
  w.b().type("txtForecast(0)", "1234");
  EXPECT_EQ(w.text("txtForecast(1)"), "-11123");
  w.b().type("txtForecast(0)", "5");
  EXPECT_EQ(w.text("txtForecast(1)"), "-11005");
}

TEST(ForecastPage, ActualListFromTheRetrievalCopyAndTheHistoryFile) {
  testing::WizardSession w({kLine});
  std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_FIXTURES) / "forecasts" / "forcast.txt",
                             w.folder / "forcast.txt");
  w.open(1);
  w.b().type("txtDays", "1");
  w.b().click("cmdActual");
  // On-the-hour values only, an hour earlier (the line's time shift), up to tomorrow's midnight.
  const std::string list =
      " 0.02000   05 01:00 PM   18\r\n 0.10000   05 02:00 PM   18\r\n 0.05000   05 10:00 PM   18\r\n"
      " 0.04000   05 11:00 PM   18\r\n 0.03000   06 12:00 AM   18\r\n";
  EXPECT_EQ(w.text("txtHistoryForecast"), list);
  EXPECT_EQ(w.b()["txtHistoryForecast"].BackColor, 16777152);
  EXPECT_EQ(w.b()["LabelForecast(16)"].Caption, "0.2400");
  const ForecastSeries& f = w.s.frmWizard.Forecast;
  EXPECT_EQ(f.HistoryCount, 4);
  EXPECT_EQ(w.s.frmWizard.Picture.circles.back().colour, kBlack);  // 12 o'clock AM
  EXPECT_EQ(w.s.frmWizard.Picture.circles.front().colour, kBlue);

  // Saved as "forecast<DSID>.txt" and read back when the wizard opens on the line again.
  w.b().click("cmdSaveForecastFile");
  const auto file = w.folder / "forecast-11012.txt";
  EXPECT_EQ(testing::readFile(file), list + "\r\n");
  EXPECT_EQ(w.ui.boxes.back().text, file.string() + " saved");
  w.b().setText("txtHistoryForecast", "");
  w.open(1);
  EXPECT_EQ(w.text("txtHistoryForecast"), list + "\r\n");
  EXPECT_EQ(w.b()["txtHistoryForecast"].BackColor, 65535);

  // A DSID that is no whole number names no file and reaches no query.
  w.ui.boxes.clear();
  w.b().type("txtForecast(1)", "../../etc/x");
  w.b().click("cmdSaveForecastFile");
  w.b().click("cmdRefreshForecast");
  ASSERT_EQ(w.ui.boxes.size(), 2u);
  EXPECT_NE(w.ui.boxes[0].text.find("is not a whole number"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(w.folder / "forecast../../etc/x.txt"));
  EXPECT_FALSE(w.s.frmWizard.WizardDbOpen);

  // A missing copy is said with its path.
  std::filesystem::remove(w.folder / "forcast.txt");
  w.ui.boxes.clear();
  w.b().click("cmdActual");
  ASSERT_EQ(w.ui.boxes.size(), 1u);
  EXPECT_EQ(w.ui.boxes[0].text.rfind((w.folder / "forcast.txt").string() + "--", 0), 0u) << w.ui.boxes[0].text;
}

TEST(ForecastPage, RefreshListsTheHourlyRowsWithTheirSources) {
  testing::WizardSession w({kLine});
  std::string sql;
  for (const auto& [hour, value, source] : std::vector<std::tuple<int, double, int>>{
           {5, 0.9, 14}, {7, 0.25, 14}, {14, 0.5, 11}, {15, 0.125, 18}})
    sql += "insert into rhour values (-11012, " + testing::dateSql(at(hour)) + ", " + num(value) + ", " +
           std::to_string(source) + ");";
  testing::execSql(w.hdb, sql);
  w.open(1);
  w.b().click("cmdRefreshForecast");
  // From 7 hours before now (06:15): the 05:00 row is left out.
  EXPECT_EQ(w.text("txtHistoryForecast"),
            " 0.25000   05 07:00 AM   14\r\n 0.50000   05 02:00 PM   11\r\n 0.12500   05 03:00 PM   18\r\n");
  const ForecastSeries& f = w.s.frmWizard.Forecast;
  EXPECT_EQ(f.HistoryCount, 2);
  EXPECT_EQ(f.HistoryColour, (std::vector<vb::Color>{kCyan, kRed, kBlue, kBlue}));
  EXPECT_FALSE(w.b()["Command1"].Enabled);
  // A negative edit window lists further back.
  w.b().type("txtFhours", "-24");
  w.b().click("cmdRefreshForecast");
  EXPECT_EQ(vb::Left(w.text("txtHistoryForecast"), 29), " 0.90000   05 05:00 AM   14\r\n");
}

TEST(ForecastGraph, TwelveHoursByHandThenThreeEditedHours) {
  ForecastSeries f;
  f.HistoryCount = 11;
  for (int i = 0; i <= 11; ++i) {
    f.HistoryCum.push_back(0.1f * static_cast<float>(i + 1));
    f.HistoryTime.push_back("05 " + std::string(i < 9 ? "0" : "") + std::to_string(i + 1) + ":00 PM");
    f.HistoryColour.push_back(i == 3 ? kCyan : kBlue);
  }
  f.HistoryTime[11] = "06 12:00 AM";
  ForecastPicture p = DrawForecast(f, 520, 260);  // W 517, H 254
  ASSERT_EQ(p.lines.size(), 12u);
  ASSERT_EQ(p.circles.size(), 12u);
  EXPECT_EQ(p.lines[0].x1, 0);
  EXPECT_EQ(p.lines[0].y1, 254);
  EXPECT_NEAR(p.circles[0].x, 0, 1e-9);
  EXPECT_NEAR(p.circles[0].y, 254 - 254 * 0.1 / 1.2 + 3, 1e-4);
  // The maximum is the last point, at the top right, drawn black at 12 o'clock AM.
  EXPECT_NEAR(p.circles[11].x, 517, 1e-9);
  EXPECT_NEAR(p.circles[11].y, 3, 1e-4);
  EXPECT_EQ(p.circles[11].radius, 2);
  EXPECT_EQ(p.circles[11].colour, kBlack);
  EXPECT_EQ(p.circles[3].colour, kCyan);
  EXPECT_EQ(p.text, "1.20");
  EXPECT_NEAR(p.circles[5].x, 5 * 517.0 / 11, 1e-9);

  // Hours 3 to 5 edited to 0.5 each: the edit curve starts from the second point and the later
  // hours are raised to meet it.
  f.EditCount = 2;
  f.EditCum = {0.5f, 1.0f, 1.5f};
  f.EditTime = {f.HistoryTime[2], f.HistoryTime[3], f.HistoryTime[4]};
  f.EditColour = {kGreen, kGreen, kGreen};
  p = DrawForecast(f, 520, 260);
  EXPECT_EQ(f.EditStartIndex, 2);
  EXPECT_FLOAT_EQ(f.EditOffset, 0.2f);
  EXPECT_NEAR(f.TailShift, 1.2, 1e-6);
  EXPECT_EQ(p.text, "2.40");
  ASSERT_EQ(p.circles.size(), 12u + 3u + 7u);
  const GraphCircle& edit0 = p.circles[12];
  EXPECT_NEAR(edit0.x, 2 * 517.0 / 11, 1e-9);
  EXPECT_NEAR(edit0.y, 254 - 254 * 0.7 / 2.4 + 3, 1e-4);
  EXPECT_EQ(edit0.colour, kGreen);
  EXPECT_EQ(p.circles[15].colour, kMagenta);
  EXPECT_EQ(p.circles.back().colour, kBlack);
  EXPECT_NEAR(p.circles.back().y, 3, 1e-4);  // 1.2 + 1.2, the new maximum
  EXPECT_EQ(forecastReadout(f, 517, 520), "06 12:00 AM    ,  2.4000");
  EXPECT_EQ(forecastReadout(f, 3 * 517.0 / 11, 520), "05 04:00 PM  2.4000  ,  1.6000");

  // Only edits: they are drawn alone from the left edge.
  ForecastSeries e;
  e.EditCount = 2;
  e.EditCum = {0.5f, 1.0f, 1.5f};
  e.EditTime = {"a", "b", "c"};
  p = DrawForecast(e, 520, 260);
  ASSERT_EQ(p.circles.size(), 3u);
  EXPECT_NEAR(p.circles[2].x, 517, 1e-9);
  EXPECT_EQ(p.text, "1.50");
  // A selection without a line end plots nothing.
  testing::WizardSession w({kLine});
  w.open(1);
  w.b().setText("txtHistoryForecast", " 0.10000   05 01:00 PM   18\r\n");
  w.b()["txtHistoryForecast"].SelStart = 2;
  w.b()["txtHistoryForecast"].SelLength = 5;
  w.b().click("txtHistoryForecast");
  EXPECT_EQ(w.s.frmWizard.Picture.text, "0.00");
  EXPECT_EQ(w.b()["LabelForecast(16)"].Caption, "0.0000");
}

class ForecastSave : public ::testing::TestWithParam<testing::HdbEngine> {};

// The forecast's hours from 14:00 to 19:00 (value 0.1, source 18) and their 5-minute rows from
// 13:05 to 19:00 (value 0.1/12, source 18, the 13:30 and 14:30 rows hand-edited with source 5).
std::string forecastRows(const std::string& dsid, const std::string& hourTable, const std::string& unitTable,
                         const std::string& runColumns = "") {
  std::string sql;
  for (int h = 14; h <= 19; ++h)
    sql += "insert into " + hourTable + " values (" + dsid + ", " + testing::dateSql(at(h)) + ", 0.1, 18" +
           runColumns + ");";
  for (int m = 13 * 60 + 5; m <= 19 * 60; m += 5) {
    const bool hand = m == 13 * 60 + 30 || m == 14 * 60 + 30;
    sql += "insert into " + unitTable + " values (" + dsid + ", " + testing::dateSql(at(0, m)) + ", 0.00833, " +
           (hand ? "5" : "18") + runColumns + ");";
  }
  return sql;
}

TEST_P(ForecastSave, ThreeEditedHoursGoIntoTheHourlyAndFiveMinuteRows) {
  testing::WizardSession w({"RUN-FORECAST; -11012; Forecast Rain; Elm Creek; 0; 36.1, -115.2, 3",
                            "FORECAST-B; -11013; Forecast Rain; Elm Creek; 0; 36.1, -115.2, 3",
                            "FORECAST-C; 12000; Forecast Rain; Elm Creek; 0; 36.1, -115.2, 3",
                            "FORECAST-D; -11014; Forecast Rain; Elm Creek; 0; 36.1, -115.2, 3",
                            "XXXXX; 1001; flow; Bridge Creek, AZ",
                            "FORECAST-E; -11015; Forecast Rain; Elm Creek; 0; 36.1, -115.2, 3"});
  const std::filesystem::path hdb = testing::openTestHdb(w.s, GetParam());
  std::string sql = forecastRows("-11012", "rhour", "runit") + forecastRows("-11013", "rhour", "runit") +
                    forecastRows("-11015", "rhour", "runit") +
                    forecastRows("-11012", "mhour", "munit", ", 3, 7") +
                    "insert into mrun (run_id, run_date, traces) values (7, " + testing::dateSql(at(12)) + ", 3);" +
                    "insert into mrun (run_id, run_date, traces) values (6, " + testing::dateSql(at(1)) + ", 2);";
  testing::execSql(hdb, sql);
  w.open(1);
  w.b().click("cmdEditForecast");
  ASSERT_EQ(w.text("txtEditRain"), "0.1\r\n0.1\r\n0.1\r\n0.1\r\n0.1\r\n0.1\r\n");
  EXPECT_EQ(vb::Left(w.text("txttime"), 13), "05 02:00 PM\r\n");
  EXPECT_EQ(w.b()["LabelForecast(13)"].Caption, "0.6000");
  EXPECT_TRUE(w.b()["Command1"].Enabled);
  // The user selects another row of the editor: the save still writes the wizard's own line.
  w.s.Form2.MSFlexGrid1.Row = 5;
  w.s.CurrentStationRow = 5;
  w.b().type("txtEditRain", "1.2\r\n0.6\r\n\r\n0.3\r\n0.1\r\n0.1\r\n");
  EXPECT_EQ(w.b()["LabelForecast(14)"].Caption, "2.3000");
  w.b().setValue("chkWriteAllForecasts", 1);
  w.b().click("Command1");
  EXPECT_TRUE(w.ui.boxes.empty()) << w.ui.boxes.front().text;
  EXPECT_FALSE(w.s.frmWizard.Visible);

  auto hours = [&](const std::string& table, const std::string& dsid) {
    std::vector<std::string> v;
    testing::TestConnection c(hdb);
    db::QueryResult r = c.run("select value, source from " + table + " where datatype_site_id=" + dsid +
                              " order by date_time");
    for (std::size_t i = 0; i < r.rowCount(); ++i)
      v.push_back(vb::Format(r.cells[i * 2].toDouble(), "0.00000") + "/" + r.cells[i * 2 + 1].toString());
    return v;
  };
  // Every numeric line is written (the unchanged 0.1 too); the blank one leaves its hour.
  const std::vector<std::string> edited = {"1.20000/14", "0.60000/14", "0.10000/18",
                                           "0.30000/14", "0.10000/14", "0.10000/14"};
  EXPECT_EQ(hours("rhour", "-11012"), edited);
  EXPECT_EQ(hours("rhour", "-11013"), edited);  // the forecast line below
  EXPECT_EQ(hours("mhour", "-11012"), edited);  // the latest run's last trace
  EXPECT_EQ(hours("rhour", "-11015"), std::vector<std::string>(6, "0.10000/18"));  // past a gauge line
  for (const char* table : {"runit", "munit"}) {
    const std::vector<std::string> unit = hours(table, "-11012");
    ASSERT_EQ(unit.size(), 72u) << table;
    EXPECT_EQ(unit[0], "0.10000/14");   // 13:05, the first hour's twelfth
    EXPECT_EQ(unit[5], "0.00833/5");    // 13:30, hand-edited: kept by a future edit
    EXPECT_EQ(unit[11], "0.10000/14");  // 14:00 closes the first hour
    EXPECT_EQ(unit[12], "0.05000/14");  // 14:05
    EXPECT_EQ(unit[17], "0.00833/5");   // 14:30
    EXPECT_EQ(unit[24], "0.00833/18");  // 15:05, a blank line: unchanged
    EXPECT_EQ(unit[36], "0.02500/14");  // 16:05
    EXPECT_EQ(unit[48], "0.00833/14");  // 17:05, 0.1 / 12
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, ForecastSave,
                         ::testing::Values(testing::HdbEngine::Dao, testing::HdbEngine::AdoJet,
                                           testing::HdbEngine::AdoSqlite),
                         [](const auto& info) { return std::string(testing::engineName(info.param)); });

TEST(ForecastSaveRules, HistoryEditsNoLineEndAndAFailureSaysWhatWasStored) {
  EXPECT_EQ(firstEditHour(14), 13);
  EXPECT_EQ(firstEditHour(0), 23);
  EXPECT_EQ(editLineOfHour(15, 13), 1);
  EXPECT_EQ(editLineOfHour(3, 22), 0);  // across midnight a later series starts at line 0

  testing::WizardSession w({kLine});
  testing::execSql(w.hdb, forecastRows("-11012", "rhour", "runit"));
  w.open(1);
  w.b().type("txtFhours", "6");
  w.b().click("cmdEditForecast");
  // No line end: nothing is written and the wizard stays open.
  w.b().type("txtEditRain", "1.2");
  w.b().click("Command1");
  EXPECT_TRUE(w.s.frmWizard.Visible);
  EXPECT_EQ(testing::countRows(w.hdb, "select * from rhour where source=14"), 0);
  // A failing write after the first hour: the message names what is stored.
  testing::execSql(w.hdb,
                   "create trigger no_three before update on rhour when new.value = 3 begin "
                   "select raise(abort, 'value refused'); end;");
  w.b().type("txtEditRain", "1.2\r\n3\r\n");
  w.b().click("Command1");
  ASSERT_EQ(w.ui.boxes.size(), 1u);
  EXPECT_NE(w.ui.boxes[0].text.find("value refused"), std::string::npos) << w.ui.boxes[0].text;
  EXPECT_NE(w.ui.boxes[0].text.find("Stored before the failure: rhour 06/05 14:00 (-11012)."), std::string::npos)
      << w.ui.boxes[0].text;
  EXPECT_TRUE(w.s.frmWizard.Visible);

  // A history edit writes every 5-minute row of the hour with source -14, hand edits included.
  testing::WizardSession h({kLine});
  testing::execSql(h.hdb, forecastRows("-11012", "rhour", "runit"));
  h.clock.set(at(20, 15));
  h.open(1);
  h.b().type("txtFhours", "-7");
  h.b().click("cmdEditForecast");
  ASSERT_EQ(vb::Left(h.text("txttime"), 11), "05 02:00 PM");
  h.b().type("txtEditRain", "1.2\r\n");
  h.b().click("Command1");
  EXPECT_TRUE(h.ui.boxes.empty()) << h.ui.boxes.front().text;
  testing::TestConnection c(h.hdb);
  db::QueryResult r = c.run("select value, source from runit where datatype_site_id=-11012 order by date_time");
  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_NEAR(r.cells[i * 2].toDouble(), 0.1, 1e-9) << i;
    EXPECT_EQ(r.cells[i * 2 + 1].toString(), "-14") << i;
  }
  EXPECT_EQ(r.cells[12 * 2 + 1].toString(), "18");
}

}  // namespace
}  // namespace fw
