#include "run/model_run.h"

#include <gtest/gtest.h>

#include "app/setup_file.h"
#include "app/setup_state.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "run/links.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::HdbEngine;

class ModelRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hdb = testing::openTestHdb(s, HdbEngine::AdoSqlite);
    openRunDatabase(s);
    s.LastSavedHour.assign(10, 0);
    at(6);
  }
  void TearDown() override { closeRunDatabase(s); }

  // The run starts at hh:15 of 2024-06-05 (day 157 of the year).
  void at(int hour) {
    s.RunDateTime = s.LastRunStart = vb::DateSerial(2024, 6, 5) + vb::TimeSerial(hour, 15, 0);
  }

  // The destination of a line at index 3: the id the classification then sees.
  std::string destination(const std::string& id) {
    LineState line;
    line.StationIndex = 3;
    line.StationId = id;
    modelRunDestination(s, line);
    return line.StationId;
  }

  testing::TestSession t;
  Session& s = t.s;
  std::filesystem::path hdb;
};

TEST_F(ModelRunTest, ExplicitRunIdAndTrace) {
  EXPECT_EQ(destination("RUN-12-3-09380000"), "09380000");
  EXPECT_EQ(s.RunId, 12);
  EXPECT_EQ(s.TraceNo, 3);
  EXPECT_EQ(s.ModelRunWrite.modelRun, -1);
  EXPECT_EQ(s.ModelRunWrite.saveHour, 0);
  EXPECT_FALSE(s.MrunLine);
  EXPECT_EQ(s.ModelRunTime, "2024-06-05 06:15");
}

TEST_F(ModelRunTest, RunIdFromTheRunDateAndTheNextStoredTrace) {
  EXPECT_EQ(destination("MRUN-KSAC"), "KSAC");
  EXPECT_EQ(s.RunId, 157);
  EXPECT_EQ(s.TraceNo, 1);  // no mrun row yet
  EXPECT_TRUE(s.MrunLine);
  EXPECT_EQ(s.ModelRunWrite.modelRun, -1);

  testing::execSql(hdb, "insert into mrun (run_id, traces) values (157, 4)");
  s.TraceNo = 0;
  destination("RUN-KSAC");
  EXPECT_EQ(s.TraceNo, 5);
  destination("RUN-KSAC");  // a trace already chosen is kept from line to line
  EXPECT_EQ(s.TraceNo, 5);
}

TEST_F(ModelRunTest, SaveHoursOfAScheduledRunWriteOncePerListedHour) {
  s.BatchMode = true;
  struct Step {
    int hour;
    bool saves;
  } steps[] = {{6, true}, {6, false}, {7, false}, {18, true}, {18, false}, {6, true}};
  for (const Step& step : steps) {
    at(step.hour);
    EXPECT_EQ(destination("MRUN-6,18-09380000"), "09380000") << step.hour;
    EXPECT_EQ(s.ModelRunWrite.saveHour != 0, step.saves) << step.hour;
    EXPECT_EQ(s.ModelRunWrite.modelRun != 0, step.saves) << step.hour;
  }
  // A single save hour needs its ",".
  at(6);
  s.LastSavedHour.assign(10, 0);
  EXPECT_EQ(destination("RUN-6,-KSAC"), "KSAC");
  EXPECT_NE(s.ModelRunWrite.saveHour, 0);
  EXPECT_EQ(destination("RUN-6-2-KSAC"), "KSAC");  // without it, 6 is a run id and 2 the trace
  EXPECT_EQ(s.RunId, 6);
  EXPECT_EQ(s.TraceNo, 2);
  EXPECT_THROW(destination("RUN-6-09380000"), vb::Error);  // a trace above 32767 fails the line
}

TEST_F(ModelRunTest, SaveHourZeroFiresOnTheFirstRunAfterASetupRead) {
  testing::writeFile(t.folder / kSetupFileName,
                     "Station_ID; a; b; c\r\nX; 1; flow; site\r\nY; 2; flow; site\r\nZ; 3; flow; site\r\n"
                     "W; 4; flow; site\r\n");
  getstationfile(s);
  s.BatchMode = true;
  at(0);
  EXPECT_EQ(destination("MRUN-0,12-09380000"), "09380000");
  EXPECT_NE(s.ModelRunWrite.saveHour, 0);
  destination("MRUN-0,12-09380000");  // the same hour once more: saved already
  EXPECT_EQ(s.ModelRunWrite.saveHour, 0);
}

TEST_F(ModelRunTest, AnInteractiveRunSavesAtEveryHour) {
  at(11);
  EXPECT_EQ(destination("MRUN-6,18-09380000"), "09380000");
  EXPECT_NE(s.ModelRunWrite.modelRun, 0);
}

TEST_F(ModelRunTest, AForecastSavedAtASaveHourIsStampedBeforeTheRunStart) {
  s.BatchMode = true;
  EXPECT_EQ(destination("MRUN-6,-FORECAST-GFS"), "FORECAST-GFS");
  EXPECT_NEAR(s.ForecastHoldUntil, s.LastRunStart - 26.0 / 1440, 1e-9);
  // An NWS forecast id never takes the hour-list form.
  EXPECT_EQ(destination("RUN-FORECAST-NWS,SACC1"), "FORECAST-NWS,SACC1");
  EXPECT_EQ(s.RunId, 157);
  EXPECT_NE(s.ModelRunWrite.modelRun, 0);
}

TEST_F(ModelRunTest, MtablesOffStripsTheFirstPrefixOnly) {
  s.form.chkMtablesOff.Value = 1;
  EXPECT_EQ(destination("RUN-12-3-09380000"), "12-3-09380000");
  EXPECT_EQ(s.ModelRunWrite.modelRun, 0);
  EXPECT_EQ(s.ModelRunWrite.saveHour, 0);
  EXPECT_EQ(destination("09380000"), "09380000");  // no destination at all
}

}  // namespace
}  // namespace fw
