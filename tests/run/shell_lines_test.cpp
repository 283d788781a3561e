// Shell model lines in a run: the runner each command picks, what it is handed, and what the run
// does with its answer.
#include "run/shell_lines.h"

#include "run_fixture.h"

namespace fw::testing {
namespace {

class RecordingModels : public OutsideModels {
 public:
  struct Call {
    std::string runner, command, shift;
    int32_t begin, end;
  };
  std::vector<Call> calls;
  std::map<std::string, std::string> errors;  // by command
  void ShellHms(Session&, ShellCall& c) override { record("ShellHms", c); }
  void ShellResSim(Session&, ShellCall& c) override { record("ShellResSim", c); }
  void ShellSwmm(Session&, ShellCall& c) override { record("ShellSwmm", c); }
  void ShellProgram(Session&, ShellCall& c) override { record("ShellProgram", c); }

 private:
  void record(const char* runner, ShellCall& c) {
    calls.push_back({runner, c.Command, c.Triples[1].shift, c.BeginDay, c.EndDay});
    if (errors.count(c.Command)) c.Error = errors[c.Command];
  }
};

TEST(ShellLines, TheFirstRunnerTheCommandNamesGetsTheLine) {
  struct Case {
    const char* command;
    const char* label;
  };
  for (const Case& c : {Case{"/opt/hec/hms.cmd -x swmm", "Shell HMS"},
                        Case{"C:\\HEC\\RAS.EXE SWMM", "Shell RAS"}, Case{"/opt/ResSim.exe", "Shell ResSim"},
                        Case{"/opt/epa/swmm5", "Shell SWMM"}, Case{"/usr/bin/convert", "Shell"}})
    EXPECT_STREQ(shellModelFor(c.command).label, c.label) << c.command;
}

class ShellLinesRun : public RunFixture {};

TEST_F(ShellLinesRun, EachLineIsHandedToItsRunnerAndEndsWithoutSeries) {
  setUp({"Future Days=1"}, {"SHELL-/opt/hec/hms.cmd run one; 0; Model; Hms; 0; p.hms,c,r,1HOUR; ",
                            "SHELL-/opt/HEC-RAS/RAS.EXE; 0; Model; Ras; 0; proj.prj; ",
                            "SHELL-/usr/bin/failing; 0; Model; Other; 0; ; "});
  auto models = std::make_shared<RecordingModels>();
  models->errors["/usr/bin/failing"] = "the model said no";
  s.services.models = models;
  s.BatchMode = true;
  runstations(s);
  ASSERT_EQ(models->calls.size(), 3u);
  EXPECT_EQ(models->calls[0].runner, "ShellHms");
  EXPECT_EQ(models->calls[0].command, "/opt/hec/hms.cmd run one");  // the command keeps its case
  EXPECT_EQ(models->calls[0].shift, "p.hms,c,r,1HOUR");
  const int32_t runDay = static_cast<int32_t>(s.RunDay);
  EXPECT_EQ(models->calls[0].begin, runDay);
  EXPECT_EQ(models->calls[0].end, runDay + 1);  // the run's future day
  EXPECT_EQ(models->calls[1].runner, "ShellProgram");
  EXPECT_EQ(models->calls[2].runner, "ShellProgram");
  // Batch runs log each model with the command up to its first blank; a failing model is a bad
  // station named by that part of its command (here none).
  EXPECT_TRUE(logHas("0:00 Shell /opt/hec/hms.cmd ")) << readFile(t.folder / "Flumewright_errlog.txt");
  EXPECT_TRUE(logHas("0:00 Shell "));
  EXPECT_TRUE(logHas(" 0 the model said no"));
  EXPECT_EQ(countRows(hdb, "select * from runit"), 0);
}

}  // namespace
}  // namespace fw::testing
