#include "retrieval/eto_hourly.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <optional>

#include "app/session.h"
#include "common/angles.h"
#include "compute/db_lookup.h"
#include "platform/vb/convert.h"
#include "platform/vb/date.h"
#include "platform/vb/error.h"
#include "platform/vb/format.h"
#include "platform/vb/math.h"
#include "platform/vb/strings.h"
#include "store/connection.h"

namespace fw {

namespace {

constexpr double kPi = 3.14159;                // the program's pi in its solar formulas
constexpr double kLangleyPerWatt = 2.065;      // W/m2 to langleys per day
constexpr double kStefanHourly = 2.04292e-10;  // MJ/m2/h/K^4

// Solar-region regression: Rs = a cos Z + b + c T - e RH (langleys per day, T in °F).
struct Regression {
  double a, b, c, e;
};
constexpr Regression kRegions[] = {{1815.51, 347.877, -1.333106, 6.534734},
                                   {1783.0, 121.7, 0.6365, 3.479},
                                   {1915.1, 361.0, -3.522671, 4.510545},
                                   {2032.7, 226.3171, -2.27, 4.529},
                                   {1899.0, 311.1, -2.106, 6.142}};

double clampUnit(double x) {
  return std::clamp(x, -1.0, 1.0);
}

const std::string& field(const std::vector<std::string>& fields, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= fields.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return fields[static_cast<std::size_t>(index)];
}

double number(const std::vector<std::string>& fields, const std::vector<int16_t>& columns, int k, int base) {
  if (k < 0 || static_cast<std::size_t>(k) >= columns.size()) vb::raise(vb::err::SubscriptOutOfRange);
  return vb::CDbl(vb::Trim(field(fields, columns[static_cast<std::size_t>(k)] - base)));
}

// An optional "-" and digits only: the one kind of DSID put into a statement.
bool isWholeNumber(const std::string& text) {
  std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

// The hourly air temperature of the same site at one time; nullopt when no value is stored.
std::optional<double> siteTemperature(Session& s, const EtoLine& a, const std::string& dsid,
                                      vb::VbDate when) {
  std::string sql;
  const std::string time = vb::Format(when, "mm/dd/yyyy hh:mm");
  if (a.modelRun)
    sql = "select value from mhour where run_id=" + std::to_string(a.runId) +
          " and trace=" + std::to_string(a.trace) + " and datatype_site_id=" + dsid + " and date_time=#" +
          time + "#;";
  else
    sql = "select value from rhour where datatype_site_id=" + dsid + " and date_time=#" + time + "#;";
  const compute::LookupRow row = compute::lookupRow(s, sql);
  if (!compute::hasValue(row)) return std::nullopt;
  return row.first.toDouble();
}

// The day's clearness reduction from its 06:00 to 15:00 temperature range (0 to 0.7), once per
// station and day.
float rangeReduction(Session& s, const EtoLine& a, vb::VbDate t0) {
  if (a.dsid.empty()) return 0;
  const std::string lookupDsid = "17" + vb::Right(a.dsid, 3);
  if (!isWholeNumber(a.dsid) || !isWholeNumber(lookupDsid)) return 0;
  const int32_t day = static_cast<int32_t>(vb::Int(t0));
  RetrievalState::EtDay& cache = s.EtDayCache;
  if (cache.day == day && cache.dsid == a.dsid) return cache.reduction;
  cache.dsid = a.dsid;
  cache.day = day;
  cache.reduction = 0;
  const vb::VbDate midnight = vb::Int(t0);
  const double t15 = siteTemperature(s, a, lookupDsid, midnight + (a.hourShift + 15) / 24).value_or(150);
  const std::optional<double> t6 = siteTemperature(s, a, lookupDsid, midnight + (a.hourShift + 6) / 24);
  if (!t6) return 0;
  double reduction = 0.7;
  if (t15 > *t6) {
    double range = t15 - *t6;
    if (!s.MetricUnits) range *= 5.0 / 9.0;
    reduction = 1 - 0.3 * std::sqrt(range);
  }
  cache.reduction = static_cast<float>(std::clamp(reduction, 0.0, 0.7));
  return cache.reduction;
}

}  // namespace

double solarDeclination(int dayOfYear) {
  return (73.6702855 / 180) * std::sin(6.28318 * (284 + dayOfYear) / 365);
}

EtoHourTerms etoHourPhysics(const EtoHourInput& in) {
  EtoHourTerms r;
  const double d = solarDeclination(in.dayOfYear);
  const double dr = 1 + 0.033 * std::cos(2 * in.dayOfYear * kPi / 365);
  const double w = (in.solarTime - 12) * kPi / 12;
  const double w1 = w - kPi / 24, w2 = w + kPi / 24;
  r.Ra = (12 * 60 / kPi) * 0.082 * dr *
         ((w2 - w1) * std::sin(in.latitude) * std::sin(d) +
          std::cos(in.latitude) * std::cos(d) * (std::sin(w2) - std::sin(w1)));
  if (r.Ra < 0) r.Ra = 0;
  const double tk = in.tempC + 273.16;
  const double e = std::exp(17.27 * in.tempC / (in.tempC + 237.3));
  r.es = 0.6108 * e;
  r.ea = r.es * in.rh / 100;
  r.delta = 2503.0584 * e / std::pow(in.tempC + 237.3, 2);
  r.Rso = (0.75 + 0.00002 * in.elevation) * r.Ra;
  double f = r.Rso > 0 ? in.rs / r.Rso : 0;
  if (in.rs == 0) f = 0.7;
  f = std::clamp(f, 0.3, 1.0);
  r.Rns = 0.77 * in.rs;
  r.Rnl = (1.35 * f - 0.35) * kStefanHourly * std::pow(tk, 4) * (0.34 - 0.14 * std::sqrt(r.ea));
  r.Rn = r.Rns - r.Rnl;
  r.gamma = 0.0673645 * std::pow((293 - 0.0065 * in.elevation) / 293, 5.26);
  const bool day = in.rs != 0;
  const double g = in.shortReference ? (day ? 0.1 : 0.5) : (day ? 0.04 : 0.2);
  const double cn = in.shortReference ? 37 : 66;
  const double cd = in.shortReference ? (day ? 0.24 : 0.96) : (day ? 0.25 : 1.7);
  r.G = g * r.Rn;
  r.ET = (0.408 * r.delta * (r.Rn - r.G) + r.gamma * cn * in.u2 * (r.es - r.ea) / tk) /
         (r.delta + r.gamma * (1 + cd * in.u2));
  return r;
}

std::string EToHourly(Session& s, const EtoLine& a, const std::vector<std::string>& fields,
                      const std::vector<int16_t>& columns) {
  try {
    const int base = a.columnBase;
    vb::VbDate t0 = vb::CDate(field(fields, 1 - base));
    double T = number(fields, columns, 0, base);
    if (T < -98) return "";
    if (s.MetricUnits) T = T * 9 / 5 + 32;
    const double rh = number(fields, columns, 1, base);
    if (rh < -98) return "";
    // The offset is a temperature only on long-wave lines; elsewhere it is hours of longitude.
    if (a.longWave) T += a.offset;
    double cf = 0;
    if (a.cloud) cf = number(fields, columns, 3, base) / 100;
    double W = 0;
    if (a.inputCount > 2) {
      W = number(fields, columns, 2, base);
      if (W < 1) W = 1;
      if (s.MetricUnits) W *= 0.621371;
      if (a.windFactor != 0) W *= a.windFactor;
    }

    if (a.longWave) {
      double L = T > 40 ? (2.551623 * T + 149.9996 + 0.6432865 * rh + 2.171697 * W) * kLangleyPerWatt
                        : (2.750645 * T + 134.3487 + 0.7703124 * rh + 1.57372 * W) * kLangleyPerWatt;
      if (a.cloud && cf > 0) L *= 0.85 * (1 + 0.194 * std::pow(cf, 1.425));
      if (s.MetricUnits) L /= kLangleyPerWatt;
      if (L < 0) return "0";
      return vb::CStrSingle(static_cast<float>(L));
    }

    if (columns.size() > 1 && columns[1] == 3) t0 -= a.hourShift / 24;
    const int J = vb::DayOfYear(t0);
    const double b = (J - 81) * 6.28318 / 364;
    const double sc = 0.1645 * std::sin(2 * b) - 0.1255 * std::cos(b) - 0.025 * std::sin(b);
    double t = vb::Hour(t0) + vb::Minute(t0) / 60.0 + a.offset + sc;
    if (a.daylight && s.SiteState != "AZ") t -= 1;
    const double d = solarDeclination(J);

    double rs = 0;
    if (a.SolarRegion == 0) {
      rs = number(fields, columns, 3, base);
    } else {
      // Polar day and night give an hour angle at the ends of its range, not a failure.
      const double ws = arccos(clampUnit(-std::tan(a.latitude) * std::tan(d)));
      const double sunrise = 12 - ws * 12 / kPi, sunset = 12 + ws * 12 / kPi;
      if (t > sunrise && t < sunset + 1) {
        const double w = (12 - t) * kPi / 12;
        double cz = std::sin(a.latitude) * std::sin(d) + std::cos(a.latitude) * std::cos(d) * std::cos(w);
        cz = std::cos(arccos(clampUnit(cz)));
        if (cz < 0) cz = 0;
        if (rh < 40 || a.cloud) {
          rs = cz * 2184 * (1 + 0.033 * std::cos(2 * J * kPi / 365));
        } else {
          const Regression& g = kRegions[std::clamp<int>(a.SolarRegion, 1, 5) - 1];
          rs = g.a * cz + g.b + g.c * T - g.e * rh;
        }
        if (a.cloud && cf > 0) {
          rs *= 1 - 0.3755 * cf - 0.4945 * cf * cf;
        } else {
          double k = 0;
          if (rh > 75) k = std::min(0.75, 10.98054 - 0.2852182 * rh + 0.001851504 * rh * rh);
          k = std::max(k, static_cast<double>(rangeReduction(s, a, t0)));
          rs -= k * rs;
        }
        if (s.MetricUnits) rs /= kLangleyPerWatt;
        if (rs < 0) rs = 0;
      }
    }
    if (a.datatype == 29) return vb::CStrSingle(static_cast<float>(rs));

    if (s.MetricUnits) rs *= kLangleyPerWatt;
    if (W < 1) W = 1;
    EtoHourInput in;
    in.tempC = (T - 32) * 0.5556;
    in.rh = rh;
    in.u2 = W * 0.447;
    in.rs = rs / 23.89 / 24;
    in.latitude = a.latitude;
    in.elevation = a.elevation;
    in.dayOfYear = J;
    in.solarTime = t;
    in.shortReference = a.shortReference;
    double et = etoHourPhysics(in).ET * 0.03937;
    if (s.MetricUnits) et *= 25.4;
    if (!std::isfinite(et)) vb::raise(vb::err::Overflow);
    return vb::CStrSingle(static_cast<float>(et));
  } catch (const std::exception&) {
    try {
      CloseCNNrs(s);
    } catch (const std::exception&) {
    }
    return "-99";
  }
}

}  // namespace fw
