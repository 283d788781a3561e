// The HEC-HMS line: the control and gage rewrites, the script, the start of HEC-HMS on it (a
// dummy launcher script) and what its run log says.
#include "models/hms_run.h"

#include <gtest/gtest.h>

#include "model_test_host.h"
#include "platform/vb/strings.h"

namespace fw::models {
namespace {

using testing::crlf;
using testing::TestHost;

struct HmsFixture {
  TestHost t{true};
  std::string project = t.fixture("hms/Basin.hms");
  std::string control = t.fixture("hms/Storm.control");
  std::string gage = t.fixture("hms/Basin.gage");
  std::string shift = project + ", Storm.control, Run 1, 15MIN";
  // The launcher: records its arguments and writes the run's log beside the script.
  std::string launcher(const std::string& logText) const {
    return t.script(
        "hms.sh",
        "echo \"$@\" > \"" + t.folder.path().string() + "/args.txt\"\n" +
            (logText.empty() ? std::string() : "printf '" + logText + "' > \"$(dirname \"$2\")/Run_1.log\""));
  }
};

TEST(HmsRun, RewritesTheControlAndGageFilesForTheWindow) {
  HmsFixture f;
  f.t.host.HmsProgram = f.launcher("Computing\\nRun completed\\n");
  ShellArgs a = f.t.args("/opt/hms/HMS.CMD", "", f.shift, "");
  ShellHms(f.t.host, a);
  ASSERT_EQ(a.Error, "");
  EXPECT_EQ(f.t.file("Storm.control"),
            crlf({"Control: Storm", "     Description: ", "     Last Modified Date: 7 January 2026",
                  "     Last Modified Time: 12:01:00", "     Version: 4.11",
                  "     Time Zone ID: America/Los_Angeles", "     Start Date: 05 January 2026",
                  "     Start Time: 00:15", "     End Date: 07 January 2026", "     End Time: 24:00",
                  "     Time Interval: 15", "     Grid Write Interval: 60", "End:"}));
  // The date block starts a day before the window; a pathname without one keeps its own.
  EXPECT_EQ(
      f.t.file("Basin.gage"),
      crlf({"Gage Manager: Basin", "     Version: 4.11", "End:", "", "Gage: G1",
            "       Last Variant Modified Date: 7 January 2026",
            "       Last Variant Modified Time: 12:01:00", "     Gage Type: Precipitation", "     Units: IN",
            "     Start Time: 1 January 2026, 00:00", "     DSS File Name: data/precip.dss",
            "     DSS Pathname: //G1/PRECIP-INC/4Jan2026 - 7Jan2026/15MIN/OBS/", "End:", "", "Gage: F1",
            "     Gage Type: Flow", "     DSS Pathname: //F1/FLOW/01JAN2026/15MIN/OBS/", "End:"}));
  const std::string folder = f.t.folder.path().string();
  EXPECT_EQ(f.t.file("args.txt"), "-s " + folder + "/Flumewright_hms.script\n");
  EXPECT_EQ(f.t.log, "Working... Finished...\r\n");
  EXPECT_EQ(f.t.captions, (std::vector<std::string>{"Basin.hms: Run 1"}));
  EXPECT_EQ(f.t.lastError, "");

  // Hour steps give the hour as the start time and the minutes of the step as the interval.
  HmsRequest r;
  ASSERT_TRUE(readHmsRequest("p.hms,c,r, 2hour", r));
  EXPECT_EQ(r.startTimeLine, "     Start Time: 02:00");
  EXPECT_EQ(r.intervalMinutes, 120);
  EXPECT_FALSE(readHmsRequest("p.hms,c,r", r));
}

TEST(HmsRun, TheScriptNamesTheProjectAndRunAsJythonTexts) {
  EXPECT_EQ(crlf(hmsScript("Basin", "/data/hms/Basin/", "Run 1")),
            crlf({"from hms.model.JythonHms import *", "OpenProject(\"Basin\",\"/data/hms/Basin\")",
                  "Compute(\"Run 1\")", "Exit(1)"}));
  // A quote or a backslash in a name stays inside its text.
  EXPECT_EQ(crlf(hmsScript("My \"big\" basin", "C:\\HMS\\Basin\\", "Run \\1\"")),
            crlf({"from hms.model.JythonHms import *",
                  "OpenProject(\"My \\\"big\\\" basin\",\"C:\\\\HMS\\\\Basin\")",
                  "Compute(\"Run \\\\1\\\"\")", "Exit(1)"}));

  // A script already there is used as it stands.
  HmsFixture f;
  vb::writeAllBytes(f.t.folder / kHmsScriptName, "# another project's script\r\n");
  f.t.host.HmsProgram = f.launcher("ok");
  ShellArgs a = f.t.args("/opt/hms/HMS.CMD", "", f.shift, "");
  ShellHms(f.t.host, a);
  EXPECT_EQ(f.t.file(kHmsScriptName), "# another project's script\r\n");
}

TEST(HmsRun, TheRunLogTellsAnAbortedOrMissingRun) {
  HmsFixture f;
  f.t.host.HmsProgram = f.launcher("Computing\\nERROR 10000: Aborted run 1\\n");
  ShellArgs a = f.t.args("/opt/hms/HMS.CMD", "", f.shift, "");
  ShellHms(f.t.host, a);
  EXPECT_EQ(a.Error, "");  // reported, not counted
  EXPECT_EQ(f.t.lastError, "HMS: Aborted run!");
  EXPECT_EQ(f.t.errors, (std::vector<std::string>{"HMS: Aborted run!"}));
  EXPECT_EQ(f.t.log, "Working... Aborted run!\r\n");

  // No log after the run (the one before is removed first) is no finished run.
  f.t.log.clear();
  f.t.host.HmsProgram = f.launcher("");
  ShellHms(f.t.host, a);
  const std::string missing = "HMS: run log not found: " + f.t.folder.path().string() + "/Run_1.LOG";
  EXPECT_EQ(f.t.lastError, missing);
  EXPECT_EQ(f.t.log, "Working... " + missing + "\r\n");
  EXPECT_FALSE(vb::fileExists(f.t.folder / "Run_1.log"));

  // A launcher that does not start is said so, never "Finished...".
  f.t.log.clear();
  f.t.host.HmsProgram = (f.t.folder / "no-hms.sh").string();
  ShellHms(f.t.host, a);
  EXPECT_EQ(vb::InStr(f.t.lastError, "HMS: no-hms.sh  failed."), 1) << f.t.lastError;
  EXPECT_EQ(f.t.log, "Working... ");
}

TEST(HmsRun, MissingItemsOrFilesAndTheDeleteOptions) {
  HmsFixture f;
  f.t.host.HmsProgram = f.launcher("ok");
  ShellArgs a = f.t.args("/opt/hms/HMS.CMD", "", f.project + ", Storm.control, Run 1", "");
  ShellHms(f.t.host, a);
  EXPECT_EQ(a.Error, "Run name, control, run, or time step not found");
  a = f.t.args("/opt/hms/HMS.CMD", "", f.project + ", Other.control, Run 1, 1HOUR", "");
  ShellHms(f.t.host, a);
  EXPECT_EQ(a.Error, "Not found: " + f.t.folder.path().string() + "/Other.control");

  for (const char* name : {"a.log", "b.LOG", "Basin.dss", "Basin.dsc"})
    vb::writeAllBytes(f.t.folder / name, "x");
  a = f.t.args("/opt/hms/HMS.CMD", "", f.shift, "DELETE.LOG, delete.dss");
  ShellHms(f.t.host, a);
  EXPECT_EQ(a.Error, "");
  EXPECT_FALSE(vb::fileExists(f.t.folder / "a.log"));
  EXPECT_FALSE(vb::fileExists(f.t.folder / "b.LOG"));
  EXPECT_FALSE(vb::fileExists(f.t.folder / "Basin.dsc"));
  EXPECT_TRUE(vb::fileExists(f.t.folder / "Basin.dss"));
}

}  // namespace
}  // namespace fw::models
