#include "retrieval/madis_collect.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "app/session.h"
#include "common/time_zone.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"
#include "retrieval/get_url.h"
#include "retrieval/madis_dump.h"
#include "retrieval/madis_history.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"
#include "store/update_rows.h"

namespace fw {

namespace {

constexpr std::size_t kShortCgiReply = 500;  // a reply below this holds no observations
constexpr std::size_t kNewDataLength = 100;  // less new text than this does not count as a collection
constexpr const char* kCgiQuery =
    "/madisPublic1/cgi-bin/madisXmlPublicDir?rdr=&time=0&minbck=-59&minfwd=0&recwin=3&dfltrsel=1&state=NV"
    "&latll=LATSW&lonll=LONSW&latur=LATNE&lonur=LONNE&stanam=&stasel=0&pvdrsel=0&varsel=1&qctype=0&qcsel=1"
    "&xml=3&csvmiss=1";
const char* const kFullVariables[] = {"TD", "RH",      "ALTSE",   "T",      "DD",
                                      "FF", "PCPRATE", "PCPTOTL", "SOLRAD", "P"};
const char* const kPrecipitationVariables[] = {"PCPRATE", "PCPTOTL"};

}  // namespace

std::array<double, 4> madisBox(const std::string& box) {
  const std::vector<std::string> parts = vb::Split(box, ",");
  if (parts.size() < 4) vb::raise(vb::err::SubscriptOutOfRange);
  std::array<double, 4> b{};
  for (std::size_t i = 0; i < 4; ++i) b[i] = vb::CDbl(vb::Trim(parts[i]));
  if (b[2] < b[0]) std::swap(b[0], b[2]);
  if (b[3] < b[1]) std::swap(b[1], b[3]);
  return b;
}

namespace {

constexpr std::size_t kShortGzReply = 1000;              // a shorter ".gz" reply holds no hour
constexpr std::uintmax_t kUnpackedHourKept = 400000000;  // an unpacked hour this large is not fetched again
constexpr const char* kHourPath = "/madisPublic1/data/LDAD/mesonet/netCDF/";
constexpr const char* kTitle = "MADIS stations";
constexpr const char* kNo7za =
    "Madis gz file requires 7za.exe from full download or copy to Flumewright folder from Skyvantor folder.";
const char* const kFullDumpList[] = {"TD",      "RH",      "ALTSE",  "T", "DD",    "FF",
                                     "PCPRATE", "PCPTOTL", "SOLRAD", "P", "STALOC"};
const char* const kPrecipitationDumpList[] = {"PCPRATE", "PCPTOTL"};

// 7za in the program folder first, else on the PATH; empty when there is none.
std::string findUnzipper(const Session& s) {
  std::error_code ec;
  const std::filesystem::path local = s.inProgramFolder("7za");
  if (std::filesystem::is_regular_file(local, ec)) return local.string();
  const char* pathVar = std::getenv("PATH");
  for (const std::string& dir : vb::Split(pathVar ? pathVar : "", ":")) {
    if (dir.empty()) continue;
    const std::filesystem::path p = std::filesystem::path(dir) / "7za";
    if (::access(p.c_str(), X_OK) == 0) return p.string();
  }
  return "";
}

// The dump program: one in the MADIS folder first, else the one beside this program.
std::string findDump(const std::filesystem::path& madisFolder) {
  std::error_code ec;
  const std::filesystem::path local = madisFolder / kMadisDumpProgram;
  if (std::filesystem::is_regular_file(local, ec)) return local.string();
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::filesystem::path beside = self.parent_path() / kMadisDumpProgram;
    if (std::filesystem::is_regular_file(beside, ec)) return beside.string();
  }
  return kMadisDumpProgram;
}

void appendBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << bytes;
  if (!out) vb::raise(vb::err::PathFileAccess);
}

void removeIfThere(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  if (ec) vb::raise(vb::err::PathFileAccess);
}

