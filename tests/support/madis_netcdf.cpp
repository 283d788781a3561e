#include "support/madis_netcdf.h"

#include <netcdf.h>

#include <cstdint>
#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/loopback_services.h"
#include "support/test_session.h"

namespace fw::testing {

namespace {

void check(int status, const char* what) {
  if (status != NC_NOERR) throw std::runtime_error(std::string(what) + ": " + nc_strerror(status));
}

struct Var {
  const char* name;
  double MadisRecord::*field;
};
constexpr Var kVars[] = {
    {"temperature", &MadisRecord::temperature},
    {"dewpoint", &MadisRecord::dewpoint},
    {"relHumidity", &MadisRecord::relHumidity},
    {"windDir", &MadisRecord::windDir},
    {"windSpeed", &MadisRecord::windSpeed},
    {"precipRate", &MadisRecord::precipRate},
    {"precipAccum", &MadisRecord::precipAccum},
    {"solarRadiation", &MadisRecord::solarRadiation},
    {"stationPressure", &MadisRecord::stationPressure},
    {"altimeter", &MadisRecord::altimeter},
};

}  // namespace

std::map<std::string, std::string> madisUnits() {
  return {{"temperature", "kelvin"},     {"dewpoint", "kelvin"},
          {"relHumidity", "percent"},    {"windDir", "degree"},
          {"windSpeed", "meter/sec"},    {"precipRate", "meter/second"},
          {"precipAccum", "millimeter"}, {"solarRadiation", "watt/meter2"},
          {"stationPressure", "pascal"}, {"altimeter", "pascal"}};
}

void writeMadisHour(const std::filesystem::path& file, const std::vector<MadisRecord>& records,
                    const std::map<std::string, std::string>& units) {
  int nc = 0;
  check(nc_create(file.c_str(), NC_CLOBBER, &nc), "create");
  int recDim = 0, idDim = 0, provDim = 0;
  check(nc_def_dim(nc, "recNum", NC_UNLIMITED, &recDim), "recNum");
  check(nc_def_dim(nc, "maxStaIdLen", 6, &idDim), "maxStaIdLen");
  check(nc_def_dim(nc, "maxDataProviderLen", 11, &provDim), "maxDataProviderLen");
  const int idDims[2] = {recDim, idDim};
  const int provDims[2] = {recDim, provDim};
  int idVar = 0, provVar = 0, latVar = 0, lonVar = 0, elevVar = 0, timeVar = 0;
  check(nc_def_var(nc, "stationId", NC_CHAR, 2, idDims, &idVar), "stationId");
  check(nc_def_var(nc, "dataProvider", NC_CHAR, 2, provDims, &provVar), "dataProvider");
  check(nc_def_var(nc, "latitude", NC_FLOAT, 1, &recDim, &latVar), "latitude");
  check(nc_def_var(nc, "longitude", NC_FLOAT, 1, &recDim, &lonVar), "longitude");
  check(nc_def_var(nc, "elevation", NC_FLOAT, 1, &recDim, &elevVar), "elevation");
  check(nc_def_var(nc, "observationTime", NC_DOUBLE, 1, &recDim, &timeVar), "observationTime");
  nc_put_att_text(nc, latVar, "units", 12, "degree_north");
  nc_put_att_text(nc, lonVar, "units", 11, "degree_east");
  nc_put_att_text(nc, elevVar, "units", 5, "meter");
  const std::string timeUnits = "seconds since 1970-1-1 00:00:00.0";
  nc_put_att_text(nc, timeVar, "units", timeUnits.size(), timeUnits.c_str());
  const float fill = 3.40282346e+38f, missing = -9999.f;
  int vars[std::size(kVars)], flags[std::size(kVars)];
  for (std::size_t i = 0; i < std::size(kVars); ++i) {
    check(nc_def_var(nc, kVars[i].name, NC_FLOAT, 1, &recDim, &vars[i]), kVars[i].name);
    const std::string u = units.count(kVars[i].name) ? units.at(kVars[i].name) : "";
    nc_put_att_text(nc, vars[i], "units", u.size(), u.c_str());
    nc_put_att_float(nc, vars[i], "_FillValue", NC_FLOAT, 1, &fill);
    nc_put_att_float(nc, vars[i], "missing_value", NC_FLOAT, 1, &missing);
    check(nc_def_var(nc, (std::string(kVars[i].name) + "DD").c_str(), NC_CHAR, 1, &recDim, &flags[i]), "DD");
  }
  // Real hours are large; this keeps a small one past the short-reply limit once compressed.
  std::string comment;
  uint32_t x = 12345;
  for (int i = 0; i < 1500; ++i) {
    x = x * 1103515245u + 12345u;
    comment += static_cast<char>('!' + (x >> 16) % 90);
  }
  nc_put_att_text(nc, NC_GLOBAL, "comment", comment.size(), comment.c_str());
  check(nc_enddef(nc), "enddef");
  for (std::size_t r = 0; r < records.size(); ++r) {
    const MadisRecord& m = records[r];
    const size_t start2[2] = {r, 0};
    char id[6] = {0}, prov[11] = {0};
    m.id.copy(id, 6);
    m.provider.copy(prov, 11);
    const size_t idCount[2] = {1, 6}, provCount[2] = {1, 11};
    check(nc_put_vara_text(nc, idVar, start2, idCount, id), "put id");
    check(nc_put_vara_text(nc, provVar, start2, provCount, prov), "put provider");
    const size_t one = 1;
    const size_t at = r;
    const float lat = static_cast<float>(m.lat), lon = static_cast<float>(m.lon),
                elev = static_cast<float>(m.elevation);
    nc_put_vara_float(nc, latVar, &at, &one, &lat);
    nc_put_vara_float(nc, lonVar, &at, &one, &lon);
    nc_put_vara_float(nc, elevVar, &at, &one, &elev);
    check(nc_put_vara_double(nc, timeVar, &at, &one, &m.observationTime), "put time");
    for (std::size_t i = 0; i < std::size(kVars); ++i) {
      const double v = m.*(kVars[i].field);
      const float f = std::isnan(v) ? fill : static_cast<float>(v);
      check(nc_put_vara_float(nc, vars[i], &at, &one, &f), "put value");
      const char q = std::isnan(v) ? 'Z' : m.qc;
      check(nc_put_vara_text(nc, flags[i], &at, &one, &q), "put flag");
    }
  }
  check(nc_close(nc), "close");
}

std::string madisHourGz(const std::vector<MadisRecord>& records,
                        const std::map<std::string, std::string>& units) {
  TempFolder folder;
  const std::filesystem::path file = folder / "hour.nc";
  writeMadisHour(file, records, units);
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return gzipOf(bytes);
}

double utcSeconds(int year, int month, int day, int hour, int minute) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  return static_cast<double>(timegm(&tm));
}

}  // namespace fw::testing
