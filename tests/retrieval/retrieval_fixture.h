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

// Long enough for a large reply on a busy machine; the tests of stalls and silence shorten it.
inline constexpr int32_t kTestTimeoutMs = 10000;
inline constexpr int32_t kShortTimeoutMs = 700;

class RetrievalFixture : public ::testing::Test {
 protected:
  RetrievalFixture() {
    s.services.internet = internet;
    // A service whose downloads are never copied keeps its own host: a test that asks it sets it.
    for (const ServiceServer& row : serviceServers())
      if (!row.noDownloadCopy) s.ServerSettings[row.service] = http.base();
    s.errlog.setPath(t.folder / "Flumewright_errlog.txt");
  }
  const std::vector<std::string>& logged() const { return s.errlog.written(); }
  void shortTimeout() {
    internet = std::make_shared<NetInternetSession>([this] { t.ui.doEvents(); }, kShortTimeoutMs);
    s.services.internet = internet;
  }

  LoopbackHttpServer http;
  TestSession t;
  Session& s = t.s;
  std::shared_ptr<NetInternetSession> internet =
      std::make_shared<NetInternetSession>([this] { t.ui.doEvents(); }, kTestTimeoutMs);
};

}  // namespace fw::testing
