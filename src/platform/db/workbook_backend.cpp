#include "platform/db/workbook_backend.h"

#include <expat.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "platform/db/error.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/date.h"
#include "platform/vb/strings.h"

namespace fw::db {

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

[[noreturn]] void notAnXlsx(const std::filesystem::path& file, const std::string& why) {
  raise(err::EngineFailure, "The workbook '" + file.string() + "' cannot be read: " + why +
                                " Only the Excel workbook form (.xlsx) is read here; open the file in a spreadsheet "
                                "program, save it as an Excel workbook (.xlsx) and name the .xlsx file in the "
                                "connection string.");
}

// ---- reading: the zip's parts and their XML ---------------------------------------------------

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};

std::string localName(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}

std::string attribute(const char** attrs, const char* want) {
  for (int i = 0; attrs[i]; i += 2)
    if (localName(attrs[i]) == want) return attrs[i + 1];
  return "";
}

// One XML part, walked with expat: element starts and ends by their local names, and text.
class XmlWalk {
 public:
  virtual ~XmlWalk() = default;
  virtual void start(const std::string& name, const char** attrs) = 0;
  virtual void end(const std::string& name) = 0;
  virtual void text(const char*, int) {}

  void parse(const std::string& data, const std::filesystem::path& file, const std::string& part) {
    std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate("UTF-8"), XML_ParserFree);
    if (!parser) raise(err::EngineFailure, "Out of memory");
    XML_SetUserData(parser.get(), this);
    XML_SetElementHandler(
        parser.get(),
        [](void* self, const XML_Char* name, const XML_Char** attrs) {
          static_cast<XmlWalk*>(self)->start(localName(name), attrs);
        },
        [](void* self, const XML_Char* name) { static_cast<XmlWalk*>(self)->end(localName(name)); });
    XML_SetCharacterDataHandler(parser.get(), [](void* self, const XML_Char* s, int n) {
      static_cast<XmlWalk*>(self)->text(s, n);
    });
    if (XML_Parse(parser.get(), data.data(), static_cast<int>(data.size()), 1) == XML_STATUS_ERROR)
      notAnXlsx(file, "its part '" + part + "' is not well-formed XML (" +
                          XML_ErrorString(XML_GetErrorCode(parser.get())) + " at line " +
                          std::to_string(XML_GetCurrentLineNumber(parser.get())) + ").");
  }
};

