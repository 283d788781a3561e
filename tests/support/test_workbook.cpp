#include "support/test_workbook.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <sstream>
#include <stdexcept>

extern char** environ;

namespace fw::testing {

namespace {

const char* kReader = R"(
import sys, zipfile, xml.etree.ElementTree as ET
M = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
R = '{http://schemas.openxmlformats.org/officeDocument/2006/relationships}'
z = zipfile.ZipFile(sys.argv[1])
shared = []
if 'xl/sharedStrings.xml' in z.namelist():
    for si in ET.fromstring(z.read('xl/sharedStrings.xml')).iter(M + 'si'):
        shared.append(''.join(t.text or '' for t in si.iter(M + 't')))
rels = {r.get('Id'): r.get('Target') for r in ET.fromstring(z.read('xl/_rels/workbook.xml.rels'))}
def column(ref):
    n = 0
    for ch in ref:
        if not ch.isalpha():
            break
        n = n * 26 + ord(ch.upper()) - 64
    return n - 1
for sheet in ET.fromstring(z.read('xl/workbook.xml')).iter(M + 'sheet'):
    target = rels[sheet.get(R + 'id')]
    part = target[1:] if target.startswith('/') else 'xl/' + target
    for row in ET.fromstring(z.read(part)).iter(M + 'row'):
        cells = {}
        for c in row.iter(M + 'c'):
            v = c.find(M + 'v')
            kind = c.get('t')
            if kind == 's':
                text = shared[int(v.text)]
            elif kind == 'inlineStr':
                text = ''.join(t.text or '' for t in c.iter(M + 't'))
            else:
                text = v.text if v is not None else ''
            cells[column(c.get('r'))] = text
        width = max(cells) + 1 if cells else 0
        print(sheet.get('name') + '|' + '|'.join(cells.get(i, '') for i in range(width)))
)";

}  // namespace

std::vector<SheetContent> hdbSheets() {
  const std::vector<std::string> values = {"datatype_site_id", "date_time", "value", "source"};
  return {
      {"rday", values, {}},
      {"rhour", values, {}},
      {"rupdate", {"datatype_site_id", "note", "updated", "value"}, {}},
      {"rsite",
       {"site_id", "datatype_site_id", "site_name", "datatype_id", "datatype_name", "unit", "unit_name",
        "parameter_code", "source", "site_digit", "state", "hour_shift", "notes"},
       {{"1", 1001.0, "Test Creek", 1.0, "Flow", "cfs", "cubic feet per second", "00060", "USGS", 1.0, "AZ", 0.0,
         ""}}},
  };
}

void makeWorkbook(const std::filesystem::path& file, const std::vector<SheetContent>& sheets) {
  lxw_workbook* wb = workbook_new(file.c_str());
  if (!wb) throw std::runtime_error("makeWorkbook: cannot start " + file.string());
  lxw_format* date = workbook_add_format(wb);
  format_set_num_format(date, "m/d/yyyy h:mm");
  for (const SheetContent& sheet : sheets) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.name.c_str());
    for (size_t c = 0; c < sheet.header.size(); ++c)
      worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), sheet.header[c].c_str(), nullptr);
    for (size_t r = 0; r < sheet.rows.size(); ++r) {
      for (size_t c = 0; c < sheet.rows[r].size(); ++c) {
        const vb::Variant& v = sheet.rows[r][c];
        const auto row = static_cast<lxw_row_t>(r + 1);
        const auto col = static_cast<lxw_col_t>(c);
        if (v.isNull() || v.isEmpty()) continue;
        if (v.type() == vb::VarType::Date) worksheet_write_number(ws, row, col, v.toDouble(), date);
        else if (v.type() == vb::VarType::String) {
          if (!v.toString().empty()) worksheet_write_string(ws, row, col, v.toString().c_str(), nullptr);
        } else
          worksheet_write_number(ws, row, col, v.toDouble(), nullptr);
      }
    }
  }
  if (workbook_close(wb) != LXW_NO_ERROR) throw std::runtime_error("makeWorkbook: cannot write " + file.string());
}

std::string workbookConnString(const std::filesystem::path& file) {
  return "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + file.string() + ";Extended Properties=Excel 12.0;";
}

std::vector<std::string> readWorkbookWithPython(const std::filesystem::path& file) {
  int out[2];
  if (::pipe(out) != 0) throw std::runtime_error("readWorkbookWithPython: pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string path = file.string();
  std::vector<char*> argv = {const_cast<char*>("python3"), const_cast<char*>("-c"), const_cast<char*>(kReader),
                             path.data(), nullptr};
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "python3", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while (rc == 0 && (n = ::read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  ::close(out[0]);
  int status = 0;
  if (rc != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("readWorkbookWithPython: python3 could not read " + path);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace fw::testing
