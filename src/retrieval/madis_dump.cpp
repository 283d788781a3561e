#include "retrieval/madis_dump.h"

#include <netcdf.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

namespace fw {

const char* const kDefaultSfcDumpPar =
    "Flumewright MADIS surface dump parameters: the collection rewrites the four corners, the\n"
    "hour and the variable list below before every hour.\n"
    "40.0          SW corner lat\n"
    "-112.0        SW corner lon\n"
    "41.0          NE corner lat\n"
    "-111.0        NE corner lon\n"
    "20240101_0000 Nominal time (in selected format)\n"
    "sfc_variable list, one name a line:\n"
    "TD\nRH\nALTSE\nT\nDD\nFF\nPCPRATE\nPCPTOTL\nSOLRAD\nP\nSTALOC\n";

std::filesystem::path madisNetcdfFolder(const std::filesystem::path& madisFolder) {
  return madisFolder / "data" / "LDAD" / "mesonet" / "netCDF";
}

namespace {

std::string trim(const std::string& t) {
  const auto b = t.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  return t.substr(b, t.find_last_not_of(" \t\r\n") - b + 1);
}

std::string lower(std::string t) {
  std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return std::tolower(c); });
  return t;
}

bool parseNumber(const std::string& text, double& value) {
  const std::string t = trim(text);
  if (t.empty()) return false;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

// How a variable's values are brought to the units the history's readers assume.
enum class Kind { Plain, Temperature, Pressure, Speed, Rate, Accumulation };

struct Variable {
  const char* code;  // the name in "sfcdump.par"
  const char* name;  // the netCDF variable
  Kind kind;
  int field;  // its place in the row
};

constexpr Variable kVariables[] = {
    {"TD", "dewpoint", Kind::Temperature, 5},
    {"RH", "relHumidity", Kind::Plain, 7},
    {"ALTSE", "altimeter", Kind::Pressure, 9},
    {"T", "temperature", Kind::Temperature, 11},
    {"DD", "windDir", Kind::Plain, 13},
    {"FF", "windSpeed", Kind::Speed, 15},
    {"PCPRATE", "precipRate", Kind::Rate, 17},
    {"PCPTOTL", "precipAccum", Kind::Accumulation, 19},
    {"SOLRAD", "solarRadiation", Kind::Plain, 21},
    {"P", "stationPressure", Kind::Pressure, 23},
};
constexpr int kStationLocationField = 25;
constexpr int kRowFields = 27;

// A value in the variable's own units to the row's units; nothing for units it cannot read.
std::optional<double> toRowUnits(Kind kind, const std::string& unitText, double v) {
  std::string u = lower(trim(unitText));
  u.erase(std::remove(u.begin(), u.end(), ' '), u.end());
  const auto is = [&](std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return u == n; });
  };
  switch (kind) {
    case Kind::Plain:
      return v;
    case Kind::Temperature:
      if (is({"kelvin", "k", "degk", "degrees_kelvin"})) return v;
      if (is({"celsius", "degc", "c", "degrees_celsius"})) return v + 273.15;
      if (is({"fahrenheit", "degf", "f", "degrees_fahrenheit"})) return (v + 459.67) / 1.8;
      return std::nullopt;
    case Kind::Pressure:
      if (is({"pascal", "pa", "pascals"})) return v;
      if (is({"hpa", "mb", "mbar", "millibar", "millibars", "hectopascal"})) return v * 100;
      if (is({"kpa", "kilopascal"})) return v * 1000;
      return std::nullopt;
    case Kind::Speed:
      if (is({"meter/sec", "meter/second", "m/s", "ms-1", "ms^-1", "meters/second", "m.s-1"})) return v;
      if (is({"knot", "knots", "kt", "kts"})) return v * 1852.0 / 3600.0;
      if (is({"km/h", "km/hr", "kmh-1"})) return v / 3.6;
      if (is({"mph", "mile/hour", "miles/hour"})) return v * 0.44704;
      return std::nullopt;
    case Kind::Rate:  // to kg m-2 s-1, i.e. millimetres per second
      if (is({"kgm-2s-1", "kg/m2/s", "kg/(m2s)", "mm/s", "mm/sec", "millimeter/second"})) return v;
      if (is({"meter/second", "meter/sec", "m/s", "ms-1"})) return v * 1000;
      if (is({"mm/h", "mm/hr", "mm/hour", "millimeter/hour"})) return v / 3600;
      if (is({"in/h", "in/hr", "inch/hour", "inches/hour"})) return v * 25.4 / 3600;
      return std::nullopt;
    case Kind::Accumulation:  // to metres
      if (is({"meter", "meters", "m"})) return v;
      if (is({"mm", "millimeter", "millimeters", "kgm-2", "kg/m2", "kg/m**2"})) return v / 1000;
      if (is({"cm", "centimeter"})) return v / 100;
      if (is({"in", "inch", "inches"})) return v * 0.0254;
      return std::nullopt;
  }
  return std::nullopt;
}