bool readPart(zip_t* zip, const std::string& name, std::string& out) {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(zip, name.c_str(), 0, &st) != 0) return false;
  // The XML reader takes at most 2 GB at once; no workbook a program keeps comes near.
  if ((st.valid & ZIP_STAT_SIZE) && st.size > static_cast<zip_uint64_t>(INT32_MAX)) return false;
  zip_file_t* f = zip_fopen(zip, name.c_str(), 0);
  if (!f) return false;
  out.clear();
  char buffer[65536];
  zip_int64_t n;
  while ((n = zip_fread(f, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  zip_fclose(f);
  return n == 0;
}

struct SheetRef {
  std::string name;
  std::string relId;
};

class WorkbookPart : public XmlWalk {
 public:
  std::vector<SheetRef> sheets;
  void start(const std::string& name, const char** attrs) override {
    if (name == "sheet") sheets.push_back({attribute(attrs, "name"), attribute(attrs, "id")});
  }
  void end(const std::string&) override {}
};

class RelsPart : public XmlWalk {
 public:
  std::map<std::string, std::string> targets;
  void start(const std::string& name, const char** attrs) override {
    if (name == "Relationship") targets[attribute(attrs, "Id")] = attribute(attrs, "Target");
  }
  void end(const std::string&) override {}
};

class SharedStringsPart : public XmlWalk {
 public:
  std::vector<std::string> strings;
  void start(const std::string& name, const char**) override {
    if (name == "si") current_.clear();
    else if (name == "rPh") ++phonetic_;
    else if (name == "t" && phonetic_ == 0) inText_ = true;
  }
  void end(const std::string& name) override {
    if (name == "si") strings.push_back(current_);
    else if (name == "rPh") --phonetic_;
    else if (name == "t") inText_ = false;
  }
  void text(const char* s, int n) override {
    if (inText_) current_.append(s, static_cast<size_t>(n));
  }

 private:
  std::string current_;
  int phonetic_ = 0;
  bool inText_ = false;
};

// A number format shows a date when it has day, month, year, hour or second codes outside quoted
// text, escapes and [colour] sections.
bool dateFormatCode(const std::string& code) {
  bool quoted = false, bracket = false;
  for (size_t i = 0; i < code.size(); ++i) {
    char c = code[i];
    if (quoted) {
      quoted = c != '"';
      continue;
    }
    if (bracket) {
      if (c == ']') bracket = false;
      // [h], [mm] and [ss] are elapsed times, which are shown as times.
      else if (std::strchr("hms", std::tolower(static_cast<unsigned char>(c)))) return true;
      continue;
    }
    if (c == '"') quoted = true;
    else if (c == '[') bracket = true;
    else if (c == '\\' || c == '_' || c == '*') ++i;
    else if (std::strchr("dmyhs", std::tolower(static_cast<unsigned char>(c)))) return true;
  }
  return false;
}

bool builtInDateFormat(int id) { return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58); }

class StylesPart : public XmlWalk {
 public:
  std::vector<bool> dateStyle;  // by cell style index
  void start(const std::string& name, const char** attrs) override {
    if (name == "numFmt") customs_[std::atoi(attribute(attrs, "numFmtId").c_str())] = attribute(attrs, "formatCode");
    else if (name == "cellXfs") inCellXfs_ = true;
    else if (name == "xf" && inCellXfs_) {
      int id = std::atoi(attribute(attrs, "numFmtId").c_str());
      auto it = customs_.find(id);
      dateStyle.push_back(it != customs_.end() ? dateFormatCode(it->second) : builtInDateFormat(id));
    }
  }
  void end(const std::string& name) override {
    if (name == "cellXfs") inCellXfs_ = false;
  }

 private:
  std::map<int, std::string> customs_;
  bool inCellXfs_ = false;
};

struct Cell {
  enum Kind { Empty, Number, Date, Text, Bool } kind = Empty;
  double number = 0;
  std::string text;
};

struct SheetRow {
  int64_t number = 0;
  std::map<int, Cell> cells;  // by column, 0 = A
};

constexpr int kMaxColumns = 16384;

int columnOf(const std::string& ref) {
  int col = 0;
  size_t i = 0;
  for (; i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])); ++i) {
    col = col * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
    if (col > kMaxColumns) return -1;  // beyond the last column a workbook can have
  }
  return i == 0 ? -1 : col - 1;
}

class SheetPart : public XmlWalk {
 public:
  SheetPart(const std::vector<std::string>& shared, const std::vector<bool>& dateStyle)
      : shared_(shared), dateStyle_(dateStyle) {}
  std::vector<SheetRow> rows;

  void start(const std::string& name, const char** attrs) override {
    if (name == "row") {
      SheetRow r;
      std::string n = attribute(attrs, "r");
      r.number = n.empty() ? (rows.empty() ? 1 : rows.back().number + 1) : std::atoll(n.c_str());
      rows.push_back(std::move(r));
      nextColumn_ = 0;
    } else if (name == "c" && !rows.empty()) {
      std::string ref = attribute(attrs, "r");
      column_ = ref.empty() ? nextColumn_ : columnOf(ref);
      nextColumn_ = column_ + 1;
      type_ = attribute(attrs, "t");
      std::string s = attribute(attrs, "s");
      style_ = s.empty() ? 0 : std::atoi(s.c_str());
      value_.clear();
      inCell_ = true;
    } else if (inCell_ && (name == "v" || (name == "t" && phonetic_ == 0))) {
      collecting_ = true;
    } else if (name == "rPh") {
      ++phonetic_;
    }
  }
  void end(const std::string& name) override {
    if (name == "v" || name == "t") collecting_ = false;
    else if (name == "rPh") --phonetic_;
    else if (name == "c" && inCell_) {
      inCell_ = false;
      if (column_ >= 0) {
        Cell cell = make();
        if (cell.kind != Cell::Empty) rows.back().cells[column_] = std::move(cell);
      }
    }
  }
  void text(const char* s, int n) override {
    if (collecting_) value_.append(s, static_cast<size_t>(n));
  }

