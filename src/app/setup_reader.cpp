// getstationfile: the setup file reader.
#include <cstdint>
#include <exception>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/setup_file.h"
#include "app/setup_keys.h"
#include "common/proper_name.h"
#include "platform/db/sqlite_backend.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw {

namespace {

constexpr int kMinStationFields = 4;
constexpr int kMaxStationFields = 19;
constexpr vb::Color kWhite = 16777215;

std::string describe(const std::exception& e) {
  if (const auto* vbe = dynamic_cast<const vb::Error*>(&e)) return vbe->description();
  return e.what();
}

// A setup file is a few hundred lines; anything this large is something else.
constexpr std::uintmax_t kMaxSetupBytes = 64u * 1024u * 1024u;

// Why the file cannot be a setup file, or empty when it may be one. Looked at before reading,
// so that a device, a FIFO or a huge file is never read.
std::string unusableFile(const std::filesystem::path& path) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(st)) return "";  // the read says "File not found"
  if (!std::filesystem::is_regular_file(st))
    return path.string() + " is not a regular file (a device, a folder or a pipe); the setup file must be a plain text file.";
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxSetupBytes)
    return path.string() + " holds " + std::to_string(size) +
           " bytes, more than a setup file can (64 MB); it was not read.";
  return "";
}

// Why the text read cannot be a setup file, or empty.
std::string unusableText(const std::filesystem::path& path, const std::string& text) {
  if (text.empty())
    return path.string() + ": " + vb::errorDescription(vb::err::InputPastEndOfFile) +
           ": the file is empty, it holds no settings, no connection and no station list.";
  // UTF-16 begins with its byte order mark, or without one has a NUL beside each ASCII letter.
  const bool utf16 = text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') ||
                                          (text[0] == '\xFE' && text[1] == '\xFF') ||
                                          (text[0] == '\0') != (text[1] == '\0'));
  if (utf16) return path.string() + " is UTF-16 text; save it as ANSI or UTF-8 text.";
  return "";
}

// The built-in Access database beside the program: a program installed as
// .../Flumewright/Flumewright finds it in .../Flumewright/Tablewise.
std::string defaultConnectionString(const Session& s) {
  std::string folder =
      vb::Replace(s.programFolder.string(), "Flumewright/Flumewright", "Flumewright/Tablewise");
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder +
         "/TablewiseHDB.mdb;User Id=admin;Password=;";
}

void readConnectionLine(Session& s, const std::string& value) {
  s.HdbConnString = value;
  // A value that ends within a few characters after "Source" names no database.
  if (vb::Len(value) - vb::InStr(value, "Source") < 10) s.HdbConnString = defaultConnectionString(s);
  if (s.BatchMode) return;
  std::vector<std::string> parts = vb::Split(s.HdbConnString, "=");
  std::string provider = parts.size() > 1 ? vb::LCase(parts[1]) : "";
  s.HdbAposDates = vb::InStr(provider, ".jet") == 0 && vb::InStr(provider, "access") == 0 &&
                   vb::InStr(provider, "excel") == 0;
  if (s.HdbAposDates) {
    // A database server may take a while to answer: say so before the window waits.
    s.form.Text1.append("Connecting to server...\r\n", kWhite);
    s.form.show();
    s.ui.doEvents();
  }
}

std::string lineRef(int fileLine) {
  return std::string(kSetupFileName) + " line " + std::to_string(fileLine) + ": ";
}

// A station line is read whatever its field count; one the run cannot take (too few fields to
// name its station, or more than a line holds) keeps the fields that fit and the text the run
// fails it with.
void readStationLine(Session& s, const std::string& line, int n, int fileLine, bool& trackArmed) {
  std::vector<std::string> fields = vb::Split(line, ";");
  const int count = static_cast<int>(fields.size());
  if (count < kMinStationFields || count > kMaxStationFields) {
    const std::string shown = vb::Len(line) > 60 ? vb::Left(line, 60) + "..." : line;
    s.StationLineFaults[n] =
        lineRef(fileLine) + "the station line \"" + shown + "\" has " + std::to_string(count) + " fields; " +
        (count < kMinStationFields
             ? "a station line needs at least 4 (Station_ID; Datatype_Site_ID; Datatype_Name; Site_Name)."
             : "a station line holds at most 19.");
    fields.resize(static_cast<std::size_t>(std::min(count, kMaxStationFields)));
  }
  const int kept = static_cast<int>(fields.size());
  StationGrid& grid = s.Form2.MSFlexGrid1;
  grid.setRows(n + 2);  // one empty row beyond the last filled one while reading
  StationGrid::GridRow& row = grid.row(n);
  for (int k = 0; k < kept; ++k) {
    std::string f = vb::Trim(fields[static_cast<std::size_t>(k)]);
    if (k == 2 || k == 3) f = ProperName(f);
    s.StationTable(k + 1, n) = f;
    row[static_cast<std::size_t>(k) + 1] = std::move(f);
  }
  const std::string& stationId = row[1];
  if (trackArmed && vb::InStr(stationId, "NEXRAD") > 0) {
    s.NowcastTrackFile = s.NowcastInfoFolder + "NowCast_" + vb::Right(stationId, 3) + "_N0B_RECENT.txt";
    trackArmed = false;
  }
}

