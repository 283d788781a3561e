#pragma once
// A session whose downloads go over the real download layer to the loopback HTTP server, with
// the services' servers pointed at it and a short time-out.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/session.h"
#include "retrieval/internet_session.h"
#include "retrieval/service_servers.h"
#include "support/loopback_services.h"
#include "support/test_session.h"

namespace fw::testing {

inline constexpr int32_t kTestTimeoutMs = 700;

class RetrievalFixture : public ::testing::Test {
 protected:
  RetrievalFixture() {
    s.services.internet = internet;
    for (const ServiceServer& row : serviceServers()) s.ServerSettings[row.service] = http.base();
    s.errlog.setPath(t.folder / "Flumewright_errlog.txt");
  }
  const std::vector<std::string>& logged() const { return s.errlog.written(); }

  LoopbackHttpServer http;
  TestSession t;
  Session& s = t.s;
  std::shared_ptr<NetInternetSession> internet =
      std::make_shared<NetInternetSession>([this] { t.ui.doEvents(); }, kTestTimeoutMs);
};

}  // namespace fw::testing
