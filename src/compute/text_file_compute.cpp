#include "compute/text_file_compute.h"

#include <optional>

#include "app/session.h"
#include "common/paths.h"
#include "compute/staging_file.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::compute {

namespace {

const char* const kCrLf = "\r\n";

size_t fieldCount(const std::string& line, const std::string& delimiter) {
  return vb::Split(line, delimiter).size();
}

vb::VbDate toDate(const std::string& text) {
  const std::optional<vb::VbDate> d = vb::parseDate(vb::Trim(text));
  if (!d) vb::raise(vb::err::TypeMismatch);
  return *d;
}

// Day, month, year to month, day, year; a short year gets "20" in front.
std::string dayFirstToMonthFirst(const std::string& text, const std::string& sep) {
  const std::vector<std::string> p = vb::Split(text, sep);
  if (p.size() < 3) return text;
  std::string year = p[2];
  if (vb::Len(year) < 4) year = "20" + year;
  return p[1] + sep + p[0] + sep + year;
}

// The file a line names: a relative name lies in the program folder; a Windows path that does not
// exist here is looked for by its file name there.
std::filesystem::path textFilePath(const Session& s, const std::string& name) {
  const bool windows = vb::InStr(name, "\\") > 0 || (name.size() > 1 && name[1] == ':');
  if (windows) {
    const std::filesystem::path own = s.inProgramFolder(FileNameOnly(name));
    return vb::fileExists(name) ? std::filesystem::path(name) : own;
  }
  const std::filesystem::path p(name);
  return p.is_absolute() ? p : s.inProgramFolder(name);
}

}  // namespace

void computefromtextfile(Session& s, SourceCall& c) {
  c.RetrievalText.clear();
  c.Error.clear();
  const int dash = vb::InStr(c.StationId, "-");
  const int32_t n = dash > 0 ? static_cast<int32_t>(vb::Val(vb::Mid(c.StationId, dash + 1))) : 0;
  if (n == 0) {
    c.Error = "No data column value (ex: File-4)";
    if (!s.BatchMode) s.ui.msgBox(c.Error);
    return;
  }
  const std::string& layout = c.DateLayout;
  const bool dayFirst = vb::UCase(vb::Left(layout, 2)) == "DD";
  const std::string sep = vb::InStr(layout, "-") > 0 ? "-" : "/";
  int32_t dateColumn = 1;
  if (vb::Len(layout) > 7) {
    const int comma = vb::InStr(8, layout, ",");
    if (comma > 0) dateColumn = static_cast<int32_t>(vb::Val(vb::Mid(layout, comma + 1)));
  }
  double begin = 0, end = 0;
  if (s.RealtimeMode) {
    begin = static_cast<double>(s.RunDay) - c.DayCount;
    end = static_cast<double>(s.RunDay) + 1;
  } else {
    begin = vb::CLng(vb::CDate(s.form.TextBegindate.Text));
    end = vb::CLng(vb::CDate(s.form.TextEnddate.Text));
  }

  const std::string path = c.ParameterCode;
  try {
    const std::filesystem::path file = textFilePath(s, path);
    if (path.empty() || !vb::fileExists(file)) vb::raise(vb::err::FileNotFound);
    // Any line end: a file with LF alone reads as its lines too.
    const std::vector<std::string> lines = vb::readLines(file);
    std::string delimiter;
    bool tabsToBlanks = false;
    std::string rows;
    vb::VbDate first = 0, last = 0;
    bool anyData = false;
    for (const std::string& raw : lines) {
      std::string line = vb::Replace(vb::LTrim(raw), "\"", "");
      if (vb::Val(vb::Left(line, 2)) == 0) continue;
      if (delimiter.empty()) {
        delimiter = " ";
        if (vb::InStr(line, ",") > 0) delimiter = ",";
        const size_t commas = fieldCount(line, ","), semis = fieldCount(line, ";");
        if (semis > commas) delimiter = ";";
        if (fieldCount(line, "\t") > std::max(commas, semis)) delimiter = "\t";
        tabsToBlanks = delimiter != "\t" && vb::InStr(line, "\t") > 0;
      }
      if (tabsToBlanks) line = vb::Replace(line, "\t", " ");
      const std::vector<std::string> f = vb::Split(line, delimiter);
      std::string value, dateText, timeText;
      if (delimiter != " ") {
        if (static_cast<int32_t>(f.size()) < n) continue;
        value = vb::Replace(vb::Trim(f[static_cast<size_t>(n - 1)]), ",", ".");
        if (dateColumn < 1 || static_cast<size_t>(dateColumn) > f.size())
          vb::raise(vb::err::SubscriptOutOfRange);
        dateText = f[static_cast<size_t>(dateColumn - 1)];
        if (static_cast<size_t>(dateColumn) < f.size()) timeText = f[static_cast<size_t>(dateColumn)];
      } else {
        std::vector<std::string> filled;
        for (const std::string& x : f) {
          const std::string t = vb::Trim(x);
          if (t.empty()) continue;
          filled.push_back(t);
          if (static_cast<int32_t>(filled.size()) == n - 1) break;
        }
        // Fewer filled fields than the column asks for: no value on this line.
        if (n < 2 || static_cast<int32_t>(filled.size()) < n - 1) continue;
        value = filled.back();
        if (dateColumn == 1) {
          dateText = filled[0];
          if (filled.size() > 1) timeText = filled[1];
        } else if (dateColumn == 2 && filled.size() > 1) {
          dateText = filled[1];
          if (vb::InStr(dateText, ":") == 0) vb::raise(vb::err::TypeMismatch);
        } else {
          vb::raise(vb::err::SubscriptOutOfRange);
        }
      }
      dateText = vb::Trim(dateText);
      if (dayFirst) dateText = dayFirstToMonthFirst(dateText, sep);
      if (c.WindDirSeries && vb::Val(value) != 0) c.WindDegrees = true;
      const vb::VbDate d = toDate(dateText);
      if (!anyData) first = d;
      last = d;
      anyData = true;
      if (d < begin || d > end) continue;
      if (vb::InStr(dateText, ":") > 0) {
        rows += "Z\t" + vb::Format(d, "mm/dd/yyyy hh:mm") + "\t" + value + "\n";
      } else {
        const vb::VbDate time = vb::Trim(timeText).empty() ? 0 : toDate(timeText);
        rows += "Z\t" + dateText + " " + vb::Format(time, "hh:mm") + "\t" + value + "\n";
      }
    }
    const std::string text = writeStagingFile(s, StagingKind::TextFile, "\n", rows);
    if (rows.empty()) {
      c.Error = std::string("No data for time period.") + kCrLf + "data:  " + vb::CStrDate(first) + " to " +
                vb::CStrDate(last);
      return;
    }
    c.RetrievalText = text;
  } catch (const vb::Error& e) {
    c.RetrievalText.clear();
    c.Error = e.description() + "  " + path;
  }
}

}  // namespace fw::compute
