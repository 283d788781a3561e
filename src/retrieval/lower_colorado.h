#pragma once
// The Lower Colorado reports of USBR: the published hourly report (a JSON document holding every
// site's series) and the Lower Colorado database query of a model-run series.
#include <cstdint>
#include <string>

namespace fw {

struct Session;
struct SourceCall;

inline constexpr const char* kLowerColoradoCacheName = "usbrlc_otxt.txt";  // program folder
inline constexpr const char* kLowerColoradoCopyName = "usbrLC.txt";        // working folder
// The setting that names the hourly report's path on the Lower Colorado server.
inline constexpr const char* kLowerColoradoReportKey = "Lower Colorado Report";

// The series of the hourly report whose record names the site text and the parameter code: a
// header line (the site's name, or "<site>, <code> Not found"), then "Z", "yyyy/mm/dd hh:mm",
// value for the items dated after beginDay.
std::string lowerColoradoReport(const std::string& document, const std::string& siteText,
                                const std::string& parameterCode, int32_t beginDay);
// The database page ("<BR>" lines, rows after the "DATETIME" heading) as "Z", date, whole value;
// a row of five parts sums parts 3 to 5, of four or six and more parts 3 and 4.
std::string lowerColoradoDatabase(const std::string& page);

// The retriever for station codes "USBRLC...": without "-" the hourly report (downloaded once
// per station and read back from "usbrlc_otxt.txt" by its further lines), with "-" the database
// query of the series after it. Writes "usbrLC.txt"; RetrievalCacheId names the station after.
void UsbrLC(Session& s, SourceCall& c);

}  // namespace fw
