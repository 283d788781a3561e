// A setup file kept in a spreadsheet, read by the flumewright executable in a batch run.
#include <gtest/gtest.h>

#include "app/error_log.h"
#include "app/setup_state.h"
#include "run_program.h"
#include "support/test_hdb.h"
#include "support/test_session.h"

namespace fw {
namespace {

using testing::readFile;

// CR LF line ends, and TABs beside the "=" of two settings lines, as a spreadsheet exports them.
TEST(ProgramSetupFile, TabsBesideTheEqualsSignStillTickTheBoxesAndTheLinesRun) {
  testing::TempFolder folder;
  testing::makeHdb(folder.path(), "Flumewright_HDB.db");
  for (const char* table : {"Level2RGB.txt", "Level3RGB2RainRateA2m.txt"})
    std::filesystem::copy_file(std::filesystem::path(FLUMEWRIGHT_SOURCE_DIR) / "example" / table, folder / table);
  testing::writeFile(folder / kSetupFileName,
                     "Write Dailys\t= True\r\n"
                     "Write Hourly Avg=\tTrue\r\n"
                     "Database Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Flumewright_HDB.db;\r\n"
                     "Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name; base1; shift1; formula1\r\n"
                     "*---- comment; 0; c; c\r\n"
                     "IF; 0; Always; ; rday; -1; 1=1\r\n"
                     "END\r\n"
                     "notes\r\n");
  testing::ProgramRun run;
  run.args = {"BATCH"};
  run.workingFolder = folder.path();
  const testing::ProgramResult r = testing::runProgram(run);
  const std::string log = readFile(folder / kErrorLogName);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << log;
  // The station lines were read and run.
  EXPECT_NE(r.output.find("Always  IF  0\nrday 1=1 -1\n"), std::string::npos) << r.output;
  EXPECT_NE(log.find("F I N I S H E D  "), std::string::npos) << log;
  EXPECT_EQ(log.find("Subscript out of range"), std::string::npos) << log;
  // The re-save writes both settings as the program writes them, without a ";".
  EXPECT_NE(log.find("Flumewright_setup.txt with Tabs re-saved"), std::string::npos) << log;
  const std::string saved = readFile(folder / kSetupFileName);
  EXPECT_EQ(saved.substr(0, saved.find("Database")), "Write Dailys= True\r\nWrite Hourly Avg= True\r\n");
  EXPECT_EQ(saved.find('\t'), std::string::npos) << saved;
  EXPECT_NE(saved.find("IF; 0; Always; ; rday; -1; 1=1\r\nEND\r\nnotes\r\n"), std::string::npos) << saved;
}

}  // namespace
}  // namespace fw
