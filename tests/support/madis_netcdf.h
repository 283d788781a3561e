#pragma once
// MADIS mesonet hours for the tests: netCDF files in the service's variable layout (one record per
// observation along the unlimited dimension recNum, the station id as text, each observed
// variable with its units, fill and missing values and a one-letter quality flag "<name>DD"),
// written with libnetcdf, and their ".gz" as the service serves them.
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fw::testing {

struct MadisRecord {
  std::string id;
  double lat = 0, lon = 0, elevation = 0;
  double observationTime = 0;  // seconds since 1970-01-01 00:00 UTC
  // In the units of the file (below); NaN is written as the fill value.
  double temperature = NAN, dewpoint = NAN, relHumidity = NAN, windDir = NAN, windSpeed = NAN;
  double precipRate = NAN, precipAccum = NAN, solarRadiation = NAN, stationPressure = NAN, altimeter = NAN;
  char qc = 'V';
  std::string provider = "MesoWest";
};

// Units as the service writes them: temperature "kelvin", pressures "pascal", wind speed
// "meter/sec", precipRate "meter/second", precipAccum "millimeter", ...; a test may override some.
std::map<std::string, std::string> madisUnits();

void writeMadisHour(const std::filesystem::path& file, const std::vector<MadisRecord>& records,
                    const std::map<std::string, std::string>& units = madisUnits());

// The hour's ".gz" bytes (an incompressible comment keeps it past 1000 bytes, as real hours are).
std::string madisHourGz(const std::vector<MadisRecord>& records,
                        const std::map<std::string, std::string>& units = madisUnits());

// Seconds since 1970 of a UTC time.
double utcSeconds(int year, int month, int day, int hour, int minute);

}  // namespace fw::testing
