#pragma once
// Retriever state that lives as long as the program (Session inherits it).
#include <map>
#include <string>

namespace fw {

struct RetrievalState {
  // The gauge web service gave an unusable reply once: real-time gauge requests go to the
  // legacy unit-values page until the program ends.
  bool UsgsLegacyServer = false;
  // The "<Service> Server=" values the setup file gave, by service name (src/retrieval/
  // service_servers.h); a service without one uses its public host.
  std::map<std::string, std::string> ServerSettings;
};

}  // namespace fw