std::string formatValue(double v) {
  char buf[64];
  if (v != 0 && std::fabs(v) < 1e-4) {
    std::snprintf(buf, sizeof buf, "%.10f", v);
    std::string t = buf;
    t.erase(t.find_last_not_of('0') + 1);
    return t;
  }
  std::snprintf(buf, sizeof buf, "%.7g", v);
  return buf;
}

class NcFile {
 public:
  explicit NcFile(const std::filesystem::path& path) { status_ = nc_open(path.c_str(), NC_NOWRITE, &id_); }
  NcFile(const NcFile&) = delete;
  NcFile& operator=(const NcFile&) = delete;
  ~NcFile() {
    if (status_ == NC_NOERR) nc_close(id_);
  }
  int status() const { return status_; }
  int id() const { return id_; }

 private:
  int id_ = -1;
  int status_ = NC_NOERR;
};

std::string ncReason(int status) {
  return nc_strerror(status);
}

struct Column {
  std::vector<double> values;  // NaN where missing
  std::vector<char> flags;     // '\0' where the file has none
  std::string units;
};

double attributeOr(int nc, int var, const char* name, double fallback) {
  double v = 0;
  size_t len = 0;
  if (nc_inq_attlen(nc, var, name, &len) == NC_NOERR && len >= 1) {
    std::vector<double> all(len);
    if (nc_get_att_double(nc, var, name, all.data()) == NC_NOERR) v = all[0];
    return v;
  }
  return fallback;
}

std::string textAttribute(int nc, int var, const char* name) {
  size_t len = 0;
  if (nc_inq_attlen(nc, var, name, &len) != NC_NOERR) return "";
  nc_type type = NC_NAT;
  if (nc_inq_atttype(nc, var, name, &type) != NC_NOERR || type != NC_CHAR) return "";
  std::string t(len, '\0');
  if (len > 0 && nc_get_att_text(nc, var, name, t.data()) != NC_NOERR) return "";
  t.erase(std::find(t.begin(), t.end(), '\0'), t.end());
  return t;
}

// A char(recNum, length) variable as one text per record; false when it is not one.
bool readTexts(int nc, const char* name, size_t records, std::vector<std::string>& out, std::string& error) {
  int var = 0;
  if (nc_inq_varid(nc, name, &var) != NC_NOERR) {
    error = std::string("no variable ") + name;
    return false;
  }
  int ndims = 0;
  nc_inq_varndims(nc, var, &ndims);
  if (ndims != 2) {
    error = std::string(name) + " is not a text per record";
    return false;
  }
  int dims[2];
  nc_inq_vardimid(nc, var, dims);
  size_t width = 0;
  nc_inq_dimlen(nc, dims[1], &width);
  std::vector<char> all(records * width);
  if (!all.empty()) {
    if (const int st = nc_get_var_text(nc, var, all.data()); st != NC_NOERR) {
      error = std::string(name) + ": " + ncReason(st);
      return false;
    }
  }
  out.assign(records, "");
  for (size_t r = 0; r < records; ++r) {
    std::string t(all.data() + r * width, width);
    t.erase(std::find(t.begin(), t.end(), '\0'), t.end());
    out[r] = trim(t);
  }
  return true;
}

// A numeric per-record variable with its fill and missing values as NaN; false when absent.
bool readNumbers(int nc, const char* name, size_t records, std::vector<double>& out, std::string& units,
                 std::string& error) {
  int var = 0;
  if (nc_inq_varid(nc, name, &var) != NC_NOERR) return false;
  out.assign(records, 0);
  if (records > 0) {
    if (const int st = nc_get_var_double(nc, var, out.data()); st != NC_NOERR) {
      error = std::string(name) + ": " + ncReason(st);
      out.clear();
      return false;
    }
  }
  const double nan = std::nan("");
  const double fill = attributeOr(nc, var, "_FillValue", nan);
  const double missing = attributeOr(nc, var, "missing_value", nan);
  for (double& v : out)
    if (std::isnan(v) || v == fill || v == missing || std::fabs(v) > 1e30) v = nan;
  units = textAttribute(nc, var, "units");
  return true;
}

