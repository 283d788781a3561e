#pragma once
// HEC-DSS files through HEC's DSS 7 library, opened at run time from the file "HEC-DSS
// Library=" names (libhecdss.so where the system finds libraries, unless set). A COMPUTE export
// stores one regular-interval series; a COMPUTE import reads one back. Without the library every
// call fails saying which file was looked for, and the run goes on.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "models/shared_library.h"
#include "platform/vb/date.h"
#include "run/run_services.h"

namespace fw::models {

inline constexpr const char* kDefaultDssLibrary = "libhecdss.so";
inline constexpr const char* kDssLibraryMissing = "HEC-DSS library not found: ";

// What a stored series is called and how it is described, worked out from the COMPUTE line.
struct DssSeriesHead {
  std::string a, b, c, d, e, f;  // the pathname parts; D (the date block) stays empty
  std::string units, dataType;
  std::string startDate;         // "dd MMM yyyy"
  std::string startTime;         // "HHMM"; a series starting at midnight starts at "2400"
  bool unitKind = false;         // an hourly or unit-value table
  std::string pathname() const;  // "/A/B/C/D/E/F/"
};

// The descriptor is "name;units;site;data type number;state;station" (COMPUTE's key); the table
// one of RYEAR, RMONTH, RDAY, RHOUR, RUNIT. A unit step of 0 or above 30 minutes is stored as 5
// minutes, and minutesPerValue is set to it.
DssSeriesHead dssSeriesHead(const std::string& descriptor, const std::string& table, vb::VbDate start,
                            int32_t& minutesPerValue);

// The texts of heclib's store and read statuses; "" for a status without one.
std::string ZsrtsStatusText(int32_t status);
std::string ZrrtsStatusText(int32_t status);

// The few entry points of the DSS 7 library the program calls.
class DssLibrary {
 public:
  // Raises "HEC-DSS library not found: <name>" when it cannot be opened or lacks an entry.
  explicit DssLibrary(const std::string& name);
  const std::string& name() const { return library_.name(); }

  using File = void*;
  int open(const std::string& path, File& file) const;
  int close(File file) const;
  int storeRegular(File file, const std::string& pathname, const std::string& startDate,
                   const std::string& startTime, std::vector<double>& values, const std::string& units,
                   const std::string& type) const;
  // Reads values on the series' own grid from start to end; read gets how many came back.
  int retrieve(File file, const std::string& pathname, const std::string& startDate,
               const std::string& startTime, const std::string& endDate, const std::string& endTime,
               std::vector<double>& values, int32_t& read) const;

 private:
  SharedLibrary library_;
  int (*open_)(const char*, void**) = nullptr;
  int (*close_)(void*) = nullptr;
  int (*store_)(void*, const char*, const char*, const char*, double*, int, int*, int, int, const char*,
                const char*, const char*, int) = nullptr;
  int (*retrieve_)(void*, const char*, const char*, const char*, const char*, const char*, int*, double*, int,
                   int*, int*, int, int*, int*, char*, int, char*, int, char*, int) = nullptr;
};

// The HEC-DSS store behind the COMPUTE lines.
class HecDssStore : public DssStore {
 public:
  // libraryName gives the setting at the time of a call; tell shows a message (a box, or in
  // batch the error log).
  HecDssStore(std::function<std::string()> libraryName, std::function<void(const std::string&)> tell);
  ~HecDssStore() override;
  bool ZOPEN_(Session& s, const std::string& file) override;
  void ZRRTS_(Session& s, DssReadCall& c) override;
  void ZCLOSE_(Session& s) override;
  // Stores the series. A new file (base1 0) replaces the old one and its catalogue only once the
  // series is stored: the series goes into a new file beside it, which is then renamed over it.
  void WriteDssSeries(Session& s, DssWriteCall& c) override;
  std::string ZrrtsStatusText(int32_t status) override;

 private:
  const DssLibrary& library();
  std::function<std::string()> libraryName_;
  std::function<void(const std::string&)> tell_;
  std::unique_ptr<DssLibrary> library_;
  DssLibrary::File open_ = nullptr;
};

}  // namespace fw::models
