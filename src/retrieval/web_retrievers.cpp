#include "retrieval/web_retrievers.h"

#include <memory>

#include "app/session.h"
#include "retrieval/internet_session.h"
#include "retrieval/madis_collect.h"
#include "retrieval/usgs.h"
#include "retrieval/snotel.h"
#include "retrieval/coe.h"
#include "retrieval/kiwis.h"
#include "retrieval/afws.h"
#include "retrieval/cimis.h"
#include "retrieval/weather_daily.h"
#include "retrieval/weather_station.h"

namespace fw {

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

void installWebServices(Session& s) {
  s.services.retrievers = std::make_shared<WebRetrievers>();
  s.services.internet = std::make_shared<NetInternetSession>([&s] { s.ui.doEvents(); });
}

}  // namespace fw