std::string utcDateTime(double seconds, std::string& time) {
  const std::time_t t = static_cast<std::time_t>(std::floor(seconds));
  std::tm tm{};
  gmtime_r(&t, &tm);
  char d[16], h[8];
  std::strftime(d, sizeof d, "%Y/%m/%d", &tm);
  std::strftime(h, sizeof h, "%H:%M", &tm);
  time = h;
  return d;
}

}  // namespace

bool readSfcDumpPar(const std::string& text, MadisDumpRequest& request, std::string& error) {
  request = MadisDumpRequest{};
  bool corners[4] = {false, false, false, false};
  double* targets[4] = {&request.latSW, &request.lonSW, &request.latNE, &request.lonNE};
  const char* names[4] = {"SW corner lat", "SW corner lon", "NE corner lat", "NE corner lon"};
  std::istringstream in(text);
  std::string line;
  bool inList = false;
  while (std::getline(in, line)) {
    if (inList) {
      const std::string v = trim(line);
      if (!v.empty()) request.variables.push_back(v);
      continue;
    }
    bool done = false;
    for (int i = 0; i < 4 && !done; ++i) {
      if (line.find(names[i]) == std::string::npos) continue;
      if (!parseNumber(line.substr(0, line.find(names[i])), *targets[i])) {
        error = std::string("sfcdump.par: the ") + names[i] + " is no number";
        return false;
      }
      corners[i] = done = true;
    }
    if (done) continue;
    if (const auto at = line.find("Nominal"); at != std::string::npos && at < 19) {
      request.hourName = trim(line.substr(0, line.find("Nominal")));
    } else if (line.find("sfc_variable") != std::string::npos) {
      inList = true;
    }
  }
  for (int i = 0; i < 4; ++i)
    if (!corners[i]) {
      error = std::string("sfcdump.par has no ") + names[i];
      return false;
    }
  if (request.hourName.empty() || request.hourName.find_first_of("/\\") != std::string::npos) {
    error = "sfcdump.par names no hour";
    return false;
  }
  if (request.variables.empty()) {
    error = "sfcdump.par lists no variable";
    return false;
  }
  return true;
}