// What a read found wrong in lines it went on past. Each text is reported once, in the error log
// (in batch and with the window) and, with the window, in one box after the read; a later read of
// the same file reports nothing again.
struct SetupReport {
  std::vector<std::string> texts;
  std::set<std::string> unknownKeys;  // an unknown key is reported at its first line only

  void add(std::string text) { texts.push_back(std::move(text)); }

  void send(Session& s, const std::string& fileText) {
    if (s.SetupReportedFor != fileText) {
      s.SetupReported.clear();
      s.SetupReportedFor = fileText;
    }
    std::string box;
    for (const std::string& text : texts) {
      if (!s.SetupReported.insert(text).second) continue;
      s.errlog.writeLine(text);
      box += (box.empty() ? "" : "\r\n") + text;
    }
    if (!box.empty() && !s.BatchMode) s.ui.msgBox(box, MsgButtons::OK, MsgIcon::Exclamation, kSetupFileName);
  }
};

// A line without "=" or ";" whose commas would make four fields or more: a station line written
// with the wrong separator.
bool looksLikeCommaStationLine(const std::string& line) {
  if (line.find('=') != std::string::npos || line.find(';') != std::string::npos) return false;
  return std::count(line.begin(), line.end(), ',') >= kMinStationFields - 1;
}

std::string trimBlanksAndTabs(const std::string& text) {
  const std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  return text.substr(b, text.find_last_not_of(" \t") - b + 1);
}

// One settings line. A value the key cannot take is reported with the line, the key and the
// value, and the read goes on: a START DATE that is no date keeps every run from starting (its
// run time is unknown), any other setting stays as it was.
void readSetting(Session& s, const SetupKey& k, const std::string& keyAsRead, const std::string& value,
                 int fileLine, SetupReport& report) {
  const std::string named = lineRef(fileLine) + keyAsRead + "= \"" + value + "\" ";
  if (k.complaint)
    if (std::string why = k.complaint(value); !why.empty()) report.add(named + why + ".");
  try {
    k.read(s, value);
  } catch (const std::exception& e) {
    if (k.upper == "START DATE") {
      s.StartDateInvalid = true;
      const std::string why = named + "is not a date (" + describe(e) +
                              "); no run starts until it is a date such as 06/05/2024 13:15 or 2024-06-05 13:15.";
      s.noteSetupFault(why);
      report.add(why);
    } else {
      report.add(named + "cannot be read (" + describe(e) + "); the setting stays as it was.");
    }
  }
}

// A settings line as the writer puts it: its key text, then the value.
std::string normalSettingsLine(const std::string& upperKey, const std::string& keyAsRead,
                               const std::string& value) {
  if (upperKey == kConnectionKey) return kConnectionKeyWritten + value;
  const SetupKey* k = findSetupKey(upperKey);
  if (k != nullptr && !k->written.empty()) return k->written + value;
  return trimBlanksAndTabs(keyAsRead) + "=" + value;
}

// Rewrites the file from its lines, each ended by CR LF, after TABs were converted.
void resaveConverted(Session& s, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) {
    text += l;
    text += "\r\n";
  }
  const auto path = s.inProgramFolder(kSetupFileName);
  try {
    vb::writeAllBytes(path, text);
  } catch (const std::exception& e) {
    notify(s, path.string() + ": " + describe(e));
    return;
  }
  notify(s, std::string(kSetupFileName) + " with Tabs re-saved");
}

}  // namespace

std::string convertTabs(const std::string& line) {
  std::vector<std::string> fields = vb::Split(vb::Replace(line, "\t", ";"), ";");
  while (fields.size() > 1 && vb::Trim(fields.back()).empty()) fields.pop_back();
  return vb::Join(fields, ";");
}

std::size_t findEndLine(const std::string& text) {
  auto beginsEnd = [&](std::size_t p) { return text.compare(p, 3, "END") == 0; };
  if (beginsEnd(0)) return 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      if (i + 1 < text.size() && beginsEnd(i + 1)) return i + 1;
    }
  }
  return std::string::npos;
}

