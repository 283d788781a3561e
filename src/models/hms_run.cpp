#include "models/hms_run.h"

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

bool holds(const std::string& text, const char* what) {
  return vb::InStr(text, what) > 0;
}

// A text as a Jython string literal between double quotes.
std::string jythonText(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string withoutFinalSeparator(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder;
}

}  // namespace

bool readHmsRequest(const std::string& shift1, HmsRequest& r) {
  const std::vector<std::string> items = vb::Split(shift1, ",");
  if (items.size() < 4) return false;
  r.project = vb::Trim(items[0]);
  r.control = vb::Trim(items[1]);
  r.run = vb::Trim(items[2]);
  r.step = vb::UCase(vb::Trim(items[3]));
  const int32_t n = static_cast<int32_t>(vb::Int(vb::Val(r.step)));
  if (holds(r.step, "MIN")) {
    r.intervalMinutes = n;
    r.startTimeLine = "     Start Time: 00:" + vb::Format(n, "00");
  } else {
    r.intervalMinutes = n * 60;
    r.startTimeLine = "     Start Time: " + vb::Format(n, "00") + ":00";
  }
  return true;
}

std::vector<std::string> rewriteControl(const std::vector<std::string>& lines, const HmsRequest& r,
                                        int32_t beginDay, int32_t endDay, vb::VbDate now) {
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (const std::string& line : lines) {
    if (holds(line, "Modified Date:"))
      out.push_back("     Last Modified Date: " + vb::Format(now, "d Mmmm yyyy"));
    else if (holds(line, "Modified Time:"))
      out.push_back("     Last Modified Time: " + vb::Format(now, "h:mm:ss"));
    else if (holds(line, "Start Date:"))
      out.push_back("     Start Date: " + vb::Format(static_cast<vb::VbDate>(beginDay), "dd Mmmm yyyy"));
    else if (holds(line, "Start Time:"))
      out.push_back(r.startTimeLine);
    else if (holds(line, "End Date:"))
      out.push_back("     End Date: " + vb::Format(static_cast<vb::VbDate>(endDay), "dd Mmmm yyyy"));
    else if (holds(line, "End Time:"))
      out.push_back("     End Time: 24:00");
    else if (holds(line, "Time Interval:"))
      out.push_back("     Time Interval: " + vb::CStr(r.intervalMinutes));
    else
      out.push_back(line);
  }
  return out;
}

std::vector<std::string> rewriteGage(const std::vector<std::string>& lines, int32_t beginDay, int32_t endDay,
                                     vb::VbDate now) {
  const std::string range = vb::Format(static_cast<vb::VbDate>(beginDay - 1), "dMmmyyyy") + " - " +
                            vb::Format(static_cast<vb::VbDate>(endDay), "dMmmyyyy");
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (const std::string& line : lines) {
    if (holds(line, "Modified Date:")) {
      out.push_back("       Last Variant Modified Date: " + vb::Format(now, "d Mmmm yyyy"));
    } else if (holds(line, "Modified Time:")) {
      out.push_back("       Last Variant Modified Time: " + vb::Format(now, "h:mm:ss"));
    } else if (holds(line, "DSS Pathname:")) {
      // The date block follows the incremental parameter ("PRECIP-INC/"); a pathname without one
      // (a flow or stage gage) keeps its own.
      const int p = vb::InStr(line, "-INC/");
      const int rest = p > 0 ? vb::InStr(p + 10, line, "/") : 0;
      out.push_back(rest > 0 ? vb::Left(line, p + 4) + range + vb::Mid(line, rest) : line);
    } else {
      out.push_back(line);
    }
  }
  return out;
}

std::vector<std::string> hmsScript(const std::string& projectName, const std::string& projectFolder,
                                   const std::string& runName) {
  return {
      "from hms.model.JythonHms import *",
      "OpenProject(" + jythonText(projectName) + "," + jythonText(withoutFinalSeparator(projectFolder)) + ")",
      "Compute(" + jythonText(runName) + ")", "Exit(1)"};
}

std::string hmsStatus(const std::string& logText) {
  return holds(logText, "Aborted run") ? "Aborted run!" : "Finished...";
}

