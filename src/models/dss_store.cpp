#include "models/dss_store.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "common/paths.h"
#include "models/model_files.h"
#include "models/model_host.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "platform/vb/textfile.h"

namespace fw::models {

namespace {

namespace fs = std::filesystem;

// The library's mark for "no value" (the most negative single); heclib callers read it as -901.
constexpr double kDssUndefined = -3.4028e38;
constexpr float kMissingValue = -901.0f;
constexpr size_t kPartLength = 32;

std::string part(const std::string& text) {
  return vb::RTrim(vb::Left(text, static_cast<int>(kPartLength)));
}

[[noreturn]] void missingLibrary(const std::string& name) {
  throw vb::Error(vb::err::FileNotFound, kDssLibraryMissing + name);
}

// "05 Jun 2024" and "2400" as a date and time; false when the text is not of that form.
bool readDssTime(const std::string& date, const std::string& time, vb::VbDate& when) {
  static constexpr std::array<const char*, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  const std::vector<std::string> f = vb::Split(vb::Trim(date), " ");
  if (f.size() != 3 || time.size() != 4 || !vb::IsNumeric(f[0]) || !vb::IsNumeric(f[2]) ||
      !vb::IsNumeric(time))
    return false;
  const std::string month = vb::UCase(f[1]);
  const auto m = std::find_if(kMonths.begin(), kMonths.end(), [&](const char* n) { return month == n; });
  if (m == kMonths.end()) return false;
  const int minutes = std::stoi(time.substr(0, 2)) * 60 + std::stoi(time.substr(2, 2));
  when = vb::DateSerial(std::stoi(f[2]), static_cast<int>(m - kMonths.begin()) + 1, std::stoi(f[0])) +
         minutes / 1440.0;
  return true;
}

// The step of a series from its E part: minutes, or months for monthly and yearly series.
struct DssStep {
  double minutes = 0;
  int months = 0;
};
DssStep stepOf(const std::string& e) {
  const std::string upper = vb::UCase(vb::Trim(e));
  size_t digits = 0;
  while (digits < upper.size() && std::isdigit(static_cast<unsigned char>(upper[digits]))) ++digits;
  const int n = digits > 0 ? std::stoi(upper.substr(0, digits)) : 1;
  const std::string unit = upper.substr(digits);
  DssStep s;
  if (unit.rfind("MIN", 0) == 0) s.minutes = n;
  if (unit.rfind("HOUR", 0) == 0) s.minutes = n * 60.0;
  if (unit.rfind("DAY", 0) == 0) s.minutes = n * 1440.0;
  if (unit.rfind("WEEK", 0) == 0) s.minutes = n * 10080.0;
  if (unit.rfind("MON", 0) == 0) s.months = n;
  if (unit.rfind("YEAR", 0) == 0) s.months = 12 * n;
  return s;
}

std::string catalogueOf(const std::string& dss) {
  return vb::Left(dss, vb::Len(dss) - 4) + ".dsc";
}

}  // namespace

std::string DssSeriesHead::pathname() const {
  return "/" + a + "/" + b + "/" + c + "/" + d + "/" + e + "/" + f + "/";
}

DssSeriesHead dssSeriesHead(const std::string& descriptor, const std::string& table, vb::VbDate start,
                            int32_t& minutesPerValue) {
  std::vector<std::string> item = vb::Split(descriptor, ";");
  item.resize(std::max<size_t>(item.size(), 6));
  DssSeriesHead h;
  const std::string kind = vb::UCase(table);
  if (kind == "RYEAR") h.e = "1YEAR";
  if (kind == "RMONTH") h.e = "1MONTH";
  if (kind == "RDAY") h.e = "1DAY";
  if (kind == "RHOUR") {
    h.e = "1HOUR";
    h.unitKind = true;
  }
  if (kind == "RUNIT") {
    if (minutesPerValue == 0 || minutesPerValue > 30) minutesPerValue = 5;
    h.e = vb::CStr(minutesPerValue) + "MIN";
    h.unitKind = true;
  }
  h.a = part(item[4] + vb::Right(item[5], 3));
  h.b = part(vb::Trim(vb::Left(item[5] + " " + item[2], static_cast<int>(kPartLength))));
  h.c = part(vb::UCase(vb::Trim(item[0])));
  h.e = part(h.e);
  h.f = "MSA";
  h.units = vb::UCase(vb::Trim(item[1]));
  const int32_t n = static_cast<int32_t>(vb::Int(vb::Val(item[3])));
  if (n == 9)
    h.dataType = "INST-CUM";
  else if (n == 10 || n == 11 || n == 27)
    h.dataType = "PER-CUM";
  else
    h.dataType = h.unitKind ? "INST-VAL" : "PER-AVER";
  h.startDate = vb::Format(start, "dd MMM yyyy");
  h.startTime = vb::Format(start, "HHMM");
  if (h.startTime == "0000") {
    // Midnight is the end (2400) of the day before for values of an hour or less.
    h.startTime = "2400";
    if (h.unitKind) h.startDate = vb::Format(start - 1, "dd MMM yyyy");
  }
  return h;
}

std::string ZsrtsStatusText(int32_t status) {
  switch (status) {
    case 0:
      return "The data was successfully stored.";
    case 4:
      return "All of the input data provided were missing data flags (-901).";
    case 11:
      return "The number of values to store is less than one.";
    case 12:
      return "A non-standard time interval was provided in the ' E' part of the pathname.";
    case 15:
      return "The starting date or time is invalid.";
    case 24:
      return "The pathname given does not meet the regular-interval time series conventions.";
    case 51:
      return "Unrecognized data compression scheme (when ZSCOMP is called prior to ZSRTS). Valid schemes are "
             "0 to 5.";
    case 53:
      return "Invalid precision exponent specified for the \r\ndelta data compression method (when ZSCOMP is "
             "called "
             "prior to \r\nZSRTS). The precision exponent range is -6 to 6.";
    default:
      return std::string();
  }
}

std::string ZrrtsStatusText(int32_t status) {
  switch (status) {
    case 0:
      return "All data retrieved.";
    case 1:
      return "Some missing data was detected (-901).";
    case 2:
      return "Missing record(s) (-902), but some data was found.";
    case 3:
      return "Missing record(s) and missing data in the data set but some data was found.";
    case 4:
      return "There was no data for this time window, but a record was read.";
    case 5:
      return "No records were found (the data returned all -902' s).";
    case 11:
      return "The number of values requested was less than one.";
    case 12:
      return "A non-standard time interval was provided in the ' E' part of the pathname.";
    case 15:
      return "The starting date or time was not recognized.";
    case 20:
      return "The data was not recognized as regular-interval time series.";
    case 24:
      return "The pathname given does not meet the regular-interval time series conventions.";
    case 53:
      return "The data could not be un-compressed.";
    default:
      return std::string();
  }
}

// ---- the library ----

DssLibrary::DssLibrary(const std::string& name) {
  if (!library_.open(name)) missingLibrary(name);
  open_ = library_.function<decltype(open_)>("hec_dss_open");
  close_ = library_.function<decltype(close_)>("hec_dss_close");
  store_ = library_.function<decltype(store_)>("hec_dss_tsStoreRegular");
  retrieve_ = library_.function<decltype(retrieve_)>("hec_dss_tsRetrieve");
  if (!open_ || !close_ || !store_ || !retrieve_) missingLibrary(name + " (not a HEC-DSS 7 library)");
}

int DssLibrary::open(const std::string& path, File& file) const {
  return open_(path.c_str(), &file);
}

int DssLibrary::close(File file) const {
  return close_(file);
}

int DssLibrary::storeRegular(File file, const std::string& pathname, const std::string& startDate,
                             const std::string& startTime, std::vector<double>& values,
                             const std::string& units, const std::string& type) const {
  // Kept as singles on disk, as the series are singles in the program.
  return store_(file, pathname.c_str(), startDate.c_str(), startTime.c_str(), values.data(),
                static_cast<int>(values.size()), nullptr, 0, 1, units.c_str(), type.c_str(), "", 0);
}

int DssLibrary::retrieve(File file, const std::string& pathname, const std::string& startDate,
                         const std::string& startTime, const std::string& endDate, const std::string& endTime,
                         std::vector<double>& values, int32_t& read) const {
  std::vector<int> times(values.size());
  int base = 0, granularity = 0, count = 0;
  char units[64] = {}, type[64] = {}, zone[64] = {};
  const int status =
      retrieve_(file, pathname.c_str(), startDate.c_str(), startTime.c_str(), endDate.c_str(),
                endTime.c_str(), times.data(), values.data(), static_cast<int>(values.size()), &count,
                nullptr, 0, &base, &granularity, units, sizeof units, type, sizeof type, zone, sizeof zone);
  read = std::clamp(count, 0, static_cast<int>(values.size()));
  return status;
}

// ---- the store ----

HecDssStore::HecDssStore(std::function<std::string()> libraryName,
                         std::function<void(const std::string&)> tell)
    : libraryName_(std::move(libraryName)), tell_(std::move(tell)) {}

HecDssStore::~HecDssStore() {
  if (open_ != nullptr && library_) library_->close(open_);
}

const DssLibrary& HecDssStore::library() {
  std::string name = libraryName_ ? libraryName_() : std::string();
  if (name.empty()) name = kDefaultDssLibrary;
  if (!library_ || library_->name() != name) {
    if (open_ != nullptr && library_) library_->close(open_);
    open_ = nullptr;
    library_.reset();
    library_ = std::make_unique<DssLibrary>(name);
  }
  return *library_;
}

bool HecDssStore::ZOPEN_(Session&, const std::string& file) {
  const DssLibrary& lib = library();
  if (open_ != nullptr) lib.close(open_);
  open_ = nullptr;
  DssLibrary::File f = nullptr;
  if (lib.open(file, f) != 0 || f == nullptr) return false;
  open_ = f;
  return true;
}

void HecDssStore::ZRRTS_(Session&, DssReadCall& c) {
  const DssLibrary& lib = library();
  if (open_ == nullptr) throw vb::Error(vb::err::InvalidProcedureCall, "HEC-DSS: no file is open");
  const std::vector<std::string> parts = vb::Split(c.pathname, "/");
  const DssStep step = stepOf(parts.size() > 5 ? parts[5] : std::string());
  vb::VbDate start = 0;
  if (c.count < 1 || (step.minutes <= 0 && step.months <= 0) ||
      !readDssTime(c.startDate, c.startTime, start)) {
    c.status = c.count < 1 ? 11 : (step.minutes <= 0 && step.months <= 0 ? 12 : 15);
    c.count = 0;
    return;
  }
  const vb::VbDate end = step.months > 0 ? vb::DateAdd("m", double(step.months) * (c.count - 1), start)
                                         : vb::roundToSecond(start + step.minutes * (c.count - 1) / 1440.0);
  std::vector<double> values(static_cast<size_t>(c.count));
  int32_t read = 0;
  // The end is written as the start is: midnight as 2400 of the day before.
  std::string endDate = vb::Format(end, "dd MMM yyyy"), endTime = vb::Format(end, "HHMM");
  if (endTime == "0000") {
    endDate = vb::Format(end - 1, "dd MMM yyyy");
    endTime = "2400";
  }
  const int status =
      lib.retrieve(open_, c.pathname, c.startDate, c.startTime, endDate, endTime, values, read);
  if (c.values.size() < static_cast<size_t>(read)) c.values.resize(static_cast<size_t>(read));
  for (int32_t i = 0; i < read; ++i)
    c.values[static_cast<size_t>(i)] = values[static_cast<size_t>(i)] < kDssUndefined
                                           ? kMissingValue
                                           : static_cast<float>(values[static_cast<size_t>(i)]);
  c.count = read;
  // The library says only that the read failed: for the import that is a series not found.
  c.status = status == 0 ? 0 : 5;
}

void HecDssStore::ZCLOSE_(Session&) {
  if (open_ != nullptr && library_) library_->close(open_);
  open_ = nullptr;
}

void HecDssStore::WriteDssSeries(Session&, DssWriteCall& c) {
  c.error.clear();
  const DssLibrary* lib = nullptr;
  try {
    lib = &library();
  } catch (const vb::Error& e) {
    c.error = e.description();
    return;
  }
  static std::atomic<unsigned> counter{0};
  std::string step = "1";
  std::string writeTo = c.target;
  try {
    const bool exists = vb::fileExists(c.target);
    if (!exists) {
      if (tell_) tell_(c.target + " ... not found and will be created.");
      const std::string folder = ParentFolder(c.target);
      if (!folder.empty()) fs::create_directories(folder);
    }
    if (c.newFile && exists)
      writeTo = ParentFolder(c.target) + "~" + std::to_string(::getpid()) + "_" + std::to_string(counter++) +
                "_" + FileNameOnly(c.target);
    step = "2";
    int32_t minutes = c.stepMinutes;
    const DssSeriesHead head = dssSeriesHead(c.key, c.table, c.start, minutes);
    c.stepMinutes = minutes;
    step = "4";
    const size_t n = std::min(c.values.size(), static_cast<size_t>(std::max(c.count, 0)));
    std::vector<double> values(c.values.begin(), c.values.begin() + static_cast<std::ptrdiff_t>(n));
    DssLibrary::File f = nullptr;
    if (lib->open(writeTo, f) != 0 || f == nullptr)
      throw vb::Error(vb::err::PathFileAccess, "HEC-DSS could not open " + writeTo);
    const int status = lib->storeRegular(f, head.pathname(), head.startDate, head.startTime, values,
                                         head.units, head.dataType);
    lib->close(f);
    if (status != 0) {
      c.error = ZsrtsStatusText(status);
      if (c.error.empty()) c.error = "HEC-DSS could not store the series (status " + vb::CStr(status) + ").";
      if (writeTo != c.target) std::remove(writeTo.c_str());
      return;
    }
    if (c.newFile) {
      if (writeTo != c.target) fs::rename(writeTo, c.target);
      removeCaseBlind(catalogueOf(c.target));
    }
    step = "5";
  } catch (const std::exception& e) {
    if (writeTo != c.target) std::remove(writeTo.c_str());
    c.error = step + errorText(e);
  }
}

std::string HecDssStore::ZrrtsStatusText(int32_t status) {
  return models::ZrrtsStatusText(status);
}

}  // namespace fw::models
