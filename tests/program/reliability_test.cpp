// The program run unattended over inputs and surroundings that go wrong: each says what is wrong
// and ends with the exit status a scheduler can trust.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "app/launch.h"
#include "platform/db/sqlite_backend.h"
#include "program_folder.h"
#include "run/runstations.h"

namespace fw {
namespace {

using testing::ProgramFolder;
using testing::ProgramResult;
using testing::runProgram;
using testing::writeFile;

const std::vector<std::string> kLines = {"*---- comment; 0; c; c", "IF; 0; Always; ; rday; -1; 1=1"};
const std::string kConnection =
    "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;\r\n";
const std::string kStations =
    "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name\r\n*---- comment; 0; c; c\r\n";

struct BadInput {
  const char* name;
  std::function<void(ProgramFolder&)> prepare;
  int status;
  const char* said;  // on standard output or standard error, or in the error log
};

int occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

void setup(ProgramFolder& p, const std::string& text) { writeFile(p.folder / "Flumewright_setup.txt", text); }
std::filesystem::path setupPath(ProgramFolder& p) { return p.folder / "Flumewright_setup.txt"; }

// One case at least for each cause of the exit-status table (README, app/launch.h); the stop by a
// signal is in signal_test.cpp and the second run on a folder below.
const BadInput kBadInputs[] = {
    {"SetupLinkedToDevZero",
     [](ProgramFolder& p) {
       std::filesystem::remove(setupPath(p));
       std::filesystem::create_symlink("/dev/zero", setupPath(p));
     },
     kExitSetupUnusable, "is not a regular file"},
    {"SetupIsAFifo",
     [](ProgramFolder& p) {
       std::filesystem::remove(setupPath(p));
       ASSERT_EQ(mkfifo(setupPath(p).c_str(), 0644), 0);
     },
     kExitSetupUnusable, "is not a regular file"},
    {"SetupMissing", [](ProgramFolder& p) { std::filesystem::remove(setupPath(p)); }, kExitSetupUnusable,
     "Flumewright_setup.txt"},
    {"SetupOver64MB",
     [](ProgramFolder& p) { std::filesystem::resize_file(setupPath(p), 65 * 1024 * 1024); },
     kExitSetupUnusable, "more than a setup file can (64 MB)"},
    {"SetupEmpty", [](ProgramFolder& p) { setup(p, ""); }, kExitSetupUnusable, "the file is empty"},
    {"SetupUtf16",
     [](ProgramFolder& p) { setup(p, std::string("\xFF\xFEW\0r\0i\0t\0e\0", 12)); },
     kExitSetupUnusable, "is UTF-16 text"},
    {"SetupCutShort",
     [](ProgramFolder& p) { setup(p, "Write Dailys= True\r\n" + kConnection + kStations + "*---- comm"); },
     kExitSetupUnusable, "it may have been cut short"},
    {"SetupStoppedAtASecondConnectionLine",
     [](ProgramFolder& p) { setup(p, kConnection + kStations + kConnection + "*---- more; 0; c; c\r\nEND\r\n"); },
     kExitSetupUnusable, "was not read whole: reading stopped at line 4"},
    {"StartDateThatIsNoDate",
     [](ProgramFolder& p) { setup(p, "START DATE=2024-13-45 25:00\r\n" + kConnection + kStations + "END\r\n"); },
     kExitSetupUnusable, "line 1: START DATE= \"2024-13-45 25:00\" is not a date"},
    {"DataSourceWithNul",
     [](ProgramFolder& p) {
       setup(p, "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db" +
                    std::string(1, '\0') + "x;\r\n" + kStations + "END\r\n");
     },
     kExitDatabaseUnopened, "openHDB: The data source holds a NUL character"},
    {"DatabaseFileMissing", [](ProgramFolder& p) { std::filesystem::remove(p.hdb); }, kExitDatabaseUnopened,
     "openHDB: "},
    {"WorkbookMissing",
     [](ProgramFolder& p) {
       p.useConnection("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=Missing_HDB.xlsx;Extended Properties=Excel 12.0;");
     },
     kExitDatabaseUnopened, "openHDB: "},
    {"ServerThatDoesNotAnswer",
     [](ProgramFolder& p) {
       p.useConnection("Provider=PostgreSQL;Data Source=127.0.0.1:1;Location=hdb;User Id=hydro;Password=x;");
     },
     kExitDatabaseUnopened, "openHDB: "},
    {"TooManyBadStations",
     [](ProgramFolder& p) {
       setup(p, "Bad/Missing Stations Allowed=0\r\n" + kConnection + kStations +
                    "09380000; 1101; Flow; Colorado R; 0; 0; \r\nEND\r\n");
     },
     kExitCancelled, "1 station errors... Run canceled."},
    {"DatabaseWithoutRupdate",
     [](ProgramFolder& p) { testing::execSql(p.hdb, "drop table rupdate;"); },
     kExitWriteFailed, "no such table: rupdate"},
    {"DatabaseEmpty",
     [](ProgramFolder& p) {
       std::filesystem::remove(p.hdb);
       writeFile(p.hdb, "");
     },
     kExitWriteFailed, "no such table"},
    {"ErrorLogCannotBeOpened",
     [](ProgramFolder& p) { std::filesystem::create_directory(p.folder / kErrorLogName); },
     kExitWriteFailed, "cannot be written"},
    {"ErrorLogOnAFullDisk",
     [](ProgramFolder& p) { std::filesystem::create_symlink("/dev/full", p.folder / kErrorLogName); },
     kExitWriteFailed, "cannot be written"},
};

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, SaysWhatIsWrongAndEndsWithItsStatus) {
  const BadInput& c = GetParam();
  ProgramFolder p({}, kLines);
  c.prepare(p);
  auto run = p.run({"BATCH"});
  run.timeout = std::chrono::seconds(20);
  const ProgramResult r = runProgram(run);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, c.status) << r.output;
  std::string log;
  if (std::filesystem::is_regular_file(p.folder / kErrorLogName)) log = p.log();
  EXPECT_TRUE(r.output.find(c.said) != std::string::npos || log.find(c.said) != std::string::npos)
      << "output: " << r.output << "\nlog: " << log;
  // Only what is wrong is said, once, not a connection failure or a read failure that follows
  // from it.
  EXPECT_EQ(log.find("openHDB: Subscript out of range"), std::string::npos) << log;
  EXPECT_EQ(log.find("Provider cannot be found"), std::string::npos) << log;
  EXPECT_EQ(log.find("Type mismatch\r\n"), std::string::npos) << log;
  if (c.status == kExitDatabaseUnopened) {
    EXPECT_EQ(occurrences(log, "openHDB: "), 1) << log;
    EXPECT_EQ(log.find("B E G I N"), std::string::npos) << log;  // no run started
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, ::testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Reliability, AGoodRunEndsWithZeroAndBadStationsWithinTheLimitToo) {
  ProgramFolder p({}, {"*---- comment; 0; c; c", "09380000; 1101; Flow; Colorado R; 0; 0; "});
  const ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_EQ(r.status, kExitFinished) << r.output;
  EXPECT_EQ(p.count("Site not found in database table RSite."), 1) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
}

// The first program holds the folder while it waits for the database (held by this test) to
// write rupdate row 0 after its finish line; a second program on the folder meanwhile does not
// start, and the first one's log stays whole.
TEST(Reliability, ASecondRunOnTheFolderDoesNotStartAndTheFirstLogStaysWhole) {
  ProgramFolder p({}, kLines);
  db::SqliteBackend holder(p.hdb, false);
  holder.run("BEGIN IMMEDIATE;");
  holder.run("insert into rday values (2002, 45000, 1, 2);");
  bool held = true;
  ProgramResult second;
  auto first = p.run({"BATCH"});
  first.timeout = std::chrono::seconds(30);
  first.whileRunning = [&](int) {
    if (!held || p.count("F I N I S H E D  ") == 0) return;
    second = runProgram(p.run({"BATCH"}));
    holder.run("COMMIT;");
    held = false;
  };
  const ProgramResult r = runProgram(first);
  if (held) holder.run("ROLLBACK;");
  EXPECT_FALSE(held);
  EXPECT_EQ(r.status, kExitFinished) << r.output;
  EXPECT_EQ(second.status, kExitFolderBusy) << second.output;
  EXPECT_NE(second.output.find(kAnotherRunText), std::string::npos) << second.output;
  EXPECT_EQ(p.count(kAnotherRunText), 1) << p.log();
  EXPECT_EQ(p.count("B E G I N  "), 1) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  EXPECT_EQ(testing::countRows(p.hdb, "select * from rupdate where datatype_site_id=0"), 1);
}

}  // namespace
}  // namespace fw
