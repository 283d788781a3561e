#include "retrieval/web_retrievers.h"

#include <memory>

#include "app/session.h"
#include "retrieval/internet_session.h"
#include "retrieval/model_forecast.h"
#include "retrieval/point_forecast.h"
#include "retrieval/river_forecast.h"
#include "retrieval/snow_model.h"
#include "retrieval/usgs.h"

namespace fw {

void WebRetrievers::GetUSGS(Session& s, SourceCall& c) {
  fw::GetUSGS(s, c);
}

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
  s.services.retrievers = std::make_shared<WebRetrievers>();
  s.services.internet = std::make_shared<NetInternetSession>([&s] { s.ui.doEvents(); });
}

}  // namespace fw
