#include "run/dispatch.h"
#include "run/station_handler.h"

#include <gtest/gtest.h>

#include "app/image_list.h"
#include "app/show_source.h"
#include "compute/compute_services.h"
#include "platform/vb/error.h"
#include "run/service_fakes.h"
#include "run/station_road.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

class DispatchTest : public ::testing::Test {
 protected:
  LineState lineFor(const std::string& id, int16_t type) {
    ctx.SourceType = type;
    LineState line;
    line.StationId = id;
    line.Dsid = "1101";
    line.ParameterCode = "00060";
    line.ParameterCodes = {"00060"};
    line.ParameterCount = 0;
    line.ValueColumns = {2, 0};
    line.WindowDays = 7;
    return line;
  }
  void dispatch(LineState& line) { getsourcedata(s, ctx, line, s.form.Caption); }

  testing::TestSession t;
  Session& s = t.s;
  RunContext ctx;
  std::shared_ptr<FakeSources> sources = installFakeSources(s.services);
};

TEST_F(DispatchTest, EachBlockCallsItsRoutineShowsItsSourceAndSetsItsIndexes) {
  struct Case {
    int16_t type;
    const char* id;
    bool unitValues;
    const char* call;
    const char* caption;
    const char* icon;
    int16_t dateIndex;
    int16_t valueIndex;  // the fake reports 5 as its own value index; ValueColumns is {2, 0}
  };
  const Case cases[] = {
      {0, "08MF005", true, "GetCanada", "GoC", "Canada", 1, 2},
      {1, "KSACRAMENTO", true, "GetWxStation", "Wunderground", "Wunderg", 1, 2},
      {1, "KSAC", false, "GetWxDaily", "Iowa Mesonet", "Iowa", 1, 2},
      {27, "MW-KSAC", true, "GetWxStation", "MesoWest", "PWS", 1, 2},
      {29, "SY-KSAC", true, "GetWxStation", "Synoptic", "synoptic", 1, 2},
      {31, "MA-KSAC", true, "GetWxStation", "NWS-Madis", "noaa2", 1, 2},
      {2, "09380000", true, "GetUSGS", "USGS", "USGS", 3, 5},
      {3, "ORO", true, "GetCDEC", "CalDEC", "CWRD", 3, 4},
      {4, "1050", true, "GetSNOTEL", "USCS", "USCS", 1, 2},
      {6, "USBR-GCD", true, "GetHydromet", "USBR", "USBR", 1, 2},
      {7, "COE-SAC", true, "GetCOE", "COE", "COE", 1, 5},
      {8, "CIMIS-6", true, "GetCIMIS", "CIMIS", "CWRD", 2, 2},
      {10, "ROUTE-A", true, "hdbrouting", "HDB Routing", "Route", 1, 2},
      {11, "COMPUTE-A", true, "hdbcompute", "HDB Compute", "File", 1, 2},
      {13, "FILE-A", true, "computefromtextfile", "HDB File", "File", 1, 2},
      {19, "AFWS-1", true, "GetAFWS", "AFWS", "NWS", 1, 5},
      {20, "LOOKUP-A", true, "Lookup", "HDB Routing", "File", 1, 2},
      {21, "KISTERS-A", true, "GetKiWIS", "HDB Routing", "File", 1, 2},
  };
  sources->otherwise.RetrievalText = "Z\t06/05/2024 13:00\t5";
  sources->otherwise.DateFieldIndex = 3;
  sources->otherwise.ValueFieldIndex = 5;
  for (const Case& c : cases) {
    sources->calls.clear();
    s.form.Caption = "Flumewright";
    s.UnitValues = c.unitValues;
    LineState line = lineFor(c.id, c.type);
    dispatch(line);
    EXPECT_EQ(sources->calls, (std::vector<std::string>{std::string(c.call) + " " + c.id})) << c.id;
    EXPECT_EQ(s.form.Caption, c.caption) << c.id;
    EXPECT_EQ(s.form.Icon, c.icon) << c.id;
    EXPECT_EQ(line.DateFieldIndex, c.dateIndex) << c.id;
    EXPECT_EQ(ctx.ValueFieldIndex, c.valueIndex) << c.id;
    EXPECT_FALSE(line.RetrievalFailed) << c.id;
    EXPECT_FALSE(line.NothingToParse) << c.id;
    EXPECT_EQ(line.IntervalCode, c.type == 10 ? 4 : 0) << c.id;
  }
}

