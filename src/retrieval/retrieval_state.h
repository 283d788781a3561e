#pragma once
// Retriever state that lives as long as the program (Session inherits it).
#include <map>
#include <string>

#include "retrieval/et_site.h"

namespace fw {

struct RetrievalState {
  // The gauge web service gave an unusable reply once: real-time gauge requests go to the
  // legacy unit-values page until the program ends.
  bool UsgsLegacyServer = false;
  // The "<Service> Server=" values the setup file gave, by service name (src/retrieval/
  // service_servers.h); a service without one uses its public host.
  std::map<std::string, std::string> ServerSettings;
  // The hourly reference ET of one weather row, for the ET lines of the retrievers; empty while
  // this version has none (the lines then end with kEtNotAvailable).
  EtHourlyFunction EToHourly;
};

}  // namespace fw