 private:
  Cell make() const {
    Cell c;
    if (type_ == "s") {
      size_t i = static_cast<size_t>(std::atoll(value_.c_str()));
      if (value_.empty() || i >= shared_.size()) return c;
      c.kind = Cell::Text;
      c.text = shared_[i];
    } else if (type_ == "str" || type_ == "inlineStr") {
      c.kind = Cell::Text;
      c.text = value_;
    } else if (type_ == "b") {
      c.kind = Cell::Bool;
      c.number = value_ == "1" ? 1 : 0;
    } else if (type_ == "e" || value_.empty()) {
      return c;  // an error value (#N/A) reads as no value
    } else if (type_ == "d") {
      c.kind = Cell::Text;  // an ISO date text; spreadsheet programs write numbers instead
      c.text = value_;
    } else {
      char* endp = nullptr;
      c.number = std::strtod(value_.c_str(), &endp);
      c.kind = style_ >= 0 && static_cast<size_t>(style_) < dateStyle_.size() && dateStyle_[static_cast<size_t>(style_)]
                   ? Cell::Date
                   : Cell::Number;
    }
    return c;
  }

  const std::vector<std::string>& shared_;
  const std::vector<bool>& dateStyle_;
  int nextColumn_ = 0, column_ = -1, style_ = 0, phonetic_ = 0;
  std::string type_, value_;
  bool inCell_ = false, collecting_ = false;
};

std::string headerText(const Cell& c) {
  if (c.kind == Cell::Text) return vb::Trim(c.text);
  if (c.kind == Cell::Empty) return "";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", c.number);
  return buf;
}

bool dateLikeName(const std::string& name) {
  std::string l = lower(name);
  return l.find("date") != std::string::npos || l.find("time") != std::string::npos;
}

vb::Variant cellValue(const Cell& c) {
  switch (c.kind) {
    case Cell::Number:
      return vb::Variant(c.number);
    case Cell::Date:
      return vb::Variant::Date(c.number);
    case Cell::Text:
      return vb::Variant(c.text);
    case Cell::Bool:
      return vb::Variant(c.number != 0);
    default:
      return vb::Variant::Null();
  }
}

// ---- writing -----------------------------------------------------------------------------------

void syncFile(const std::filesystem::path& file) {
  int fd = ::open(file.c_str(), O_RDONLY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

const char* kReadOnlyText = "Cannot update. Database or object is read-only.";

}  // namespace

bool isWorkbookFile(const std::filesystem::path& file) {
  std::string ext = lower(file.extension().string());
  return ext == ".xlsx" || ext == ".xlsm" || ext == ".xls";
}

std::filesystem::path workbookLockFile(const std::filesystem::path& workbook) {
  const std::string name = workbook.filename().string();
  const std::filesystem::path folder = workbook.parent_path();
  std::error_code ec;
  // Excel keeps "~$" + the name beside the workbook, LibreOffice ".~lock." + the name + "#".
  const std::string candidates[] = {"~$" + name, ".~lock." + name + "#"};
  for (const std::string& c : candidates) {
    std::filesystem::path p = folder / c;
    if (std::filesystem::exists(p, ec)) return p;
  }
  return {};
}

namespace {

std::string writeFilePrefix(const std::filesystem::path& workbook) {
  return "." + workbook.filename().string() + ".writing-";
}

// A write-back file younger than this may be one whose writer has made it and not yet locked it.
constexpr std::chrono::seconds kWriteFileGrace{5};

}  // namespace

void removeStaleWriteFiles(const std::filesystem::path& workbook) {
  const std::string prefix = writeFilePrefix(workbook);
  const std::filesystem::path folder = workbook.parent_path().empty() ? "." : workbook.parent_path();
  std::error_code ec;
  std::vector<std::filesystem::path> stale;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (!entry.is_regular_file(ec)) continue;
    const auto written = entry.last_write_time(ec);
    if (ec || std::filesystem::file_time_type::clock::now() - written < kWriteFileGrace) continue;
    stale.push_back(entry.path());
  }
  for (const std::filesystem::path& path : stale) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    // A writer still at work holds its file locked.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) std::filesystem::remove(path, ec);
    ::close(fd);
  }
}

std::function<void(const std::filesystem::path&)>& WorkbookBackend::beforeRename() {
  static std::function<void(const std::filesystem::path&)> hook;
  return hook;
}

