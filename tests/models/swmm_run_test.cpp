// The SWMM line: the [OPTIONS] dates of the input file, and the run of the engine library (a
// fake built by the tests with SWMM's entry points).
#include "models/swmm_run.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "model_test_host.h"
#include "models/swmm_output.h"
#include "platform/vb/strings.h"

namespace fw::models {
namespace {

using testing::crlf;
using testing::kBeginDay;
using testing::TestHost;

TEST(SwmmRun, SetsTheOptionsDatesAndNothingElse) {
  TestHost t;
  const std::string inp = t.fixture("swmm/model.inp");
  std::vector<std::string> lines = vb::readLines(inp);
  const std::vector<std::string> out = rewriteSwmmInput(lines, kBeginDay, kBeginDay + 2);
  lines[9] = "START_DATE           01/05/2026";
  lines[10] = "START_TIME           00:00:00";
  lines[11] = "REPORT_START_DATE    01/05/2026";
  lines[12] = "REPORT_START_TIME    00:00:00";
  lines[13] = "END_DATE             01/07/2026";
  lines[14] = "END_TIME             00:00:00";
  // The time series named END_TIME_RAIN keeps its rows.
  EXPECT_EQ(crlf(out), crlf(lines));
}

struct SwmmFixture {
  TestHost t;
  std::string inp = t.fixture("swmm/model.inp");
  std::string calls = (t.folder / "swmm_calls.txt").string();
  SwmmLibrary engine{FW_FAKE_SWMM5};
  SwmmFixture() { ::setenv("FW_FAKE_SWMM_CALLS", calls.c_str(), 1); }
  ~SwmmFixture() {
    ::unsetenv("FW_FAKE_SWMM_CALLS");
    ::unsetenv("FW_FAKE_SWMM_RESULT");
  }
};

TEST(SwmmRun, RunsTheEngineOnTheRewrittenInputBesideItsReportAndResults) {
  SwmmFixture f;
  testing::TestHost& t = f.t;
  vb::writeAllBytes(t.folder / "tmp.txt", "the user's notes");
  const std::filesystem::path here = std::filesystem::current_path();
  ShellArgs a = t.args("SWMM", "", f.inp, "");
  a.EndDay = kBeginDay;
  ShellSwmm(t.host, a, f.engine);
  EXPECT_EQ(a.Error, "");
  EXPECT_EQ(t.lastError, "");
  EXPECT_EQ(a.EndDay, kBeginDay + 1);  // the simulation runs to the midnight after the end day
  const std::string folder = t.folder.path().string() + "/";
  EXPECT_EQ(vb::readAllBytes(f.calls), "run " + f.inp + "|" + folder + "model.rpt|" + folder + "model.out\n");
  const std::string report = t.file("model.rpt");
  EXPECT_NE(report.find("START_DATE           01/05/2026\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("END_DATE             01/06/2026\r\nEND_TIME             00:00:00\r\n"),
            std::string::npos);
  SwmmOutFile out;
  ASSERT_EQ(out.open(folder + "model.out"), 0);
  EXPECT_EQ(out.periods, 288);
  EXPECT_EQ(out.startDate, kBeginDay);
  EXPECT_EQ(t.log, "Working... model\r\nSWMM 5.2.4\r\nFinished\r\n");
  EXPECT_EQ(t.captions, (std::vector<std::string>{"model.inp: model"}));
  EXPECT_EQ(t.file("tmp.txt"), "the user's notes");
  EXPECT_EQ(std::filesystem::current_path(), here);
}

TEST(SwmmRun, AnEngineErrorIsReportedWithItsCodeAndTheReportShown) {
  SwmmFixture f;
  testing::TestHost& t = f.t;
  ::setenv("FW_FAKE_SWMM_RESULT", "317", 1);
  ShellArgs a = t.args("SWMM", "", f.inp, "");
  ShellSwmm(t.host, a, f.engine);
  EXPECT_EQ(a.Error, "");  // the run goes on without counting the line
  EXPECT_EQ(t.lastError, "SWMM:  ... SWMM Error# 317");
  EXPECT_EQ(t.errors, (std::vector<std::string>{"SWMM:  ... SWMM Error# 317"}));
  EXPECT_TRUE(t.recorded.started.empty());  // nobody to read the report in batch

  t.host.BatchMode = false;
  ShellSwmm(t.host, a, f.engine);
  ASSERT_EQ(t.recorded.started.size(), 1u);
  EXPECT_EQ(t.recorded.started[0], textEditorCommand(t.folder.path().string() + "/model.rpt"));
  EXPECT_EQ(t.boxes, (std::vector<std::string>{"SWMM:  ... SWMM Error# 317"}));
}

TEST(SwmmRun, AMissingInputOrEngineFailsSayingWhich) {
  SwmmFixture f;
  testing::TestHost& t = f.t;
  ShellArgs a = t.args("SWMM", "", (t.folder / "none.inp").string(), "");
  ShellSwmm(t.host, a, f.engine);
  EXPECT_EQ(a.Error, "Not found: " + (t.folder / "none.inp").string());

  SwmmLibrary missing((t.folder / "libswmm5.so").string());
  a = t.args("SWMM", "", f.inp, "");
  ShellSwmm(t.host, a, missing);
  EXPECT_EQ(t.lastError, "SWMM: SWMM library not found: " + (t.folder / "libswmm5.so").string());
  EXPECT_EQ(a.Error, "");
}

}  // namespace
}  // namespace fw::models
