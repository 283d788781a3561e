#include "retrieval/web_retrievers.h"

#include <memory>

#include "app/session.h"
#include "retrieval/canada.h"
#include "retrieval/cdec.h"
#include "retrieval/hydromet.h"
#include "retrieval/internet_session.h"
#include "retrieval/usgs.h"

namespace fw {

void WebRetrievers::GetUSGS(Session& s, SourceCall& c) {
  fw::GetUSGS(s, c);
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

void installWebServices(Session& s) {
  s.services.retrievers = std::make_shared<WebRetrievers>();
  s.services.internet = std::make_shared<NetInternetSession>([&s] { s.ui.doEvents(); });
}

}  // namespace fw