WorkbookBackend::WorkbookBackend(const std::filesystem::path& file, bool readOnly) : file_(file), readOnly_(readOnly) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) raise(err::EngineFailure, "Could not find file '" + file.string() + "'.");
  if (!readOnly_) removeStaleWriteFiles(file_);
  load();
}

WorkbookBackend::~WorkbookBackend() {
  try {
    close();
  } catch (...) {
  }
}

bool WorkbookBackend::isOpen() const { return memory_ && memory_->isOpen(); }

void WorkbookBackend::close() {
  // Changes of a transaction still open are dropped, as a database drops them.
  if (memory_) memory_->close();
  outermost_ = 0;
  changed_ = false;
}

WorkbookBackend::Stamp WorkbookBackend::stampNow() const {
  std::error_code ec;
  Stamp s;
  s.time = std::filesystem::last_write_time(file_, ec);
  s.size = std::filesystem::file_size(file_, ec);
  return s;
}

void WorkbookBackend::load() {
  {
    std::ifstream in(file_, std::ios::binary);
    char magic[4] = {};
    in.read(magic, 4);
    if (static_cast<unsigned char>(magic[0]) == 0xD0 && static_cast<unsigned char>(magic[1]) == 0xCF &&
        static_cast<unsigned char>(magic[2]) == 0x11 && static_cast<unsigned char>(magic[3]) == 0xE0)
      notAnXlsx(file_, "it is in the legacy Excel 97-2003 form (.xls).");
    if (lower(file_.extension().string()) == ".xls") notAnXlsx(file_, "it is named as a legacy Excel 97-2003 file (.xls).");
  }
  const Stamp stamp = stampNow();
  int zipError = 0;
  std::unique_ptr<zip_t, ZipCloser> zip(zip_open(file_.c_str(), ZIP_RDONLY, &zipError));
  if (!zip) {
    zip_error_t e;
    zip_error_init_with_code(&e, zipError);
    std::string why = zip_error_strerror(&e);
    zip_error_fini(&e);
    notAnXlsx(file_, "it is not a zip of workbook parts (" + why + ").");
  }
  std::string data;
  if (!readPart(zip.get(), "xl/workbook.xml", data)) notAnXlsx(file_, "it has no part 'xl/workbook.xml'.");
  WorkbookPart workbook;
  workbook.parse(data, file_, "xl/workbook.xml");
  RelsPart rels;
  if (readPart(zip.get(), "xl/_rels/workbook.xml.rels", data)) rels.parse(data, file_, "xl/_rels/workbook.xml.rels");
  SharedStringsPart shared;
  if (readPart(zip.get(), "xl/sharedStrings.xml", data)) shared.parse(data, file_, "xl/sharedStrings.xml");
  StylesPart styles;
  if (readPart(zip.get(), "xl/styles.xml", data)) styles.parse(data, file_, "xl/styles.xml");

  auto memory = std::make_unique<SqliteBackend>(SqliteBackend::InMemory{});
  std::vector<std::string> order;
  TxnId t = memory->begin();
  for (const SheetRef& ref : workbook.sheets) {
    order.push_back(ref.name);
    auto target = rels.targets.find(ref.relId);
    if (target == rels.targets.end()) continue;  // a chart sheet or a broken link: no table
    std::string part = target->second;
    if (!part.empty() && part[0] == '/') part = part.substr(1);
    else part = "xl/" + part;
    if (!readPart(zip.get(), part, data)) notAnXlsx(file_, "its sheet '" + ref.name + "' has no part '" + part + "'.");
    SheetPart sheet(shared.strings, styles.dateStyle);
    sheet.parse(data, file_, part);
    if (sheet.rows.empty()) continue;  // an empty sheet is kept, but is no table

    // The first row names the columns; a blank or repeated name becomes F and the column number.
    int width = 0;
    for (const SheetRow& r : sheet.rows)
      if (!r.cells.empty()) width = std::max(width, r.cells.rbegin()->first + 1);
    if (width == 0) continue;
    std::vector<std::string> names;
    std::set<std::string> seen;
    const SheetRow& header = sheet.rows.front();
    for (int c = 0; c < width; ++c) {
      auto it = header.cells.find(c);
      std::string n = it == header.cells.end() ? "" : headerText(it->second);
      if (n.empty() || seen.count(lower(n))) n = "F" + std::to_string(c + 1);
      seen.insert(lower(n));
      names.push_back(n);
    }
    // A column's type from its cells: dates where date-formatted numbers are, text where only
    // texts are, numbers otherwise; an empty column named as a date or time is a date column.
    std::string create = "CREATE TABLE " + quoteName(ref.name) + " (";
    std::vector<bool> dateColumn(static_cast<size_t>(width));
    for (int c = 0; c < width; ++c) {
      bool date = false, number = false, text = false;
      for (size_t r = 1; r < sheet.rows.size(); ++r) {
        auto it = sheet.rows[r].cells.find(c);
        if (it == sheet.rows[r].cells.end()) continue;
        date |= it->second.kind == Cell::Date;
        number |= it->second.kind == Cell::Number || it->second.kind == Cell::Bool;
        text |= it->second.kind == Cell::Text;
      }
      dateColumn[static_cast<size_t>(c)] = date || (!number && !text && dateLikeName(names[static_cast<size_t>(c)]));
      const char* type = dateColumn[static_cast<size_t>(c)] ? "DATETIME" : text && !number ? "TEXT" : "NUMERIC";
      create += (c ? ", " : "") + quoteName(names[static_cast<size_t>(c)]) + " " + type;
    }
    memory->run(create + ");");
    std::vector<vb::Variant> values(static_cast<size_t>(width));
    for (size_t r = 1; r < sheet.rows.size(); ++r) {
      if (sheet.rows[r].cells.empty()) continue;  // a blank row is no record
      for (int c = 0; c < width; ++c) {
        auto it = sheet.rows[r].cells.find(c);
        vb::Variant& v = values[static_cast<size_t>(c)];
        if (it == sheet.rows[r].cells.end()) {
          v = vb::Variant::Null();
        } else if (dateColumn[static_cast<size_t>(c)] &&
                   (it->second.kind == Cell::Date || it->second.kind == Cell::Number)) {
          // A workbook keeps 16 digits of a number, a time of day needs 17 to come back as the same
          // double: the layer's dates are whole seconds, so rounding to them restores it exactly.
          v = vb::Variant::Date(vb::roundToSecond(it->second.number));
        } else {
          v = cellValue(it->second);
        }
      }
      memory->insertRow(ref.name, names, values);
    }
  }
  memory->commit(t);
  if (readOnly_) memory->run("PRAGMA query_only=1;");
  if (memory_) memory_->close();
  memory_ = std::move(memory);
  ++generation_;
  sheetOrder_ = std::move(order);
  loaded_ = stamp;
}