TEST_F(DispatchTest, TheCaptionIsLeftAloneWhileItAlreadyShowsTheSource) {
  s.form.Caption = "USGS";
  s.form.Icon = "Flumewr";
  LineState line = lineFor("09380000", 2);
  dispatch(line);
  EXPECT_EQ(s.form.Icon, "Flumewr");
}

TEST_F(DispatchTest, InBatchTheTrayTipFollowsTheSource) {
  auto tray = std::make_shared<FakeTray>();
  s.services.tray = tray;
  s.BatchMode = true;
  s.TrayState = kTrayShown;
  LineState line = lineFor("09380000", 2);
  dispatch(line);
  EXPECT_EQ(tray->tips, (std::vector<std::string>{"USGS"}));
}

TEST_F(DispatchTest, ErrorTextsFailTheLineOnlyWhereTheBlockSaysSo) {
  sources->otherwise.Error = "Data not available.";
  for (int16_t type : {1, 27, 29, 31, 2, 10, 11, 13, 20, 21, 0, 3, 4, 6, 7, 8, 19, 25, 30}) {
    LineState line = lineFor(type == 1 ? "KSACRAMENTO" : "X" + std::to_string(type), type);
    ctx.RetrievalCacheId.clear();
    ctx.InternetFailedCopy = false;
    dispatch(line);
    const bool fails = type == 1 || type == 27 || type == 29 || type == 31 || type == 2 || type == 10 ||
                       type == 11 || type == 13 || type == 20 || type == 21;
    EXPECT_EQ(line.RetrievalFailed, fails) << type;
    EXPECT_EQ(line.StationError, "Data not available.") << type;
  }
}

TEST_F(DispatchTest, PrecipitationKindsAndWindFlags) {
  struct Case {
    int16_t type;
    const char* id;
    const char* parameter;
    int16_t datatype;
    bool unitValues;
    int16_t precipKind;
    bool windDegrees, windDirSeries;
  };
  const Case cases[] = {
      {1, "KSACRAMENTO", "HourlyPrecip", 10, true, -1, false, false},
      {1, "KSACRAMENTO", "HourlyPrecip", 10, false, 0, false, false},
      {1, "KSACRAMENTO", "p01i", 10, true, -1, false, false},
      {27, "MW-KSAC", "precipTotal", 10, true, 2, false, false},
      {29, "SY-KSAC", "precip_accum_five", 10, true, -2, false, false},
      {31, "MA-KSAC", "Precipitation", 10, true, 3, false, false},
      {0, "08MF005", "18", 10, true, 4, false, false},
      {0, "08MF005", "18", 9, true, 0, false, false},
      {0, "08MF005", "wd", 19, true, 0, true, true},
      {1, "KSACRAMENTO", "wd", 19, true, 0, false, true},
      {1, "KSAC", "wd", 19, true, 0, true, true},  // the Iowa source gives degrees
      {27, "MW-KSAC", "wd", 19, true, 0, true, true},
      {31, "MA-KSAC", "wd", 19, true, 0, false, true},
  };
  for (const Case& c : cases) {
    LineState line = lineFor(c.id, c.type);
    line.ParameterCode = c.parameter;
    line.DatatypeCode = c.datatype;
    s.UnitValues = c.unitValues;
    ctx.RetrievalCacheId.clear();
    dispatch(line);
    EXPECT_EQ(line.PrecipKind, c.precipKind) << c.id << " " << c.parameter;
    EXPECT_EQ(line.WindDegrees, c.windDegrees) << c.id << " " << c.parameter;
    EXPECT_EQ(line.WindDirSeries, c.windDirSeries) << c.id << " " << c.parameter;
  }
  EXPECT_NE(s.form.Text1.Text.find("Airport rainfall is RISKY business\r\n"), std::string::npos);
}

