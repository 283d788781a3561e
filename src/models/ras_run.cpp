#include "models/ras_run.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <system_error>

#include "common/paths.h"
#include "models/model_files.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::models {

namespace {

namespace fs = std::filesystem;

const char* const kCrLf = "\r\n";
const char* const kNoRestartFile =
    "No 2400 rst file found.  Run Ras manually with run option output 24 hotstart first.";
// The start time of a plan run that takes no restart file: five minutes into the begin day.
const char* const kColdStartTime = "0005";

std::string upperFormat(vb::VbDate d, const char* pattern) {
  return vb::UCase(vb::Format(d, pattern));
}

bool allDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// "03JAN2026 2400" as HEC-RAS writes it into a restart file's name.
bool readRestartStamp(const std::string& stamp, RestartFile& r) {
  static constexpr std::array<const char*, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (stamp.size() != 14 || stamp[9] != ' ') return false;
  const std::string day = stamp.substr(0, 2), month = vb::UCase(stamp.substr(2, 3)),
                    year = stamp.substr(5, 4), time = stamp.substr(10, 4);
  if (!allDigits(day) || !allDigits(year) || !allDigits(time)) return false;
  const auto m =
      std::find_if(kMonths.begin(), kMonths.end(), [&](const char* name) { return month == name; });
  if (m == kMonths.end()) return false;
  const int y = std::stoi(year), mo = static_cast<int>(m - kMonths.begin()) + 1, d = std::stoi(day);
  const int hh = std::stoi(time.substr(0, 2)), mm = std::stoi(time.substr(2, 2));
  if (d < 1 || d > vb::daysInMonth(y, mo) || hh > 24 || mm > 59 || (hh == 24 && mm != 0)) return false;
  r.when = vb::DateSerial(y, mo, d) + (hh * 60 + mm) / 1440.0;
  r.dateText = stamp.substr(0, 9);
  r.timeText = time;
  return true;
}

bool holds(const std::string& text, const char* what) {
  return vb::InStr(text, what) > 0;
}

std::vector<std::string> folderNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
       it.increment(ec))
    names.push_back(it->path().filename().string());
  return names;
}

// Any file named "<plan>.*.rst", whatever stands between.
bool anyRestartName(const std::vector<std::string>& names, const std::string& plan) {
  const std::string head = vb::UCase(plan + ".");
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) {
    return n.size() > head.size() + 4 && vb::UCase(n.substr(0, head.size())) == head &&
           vb::UCase(vb::Right(n, 4)) == ".RST";
  });
}

// The version folder after "HEC-RAS" in the program's path ("6.5").
std::string rasVersion(const std::string& command) {
  const std::string upper = vb::UCase(command);
  for (const char* marker : {"\\HEC-RAS\\", "/HEC-RAS/"}) {
    const int at = vb::InStr(upper, marker);
    if (at == 0) continue;
    std::string rest = vb::Mid(command, at + 9);
    const size_t end = rest.find_first_of("\\/");
    return end == std::string::npos ? rest : rest.substr(0, end);
  }
  return std::string();
}

// From n hours before the peak to 3 n hours after it, but not past the end day.
void peakWindow(const ModelHost& host, const RasOptions& o, SimulationWindow& w, int32_t endDay) {
  const double n = o.peakHours / 24.0;
  w.start = host.PeakFlowTime - n;
  w.end = std::min(host.PeakFlowTime + 3 * n, static_cast<vb::VbDate>(endDay));
}

}  // namespace

RasOptions parseRasOptions(const std::string& formula1) {
  RasOptions o;
  for (const std::string& item : optionItems(formula1)) {
    if (holds(item, "DELETE.")) {
      if (holds(item, ".RST"))
        o.deleteOldRestarts = true;
      else
        o.deletes.push_back(vb::Mid(item, vb::InStr(item, ".") + 1));
    } else if (item == "HOTSTART") {
      o.hotstart = true;
    } else if (vb::Left(item, 4) == "PEAK") {
      o.peak = true;
      o.peakHours = vb::Int(std::fabs(vb::Val(vb::Mid(item, 5))));
    } else if (vb::Left(item, 3) == "NOW") {
      o.now = true;
      const std::string hours = vb::Mid(item, 4);
      const int dash = vb::InStr(hours, "-");
      o.nowBack = vb::Val(dash > 0 ? vb::Left(hours, dash - 1) : hours);
      o.nowAhead = dash > 0 ? vb::Val(vb::Mid(hours, dash + 1)) : 0;
    } else if (item == "RASMAPPERPIC") {
      o.mapperPicture = true;
    } else if (item == "SHOWRAS") {
      o.showRas = true;
    }
  }
  return o;
}