// "sfcdump.par" with this hour's box, name and variables (the lines after the list are dropped).
void rewriteDumpPar(const std::filesystem::path& madisFolder, const std::array<double, 4>& box,
                    const std::string& hourName, const std::vector<std::string>& variables) {
  const std::filesystem::path par = madisFolder / kSfcDumpParName;
  if (!vb::fileExists(par)) vb::writeAllBytes(par, kDefaultSfcDumpPar);
  const std::vector<std::string> lines = vb::Split(vb::readAllBytes(par), "\n");
  const char* corners[4] = {"SW corner lat", "SW corner lon", "NE corner lat", "NE corner lon"};
  std::string out;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    std::string line = lines[i];
    bool corner = false;
    for (int k = 0; k < 4 && !corner; ++k) {
      if (vb::InStr(line, corners[k]) == 0) continue;
      std::string value = vb::CStr(box[k]);
      if (value.size() < 14) value.resize(14, ' ');
      line = value + (line.size() > 14 ? line.substr(14) : "");
      corner = true;
    }
    // The word starts within the first 19 characters (after an hour name it runs past them).
    if (const int at = vb::InStr(line, "Nominal"); !corner && at > 0 && at <= 19) {
      line = hourName + " Nominal time (in selected format)";
    } else if (!corner && vb::InStr(line, "sfc_variable") > 0) {
      out += line + "\n" + vb::Join(variables, "\n") + "\n";
      break;
    }
    out += line + "\n";
  }
  const std::filesystem::path tmp = madisFolder / "sfcdump.tmp";
  vb::writeAllBytes(tmp, out);
  std::filesystem::rename(tmp, par);
}

// Deletes the hours (and their archives) of the netCDF folder older than three days before the run.
void cleanHourFolder(const Session& s, const std::filesystem::path& folder) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return;
  std::vector<std::filesystem::path> old;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find('_') == std::string::npos || name.size() < 8) continue;
    const std::string day = name.substr(0, 8);
    if (day.find_first_not_of("0123456789") != std::string::npos) continue;
    const int y = std::stoi(day.substr(0, 4)), m = std::stoi(day.substr(4, 2)),
              d = std::stoi(day.substr(6, 2));
    if (m < 1 || m > 12 || d < 1 || d > vb::daysInMonth(y, m)) continue;  // not a dated hour
    if (vb::DateSerial(y, m, d) < s.RunDay - 3) old.push_back(entry.path());
  }
  for (const auto& p : old) std::filesystem::remove(p, ec);
}

std::string blockHeader(vb::VbDate hourUtc, float offset) {
  return vb::Format(hourUtc, "mm-dd-yyyy hh:mm") + " GMT > " +
         vb::Format(hourUtc - offset / 24.0, "mm-dd-yyyy hh:mm") + " local\n";
}

// The CGI path: the last 59 minutes of the box in one request, appended to the history.
void cgiCollection(Session& s, SourceCall& c, const std::array<double, 4>& box, float offset,
                   std::string& error) {
  // The hour the CGI's last 59 minutes belong to.
  const vb::VbDate now = s.RunDateTime;
  const vb::VbDate start = now - 1.0 / 24;
  const vb::VbDate startUtc = start + offset / 24.0;
  const vb::VbDate hourUtc = vb::CDate(vb::Format(startUtc, "yyyy/mm/dd hh:00"));
  const std::string hourName = vb::Format(hourUtc, "YYYYMMDD_HH00");
  const std::filesystem::path history = s.inProgramFolder(kMadisHistoryName);
  logPaneLine(s, "Working...");
  logPaneLine(s, hourName + "  local " + vb::Format(hourUtc - offset / 24.0, "Mmm d, hh:00") + " Madis Html");

  std::string url = kCgiQuery;
  url = vb::Replace(url, "LATSW", vb::CStr(box[0]));
  url = vb::Replace(url, "LONSW", vb::CStr(box[1]));
  url = vb::Replace(url, "LATNE", vb::CStr(box[2]));
  url = vb::Replace(url, "LONNE", vb::CStr(box[3]));
  if (c.ParameterCode.empty())
    for (const char* v : kFullVariables) url += std::string("&nvars=") + v;
  else
    for (const char* v : kPrecipitationVariables) url += std::string("&nvars=") + v;
  const std::string reply = GetURL(s, serverBase(s, kMadisService) + url, false);
  if (reply.size() < kShortCgiReply) {
    error = c.StationId + " No html batch data found or internet down.";
    return;
  }
  std::string rows = reply;
  if (const int pre = vb::InStr(rows, "<PRE>"); pre > 0) rows = vb::Mid(rows, pre + 5);
  if (const int end = vb::InStr(rows, "</PRE>"); end > 0) rows = vb::Left(rows, end - 1);
  const std::string header = hourName + vb::Format(hourUtc, " mm-dd-yyyy hh:mm") + " GMT > " +
                             vb::Format(hourUtc - offset / 24.0, "mm-dd-yyyy hh:mm") + " local\n";
  appendBytes(history, header + rows + "\r\n");
  s.errlog.writeLine("Madis " + hourName);
  if (s.RealtimeMode && rows.size() > kNewDataLength)
    (s.HdbUseDAO ? hdbupdateDAO : hdbupdate)(s, "30", "MADIS", vb::Variant::Date(hourUtc + 1.0 / 24), 0);
}

}  // namespace