TEST_F(DispatchTest, TwoLinesOfOneWeatherStationReuseItsDownload) {
  sources->replies["KSACRAMENTO"].RetrievalText = "header\nZ\t06/05/2024 13:00\t5";
  LineState first = lineFor("KSACRAMENTO", 1);
  s.UnitValues = true;
  dispatch(first);
  ctx.PreviousLineCount = 20;  // the parsing found lines in it
  LineState second = lineFor("KSACRAMENTO", 1);
  dispatch(second);
  ASSERT_EQ(sources->received.size(), 2u);
  EXPECT_EQ(sources->received[0].RetrievalText, "");
  EXPECT_EQ(sources->received[1].RetrievalText, "header\nZ\t06/05/2024 13:00\t5");

  // A download without data is not repeated; the line fails, saying why in its own words.
  ctx.PreviousLineCount = 2;
  LineState third = lineFor("KSACRAMENTO", 1);
  dispatch(third);
  EXPECT_EQ(sources->calls.size(), 2u);
  EXPECT_TRUE(third.RetrievalFailed);
  EXPECT_EQ(third.StationError, kSameStationNoDataText);
  EXPECT_EQ(third.StationDayCount, 7);
}

TEST_F(DispatchTest, AfterOneFailedWeatherDownloadLaterWeatherLinesAreNotTried) {
  sources->onCall = [](Session& session, SourceCall&) { session.InternetFailed = true; };
  sources->otherwise.Error = "Could not open the page.";
  LineState first = lineFor("KSACRAMENTO", 1);
  dispatch(first);
  EXPECT_EQ(first.StationError, "Could not open the page.");
  s.InternetFailed = false;  // a change of source type clears the flag, never the run's copy
  LineState later = lineFor("MW-KSAC", 27);
  dispatch(later);
  EXPECT_EQ(later.StationError, "Wunderground down.");
  EXPECT_TRUE(later.RetrievalFailed);
  EXPECT_EQ(sources->calls.size(), 1u);
}

// A reply that broke off fails its line with the download's text whatever the retriever made of
// it; the service is not taken for down, and the next line of the station downloads afresh.
TEST_F(DispatchTest, ABrokenReplyFailsItsLineOnlyAndIsNotKept) {
  int calls = 0;
  sources->onCall = [&calls](Session& session, SourceCall&) {
    if (++calls == 1) session.BrokenDownload = "Internet reply was cut short: http://127.0.0.1:";
  };
  sources->otherwise.RetrievalText = "header\nZ\t06/05/2024 13:00\t5\nZ\t06/05/2024 13:05\t6\n";
  s.UnitValues = true;
  for (int16_t type : {int16_t{1}, int16_t{2}}) {
    SCOPED_TRACE(type);
    calls = 0;
    sources->calls.clear();
    ctx = RunContext{};
    LineState first = lineFor("KSACRAMENTO", type);
    dispatch(first);
    EXPECT_TRUE(first.RetrievalFailed);
    EXPECT_EQ(first.StationError, "Internet reply was cut short: http://127.0.0.1:");
    EXPECT_EQ(ctx.RetrievalText, "");
    EXPECT_FALSE(ctx.InternetFailedCopy);
    ctx.PreviousLineCount = 0;  // nothing was parsed
    LineState second = lineFor("KSACRAMENTO", type);
    dispatch(second);
    EXPECT_EQ(sources->calls.size(), 2u);
    EXPECT_FALSE(second.RetrievalFailed);
    EXPECT_EQ(second.StationError, "");
    EXPECT_EQ(ctx.RetrievalText, sources->otherwise.RetrievalText);
  }
}

