#include "models/swmm_run.h"

#include "common/paths.h"
#include "models/model_files.h"
#include "platform/vb/convert.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::models {

namespace {

const char* const kCrLf = "\r\n";

bool holds(const std::string& text, const char* what) {
  return vb::InStr(text, what) > 0;
}

std::string sectionOf(const std::string& line) {
  const std::string t = vb::Trim(line);
  return !t.empty() && t.front() == '[' ? vb::UCase(t) : std::string();
}

}  // namespace

void SwmmLibrary::load() {
  if (run_ != nullptr) return;
  if (!library_.open(name_)) throw vb::Error(vb::err::FileNotFound, kSwmmLibraryMissing + name_);
  run_ = library_.function<int (*)(const char*, const char*, const char*)>("swmm_run");
  version_ = library_.function<int (*)()>("swmm_getVersion");
  if (run_ == nullptr || version_ == nullptr) {
    run_ = nullptr;
    library_.close();
    throw vb::Error(vb::err::FileNotFound,
                    name_ + " is not a SWMM 5 engine library (no swmm_run or swmm_getVersion)");
  }
}

int SwmmLibrary::run(const std::string& input, const std::string& report, const std::string& output) {
  load();
  return run_(input.c_str(), report.c_str(), output.c_str());
}

std::string SwmmLibrary::version() {
  load();
  // 52004 is 5.2.4: major, minor, then three digits of the build.
  const int v = version_();
  return vb::CStr(v / 10000) + "." + vb::CStr(v / 1000 % 10) + "." + vb::CStr(v % 1000);
}

std::vector<std::string> rewriteSwmmInput(const std::vector<std::string>& lines, int32_t beginDay,
                                          int32_t endDay) {
  const vb::VbDate begin = beginDay, end = endDay;
  // Only the [OPTIONS] section holds the dates; a name elsewhere that looks like a key (a time
  // series "END_TIME_RAIN") stays as it is. A file without sections is taken whole.
  bool sections = false;
  for (const std::string& line : lines) sections = sections || sectionOf(line) == "[OPTIONS]";
  std::vector<std::string> out;
  out.reserve(lines.size());
  std::string section;
  for (std::string line : lines) {
    const std::string head = sectionOf(line);
    if (!head.empty()) section = head;
    if (head.empty() && (!sections || section == "[OPTIONS]")) {
      if (holds(line, "REPORT")) {
        if (holds(line, "REPORT_START_DATE"))
          line = "REPORT_START_DATE    " + vb::Format(begin, "mm/dd/yyyy");
        else if (holds(line, "REPORT_START_TIME"))
          line = "REPORT_START_TIME    " + vb::Format(begin, "hh:mm:ss");
      } else if (holds(line, "START_DATE")) {
        line = "START_DATE           " + vb::Format(begin, "mm/dd/yyyy");
      } else if (holds(line, "START_TIME")) {
        line = "START_TIME           " + vb::Format(begin, "hh:mm:ss");
      }
      if (holds(line, "END_DATE")) line = "END_DATE             " + vb::Format(end, "mm/dd/yyyy");
      if (holds(line, "END_TIME")) line = "END_TIME             00:00:00";
    }
    out.push_back(line);
  }
  return out;
}

void ShellSwmm(ModelHost& host, ShellArgs& a, SwmmEngine& engine) {
  try {
    shellEntry(host, a);
    ++a.EndDay;  // the simulation runs to the midnight after the end day
    const std::string input = modelPath(host, a.shift1);
    if (input.empty() || !vb::fileExists(input)) {
      a.Error = "Not found: " + input;
      return;
    }
    const std::string folder = ParentFolder(input);
    std::string base = FileNameOnly(input);
    if (vb::InStr(base, ".") > 0) base = vb::Left(base, vb::InStr(base, ".") - 1);
    writeModelLines(input, rewriteSwmmInput(readModelLines(input), a.BeginDay, a.EndDay));
    const std::string report = folder + base + ".rpt";
    const std::string output = folder + base + ".out";
    host.log("Working... " + base + kCrLf);
    host.doEvents();
    host.log("SWMM " + engine.version() + kCrLf);
    const int code = engine.run(input, report, output);
    if (code != 0 && !host.BatchMode) {
      std::string why;
      host.processes->startDetached(textEditorCommand(report), why);
    }
    host.caption(FileNameOnly(input) + ": " + base);
    host.log(std::string("Finished") + kCrLf);
    if (code != 0) host.report("SWMM:  ... SWMM Error# " + vb::CStr(code));
  } catch (const std::exception& e) {
    host.report("SWMM: " + errorText(e));
  }
}

}  // namespace fw::models