void getstationfile(Session& s) {
  const auto path = s.inProgramFolder(kSetupFileName);
  std::string text;
  s.SetupUnread = true;
  try {
    if (std::string why = unusableFile(path); !why.empty()) throw vb::Error(vb::err::PathFileAccess, why);
    text = vb::readAllBytes(path);
    if (std::string why = unusableText(path, text); !why.empty()) throw vb::Error(vb::err::PathFileAccess, why);
  } catch (const std::exception& e) {
    const std::string what = describe(e);
    const std::string message =
        what.rfind(path.string(), 0) == 0 ? what : path.string() + ": " + what;
    s.noteSetupFault(message);
    notify(s, message);
    return;
  }
  s.SetupUnread = false;

  std::vector<std::string> lines = vb::splitLines(text, vb::LineEnds::Any);
  const int lineCount = static_cast<int>(lines.size());
  s.StationTable.redim(kStationTableColumns, lineCount);
  // No line has saved yet: -1 is no hour, so a save hour of 0 fires on the first run.
  s.LastSavedHour.assign(lines.size(), -1);
  if (s.StationRange.wholeList) s.StationRange = {};
  StationGrid& grid = s.Form2.MSFlexGrid1;
  grid.clear();
  grid.setRows(1);
  grid.resetColWidths();
  s.Form2.Loaded = true;
  s.AlertStartTime = -1;
  s.ServerSettings.clear();
  s.DownloadTimeLimitSeconds = s.DownloadSizeLimitMegabytes = 0;
  s.ParallelDownloadsSetting = 0;
  s.SqliteJournal.clear();
  db::setSqliteWriteAheadLog(true);
  s.StationLineFaults.clear();
  s.StartDateInvalid = false;
  SetupReport report;

  int n = 0;  // station lines read, the header included
  int connections = 0;
  bool trackArmed = false;
  bool resave = false;
  bool complete = false;
  std::size_t i = 0;
  try {
    for (; i < lines.size(); ++i) {
      std::string& line = lines[i];
      if (line.compare(0, 3, "END") == 0) break;

      bool settingsLine = false;
      bool connectionLine = false;
      if (std::size_t eq = line.find('='); eq != std::string::npos) {
        const std::string key = vb::UCase(trimBlanksAndTabs(line.substr(0, eq)));
        std::string value = trimBlanksAndTabs(line.substr(eq + 1));
        // A known key keeps its line a settings line whatever TABs a spreadsheet put beside it;
        // the line is kept in its normal form, so a re-save writes it as the writer would.
        if (isKnownSetupKey(key) && line.find('\t') != std::string::npos) {
          if (key != kConnectionKey) value = convertTabs(value);
          const std::string normal = normalSettingsLine(key, line.substr(0, eq), value);
          if (normal != line) {
            line = normal;
            resave = true;
          }
        }
        if (key == kConnectionKey) {
          settingsLine = connectionLine = true;
          ++connections;
          readConnectionLine(s, value);
        } else if (const SetupKey* k = findSetupKey(key)) {
          settingsLine = true;
          readSetting(s, *k, trimBlanksAndTabs(line.substr(0, eq)), value, static_cast<int>(i + 1), report);
          if (key == kNowcastInfoKey) trackArmed = true;
        } else if (key.find(';') == std::string::npos) {
          // A station line may hold "=" in a formula, after its first ";". Text before "=" without
          // a ";" is a key this program does not know (a misspelling, mostly): the line is no
          // station line either.
          settingsLine = true;
          if (report.unknownKeys.insert(key).second)
            report.add(lineRef(static_cast<int>(i + 1)) + "unknown key \"" + trimBlanksAndTabs(line.substr(0, eq)) +
                       "\" (value \"" + value + "\"); the line is ignored.");
        }
        if (connections > 1) {
          notify(s, "Multiple database connections given.  Missing END statement before notes??");
          break;
        }
      }

      // The connection line is kept as written, so that a re-save keeps the database.
      if (!settingsLine && line.find('\t') != std::string::npos) {
        line = convertTabs(line);
        resave = true;
      }

      // A settings value may hold ";" (several alert addresses): it is no station line.
      if (!settingsLine && line.find(';') != std::string::npos) {
        if (n >= 32767) vb::raise(vb::err::Overflow);
        readStationLine(s, line, n, static_cast<int>(i + 1), trackArmed);
        ++n;
      } else if (!settingsLine && looksLikeCommaStationLine(line)) {
        report.add(lineRef(static_cast<int>(i + 1)) + "\"" + (vb::Len(line) > 60 ? vb::Left(line, 60) + "..." : line) +
                   "\" has no \";\": the fields of a station line are separated by \";\", so the line is not read.");
      }
    }
    complete = connections <= 1;
  } catch (const std::exception& e) {
    notify(s, (i < lines.size() ? lines[i] : std::string()) + "\r\n" + describe(e));
  }
  s.Form2.ReadStoppedAtLine = complete ? 0 : static_cast<int>(i + 1);
  if (!complete) {
    const std::string why =
        std::string(kSetupFileName) + " was not read whole: reading stopped at line " + std::to_string(i + 1) + ".";
    s.noteSetupFault(why);
    s.errlog.writeLine(why);
  } else if (i == lines.size() && text.back() != '\n' && text.back() != '\r') {
    // No END line and no line end after the last line: the file was most likely cut off while
    // it was copied or written.
    const std::string why = std::string(kSetupFileName) +
                            " ends in the middle of a line without an END line; it may have been cut short.";
    s.noteSetupFault(why);
    s.errlog.writeLine(why);
  }

  grid.setRows(n);
  s.StationCount = static_cast<int16_t>(n - 1);
  report.send(s, text);
  if (complete && resave) resaveConverted(s, lines);
}

}  // namespace fw
