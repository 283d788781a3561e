// The program over a workbook database: a batch run stores a gauge's readings into the .xlsx its
// setup file names, and the workbook read by another reader holds them.
#include <gtest/gtest.h>

#include <algorithm>

#include "program_folder.h"
#include "run_program.h"
#include "support/loopback_services.h"
#include "support/test_workbook.h"

namespace fw {
namespace {

using testing::ProgramFolder;
using testing::runProgram;

int rowsOf(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                        [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

TEST(ProgramWorkbook, BatchStoresAGaugesReadingsIntoTheWorkbook) {
  testing::LoopbackHttpServer http;
  http.route("/nwis/iv/", "usgs/iv_two_params.rdb");
  ProgramFolder p({"USGS Server=" + http.base() + "/", "START DATE=2024-06-05 13:15", "Write Unit Values= True"},
                  {"09380000; 1101; Flow; Colorado R; 0; 0; "});
  auto sheets = testing::hdbSheets();
  sheets[3].rows = {{"101", 1101.0, "Colorado R", 1.0, "", "cfs", "", "60,65", "", 0.0, "AZ", 0.0, ""}};
  const std::vector<std::string> values = {"datatype_site_id", "date_time", "value", "source"};
  sheets.push_back({"runit", values, {}});
  const std::vector<std::string> extremes = {"datatype_site_id", "date", "date_time", "value", "source"};
  sheets.push_back({"rdaymax", extremes, {}});
  sheets.push_back({"rdaymin", extremes, {}});
  const auto book = p.folder / "Flumewright_HDB.xlsx";
  testing::makeWorkbook(book, sheets);
  p.useConnection("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\Hydro\\Flumewright_HDB.xlsx;Extended Properties=Excel 12.0;");

  testing::ProgramResult r = runProgram(p.run({"BATCH"}));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.status, 0) << p.log();
  EXPECT_EQ(p.count("F I N I S H E D  "), 1) << p.log();
  EXPECT_EQ(p.count("09380000 1101 "), 0) << p.log();
  const auto lines = testing::readWorkbookWithPython(book);
  EXPECT_GE(rowsOf(lines, "runit|1101|"), 13) << p.log();
  EXPECT_GE(rowsOf(lines, "rday|1101|"), 1) << p.log();
  EXPECT_EQ(rowsOf(lines, "rupdate|0|"), 1) << p.log();
  EXPECT_EQ(rowsOf(lines, "rsite|101|1101|Colorado R|"), 1);
  // Nothing but the workbook was written: no leftover temporary file beside it.
  for (const auto& e : std::filesystem::directory_iterator(p.folder.path()))
    EXPECT_EQ(e.path().filename().string().find(".writing-"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace fw