void MadisRun(Session& s, const std::string& hourName, const std::string& boxText,
              const std::vector<std::string>& variables, int16_t base1, const std::string& downloaded,
              vb::VbDate hourUtc, float offset, const std::string& historyPath, std::string& dumpText,
              std::string& error) {
  error.clear();
  dumpText.clear();
  (void)base1;  // hidden or shown: the dump has no window here
  try {
    const std::array<double, 4> box = madisBox(boxText);
    const std::filesystem::path madisFolder = s.inProgramFolder(kMadisFolderName);
    const std::filesystem::path hourFolder = madisNetcdfFolder(madisFolder);
    const bool kept = downloaded == "-1";
    if (!kept && downloaded.size() <= kShortGzReply) {
      error = " No gz zip data found or internet down.";
      return;
    }
    const std::filesystem::path gz = hourFolder / (hourName + ".gz");
    const std::filesystem::path unpacked = hourFolder / hourName;
    // An hour is bounded like a download: one that unpacks past the size limit is no hour.
    const auto maxBytes = static_cast<std::uintmax_t>(downloadLimits(s).maxBytes);
    const auto tooLarge = [&] {
      std::error_code ec;
      const std::uintmax_t size = std::filesystem::file_size(unpacked, ec);
      return !ec && size > maxBytes;
    };
    const auto dropTooLarge = [&] {
      std::error_code ec;
      std::filesystem::remove(unpacked, ec);
      std::filesystem::remove(gz, ec);
      error = " Madis hour " + hourName + " unpacks to more than the download size limit of " + sizeLimitText(s) +
              "; the hour was removed.";
      s.errlog.writeLine("Madis" + error);
    };
    if (kept && tooLarge()) return dropTooLarge();
    if (!kept) {
      std::filesystem::create_directories(hourFolder);
      removeIfThere(gz);
      vb::writeAllBytes(gz, downloaded);
      removeIfThere(unpacked);
      std::string unzipper = findUnzipper(s);
      if (unzipper.empty()) {
        notify(s, std::string(kNo7za) + "  I'll wait.", MsgButtons::OK, MsgIcon::None, kTitle);
        unzipper = findUnzipper(s);
        if (unzipper.empty()) unzipper = "7za";
      }
      // Awaited to its end: the dump must not read a half-unpacked hour.
      ProcessRunner::Run run;
      run.argv = {unzipper, "e", "-y", gz.string()};
      run.workFolder = hourFolder;
      run.timeoutMs = s.MadisUnzipLimitMs;
      run.whileWaiting = [&s] { s.ui.doEvents(); };
      run.stopWhen = tooLarge;
      const ProcessRunner::RunResult r = s.processes->runToEnd(run);
      s.errlog.writeLine("Madis " + hourName + ".gz");
      if (r.outcome == ProcessRunner::Outcome::Stopped || tooLarge()) return dropTooLarge();
      if (r.outcome != ProcessRunner::Outcome::Exited || r.exitCode != 0) {
        s.errlog.writeLine(
            "Madis " + unzipper + " " +
            (r.outcome == ProcessRunner::Outcome::NotStarted ? "did not start: " + r.error
             : r.outcome == ProcessRunner::Outcome::TimedOut ? std::string("was stopped after its time limit")
             : r.outcome == ProcessRunner::Outcome::Killed   ? std::string("was killed")
                                                             : "ended with " + std::to_string(r.exitCode)));
        error = " Unzipper 7za.exe failed.";
        if (!s.BatchMode) s.ui.msgBox(error, MsgButtons::OK, MsgIcon::None, kTitle);
        return;
      }
    }

    rewriteDumpPar(madisFolder, box, hourName, variables);
    const std::filesystem::path dumpOut = madisFolder / kSfcDumpOutName;
    removeIfThere(dumpOut);
    const std::string dump = findDump(madisFolder);
    ProcessRunner::Run run;
    run.argv = {dump, madisFolder.string()};
    run.workFolder = madisFolder;
    run.outputFile = madisFolder / "madis_dump.log";
    run.timeoutMs = s.MadisDumpLimitMs;
    run.whileWaiting = [&s] { s.ui.doEvents(); };
    const ProcessRunner::RunResult r = s.processes->runToEnd(run);
    if (r.outcome != ProcessRunner::Outcome::Exited || r.exitCode != 0 || !vb::fileExists(dumpOut)) {
      std::string why = r.outcome == ProcessRunner::Outcome::NotStarted ? "did not start: " + r.error
                        : r.outcome == ProcessRunner::Outcome::TimedOut
                            ? std::string("was stopped after its time limit")
                            : std::string();
      if (why.empty() && vb::fileExists(run.outputFile))
        why = vb::Trim(vb::Replace(vb::readAllBytes(run.outputFile), "\n", " "));
      s.errlog.writeLine("Madis " + hourName + " " + dump + " " + why);
      error = dump + " something went wrong";
      if (!s.BatchMode) s.ui.msgBox(error, MsgButtons::OK, MsgIcon::None, kTitle);
      return;
    }
    // What the dump left out (a variable in units it does not know) is reported, not lost silently.
    if (vb::fileExists(run.outputFile))
      for (const std::string& line : vb::Split(vb::readAllBytes(run.outputFile), "\n"))
        if (!vb::Trim(line).empty()) s.errlog.writeLine("Madis " + hourName + " " + line);
    dumpText = vb::readAllBytes(dumpOut);
    std::string rows = dumpText;
    if (!rows.empty() && rows.back() == '\n') rows.pop_back();
    const std::string block = blockHeader(hourUtc, offset) + rows + "\r\n";
    if (historyPath.empty()) {
      appendBytes(s.inProgramFolder(kMadisNewHoursName), (kept ? "file " : "gz ") + block);
    } else {
      appendBytes(historyPath, block);
      if (s.MadisInsertAnswer == 0)
        s.MadisInsertAnswer =
            static_cast<int>(notify(s, "Do you want to insert this history hour into My5DayMadis.txt?",
                                    MsgButtons::YesNo, MsgIcon::Question, kTitle));
      if (s.MadisInsertAnswer == static_cast<int>(MsgResult::Yes))
        Madis5DayHistInsert(s, block, historyPath, false);
    }
  } catch (const std::exception& e) {
    error = std::string("Madis Run ") + e.what();
  }
}

