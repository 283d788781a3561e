#pragma once
// Workbook databases for tests: a small .xlsx made as a spreadsheet program would make it (with
// libxlsxwriter, not through the database layer), its connection string, and a reader of its
// cells that shares no code with the layer (Python's zipfile and XML parser).
#include <filesystem>
#include <string>
#include <vector>

#include "platform/vb/variant.h"

namespace fw::testing {

struct SheetContent {
  std::string name;
  std::vector<std::string> header;
  std::vector<std::vector<vb::Variant>> rows;  // dates are written as date-formatted numbers
};

// The sheets rday, rhour, rupdate and rsite with the HDB's column names, and one rsite row for
// DSID 1001; more sheets (or rows) may be added by the caller.
std::vector<SheetContent> hdbSheets();

// Writes the sheets into a new workbook file.
void makeWorkbook(const std::filesystem::path& file, const std::vector<SheetContent>& sheets = hdbSheets());

// "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=<file>;Extended Properties=Excel 12.0;"
std::string workbookConnString(const std::filesystem::path& file);

// Every row of every sheet as "sheet|cell|cell|...", read by python3 started with an argument
// vector; numbers (dates too) as the file holds them, texts as they are, a blank cell empty.
std::vector<std::string> readWorkbookWithPython(const std::filesystem::path& file);

}  // namespace fw::testing
