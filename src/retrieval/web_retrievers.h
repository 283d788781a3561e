#pragma once
// The retrievers the program has: each override calls its service's file in src/retrieval/;
// the kinds not overridden keep the stand-in's "not available" text.
#include "run/run_services.h"

namespace fw {

class WebRetrievers : public Retrievers {
 public:
  std::string requestAddress(const Session& s, const SourceCall& c) override;
  void fetchAhead(Session& s, const SourceCall& c) override;
  void GetUSGS(Session& s, SourceCall& c) override;
  void GetSNOTEL(Session& s, SourceCall& c) override;
  void GetCOE(Session& s, SourceCall& c) override;
  void GetKiWIS(Session& s, SourceCall& c) override;
  void GetAFWS(Session& s, SourceCall& c) override;
  void GetCIMIS(Session& s, SourceCall& c) override;
  void GetWxStation(Session& s, SourceCall& c) override;
  void GetWxDaily(Session& s, SourceCall& c) override;
  void GetMadis(Session& s, SourceCall& c) override;
  void GetCDEC(Session& s, SourceCall& c) override;
  void GetHydromet(Session& s, SourceCall& c) override;
  void GetCanada(Session& s, SourceCall& c) override;
  void GetNWPSForecast(Session& s, SourceCall& c) override;
  void GetNWSForecast(Session& s, SourceCall& c) override;
  void Spotwx(Session& s, SourceCall& c) override;
  void Snowcast(Session& s, SourceCall& c) override;
};

// Installs the retrievers and the internet session (over libcurl, waits calling the window's
// DoEvents) into the session's run services. Both program paths (window and headless) call it.
void installWebServices(Session& s);

}  // namespace fw
