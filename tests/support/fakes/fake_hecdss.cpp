// A stand-in for HEC's DSS 7 library, with the same C entry points the program calls, for the
// tests. Its "DSS file" is a text file of the series stored in it, one line each:
//   pathname|first minute|minutes per value|units|type|value,value,...
// Each call is also written to the file FW_FAKE_DSS_CALLS names; FW_FAKE_DSS_STORE_STATUS is the
// status a store returns (and when not 0, nothing is stored).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/fakes/civil_days.h"

namespace {

using fw::testing::daysFromCivil;

struct FakeFile {
  std::string path;
};

constexpr double kUndefined = -3.402823466e38;

void record(const std::string& line) {
  const char* log = std::getenv("FW_FAKE_DSS_CALLS");
  if (log == nullptr || *log == 0) return;
  std::ofstream out(log, std::ios::app);
  out << line << "\n";
}

int envNumber(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != 0 ? std::atoi(v) : 0;
}

std::string str(const char* s) {
  return s != nullptr ? s : "";
}

// "05 Jun 2024" (or "05JUN2024") and "2400" as minutes; -1 when unreadable.
long minuteOf(const std::string& date, const std::string& time) {
  std::string d;
  for (char c : date)
    if (c != ' ') d += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  size_t i = 0;
  while (i < d.size() && std::isdigit(static_cast<unsigned char>(d[i]))) ++i;
  if (i == 0 || d.size() < i + 4 || time.size() != 4) return -1;
  static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  unsigned month = 0;
  for (unsigned m = 0; m < 12; ++m)
    if (d.compare(i, 3, kMonths[m]) == 0) month = m + 1;
  if (month == 0) return -1;
  const long day = std::atol(d.substr(0, i).c_str()), year = std::atol(d.substr(i + 3).c_str());
  return daysFromCivil(year, month, static_cast<unsigned>(day)) * 1440 +
         std::atol(time.substr(0, 2).c_str()) * 60 + std::atol(time.substr(2, 2).c_str());
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(s);
  while (std::getline(in, part, sep)) parts.push_back(part);
  if (!s.empty() && s.back() == sep) parts.emplace_back();
  return parts;
}

// Minutes per value from the E part ("15MIN", "1HOUR", "1DAY"); 0 when not understood.
long stepOf(const std::string& pathname) {
  const std::vector<std::string> parts = split(pathname, '/');
  if (parts.size() < 6) return 0;
  const std::string& e = parts[5];
  size_t i = 0;
  while (i < e.size() && std::isdigit(static_cast<unsigned char>(e[i]))) ++i;
  const long n = i > 0 ? std::atol(e.substr(0, i).c_str()) : 1;
  std::string unit;
  for (size_t k = i; k < e.size(); ++k)
    unit += static_cast<char>(std::toupper(static_cast<unsigned char>(e[k])));
  if (unit.rfind("MIN", 0) == 0) return n;
  if (unit.rfind("HOUR", 0) == 0) return n * 60;
  if (unit.rfind("DAY", 0) == 0) return n * 1440;
  return 0;
}

// The pathname without its date block, which a regular series' records do not tell apart.
std::string withoutDateBlock(const std::string& pathname) {
  std::vector<std::string> parts = split(pathname, '/');
  if (parts.size() > 4) parts[4].clear();
  std::string joined;
  for (size_t k = 0; k < parts.size(); ++k) joined += (k ? "/" : "") + parts[k];
  return joined;
}

}  // namespace

extern "C" {

int hec_dss_open(const char* filename, void** dss) {
  record("open " + str(filename));
  std::ofstream touch(filename, std::ios::app);
  if (!touch) return -1;
  *dss = new FakeFile{filename};
  return 0;
}

int hec_dss_close(void* dss) {
  record("close");
  delete static_cast<FakeFile*>(dss);
  return 0;
}

int hec_dss_tsStoreRegular(void* dss, const char* pathname, const char* startDate, const char* startTime,
                           double* valueArray, int valueArraySize, int* /*qualityArray*/,
                           int qualityArraySize, int saveAsFloat, const char* units, const char* type,
                           const char* timeZoneName, int storageFlag) {
  std::ostringstream call;
  call << "store " << str(pathname) << "|" << str(startDate) << "|" << str(startTime) << "|" << valueArraySize
       << "|" << str(units) << "|" << str(type) << "|" << saveAsFloat << "|" << qualityArraySize << "|"
       << str(timeZoneName) << "|" << storageFlag;
  record(call.str());
  const int status = envNumber("FW_FAKE_DSS_STORE_STATUS");
  if (status != 0) return status;
  const long start = minuteOf(str(startDate), str(startTime));
  const long step = stepOf(str(pathname));
  if (start < 0 || step <= 0) return 12;
  std::ofstream out(static_cast<FakeFile*>(dss)->path, std::ios::app);
  out << withoutDateBlock(str(pathname)) << "|" << start << "|" << step << "|" << str(units) << "|"
      << str(type) << "|";
  char number[32];
  for (int i = 0; i < valueArraySize; ++i) {
    std::snprintf(number, sizeof number, "%.9g", valueArray[i]);
    out << (i ? "," : "") << number;
  }
  out << "\n";
  return out ? 0 : -1;
}

int hec_dss_tsRetrieve(void* dss, const char* pathname, const char* startDate, const char* startTime,
                       const char* endDate, const char* endTime, int* timeArray, double* valueArray,
                       int arraySize, int* numberValuesRead, int* /*quality*/, int /*qualityWidth*/,
                       int* julianBaseDate, int* timeGranularitySeconds, char* units, int unitsLength,
                       char* type, int typeLength, char* timeZoneName, int timeZoneNameLength) {
  std::ostringstream call;
  call << "retrieve " << str(pathname) << "|" << str(startDate) << "|" << str(startTime) << "|"
       << str(endDate) << "|" << str(endTime) << "|" << arraySize;
  record(call.str());
  *numberValuesRead = 0;
  const long first = minuteOf(str(startDate), str(startTime)), last = minuteOf(str(endDate), str(endTime));
  const long step = stepOf(str(pathname));
  if (first < 0 || last < first || step <= 0) return -1;
  const long wanted = std::min<long>(arraySize, (last - first) / step + 1);
  for (long i = 0; i < wanted; ++i) {
    valueArray[i] = kUndefined;
    timeArray[i] = static_cast<int>(first + i * step);
  }
  bool found = false;
  std::ifstream in(static_cast<FakeFile*>(dss)->path);
  std::string line;
  const std::string key = withoutDateBlock(str(pathname));
  std::string foundUnits, foundType;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = split(line, '|');
    if (f.size() < 6 || f[0] != key) continue;
    found = true;
    foundUnits = f[3];
    foundType = f[4];
    const long start = std::atol(f[1].c_str()), own = std::atol(f[2].c_str());
    const std::vector<std::string> values = split(f[5], ',');
    for (size_t j = 0; j < values.size(); ++j) {
      const long t = start + static_cast<long>(j) * own;
      if (t < first || (t - first) % step != 0 || (t - first) / step >= wanted) continue;
      valueArray[(t - first) / step] = std::atof(values[j].c_str());
    }
  }
  if (!found) return -1;
  *numberValuesRead = static_cast<int>(wanted);
  *julianBaseDate = 0;
  *timeGranularitySeconds = 60;
  std::snprintf(units, static_cast<size_t>(unitsLength), "%s", foundUnits.c_str());
  std::snprintf(type, static_cast<size_t>(typeLength), "%s", foundType.c_str());
  if (timeZoneNameLength > 0) timeZoneName[0] = 0;
  return 0;
}

}  // extern "C"
