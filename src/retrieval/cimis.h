#pragma once
// Weather stations of the California irrigation management network: the station's hourly or
// daily file from the network's FTP area (the last 7 days only).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "retrieval/et_site_text.h"

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kCimisHeader = "CIMIS...";
inline constexpr const char* kCimisSevenDays =
    "Only last 7 days can be downloaded.  For more values download manually and use Tabpen.xls to load into "
    "DB.";
inline constexpr const char* kCimisNoHistory =
    "For historical CIMIS data, download manually and use Tabpen.xls to load into DB.";

// The value field of a daily parameter code (6, 8, ..., 24; "31"); 0 for a code the daily file
// does not hold.
int16_t cimisDailyField(const std::string& code, bool inList);

// The file's path (after the server and its "/").
std::string cimisFilePath(const std::string& stationNumber, bool hourly);

struct CimisRows {
  bool hourly = true;
  int32_t windowStart = 0;  // rows dated before this whole day are left out
  int32_t runDay = 0;       // an hour "2400" that ends on a later day ends the file
  int16_t valueField = 0;   // result field of the line's value; its file field is two below
  bool metricUnits = false;
  bool canadaSite = false;
  // On ET lines: the hour's ET text for a row (field 0 already holding its date and hour),
  // none when it cannot be had.
  std::function<std::optional<std::string>(const std::vector<std::string>&)> et;
};

struct CimisText {
  std::string text;
  int16_t lastField = -1;      // the last file field of the last row written
  bool etUnavailable = false;  // an ET line met no hourly ET: no value line was written
};

// The file turned into value lines: "Z", "C", the date (and hour), "C", then file fields 2 on
// (file field c in result field c + 2) and a final TAB. File field 21 (degrees) is written in
// quarter-circle units. Rows whose value field holds "--" or "M" are left out.
CimisText cimisTransform(const std::string& file, const CimisRows& rows);

// The retriever; `et` computes hourly reference ET for the ET lines (types 27 and 29).
void GetCIMIS(Session& s, SourceCall& c, const EtHourlyFn& et);
// In the program: hourly reference ET is not there yet, so an ET line writes no value line and
// says so in the error log.
void GetCIMIS(Session& s, SourceCall& c);

}  // namespace fw