TEST_F(DispatchTest, FormulaRulesOfWeatherAndComputeLines) {
  LineState wx = lineFor("KSACRAMENTO", 1);
  wx.FormulaUsesN = true;
  wx.Triples[1] = {"0", "3", "P1*N"};
  wx.ParameterCount = 2;
  wx.ParameterTotal = 3;
  dispatch(wx);
  EXPECT_TRUE(wx.FormulaUsesN);
  EXPECT_EQ(wx.ParameterCount, 0);
  EXPECT_EQ(wx.ParameterTotal, 0);
  EXPECT_EQ(wx.Triples[1].shift, "0");

  LineState shortFormula = lineFor("KSACRAMENTO2", 1);
  shortFormula.FormulaUsesN = true;
  shortFormula.Triples[1] = {"0", "3", "N"};
  dispatch(shortFormula);
  EXPECT_FALSE(shortFormula.FormulaUsesN);

  LineState et = lineFor("COMPUTE-ET", 11);
  et.FormulaUsesN = true;
  et.DatatypeCode = 27;
  et.Triples[1] = {"0", "2", "P1+N"};
  dispatch(et);
  EXPECT_EQ(et.ParameterCount, 1);
  EXPECT_EQ(et.ParameterTotal, 1);
  EXPECT_EQ(et.Triples[1].shift, "0");

  LineState swmm = lineFor("COMPUTE-GET-SWMM", 11);
  swmm.FormulaUsesN = true;
  swmm.Triples[1] = {"0", "out.rpt", "P1+N"};
  s.form.Caption = "Flumewright";
  dispatch(swmm);
  EXPECT_FALSE(swmm.FormulaUsesN);
  EXPECT_EQ(s.form.Caption, "Get-SWMM");
  EXPECT_EQ(s.form.Icon, "EPA");
}

TEST_F(DispatchTest, ComputeLinesShowTheirFileKindAndReportTheirResult) {
  s.form.Caption = "Flumewright";
  LineState dss = lineFor("COMPUTE-DSS", 11);
  dss.Triples[1] = {"0", "C:\\A.DSS", ""};
  ctx.HeldText = "GFS";
  dispatch(dss);
  EXPECT_EQ(s.form.Caption, "HDB Compute");
  EXPECT_EQ(s.form.Icon, "DSS");
  EXPECT_EQ(ctx.HeldText, "");

  s.form.Icon = "none";
  LineState again = lineFor("COMPUTE-B", 11);
  dispatch(again);  // the caption already shows a computation
  EXPECT_EQ(s.form.Icon, "none");

  sources->replies["COMPUTE-OK"].Error = "OK";
  LineState ok = lineFor("COMPUTE-OK", 11);
  ok.Triples[1] = {"1", "RAIN1.txt", "P1"};
  dispatch(ok);
  EXPECT_TRUE(ok.NothingToParse);
  EXPECT_FALSE(ok.RetrievalFailed);
  EXPECT_EQ(ok.StationError, "");
  LineState overwrite = lineFor("COMPUTE-OK", 11);
  overwrite.Triples[1] = {"0", "RAIN1.txt", "P1"};
  dispatch(overwrite);
  EXPECT_NE(s.form.Text1.Text.find("Add to: RAIN1.txt\r\nOverwrite: RAIN1.txt\r\n"), std::string::npos)
      << s.form.Text1.Text;

  sources->replies["COMPUTE-STOP"].Error = "Canceled";
  LineState canceled = lineFor("COMPUTE-STOP", 11);
  dispatch(canceled);
  EXPECT_TRUE(canceled.ComputeCanceled);
  EXPECT_FALSE(canceled.RetrievalFailed);
}

TEST_F(DispatchTest, FileLinesTakeTheirFileNameFromALongBase) {
  LineState longBase = lineFor("FILE-A", 13);
  longBase.Triples[1].base = "C:\\data\\flows.txt";
  dispatch(longBase);
  ASSERT_EQ(sources->received.size(), 1u);
  EXPECT_EQ(sources->received[0].DateLayout, "C:\\data\\flows.txt");
  EXPECT_EQ(longBase.Triples[1].base, "");

  LineState shortBase = lineFor("FILE-B", 13);
  shortBase.Triples[1].base = "12.5";
  shortBase.DatatypeCode = 19;
  dispatch(shortBase);
  EXPECT_EQ(sources->received[1].DateLayout, "");
  EXPECT_EQ(shortBase.Triples[1].base, "12.5");
  EXPECT_TRUE(sources->received[1].WindDirSeries);
}

