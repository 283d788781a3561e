// The HEC-RAS branch: the plan, flow and restart files set for the window (hot start, peak and
// now options), and the run through a fake controller, or none.
#include "models/ras_run.h"

#include <gtest/gtest.h>

#include "model_test_host.h"
#include "models/shell_program.h"
#include "platform/vb/strings.h"

namespace fw::models {
namespace {

using testing::crlf;
using testing::kBeginDay;
using testing::TestHost;

const char* const kRas = "/opt/HEC-RAS/6.5/RAS.EXE";

// A controller that keeps what it was asked to do.
class FakeController : public RasController {
 public:
  explicit FakeController(std::vector<std::string>& calls) : calls_(calls) {}
  void openProject(const std::string& p) override { calls_.push_back("open " + p); }
  std::string description() override { return "Controller 6.5"; }
  void show() override { calls_.push_back("show"); }
  void hide() override { calls_.push_back("hide"); }
  void computeCurrentPlan(std::vector<std::string>& messages) override {
    calls_.push_back("compute");
    messages = {"Computing Plan: Plan 01", "Finished Unsteady Flow Simulation"};
  }
  void openRasMapper() override { calls_.push_back("mapper"); }
  void showRasMapper() override { calls_.push_back("show mapper"); }
  void closeProject() override { calls_.push_back("close"); }
  void quit() override { calls_.push_back("quit"); }