void WorkbookBackend::reloadIfChanged() {
  // Another program saved the workbook since it was loaded: work on its rows, not on ours.
  if (!memory_->inTransaction() && !(stampNow() == loaded_)) load();
}

void WorkbookBackend::requireWritable() const {
  if (!isOpen()) raiseNotAllowed();
  if (readOnly_) raise(err::EngineFailure, kReadOnlyText);
  std::filesystem::path lock = workbookLockFile(file_);
  if (!lock.empty())
    raise(err::EngineFailure, "The workbook '" + file_.string() + "' is open in another program (its lock file '" +
                                  lock.filename().string() +
                                  "' is there); nothing was written to it. Close the workbook in that program "
                                  "and run again.");
}

template <class Work>
auto WorkbookBackend::changing(Work work) {
  requireWritable();
  if (memory_->inTransaction()) {
    changed_ = true;
    return work();
  }
  // No reload here: the row keys the change uses were read from the rows now in memory. A file
  // saved elsewhere meanwhile makes the write-back refuse instead.
  TxnId t = memory_->begin();
  try {
    auto result = work();
    writeBack();
    memory_->commit(t);
    return result;
  } catch (...) {
    if (memory_->isOpen(t)) memory_->rollback(t);
    throw;
  }
}

QueryResult WorkbookBackend::run(const std::string& sql, RowUse use) {
  QueryResult r = runInMemory(sql, use);
  for (RowKey& k : r.keys) k = outerKey(k);
  return r;
}