void ShellHms(ModelHost& host, ShellArgs& a) {
  try {
    shellEntry(host, a);
    if (vb::Right(a.Command, 3) == "EXE") a.Command = vb::Replace(a.Command, "EXE", "CMD");
    HmsRequest r;
    if (!readHmsRequest(a.shift1, r)) {
      a.Error = "Run name, control, run, or time step not found";
      return;
    }
    r.project = modelPath(host, r.project);
    const std::string folder = ParentFolder(r.project);
    const std::string gage = vb::Replace(r.project, ".hms", ".gage");
    const std::string control = folder + r.control;
    for (const std::string& file : {r.project, control, gage}) {
      if (!vb::fileExists(file)) {
        a.Error = "Not found: " + file;
        return;
      }
    }
    const vb::VbDate now = host.now();
    writeModelLines(control, rewriteControl(readModelLines(control), r, a.BeginDay, a.EndDay, now));
    writeModelLines(gage, rewriteGage(readModelLines(gage), a.BeginDay, a.EndDay, now));

    for (const std::string& item : optionItems(a.formula1)) {
      if (!holds(item, "DELETE.")) continue;
      const std::string named = vb::Left(r.project, vb::Len(r.project) - 3) + vb::Right(item, 3);
      if (holds(named, ".LOG"))
        for (const fs::path& log : filesWithExtension(folder.empty() ? "." : folder, ".log")) fs::remove(log);
      if (vb::Right(named, 4) == ".DSS") removeCaseBlind(vb::Left(named, vb::Len(named) - 4) + ".DSC");
    }

    host.log("Working... ");
    host.caption(FileNameOnly(r.project) + ": " + r.run);
    const std::string projectFile = FileNameOnly(r.project);
    const int dot = vb::InStr(projectFile, ".");
    const std::string script = folder + kHmsScriptName;
    if (!vb::fileExists(script))
      writeModelLines(script,
                      hmsScript(dot > 0 ? vb::Left(projectFile, dot - 1) : projectFile, folder, r.run));
    const std::string runLog = folder + vb::Replace(r.run, " ", "_") + ".LOG";
    removeCaseBlind(runLog);

    ProcessRunner::Run run;
    run.argv = {host.HmsProgram.empty() ? a.Command : host.HmsProgram, "-s", script};
    run.workFolder = ParentFolder(run.argv.front());
    run.timeoutMs = host.HmsLimitMinutes * 60000;
    run.whileWaiting = host.doEvents;
    run.stopWhen = host.stopRequested;
    const ProcessRunner::RunResult result = host.processes->runToEnd(run);
    if (result.outcome == ProcessRunner::Outcome::NotStarted) {
      // Said whatever base1 asks for: a run that never started must not look finished.
      const std::string failed = FileNameOnly(run.argv.front()) + "  failed.";
      if (vb::Val(a.base1) != 0 && !host.BatchMode) host.messageBox(failed);
      host.note("HMS: " + failed + " " + result.error);
      return;
    }
    if (result.outcome == ProcessRunner::Outcome::TimedOut ||
        result.outcome == ProcessRunner::Outcome::Stopped) {
      a.Error =
          "HMS: " + FileNameOnly(run.argv.front()) + " was ended after " +
          (result.outcome == ProcessRunner::Outcome::TimedOut ? vb::CStr(host.HmsLimitMinutes) + " minutes."
                                                              : std::string("the run was stopped."));
      return;
    }
    const fs::path logPath = findCaseBlind(runLog);
    if (!vb::fileExists(logPath)) {
      const std::string missing = "HMS: run log not found: " + runLog;
      host.note(missing);
      host.log(missing + kCrLf);
      return;
    }
    const std::string logText = vb::readAllBytes(logPath);
    if (vb::Val(a.base1) != 0 && !host.BatchMode) host.messageBox(logText);
    const std::string status = hmsStatus(logText);
    if (status != "Finished...") host.note("HMS: " + status);
    host.log(status + kCrLf);
  } catch (const std::exception& e) {
    host.report("HMS: " + errorText(e));
  }
}

}  // namespace fw::models