TEST_F(DispatchTest, PointForecastsKeepTheModelKeyAndMadisOnlyCollects) {
  LineState first = lineFor("FORECAST-SAC", 25);
  first.Triples[1] = {"0", "GFS-0.25", "temp"};
  sources->replies["FORECAST-SAC"].RetrievalText = "Z\t06/05/2024 13:00\t5";
  dispatch(first);
  EXPECT_EQ(ctx.HeldText, "GFS-0.25");
  EXPECT_EQ(first.Triples[1].formula, "");
  EXPECT_EQ(sources->received[0].LineText, "temp");  // the forecast model text
  EXPECT_FALSE(first.NothingToParse);

  ctx.RetrievalText = "left over";
  LineState other = lineFor("FORECAST-SAC", 25);
  other.Triples[1] = {"0", "HRDPS", ""};
  sources->replies["FORECAST-SAC"].RetrievalText.clear();
  dispatch(other);
  EXPECT_EQ(sources->received[1].RetrievalText, "");  // another model: the text is not reused
  EXPECT_TRUE(other.NothingToParse);

  LineState madis = lineFor("KSAC", 30);
  dispatch(madis);
  EXPECT_TRUE(madis.NothingToParse);
}

TEST_F(DispatchTest, SnowTelemetryStopsForTheRestOfTheRunOnceTheRetrieverSaysSo) {
  sources->onCall = [](Session&, SourceCall& c) { c.SnotelStop = true; };
  LineState first = lineFor("1050", 4);
  dispatch(first);
  LineState second = lineFor("1051", 4);
  dispatch(second);
  EXPECT_EQ(sources->calls, (std::vector<std::string>{"GetSNOTEL 1050"}));
  EXPECT_TRUE(ctx.SnotelStop);
}

TEST_F(DispatchTest, HcfcdLinesFailCleanlyWithoutTheLastLinesText) {
  ctx.RetrievalText = "Z\t06/05/2024 13:00\t5";
  LineState line = lineFor("HCFCD1234", 22);
  dispatch(line);
  EXPECT_TRUE(line.RetrievalFailed);
  EXPECT_EQ(ctx.RetrievalText, "");
  EXPECT_EQ(line.StationError, "HCFCD1234: no retriever exists for this kind of station line.");
  EXPECT_TRUE(sources->calls.empty());
}

TEST_F(DispatchTest, AnErrorEscapingARetrieverGivesTheLineItsDescription) {
  sources->onCall = [](Session&, SourceCall&) { throw vb::Error(vb::err::Overflow, "Overflow"); };
  LineState line = lineFor("09380000", 2);
  dispatch(line);
  EXPECT_TRUE(line.RetrievalFailed);
  EXPECT_EQ(line.StationError, "Overflow");
}

class FailingImages : public RadarRain {
 public:
  int restarts = 0;
  bool restartImages(Session&) override {
    ++restarts;
    return false;
  }
};

TEST_F(DispatchTest, RadarParametersTakeTheRadarRoadWhateverTheId) {
  for (const char* parameter : {"C0R", "C0S"}) {
    LineState line = lineFor("09380000", 2);
    line.ParameterCode = parameter;
    EXPECT_EQ(retrieve(s, ctx, line), Move::endStation()) << parameter;
    EXPECT_EQ(ctx.SourceType, 9) << parameter;
    // The radar batch takes it (and fails it here: the basin has no point file).
    EXPECT_EQ(line.StationError.find(std::string("09380000 ") + parameter + " 1101 File not found: "), 0u)
        << line.StationError;
  }
  EXPECT_TRUE(sources->calls.empty());
}