std::vector<RestartFile> restartFiles(const std::vector<std::string>& names,
                                      const std::string& planFileName) {
  std::vector<RestartFile> files;
  const std::string head = vb::UCase(planFileName + ".");
  for (const std::string& name : names) {
    if (name.size() <= head.size() + 4 || vb::UCase(name.substr(0, head.size())) != head) continue;
    if (vb::UCase(vb::Right(name, 4)) != ".RST") continue;
    RestartFile r;
    r.name = name;
    if (readRestartStamp(name.substr(head.size(), name.size() - head.size() - 4), r)) files.push_back(r);
  }
  std::stable_sort(files.begin(), files.end(),
                   [](const RestartFile& a, const RestartFile& b) { return a.when < b.when; });
  return files;
}

std::string simulationDateLine(const RasOptions& o, const SimulationWindow& w) {
  const std::string line = "Simulation Date=";
  if (!o.peak)
    return line + w.startDateText + "," + w.startTimeText + "," + upperFormat(w.endDay, "ddMMMyyyy") +
           w.endTimeText;
  if (o.hotstart)
    return line + w.startDateText + "," + w.startTimeText + "," + upperFormat(w.end, "ddMMMyyyy,hh00");
  return line + upperFormat(w.start, "ddMMMyyyy,hhmm") + "," + upperFormat(w.end, "ddMMMyyyy,hh00");
}

std::vector<std::string> rewritePlan(const std::vector<std::string>& lines, const std::string& dateLine,
                                     std::string& flowFile) {
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (const std::string& line : lines) {
    if (holds(line, "Flow File=")) flowFile = vb::Trim(vb::Mid(line, vb::InStr(line, "=") + 1));
    out.push_back(holds(line, "Simulation Date=") ? dateLine : line);
  }
  return out;
}

std::vector<std::string> rewriteFlow(const std::vector<std::string>& lines, const std::string& restartName) {
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (const std::string& line : lines) {
    if (holds(line, "Use Restart="))
      out.push_back("Use Restart= -1");
    else if (holds(line, "Restart Filename="))
      out.push_back("Restart Filename=" + restartName);
    else
      out.push_back(line);
  }
  return out;
}

bool isRasCommand(const std::string& command) {
  const std::string upper = vb::UCase(command);
  return holds(upper, "\\RAS.EXE") || holds(upper, "/RAS.EXE");
}