 private:
  std::vector<std::string>& calls_;
};

struct RasFixture {
  TestHost t;
  std::string project = t.fixture("ras/proj.prj");
  std::string plan = t.fixture("ras/proj.p01");
  std::string flow = t.fixture("ras/proj.u01");
  std::vector<std::string> calls;
  std::string versionAsked;
  RasSystem ras;
  RasFixture() {
    ras.controller = [this](const std::string& version) -> std::unique_ptr<RasController> {
      versionAsked = version;
      return std::make_unique<FakeController>(calls);
    };
    for (const char* stamp : {"03JAN2026 2400", "10JAN2026 2400", "20DEC2025 2400"})
      vb::writeAllBytes(t.folder / (std::string("proj.p01.") + stamp + ".rst"), "restart");
  }
  std::string run(const std::string& formula, int32_t begin = kBeginDay) {
    ShellArgs a = t.args(kRas, "0", project, formula);
    a.BeginDay = begin;
    ShellProgram(t.host, a, ras);
    return a.Error;
  }
  std::string planLine() const { return vb::readLines(plan)[3]; }
};

TEST(RasRun, AHotStartTakesTheLatestRestartFileNotAfterTheStart) {
  RasFixture f;
  ASSERT_EQ(f.run("HOTSTART", kBeginDay + 1), "");  // 6 January
  EXPECT_EQ(crlf(vb::readLines(f.plan)),
            crlf({"Plan Title=Unsteady 2026", "Program Version=6.50", "Short Identifier=Plan 01",
                  "Simulation Date=03JAN2026,2400,07JAN2026,2400", "Geom File=g01", "Flow File=u01",
                  "Run HTab= 1"}));
  EXPECT_EQ(f.t.file("proj.u01"),
            crlf({"Flow Title=Storm flows", "Program Version=6.50", "Use Restart= -1",
                  "Restart Filename=proj.p01.03JAN2026 2400.rst", "Boundary Location=Reach 1,Upper,1000"}));
  EXPECT_EQ(f.t.log,
            "Hotstart: proj.p01.03JAN2026 2400.rst\r\nWorking... Finished Unsteady Flow Simulation 0:0\r\n");
  EXPECT_EQ(f.versionAsked, "6.5");
  EXPECT_EQ(f.calls, (std::vector<std::string>{"open " + f.project, "hide", "compute", "close", "quit"}));
  EXPECT_EQ(f.t.captions, (std::vector<std::string>{"Shell Ras 6.5 Controller 6.5"}));
  EXPECT_EQ(f.t.lastError, "");
}

TEST(RasRun, PlanDatesOfThePeakAndNowOptions) {
  struct Case {
    const char* formula;
    double peakValue, peakTime;
    const char* line;
    const char* log;
  };
  const double peak = kBeginDay + 1.25;  // 6 January 06:00
  for (const Case& c : {
           // No restart file: the plan starts on the begin day (not with empty fields).
           Case{"", 0, 0, "Simulation Date=05JAN2026,0005,07JAN2026,2400", "Working... "},
           Case{"NOW24-6", 0, 0, "Simulation Date=05JAN2026,0005,07JAN2026,2400", "Working... "},
           Case{"PEAK6", 500, peak, "Simulation Date=06JAN2026,0000,07JAN2026,0000", "Working... "},
           Case{"PEAK-6", 0, 0, "Simulation Date=05JAN2026,0000,05JAN2026,1800",
                "Missing peak flow date.\r\nWorking... "},
           Case{"HOTSTART,NOW24-6", 0, 0, "Simulation Date=03JAN2026,2400,07JAN2026,1800",
                "Hotstart: proj.p01.03JAN2026 2400.rst\r\nWorking... "},
           Case{"HOTSTART, PEAK12", 500, peak, "Simulation Date=03JAN2026,2400,07JAN2026,0000",
                "Hotstart: proj.p01.03JAN2026 2400.rst\r\nWorking... "},
       }) {
    RasFixture f;
    f.t.host.PeakFlowValue = c.peakValue;
    f.t.host.PeakFlowTime = c.peakTime;
    ASSERT_EQ(f.run(c.formula), "") << c.formula;
    EXPECT_EQ(f.planLine(), c.line) << c.formula;
    EXPECT_EQ(vb::Left(f.t.log, vb::Len(c.log)), c.log) << c.formula;
    // Without a restart file the flow file is left as it was.
    if (vb::InStr(c.formula, "HOTSTART") == 0) {
      EXPECT_EQ(f.t.file("proj.u01"), vb::readAllBytes(FLUMEWRIGHT_FIXTURES "/models/ras/proj.u01"));
    }
  }
}

TEST(RasRun, DeleteOptionsAndMissingFiles) {
  RasFixture f;
  for (const char* name : {"proj.p01.dss", "proj.p01.dsc", "other.dss"})
    vb::writeAllBytes(f.t.folder / name, "x");
  ASSERT_EQ(f.run("delete.proj.p01.dss, DELETE.OLD.RST, HOTSTART"), "");
  EXPECT_FALSE(vb::fileExists(f.t.folder / "proj.p01.dss"));
  EXPECT_FALSE(vb::fileExists(f.t.folder / "proj.p01.dsc"));
  EXPECT_TRUE(vb::fileExists(f.t.folder / "other.dss"));
  // Restart files more than a week before the begin day go; the one the run starts from stays.
  EXPECT_FALSE(vb::fileExists(f.t.folder / "proj.p01.20DEC2025 2400.rst"));
  EXPECT_TRUE(vb::fileExists(f.t.folder / "proj.p01.03JAN2026 2400.rst"));

  // A hot start without any restart file does not run; the batch log says why.
  RasFixture none;
  for (const char* stamp : {"03JAN2026 2400", "10JAN2026 2400", "20DEC2025 2400"})
    std::filesystem::remove(none.t.folder / (std::string("proj.p01.") + stamp + ".rst"));
  EXPECT_EQ(none.run("HOTSTART"), "");
  EXPECT_EQ(none.t.errors,
            (std::vector<std::string>{
                "No 2400 rst file found.  Run Ras manually with run option output 24 hotstart first."}));
  EXPECT_TRUE(none.calls.empty());

  RasFixture missing;
  std::filesystem::remove(missing.plan);
  EXPECT_EQ(missing.run(""), "Not found: " + missing.t.folder.path().string() + "/proj.p01");
  ShellArgs a = missing.t.args(kRas, "0", (missing.t.folder / "none.prj").string(), "");
  ShellProgram(missing.t.host, a, missing.ras);
  EXPECT_EQ(a.Error, "Not found: " + (missing.t.folder / "none.prj").string());
}

TEST(RasRun, WithoutAControllerTheLineSaysSoAfterTheFilesAreSet) {
  RasFixture f;
  f.ras.controller = nullptr;
  EXPECT_EQ(f.run(""), "");
  EXPECT_EQ(f.t.lastError, "Ras: the HEC-RAS controller is not available on this system");
  EXPECT_EQ(f.t.errors,
            (std::vector<std::string>{"Ras: the HEC-RAS controller is not available on this system"}));
  EXPECT_EQ(f.planLine(), "Simulation Date=05JAN2026,0005,07JAN2026,2400");
}

TEST(RasRun, TheRasMapperPictureAndShowingTheResult) {
  RasFixture f;
  f.t.host.BatchMode = false;
  ShellArgs a = f.t.args(kRas, "1", f.project, "RASMAPPERPIC,SHOWRAS");
  ShellProgram(f.t.host, a, f.ras);
  // Without a window capture the picture is said to be missing, and the run goes on.
  EXPECT_EQ(f.calls, (std::vector<std::string>{"open " + f.project, "show", "compute", "mapper",
                                               "show mapper", "close", "quit"}));
  EXPECT_EQ(f.t.errors, (std::vector<std::string>{std::string("Ras: ") + kNoWindowCapture}));
  ASSERT_EQ(f.t.recorded.started.size(), 1u);
  EXPECT_EQ(f.t.recorded.started[0], (std::vector<std::string>{kRas, f.project}));

  f.ras.capture = [](const std::string& file, const std::string& title, std::string&) {
    vb::writeAllBytes(file, "PNG of " + title);
    return true;
  };
  f.t.errors.clear();
  ShellProgram(f.t.host, a, f.ras);
  EXPECT_TRUE(f.t.errors.empty());
  EXPECT_EQ(f.t.file("RasMapperPic.png"), "PNG of RAS Mapper");
  EXPECT_EQ(f.t.file("RasMapperPic20260107_1201.png"), "PNG of RAS Mapper");
}

}  // namespace
}  // namespace fw::models