TEST_F(DispatchTest, AnImageLayerThatCannotStartEndsTheRunAndTheProgram) {
  auto images = std::make_shared<FailingImages>();
  s.services.radar = images;
  LineState runoff = lineFor("NEXRAD-KDAX", 9);
  runoff.DatatypeCode = 30;  // radar runoff lines need no images: they read the stored rain
  EXPECT_NE(retrieve(s, ctx, runoff), Move::cancel());
  EXPECT_EQ(images->restarts, 0);
  EXPECT_EQ(sources->calls, (std::vector<std::string>{"getrunoffinput NEXRAD-KDAX"}));

  LineState line = lineFor("NEXRAD-KDAX", 9);
  EXPECT_EQ(retrieve(s, ctx, line), Move::cancel());
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, "Error loading GDI+! (gdiplus.dll)");
  EXPECT_EQ(t.ui.boxes[0].icon, MsgIcon::Critical);
  EXPECT_TRUE(s.ExitRequested);

  s.BatchMode = true;
  s.ExitRequested = false;
  LineState unattended = lineFor("A2M-KDAX", 23);
  EXPECT_EQ(retrieve(s, ctx, unattended), Move::cancel());
  EXPECT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(s.LastError, "Error loading GDI+! (gdiplus.dll)");
  EXPECT_TRUE(s.ExitRequested);
}

TEST_F(DispatchTest, AComputeImportTellsTheLineWhetherItsSeriesIsDaily) {
  s.services.computations = std::make_shared<ComputeServices>();
  s.RealtimeMode = true;
  const std::filesystem::path other = testing::makeHdb(t.folder.path(), "other.db");
  testing::execSql(other,
                   "create table obs (t datetime, v double); insert into obs values (#06/05/2024#, 2);");
  for (const char* table : {"rday", "RHOUR", "RDAY"}) {
    testing::writeFile(t.folder / "req.txt",
                       std::string("Title: obs\r\nTable: ") + table +
                           "\r\nSource: " + testing::sqliteConnString(other) +
                           "\r\nQuery: select t, v from obs where t between #DAY1# and #DAY2#\r\n");
    LineState line = lineFor("COMPUTE-GET", 11);
    line.ParameterCode = "req.txt";
    line.FirstDay = 45448;
    line.LastDay = 45448;
    dispatch(line);
    EXPECT_EQ(line.StationError, "") << table;
    EXPECT_EQ(line.DailyFlag, std::string(table) != "RHOUR") << table;
    EXPECT_NE(ctx.RetrievalText.find("Z\t2024-06-05 00:00\t 2 \t 0 \t\n"), std::string::npos) << table;
  }
}

TEST_F(DispatchTest, ACanceledComputationCancelsTheRun) {
  sources->replies["COMPUTE-STOP"].Error = "Canceled";
  LineState line = lineFor("COMPUTE-STOP", 11);
  EXPECT_EQ(retrieve(s, ctx, line), Move::cancel());
}

TEST(WeatherPrecipKind, LaterRulesWin) {
  EXPECT_EQ(weatherPrecipKind("tempf", true), 0);
  EXPECT_EQ(weatherPrecipKind("precipRate,dailyrain", true), 2);
  EXPECT_EQ(weatherPrecipKind("precip_accum_one_hour", false), -2);
}

// Every icon a block or a computed kind shows is one the window holds; another key fails the
// caller and leaves the caption as it was.
TEST(ShowSource, EveryKeyTheRunShowsIsInTheImageList) {
  for (int16_t type = -1; type <= 60; ++type) {
    const SourceBlock* b = sourceBlock(type);
    if (b != nullptr && b->routine != nullptr) {
      EXPECT_TRUE(imageListHolds(b->icon)) << b->label << " " << b->icon;
    }
  }
  for (const char* key : {"Iowa", "DSS", "EPA", "File", "Runoff", "Snow", "NWS", "nohrsc2", "Flumewr"})
    EXPECT_TRUE(imageListHolds(key)) << key;

  testing::TestSession t;
  showsource(t.s, "USGS", "USGS", "");
  EXPECT_EQ(t.s.form.Icon, "USGS");
  try {
    showsource(t.s, "Somewhere", "NoSuchKey", "");
    ADD_FAILURE() << "an unknown key must fail";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), 35601);
  }
  EXPECT_EQ(t.s.form.Caption, "USGS");
  EXPECT_EQ(t.s.form.Icon, "USGS");
}

}  // namespace
}  // namespace fw