void rasRun(ModelHost& host, ShellArgs& a, const RasSystem& ras) {
  const std::string project = modelPath(host, a.shift1);
  if (project.empty() || !vb::fileExists(project)) {
    a.Error = "Not found: " + project;
    return;
  }
  // The plan is the project's current plan; without that line, the last line read names it.
  std::string planLine;
  for (const std::string& line : readModelLines(project)) {
    planLine = line;
    if (holds(line, "Current Plan")) break;
  }
  const std::string stem = vb::Left(project, vb::InStr(vb::UCase(project), ".PRJ"));  // with its dot
  const std::string plan = stem + vb::Trim(vb::Mid(planLine, vb::InStr(planLine, "=") + 1));
  const fs::path planPath = findCaseBlind(plan);
  if (!vb::fileExists(planPath)) {
    a.Error = "Not found: " + plan;
    return;
  }
  const std::string folder = ParentFolder(project);
  const RasOptions o = parseRasOptions(a.formula1);
  for (const std::string& name : o.deletes) {
    const std::string file = folder + name;
    removeCaseBlind(file);
    if (vb::UCase(vb::Right(file, 4)) == ".DSS") removeCaseBlind(vb::Left(file, vb::Len(file) - 4) + ".DSC");
  }

  SimulationWindow w;
  w.start = a.BeginDay;
  w.endDay = a.EndDay;
  std::vector<RestartFile> restarts;
  const RestartFile* restart = nullptr;
  if (o.hotstart) {
    const std::vector<std::string> names = folderNames(planPath.parent_path());
    if (!anyRestartName(names, planPath.filename().string())) {
      host.tell(kNoRestartFile);
      return;
    }
    if (o.peak) {
      if (host.PeakFlowValue == 0) host.PeakFlowTime = a.BeginDay;
      peakWindow(host, o, w, a.EndDay);
      if (host.PeakFlowValue == 0) w.start = a.BeginDay;
      a.BeginDay = vb::CLng(w.start - 0.5);
      a.EndDay = vb::CLng(w.end + 0.5);
    }
    if (o.now) {
      w.start = host.RunDateTime - o.nowBack / 24.0;
      w.end = host.RunDateTime + o.nowAhead / 24.0;
      w.endDay = static_cast<int32_t>(vb::Int(w.end));
      w.endTimeText = "," + vb::Format(w.end, "hh00");
    }
    restarts = restartFiles(names, planPath.filename().string());
    for (const RestartFile& r : restarts) {
      if (r.when > w.start) continue;
      restart = &r;
      w.startDateText = r.dateText;
      w.startTimeText = r.timeText;
    }
    if (restart == nullptr && !restarts.empty()) restart = &restarts.front();
    if (o.deleteOldRestarts) {
      // The file the run starts from stays, however old.
      for (const RestartFile& r : restarts)
        if (&r != restart && vb::Int(r.when) < a.BeginDay - 7) removeCaseBlind(folder + r.name);
    }
    if (restart == nullptr)
      host.log("Missing .RST: " + vb::Format(static_cast<vb::VbDate>(a.BeginDay), "ddMMMyyyy") + kCrLf);
    else
      host.log("Hotstart: " + restart->name + kCrLf);
  } else if (o.peak) {
    if (host.PeakFlowValue == 0) {
      host.log(std::string("Missing peak flow date.") + kCrLf);
      host.PeakFlowTime = a.BeginDay;
    }
    peakWindow(host, o, w, a.EndDay);
    w.start = std::max(w.start, static_cast<vb::VbDate>(a.BeginDay));
  }
  if (w.startDateText.empty()) {
    // No restart file set the start: the plan starts on the begin day.
    w.startDateText = upperFormat(a.BeginDay, "ddMMMyyyy");
    w.startTimeText = kColdStartTime;
  }

  std::string flowName;
  writeModelLines(planPath, rewritePlan(readModelLines(planPath), simulationDateLine(o, w), flowName));
  if (restart != nullptr) {
    const std::string flow = stem + flowName;
    const fs::path flowPath = findCaseBlind(flow);
    if (vb::fileExists(flowPath))
      writeModelLines(flowPath, rewriteFlow(readModelLines(flowPath), restart->name));
    else
      host.log("Missing: " + flow + kCrLf);
  }

  // The computation, through HEC-RAS's controller.
  const std::string version = rasVersion(a.Command);
  std::unique_ptr<RasController> controller = ras.controller ? ras.controller(version) : nullptr;
  if (!controller) throw vb::Error(vb::err::InvalidProcedureCall, kNoRasController);
  controller->openProject(project);
  host.caption("Shell Ras " + version + " " + controller->description());
  if (vb::Val(a.base1) != 0 && !host.BatchMode)
    controller->show();
  else
    controller->hide();
  host.log("Working... ");
  const vb::VbDate started = host.now();
  std::vector<std::string> messages;
  controller->computeCurrentPlan(messages);
  const int64_t seconds = std::llround((host.now() - started) * 86400.0);
  host.log((messages.empty() ? std::string() : messages.back()) +
           vb::Str(static_cast<int32_t>(seconds / 60)) + ":" + vb::CStr(static_cast<int32_t>(seconds % 60)) +
           kCrLf);
  if (o.mapperPicture) {
    controller->openRasMapper();
    host.doEvents();
    controller->showRasMapper();
    host.doEvents();
    host.sleepMs(1000);
    const fs::path picture = host.programFolder / "RasMapperPic.png";
    std::string why = kNoWindowCapture;
    if (ras.capture && ras.capture(picture.string(), "RAS Mapper", why)) {
      fs::copy_file(picture,
                    host.programFolder / ("RasMapperPic" + vb::Format(host.now(), "yyyymmdd_hhmm") + ".png"),
                    fs::copy_options::overwrite_existing);
    } else {
      host.log(why + kCrLf);
      host.errorLine("Ras: " + why);
    }
  }
  controller->closeProject();
  controller->quit();
  controller.reset();
  if (o.showRas) {
    std::vector<std::string> argv = splitCommandLine(a.Command);
    argv.push_back(project);
    std::string why;
    if (!host.processes->startDetached(argv, why))
      throw vb::Error(vb::err::FileNotFound, (argv.empty() ? std::string() : argv[0]) + ": " + why);
  }
}

}  // namespace fw::models
