// A stand-in for the EPA SWMM 5 engine library, with the entry points the program calls, for the
// tests. swmm_run copies the input's [OPTIONS] lines into the report, writes a results file of
// 1 subcatchment, 2 nodes and 1 link over the simulation's report periods, and returns the code
// FW_FAKE_SWMM_RESULT names (0 unless set). Each call is written to the file FW_FAKE_SWMM_CALLS
// names.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/fakes/civil_days.h"

#include "support/swmm_out_writer.h"

namespace {

using fw::testing::daysFromCivil;

void record(const std::string& line) {
  const char* log = std::getenv("FW_FAKE_SWMM_CALLS");
  if (log == nullptr || *log == 0) return;
  std::ofstream out(log, std::ios::app);
  out << line << "\n";
}

// "mm/dd/yyyy" as a day number (days since 30 December 1899).
double dayOf(const std::string& date) {
  unsigned m = 0, d = 0;
  long y = 0;
  if (std::sscanf(date.c_str(), "%u/%u/%ld", &m, &d, &y) != 3) return 0;
  return static_cast<double>(daysFromCivil(y, m, d) + 25569);
}

// "hh:mm:ss" as seconds.
long secondsOf(const std::string& time) {
  int h = 0, m = 0, s = 0;
  std::sscanf(time.c_str(), "%d:%d:%d", &h, &m, &s);
  return h * 3600L + m * 60L + s;
}

}  // namespace

extern "C" {

int swmm_getVersion() {
  return 52004;
}

int swmm_run(const char* input, const char* report, const char* output) {
  record(std::string("run ") + input + "|" + report + "|" + output);
  std::ifstream in(input);
  if (!in) return 303;  // SWMM's "cannot open input file"
  std::ofstream rpt(report, std::ios::binary);
  rpt << "Fake SWMM 5 engine\r\n";
  std::string line, section;
  std::string startDate, startTime = "00:00:00", endDate, endTime = "00:00:00", step = "00:15:00";
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') section = line;
    if (section != "[OPTIONS]" || line.empty() || line[0] == '[' || line[0] == ';') continue;
    rpt << line << "\r\n";
    std::istringstream words(line);
    std::string key, value;
    words >> key >> value;
    if (key == "START_DATE") startDate = value;
    if (key == "START_TIME") startTime = value;
    if (key == "END_DATE") endDate = value;
    if (key == "END_TIME") endTime = value;
    if (key == "REPORT_STEP") step = value;
  }
  const char* configured = std::getenv("FW_FAKE_SWMM_RESULT");
  const int code = configured != nullptr && *configured != 0 ? std::atoi(configured) : 0;
  const double start = dayOf(startDate) + secondsOf(startTime) / 86400.0;
  const double end = dayOf(endDate) + secondsOf(endTime) / 86400.0;
  const long stepSeconds = secondsOf(step);
  fw::testing::SwmmOutSpec spec;
  spec.startDate = start;
  spec.reportStep = static_cast<int32_t>(stepSeconds);
  spec.periods = stepSeconds > 0 ? static_cast<int32_t>((end - start) * 86400.0 / stepSeconds + 0.5) : 0;
  spec.errorCode = code;
  if (spec.periods > 0) fw::testing::writeSwmmOut(output, spec);
  return code;
}

}  // extern "C"