bool madisDump(const std::filesystem::path& madisFolder, std::string& error) {
  error.clear();
  std::string parText;
  {
    std::ifstream in(madisFolder / kSfcDumpParName, std::ios::binary);
    if (!in) {
      error = (madisFolder / kSfcDumpParName).string() + " not found";
      return false;
    }
    parText.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  MadisDumpRequest rq;
  if (!readSfcDumpPar(parText, rq, error)) return false;
  const std::filesystem::path hourFile = madisNetcdfFolder(madisFolder) / rq.hourName;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(hourFile, ec)) {
    error = hourFile.string() + " not found";
    return false;
  }
  NcFile nc(hourFile);
  if (nc.status() != NC_NOERR) {
    error = hourFile.string() + ": " + ncReason(nc.status());
    return false;
  }
  // The records run along the first dimension of the station ids.
  int idVar = 0;
  if (nc_inq_varid(nc.id(), "stationId", &idVar) != NC_NOERR) {
    error = hourFile.string() + ": no variable stationId";
    return false;
  }
  int idDims[NC_MAX_VAR_DIMS];
  int idDimCount = 0;
  nc_inq_varndims(nc.id(), idVar, &idDimCount);
  if (idDimCount != 2) {
    error = hourFile.string() + ": stationId is not a text per record";
    return false;
  }
  nc_inq_vardimid(nc.id(), idVar, idDims);
  size_t records = 0;
  nc_inq_dimlen(nc.id(), idDims[0], &records);

  std::vector<std::string> ids, providers;
  std::vector<double> lat, lon, elevation, obsTime;
  std::string units;
  if (!readTexts(nc.id(), "stationId", records, ids, error)) {
    error = hourFile.string() + ": " + error;
    return false;
  }
  std::string ignored;
  if (!readTexts(nc.id(), "dataProvider", records, providers, ignored)) providers.assign(records, "");
  for (auto [name, target] : {std::pair<const char*, std::vector<double>*>{"latitude", &lat},
                              {"longitude", &lon},
                              {"observationTime", &obsTime}}) {
    if (!readNumbers(nc.id(), name, records, *target, units, error)) {
      error = hourFile.string() + ": " + (error.empty() ? std::string("no variable ") + name : error);
      return false;
    }
  }
  if (!readNumbers(nc.id(), "elevation", records, elevation, units, ignored))
    elevation.assign(records, std::nan(""));

  // The variables asked for, in the row's places.
  struct Wanted {
    const Variable* v;
    Column c;
  };
  std::vector<Wanted> wanted;
  bool location = false;
  for (const std::string& code : rq.variables) {
    if (code == "STALOC") {
      location = true;
      continue;
    }
    const auto* v = std::find_if(std::begin(kVariables), std::end(kVariables),
                                 [&](const Variable& x) { return code == x.code; });
    if (v == std::end(kVariables)) continue;  // a name this dump does not know is left out
    Wanted w{v, {}};
    if (!readNumbers(nc.id(), v->name, records, w.c.values, w.c.units, error)) {
      if (!error.empty()) {
        error = hourFile.string() + ": " + error;
        return false;
      }
      continue;  // a file without the variable leaves its column empty
    }
    std::vector<std::string> flagTexts;
    std::string flagError;
    const std::string flagName = std::string(v->name) + "DD";
    int flagVar = 0;
    w.c.flags.assign(records, '\0');
    if (nc_inq_varid(nc.id(), flagName.c_str(), &flagVar) == NC_NOERR) {
      int nd = 0;
      nc_inq_varndims(nc.id(), flagVar, &nd);
      if (nd == 1 && records > 0) nc_get_var_text(nc.id(), flagVar, w.c.flags.data());
    }
    // Values in units the history cannot read would be stored as wrong numbers: the column stays empty.
    if (!w.c.values.empty() && !toRowUnits(v->kind, w.c.units, 1.0)) {
      std::fprintf(stderr, "%s: units \"%s\" of %s are not known; its column is left empty\n",
                   hourFile.string().c_str(), w.c.units.c_str(), v->name);
      continue;
    }
    wanted.push_back(std::move(w));
  }

  const double south = std::min(rq.latSW, rq.latNE), north = std::max(rq.latSW, rq.latNE);
  const double west = std::min(rq.lonSW, rq.lonNE), east = std::max(rq.lonSW, rq.lonNE);
  std::string out;
  for (size_t r = 0; r < records; ++r) {
    if (ids[r].empty() || std::isnan(lat[r]) || std::isnan(lon[r]) || std::isnan(obsTime[r])) continue;
    if (lat[r] < south || lat[r] > north || lon[r] < west || lon[r] > east) continue;
    std::vector<std::string> f(kRowFields);
    std::string id = ids[r];
    std::replace(id.begin(), id.end(), ',', ' ');
    if (id.size() < 10) id.resize(10, ' ');
    f[0] = id;
    f[1] = utcDateTime(obsTime[r], f[2]);
    f[3] = providers[r];
    std::replace(f[3].begin(), f[3].end(), ',', ' ');
    f[4] = " ";
    for (const Wanted& w : wanted) {
      const double v = w.c.values[r];
      if (std::isnan(v)) continue;
      f[w.v->field] = formatValue(*toRowUnits(w.v->kind, w.c.units, v));
      const char q = w.c.flags[r];
      f[w.v->field + 1] = (q > ' ' && q != ',') ? std::string(1, q) : std::string();
    }
    if (location) {
      char buf[96];
      if (std::isnan(elevation[r]))
        std::snprintf(buf, sizeof buf, "%.4f %.4f", lat[r], lon[r]);
      else
        std::snprintf(buf, sizeof buf, "%.4f %.4f %.0f", lat[r], lon[r], elevation[r]);
      f[kStationLocationField] = buf;
    }
    for (int i = 0; i < kRowFields; ++i) {
      if (i > 0) out += ',';
      out += f[i];
    }
    out += '\n';
  }
  const std::filesystem::path outPath = madisFolder / kSfcDumpOutName;
  const std::filesystem::path tmp = madisFolder / (std::string(kSfcDumpOutName) + ".tmp");
  {
    std::ofstream o(tmp, std::ios::binary | std::ios::trunc);
    o << out;
    if (!o) {
      error = tmp.string() + " cannot be written";
      return false;
    }
  }
  std::filesystem::rename(tmp, outPath, ec);
  if (ec) {
    error = outPath.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace fw
