#include "models/swmm_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"

namespace fw::models {

namespace {

constexpr int64_t kSmallestFile = 56;
constexpr int64_t kBlockBytes = 256 * 1024;  // the most a series read asks for at once

// Reads exactly n bytes at the offset; false when the file ends first.
bool readAt(int fd, int64_t offset, void* into, size_t n) {
  char* p = static_cast<char*>(into);
  while (n > 0) {
    const ssize_t got = ::pread(fd, p, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
    offset += got;
  }
  return true;
}

template <typename T>
T readValue(int fd, int64_t offset) {
  T v{};
  if (!readAt(fd, offset, &v, sizeof v)) vb::raise(vb::err::InputPastEndOfFile);
  return v;
}

}  // namespace

SwmmOutFile::~SwmmOutFile() {
  close();
}

void SwmmOutFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int32_t SwmmOutFile::open(const std::string& path) {
  close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return 1;
  try {
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || st.st_size < kSmallestFile) {
      close();
      return 1;
    }
    length_ = st.st_size;
    inputStart = readValue<int32_t>(fd_, length_ - 20);
    outputStart = readValue<int32_t>(fd_, length_ - 16);
    periods = readValue<int32_t>(fd_, length_ - 12);
    const int32_t errorCode = readValue<int32_t>(fd_, length_ - 8);
    const int32_t closingMagic = readValue<int32_t>(fd_, length_ - 4);
    const int32_t openingMagic = readValue<int32_t>(fd_, 0);
    if (openingMagic != closingMagic || errorCode != 0 || periods <= 0) {
      close();
      return 1;
    }
    version = readValue<int32_t>(fd_, 4);
    flowUnits = readValue<int32_t>(fd_, 8);
    subcatchments = readValue<int32_t>(fd_, 12);
    nodes = readValue<int32_t>(fd_, 16);
    links = readValue<int32_t>(fd_, 20);
    pollutants = readValue<int32_t>(fd_, 24);
    if (subcatchments < 0 || nodes < 0 || links < 0 || pollutants < 0 || inputStart < 0 || outputStart < 12) {
      close();
      return 1;
    }
    int64_t at = int64_t{inputStart} +
                 4 * ((int64_t{subcatchments} + 2) + (3 * int64_t{nodes} + 4) + (5 * int64_t{links} + 6));
    int32_t* counts[3] = {&subcatchmentVars, &nodeVars, &linkVars};
    for (int32_t* count : counts) {
      *count = readValue<int32_t>(fd_, at);
      if (*count < 0) {
        close();
        return 1;
      }
      at += 4 + 4 * int64_t{*count};
    }
    systemVars = readValue<int32_t>(fd_, at);
    startDate = readValue<double>(fd_, int64_t{outputStart} - 12);
    reportStep = readValue<int32_t>(fd_, int64_t{outputStart} - 4);
    bytesPerPeriod = 8 + 4 * (int64_t{subcatchments} * subcatchmentVars + int64_t{nodes} * nodeVars +
                              int64_t{links} * linkVars + systemVars);
    if (systemVars < 0 || !std::isfinite(startDate) || reportStep <= 0) {
      close();
      return 1;
    }
  } catch (const vb::Error&) {
    close();
    return 1;
  }
  return 0;
}

int64_t SwmmOutFile::valueIndex(int32_t kind, int32_t element, int32_t variable) const {
  const int64_t subs = int64_t{subcatchments} * subcatchmentVars;
  const int64_t nds = int64_t{nodes} * nodeVars;
  const int64_t lks = int64_t{links} * linkVars;
  switch (kind) {
    case 0:
      return int64_t{element} * subcatchmentVars + variable;
    case 1:
      return subs + int64_t{element} * nodeVars + variable;
    case 2:
      return subs + nds + int64_t{element} * linkVars + variable;
    default:
      return subs + nds + lks + variable;
  }
}

int64_t SwmmOutFile::offsetOf(int32_t kind, int32_t element, int32_t variable, int32_t period) const {
  return int64_t{outputStart} + int64_t{period - 1} * bytesPerPeriod + 8 +
         4 * valueIndex(kind, element, variable);
}

bool SwmmOutFile::inRange(int32_t kind, int32_t element, int32_t variable) const {
  switch (kind) {
    case 0:
      return element >= 0 && element < subcatchments && variable >= 0 && variable < subcatchmentVars;
    case 1:
      return element >= 0 && element < nodes && variable >= 0 && variable < nodeVars;
    case 2:
      return element >= 0 && element < links && variable >= 0 && variable < linkVars;
    case 3:
      return element == 0 && variable >= 0 && variable < systemVars;
    default:
      return false;
  }
}

bool SwmmOutFile::value(int32_t kind, int32_t element, int32_t variable, int32_t period, float& out) const {
  out = 0;
  if (kind < 0 || kind > 3) return false;
  out = readValue<float>(fd_, offsetOf(kind, element, variable, period));
  return true;
}

void SwmmOutFile::series(int32_t kind, int32_t element, int32_t variable, std::vector<float>& out) const {
  out.resize(static_cast<size_t>(periods));
  const int64_t first = offsetOf(kind, element, variable, 1);
  if (bytesPerPeriod > kBlockBytes / 16) {
    // Periods too long to read several at once: one read a value.
    int64_t at = first;
    for (float& v : out) {
      v = readValue<float>(fd_, at);
      at += bytesPerPeriod;
    }
    return;
  }
  // Short periods: one read brings the value of many periods.
  const int64_t perRead = kBlockBytes / bytesPerPeriod;
  std::vector<char> block(static_cast<size_t>(perRead * bytesPerPeriod));
  for (int64_t p = 0; p < periods; p += perRead) {
    const int64_t n = std::min<int64_t>(perRead, periods - p);
    if (!readAt(fd_, first + p * bytesPerPeriod, block.data(),
                static_cast<size_t>((n - 1) * bytesPerPeriod + 4)))
      vb::raise(vb::err::InputPastEndOfFile);
    for (int64_t k = 0; k < n; ++k)
      std::memcpy(&out[static_cast<size_t>(p + k)], block.data() + k * bytesPerPeriod, sizeof(float));
  }
}

namespace {

// The value after the first "=" of a request item (the whole item without one).
std::string itemValue(const std::string& item) {
  const int eq = vb::InStr(item, "=");
  return vb::Trim(eq > 0 ? vb::Mid(item, eq + 1) : item);
}

int32_t kindOf(const std::string& text) {
  const std::string t = vb::UCase(text);
  int32_t kind = 0;
  if (vb::InStr(t, "NODE") > 0) kind = 1;
  if (vb::InStr(t, "LINK") > 0) kind = 2;
  if (vb::InStr(t, "SYSTEM") > 0) kind = 3;
  return kind;
}

// What Print writes for a number between others: a blank before it when not negative, one after.
std::string printed(double v) {
  return vb::PrintNumber(v);
}
std::string printedSingle(float v) {
  return vb::StrSingle(v) + " ";
}

}  // namespace

std::string getSwmmRows(const std::string& file, const std::string& formula1, std::string& error) {
  error.clear();
  SwmmOutFile out;
  if (out.open(file) != 0) {
    error = "GetSWMM open error: " + file;
    return std::string();
  }
  const std::vector<std::string> items = vb::Split(formula1, ",");
  if (items.size() < 3) {
    error = "  " + formula1 + "  ...insufficient data.";
    return std::string();
  }
  const int32_t kind = kindOf(itemValue(items[0]));
  const int32_t element = static_cast<int32_t>(vb::Int(vb::Val(itemValue(items[1]))));
  const int32_t variable = static_cast<int32_t>(vb::Int(vb::Val(itemValue(items[2]))));
  // An index beyond the file's counts would read another object's values, or past the end.
  if (!out.inRange(kind, element, variable)) {
    error = "GetSWMM: index out of range: " + formula1;
    return std::string();
  }
  std::string text = "SWMM: " + formula1 + "\n";
  text += "Outfile: periods=" + printed(out.periods) + ", units=" + printed(out.flowUnits) +
          ", subcatches=" + printed(out.subcatchments) + ", nodes=" + printed(out.nodes) +
          ", links=" + printed(out.links) + ", polluts=" + printed(out.pollutants) +
          ", StartDate=" + printed(out.startDate) + ", ReportStep=" + printed(out.reportStep) + "\n";
  const int64_t stepMinutes = std::llround(out.reportStep / 60.0);
  std::vector<float> values;
  out.series(kind, element, variable, values);
  text.reserve(text.size() + values.size() * 32);
  for (size_t i = 0; i < values.size(); ++i) {
    const vb::VbDate t =
        vb::roundToSecond(out.startDate + static_cast<double>((int64_t(i) + 1) * stepMinutes) / 1440.0);
    text += "Z\t" + vb::Format(t, "yyyy-mm-dd hh:mm") + "\t" + printedSingle(values[i]) + "\t0\n";
  }
  return text;
}

}  // namespace fw::models
