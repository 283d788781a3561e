#include "retrieval/web_retrievers.h"

#include <memory>
#include <optional>
#include <string>

#include "app/session.h"
#include "radar/radar_form_hooks.h"
#include "retrieval/canada.h"
#include "retrieval/cdec.h"
#include "retrieval/hydromet.h"
#include "retrieval/internet_session.h"
#include "retrieval/madis_collect.h"
#include "retrieval/model_forecast.h"
#include "retrieval/point_forecast.h"
#include "retrieval/river_forecast.h"
#include "retrieval/snow_model.h"
#include "retrieval/usgs.h"
#include "retrieval/snotel.h"
#include "retrieval/coe.h"
#include "retrieval/eto_hourly.h"
#include "retrieval/get_url.h"
#include "retrieval/kiwis.h"
#include "retrieval/afws.h"
#include "retrieval/cimis.h"
#include "retrieval/weather_daily.h"
#include "retrieval/weather_station.h"

namespace fw {

std::string WebRetrievers::requestAddress(const Session& s, const SourceCall& c) {
  // Stream gauges are most of a large station list, and their address follows from the line.
  if (c.SourceType == 2) return usgsRequestAddress(s, c);
  return {};
}

void WebRetrievers::fetchAhead(Session& s, const SourceCall& c) {
  const std::string url = requestAddress(s, c);
  if (!url.empty()) fetchURLAhead(s, url, false);
}

void WebRetrievers::GetUSGS(Session& s, SourceCall& c) {
  fw::GetUSGS(s, c);
}

void WebRetrievers::GetSNOTEL(Session& s, SourceCall& c) {
  fw::GetSNOTEL(s, c);
}
void WebRetrievers::GetCOE(Session& s, SourceCall& c) {
  fw::GetCOE(s, c);
}
void WebRetrievers::GetKiWIS(Session& s, SourceCall& c) {
  fw::GetKiWIS(s, c);
}
void WebRetrievers::GetAFWS(Session& s, SourceCall& c) {
  fw::GetAFWS(s, c);
}
void WebRetrievers::GetCIMIS(Session& s, SourceCall& c) {
  fw::GetCIMIS(s, c);
}

void WebRetrievers::GetWxStation(Session& s, SourceCall& c) {
  fw::GetWxStation(s, c);
}

void WebRetrievers::GetWxDaily(Session& s, SourceCall& c) {
  fw::GetWxDaily(s, c);
}

void WebRetrievers::GetMadis(Session& s, SourceCall& c) {
  fw::GetMadis(s, c);
}

void WebRetrievers::GetCDEC(Session& s, SourceCall& c) {
  fw::GetCDEC(s, c);
}

void WebRetrievers::GetHydromet(Session& s, SourceCall& c) {
  fw::GetHydromet(s, c);
}

void WebRetrievers::GetCanada(Session& s, SourceCall& c) {
  fw::GetCanada(s, c);
}

namespace {

// Hourly reference ET for the rows of a service that hands whole weather rows (date first, the
// columns counted from 1).
std::optional<std::string> serviceRowEt(Session& s, const EtHourRow& row) {
  EtoLine a;
  a.daylight = row.Daylight;
  a.latitude = row.site.LatitudeRadians;
  a.elevation = row.site.ElevationMetres;
  a.offset = row.site.Offset;
  a.windFactor = row.site.WindFactor;
  a.shortReference = row.site.ShortReference;
  a.SolarRegion = row.site.SolarRegion;
  a.datatype = row.DatatypeCode;
  a.columnBase = 1;
  a.longWave = row.site.LongWave;
  int16_t inputs = 0;
  while (static_cast<std::size_t>(inputs) < row.columns.size() && row.columns[static_cast<std::size_t>(inputs)] > 0)
    ++inputs;
  a.inputCount = static_cast<int16_t>(inputs - 1);
  a.hourShift = row.HourShift;
  return EToHourly(s, a, row.fields, row.columns);
}

}  // namespace

void WebRetrievers::GetNWPSForecast(Session& s, SourceCall& c) {
  fw::GetNWPSForecast(s, c);
}

void WebRetrievers::GetNWSForecast(Session& s, SourceCall& c) {
  fw::GetNWSForecast(s, c);
}

void WebRetrievers::Spotwx(Session& s, SourceCall& c) {
  fw::Spotwx(s, c);
}

void WebRetrievers::Snowcast(Session& s, SourceCall& c) {
  fw::Snowcast(s, c);
}

void installWebServices(Session& s) {
  s.EToHourly = serviceRowEt;
  s.services.retrievers = std::make_shared<WebRetrievers>();
  s.services.internet = std::make_shared<NetInternetSession>([&s] { s.ui.doEvents(); });
  s.RadarHooks = std::make_shared<RadarFormHooks>(s);  // the radar window and the nowcast
}

}  // namespace fw