QueryResult WorkbookBackend::runInMemory(const std::string& sql, RowUse use) {
  if (!isOpen()) raiseNotAllowed();
  if (!memory_->inTransaction()) reloadIfChanged();
  if (readOnly_) return memory_->run(sql, use);
  // A select changes nothing: it needs neither a writable workbook nor a write-back. Whether a
  // statement writes is left to the engine: it runs with writes forbidden first when the workbook
  // may not be written.
  std::filesystem::path lock = workbookLockFile(file_);
  if (!lock.empty()) {
    memory_->run("PRAGMA query_only=1;");
    try {
      QueryResult r = memory_->run(sql, use);
      memory_->run("PRAGMA query_only=0;");
      return r;
    } catch (const vb::Error& e) {
      memory_->run("PRAGMA query_only=0;");
      if (lower(e.description()).find("readonly") != std::string::npos) requireWritable();
      throw;
    }
  }
  if (memory_->inTransaction()) {
    QueryResult r = memory_->run(sql, use);
    if (!r.hasRows) changed_ = true;
    return r;
  }
  TxnId t = memory_->begin();
  try {
    QueryResult r = memory_->run(sql, use);
    if (!r.hasRows) writeBack();
    memory_->commit(t);
    return r;
  } catch (...) {
    if (memory_->isOpen(t)) memory_->rollback(t);
    throw;
  }
}

// A row key carries the load it was read from: rows read again from a file saved elsewhere may
// sit under other keys, and a key of an earlier load must not change one of them.
RowKey WorkbookBackend::outerKey(RowKey key) const { return static_cast<RowKey>(generation_ << kKeyBits) | key; }

RowKey WorkbookBackend::innerKey(RowKey key) const {
  if (static_cast<uint64_t>(key) >> kKeyBits != generation_)
    raise(err::EngineFailure, "The workbook '" + file_.string() +
                                  "' was read again after another program saved it; the rows this change was "
                                  "made on are no longer current, so nothing was written. Run again.");
  return key & ((RowKey{1} << kKeyBits) - 1);
}

RowKey WorkbookBackend::insertRow(const std::string& table, const std::vector<std::string>& columns,
                                  const std::vector<vb::Variant>& values) {
  return outerKey(changing([&] { return memory_->insertRow(table, columns, values); }));
}

RowKey WorkbookBackend::updateRow(const std::string& table, RowKey key, const std::vector<std::string>& columns,
                                  const std::vector<vb::Variant>& values) {
  const RowKey inner = innerKey(key);
  return outerKey(changing([&] { return memory_->updateRow(table, inner, columns, values); }));
}

void WorkbookBackend::deleteRow(const std::string& table, RowKey key) {
  const RowKey inner = innerKey(key);
  changing([&] {
    memory_->deleteRow(table, inner);
    return 0;
  });
}

TxnId WorkbookBackend::begin() {
  if (!isOpen()) raiseNotAllowed();
  const bool outermost = !memory_->inTransaction();
  // A writer's pass is refused before it deletes anything when another program holds the file.
  if (outermost && !readOnly_) {
    requireWritable();
    reloadIfChanged();
  }
  TxnId t = memory_->begin();
  if (outermost) {
    outermost_ = t;
    changed_ = false;
  }
  return t;
}

void WorkbookBackend::commit(TxnId level) {
  if (!isOpen()) raiseNotAllowed();
  if (level == outermost_ && memory_->isOpen(level)) {
    // The file first: when it cannot be written, the level stays open for its holder to roll back.
    if (changed_) writeBack();
    memory_->commit(level);
    outermost_ = 0;
    changed_ = false;
    return;
  }
  memory_->commit(level);
}

void WorkbookBackend::rollback(TxnId level) {
  if (!isOpen()) raiseNotAllowed();
  memory_->rollback(level);
  if (!memory_->inTransaction()) {
    outermost_ = 0;
    changed_ = false;
  }
}

bool WorkbookBackend::isOpen(TxnId level) const { return memory_ && memory_->isOpen(level); }
bool WorkbookBackend::inTransaction() const { return memory_ && memory_->inTransaction(); }
bool WorkbookBackend::transactionLost() const { return memory_ && memory_->transactionLost(); }

