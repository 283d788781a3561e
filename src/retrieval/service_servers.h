#pragma once
// Where each web or FTP service lives: one row per service, read from the setup file as
// "<Service> Server=" (for instance "USGS Server=http://127.0.0.1:8080"), with the real public
// host as its default. A retriever builds its request as serverBase(...) followed by the
// service's own path and query, so tests and the example can point any service at 127.0.0.1.
#include <string>
#include <vector>

namespace fw {

struct Session;

inline constexpr const char* kUsgsService = "USGS";               // instantaneous and daily values
inline constexpr const char* kUsgsLegacyService = "USGS Legacy";  // the legacy unit-values page
inline constexpr const char* kUsgsWaterDataService = "USGS Water Data";  // the Water Data API (OGC)
inline constexpr const char* kSnotelService = "SNOTEL";              // the snow-telemetry report generator
inline constexpr const char* kSnotelPagesService = "SNOTEL Pages";   // the snow-telemetry history pages
inline constexpr const char* kCimisService = "CIMIS";                // the irrigation network's FTP area
inline constexpr const char* kCoeService = "COE";                    // the Corps of Engineers water-control pages
inline constexpr const char* kAfwsService = "AFWS";                  // the river forecast tabular pages
inline constexpr const char* kIowaMesonetService = "Iowa Mesonet";  // ASOS airport observations
inline constexpr const char* kWundergroundService = "Wunderground";  // personal stations and daily histories
inline constexpr const char* kMesoWestService = "MesoWest";          // MesoWest station downloads
inline constexpr const char* kSynopticService = "Synoptic";          // the Synoptic time-series API
inline constexpr const char* kMadisService = "MADIS";                // the MADIS public CGI and data folder
inline constexpr const char* kCdecService = "CDEC";                      // California data exchange CSV
inline constexpr const char* kHydrometService = "Hydromet";              // USBR Hydromet reports
inline constexpr const char* kLowerColoradoService = "Lower Colorado";   // hourly report and database
inline constexpr const char* kCanadaService = "Canada Datamart";         // Environment Canada files
inline constexpr const char* kNwpsService = "NWPS";                // river-gauge forecasts
inline constexpr const char* kNwsForecastService = "NWS Forecast";  // point forecasts (DWML)
inline constexpr const char* kSpotwxService = "SpotWx";            // weather-model point forecasts
inline constexpr const char* kSnowcastService = "Snowcast";        // the snow model's station pages
inline constexpr const char* kIemRadarService = "IEM";             // radar archive, image lists and map service
inline constexpr const char* kMrmsService = "MRMS";                // the multi-radar rate map service (A2M)
inline constexpr const char* kNwsRadarService = "NWS Radar";       // the Ridge image folders
inline constexpr const char* kCanadaRadarService = "Canada Radar";  // the Canadian CAPPI radar images
inline constexpr const char* kAviationWeatherService = "Aviation Weather";  // the winds-aloft forecast table

struct ServiceServer {
  const char* service;      // the key is this name followed by " Server="
  const char* defaultBase;  // scheme and host (and port), no trailing "/"
  // Its downloads are never copied to "download.txt" (they are too many to be of use).
  bool noDownloadCopy = false;
};

// Every service, in the order their keys are written.
const std::vector<ServiceServer>& serviceServers();
// The row of a service; nullptr for a name that has none.
const ServiceServer* findServiceServer(const std::string& service);

// The service's base URL: the setup file's value, else its public host. Raises vb::Error for a
// service without a row (a programming error).
std::string serverBase(const Session& s, const std::string& service);

// The key text as written ("USGS Server=").
std::string serverKeyText(const ServiceServer& row);
// Reads a setup-file value for the row: trimmed, case kept, trailing "/" dropped. A value that
// is not http://, https:// or ftp:// followed by a host (and optional port) is reported through
// notify, naming the key, and the default stays.
void readServerSetting(Session& s, const ServiceServer& row, const std::string& value);

// A value for a request's query: every byte but letters, digits and "-._~" as %XX, so that a
// blank, "&" or "#" in a station code cannot change the request.
std::string percentEncode(const std::string& value);

// True when the URL belongs to a service whose downloads are never copied.
bool downloadCopyExempt(const Session& s, const std::string& url);

}  // namespace fw