void GetMadis(Session& s, SourceCall& c) {
  c.Error.clear();
  std::string& error = c.Error;
  const std::filesystem::path madisFolder = s.inProgramFolder(kMadisFolderName);
  try {
    const int16_t base1 = vb::CInt(vb::Val(c.Triples[1].base));
    const bool cgi = s.BatchMode && base1 == 3;
    const vb::VbDate now = s.RunDateTime;
    bool daylight = false;
    const float offset = TZOffset(s, daylight);
    if (!cgi && findUnzipper(s).empty() &&
        notify(s, std::string(kNo7za) + "  Hit OK when you got it copied.", MsgButtons::OKCancel) ==
            MsgResult::Cancel)
      return;
    const std::string& boxText = c.Triples[1].shift;
    if (vb::InStr(boxText, ",") == 0)
      notify(s, "Shif1 should have 4 laglong box values.", MsgButtons::OK, MsgIcon::None, kTitle);
    const std::array<double, 4> box = madisBox(boxText);
    std::vector<std::string> variables;
    if (c.ParameterCode.empty())
      variables.assign(std::begin(kFullDumpList), std::end(kFullDumpList));
    else
      variables.assign(std::begin(kPrecipitationDumpList), std::end(kPrecipitationDumpList));
    vb::VbDate t0 = 0;
    double ignored = 0;
    (s.HdbUseDAO ? hdblastupdateDAO : hdblastupdate)(s, "30", t0, ignored);
    const std::filesystem::path history = s.inProgramFolder(kMadisHistoryName);
    if (!vb::fileExists(history) && s.RealtimeMode) {
      notify(s, "No My5DayMadis.txt found, begin Today 00:00");
      t0 = s.RunDay;
    }
    if (s.RealtimeMode) {
      s.MadisHistoryModePath.clear();
    } else {
      s.MadisHistoryModePath = s.inProgramFolder(kMadisUpdateName).string();
      removeIfThere(s.MadisHistoryModePath);
    }
    const std::filesystem::path hourFolder = madisNetcdfFolder(madisFolder);
    if (s.RealtimeMode) cleanHourFolder(s, hourFolder);

    if (cgi) {
      cgiCollection(s, c, box, offset, error);
    } else {
      vb::VbDate start = 0, end = 0;
      if (s.RealtimeMode) {
        const vb::VbDate firstDay = s.RunDay - c.DayCount;
        if (!s.BatchMode && t0 < firstDay - 2) t0 = firstDay;
        double hoursBack = base1 < 2 ? 2 : 1;
        if (!s.BatchMode) {
          const int64_t past = vb::DateDiff("h", t0, now);
          const MsgResult answer =
              notify(s,
                     "Base1 = " + std::to_string(base1) + " for past " + std::to_string(past) +
                         " hrs. Continue with full period, just 2 hours, or skip?\r\nYes=Full, No=2 hours, "
                         "Cancel=skip",
                     MsgButtons::YesNoCancel, MsgIcon::None, kTitle);
          if (answer == MsgResult::Cancel) return;
          if (answer == MsgResult::Yes)
            hoursBack += static_cast<double>(past);
          else
            hoursBack = 2;
        }
        start = now - hoursBack / 24.0;
        end = vb::CDate(vb::Format(now, "yyyy/mm/dd hh:00"));
        if (s.BatchMode || vb::Minute(now) > 6) end += 1.0 / 24;
      } else {
        start = vb::CDate(s.form.TextBegindate.Text);
        end = vb::CDate(s.form.TextEnddate.Text);
      }
      const vb::VbDate startUtc = start + offset / 24.0;
      const vb::VbDate endUtc = end + offset / 24.0;
      const std::filesystem::path newHours = s.inProgramFolder(kMadisNewHoursName);
      removeIfThere(newHours);
      logPaneLine(s, "Working...");
      std::filesystem::create_directories(hourFolder);

      vb::VbDate lastMerged = -1;  // the UTC hour of the last hour dumped
      std::string lastDump;
      for (int64_t k = 0;; ++k) {
        const vb::VbDate h = startUtc + k / 24.0;
        if (h > endUtc + 1e-9) break;
        const std::string hourName = vb::Format(h, "YYYYMMDD_HH00");
        const vb::VbDate hourUtc = vb::CDate(vb::Format(h, "yyyy/mm/dd hh:00"));
        logPaneLine(s, hourName + "  local " + vb::Format(hourUtc - offset / 24.0, "Mmm d, hh:00"));
        std::string downloaded;
        std::error_code ec;
        const std::filesystem::path unpacked = hourFolder / hourName;
        if (std::filesystem::is_regular_file(unpacked, ec) &&
            std::filesystem::file_size(unpacked, ec) > kUnpackedHourKept) {
          downloaded = "-1";
        } else {
          downloaded = GetURL(s, serverBase(s, kMadisService) + kHourPath + hourName + ".gz", false);
          if (downloaded.size() < kShortGzReply) {
            error = c.StationId + " No gz zip data available for " + hourName + ".gz";
            break;
          }
        }
        std::string dumpText;
        MadisRun(s, hourName, boxText, variables, base1, downloaded, hourUtc, offset, s.MadisHistoryModePath,
                 dumpText, error);
        if (!error.empty()) break;
        lastMerged = hourUtc;
        lastDump = std::move(dumpText);
      }

      if (s.RealtimeMode) {
        if (lastMerged >= 0 && vb::Hour(lastMerged - offset / 24.0) == 1 && vb::fileExists(history))
          std::filesystem::copy_file(history, s.inProgramFolder(std::string(kMadisHistoryName) + ".big"),
                                     std::filesystem::copy_options::overwrite_existing);
        // The hours fetched before a failure are kept as well.
        if (vb::fileExists(newHours)) Madis5DayHistInsert(s, vb::readAllBytes(newHours), newHours, true);
        if (lastMerged >= 0 && lastDump.size() > kNewDataLength)
          (s.HdbUseDAO ? hdbupdateDAO : hdbupdate)(s, "30", "MADIS", vb::Variant::Date(lastMerged + 1.0 / 24),
                                                   0);
        vb::writeAllBytes(s.inProgramFolder("madisFortranUpdate.txt"), vb::CStrDate(now));
      }
    }
    logPaneLine(s, "Finished Madis");
  } catch (const std::exception& e) {
    error = std::string("MADIS ") + e.what();
  }
  if (!error.empty()) s.LastError = c.StationId + error;
}

}  // namespace fw