void WorkbookBackend::writeBack() {
  requireWritable();
  if (!(stampNow() == loaded_))
    raise(err::EngineFailure, "The workbook '" + file_.string() +
                                  "' was changed by another program while this one was writing to it; nothing was "
                                  "written, so that its changes are kept. Run again to write the values.");
  // The tables in the workbook's sheet order, then any made since.
  std::vector<std::string> tables;
  std::set<std::string> present;
  QueryResult names = memory_->run("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid;", RowUse::ReadOnly);
  for (size_t r = 0; r < names.rowCount(); ++r) present.insert(names.cells[r].toString());
  std::vector<std::string> sheets = sheetOrder_;
  for (size_t r = 0; r < names.rowCount(); ++r) {
    std::string n = names.cells[r].toString();
    if (std::find(sheets.begin(), sheets.end(), n) == sheets.end()) sheets.push_back(n);
  }

  std::string pattern = (file_.parent_path() / (writeFilePrefix(file_) + "XXXXXX")).string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = ::mkstemp(buffer.data());
  if (fd < 0)
    raise(err::EngineFailure, "The workbook '" + file_.string() + "' cannot be written: no temporary file can be made "
                                  "in its folder (" + std::strerror(errno) + ").");
  // Held until the file is renamed over the workbook: an opener then knows it is not stale.
  ::flock(fd, LOCK_EX);
  const std::filesystem::path temp(buffer.data());
  struct TempGuard {
    std::filesystem::path path;
    int fd;
    bool keep = false;
    ~TempGuard() {
      std::error_code ec;
      if (!keep) std::filesystem::remove(path, ec);
      ::close(fd);
    }
  } guard{temp, fd};

  auto failed = [&](const std::string& why) {
    raise(err::EngineFailure, "The workbook '" + file_.string() + "' could not be written (" + why +
                                  "); it is left as it was.");
  };
  lxw_workbook* wb = workbook_new(temp.c_str());
  if (!wb) failed("the workbook writer could not start");
  lxw_format* dateFormat = workbook_add_format(wb);
  format_set_num_format(dateFormat, "mm/dd/yyyy hh:mm:ss");
  lxw_error error = LXW_NO_ERROR;
  std::string why;
  for (const std::string& sheet : sheets) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.c_str());
    if (!ws) {
      why = "the sheet name '" + sheet + "' cannot be written";
      break;
    }
    if (!present.count(sheet)) continue;
    QueryResult rows = memory_->run("SELECT * FROM " + quoteName(sheet) + " ORDER BY rowid;", RowUse::ReadOnly);
    const size_t n = rows.columns.size();
    for (size_t c = 0; c < n && !error; ++c)
      error = worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), rows.columns[c].name.c_str(), nullptr);
    for (size_t r = 0; r < rows.rowCount() && !error; ++r) {
      for (size_t c = 0; c < n && !error; ++c) {
        const vb::Variant& v = rows.cells[r * n + c];
        const auto row = static_cast<lxw_row_t>(r + 1);
        const auto col = static_cast<lxw_col_t>(c);
        const auto& st = v.storage();
        if (v.isNull() || std::holds_alternative<vb::EmptyTag>(st)) continue;
        if (const auto* d = std::get_if<vb::DateTag>(&st)) error = worksheet_write_number(ws, row, col, d->value, dateFormat);
        else if (const auto* t = std::get_if<std::string>(&st)) error = worksheet_write_string(ws, row, col, t->c_str(), nullptr);
        else if (const auto* b = std::get_if<bool>(&st)) error = worksheet_write_boolean(ws, row, col, *b, nullptr);
        else error = worksheet_write_number(ws, row, col, v.toDouble(), nullptr);
      }
    }
    if (error) break;
  }
  lxw_error closed = workbook_close(wb);
  if (why.empty() && error) why = lxw_strerror(error);
  if (why.empty() && closed) why = lxw_strerror(closed);
  if (!why.empty()) failed(why);
  syncFile(temp);
  // Keep the old file's permissions: mkstemp makes the temporary file readable by its owner only.
  std::error_code ec;
  std::filesystem::permissions(temp, std::filesystem::status(file_, ec).permissions(), ec);
  if (const auto& hook = beforeRename()) hook(temp);
  if (::rename(temp.c_str(), file_.c_str()) != 0) failed(std::string("rename: ") + std::strerror(errno));
  guard.keep = true;
  syncFile(file_.parent_path().empty() ? std::filesystem::path(".") : file_.parent_path());
  loaded_ = stampNow();
}

}  // namespace fw::db
