#pragma once
// Retriever state that lives as long as the program (Session inherits it).
#include <map>
#include <string>
#include <vector>

namespace fw {

struct RetrievalState {
  // The gauge web service gave an unusable reply once: real-time gauge requests go to the
  // legacy unit-values page until the program ends.
  bool UsgsLegacyServer = false;
  // The "<Service> Server=" values the setup file gave, by service name (src/retrieval/
  // service_servers.h); a service without one uses its public host.
  std::map<std::string, std::string> ServerSettings;
  // The storm distribution of 6-hour forecast rain: QpfTable[type][step], storm types 1..N,
  // 5-minute steps 1..80; loaded once, on the first call that needs it.
  bool QpfTableLoaded = false;
  std::vector<std::vector<double>> QpfTable;
  // The weather-model forecasts are not fetched again before their next cycle: A for the
  // half-hourly models, B for the others.
  double NextCycleA = 0;
  double NextCycleB = 0;
  // A snow-model page was fetched successfully: scheduled runs fetch again only at set hours.
  bool SnowModelFetched = false;
};

}  // namespace fw
