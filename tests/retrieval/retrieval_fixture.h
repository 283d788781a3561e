#pragma once
// A session whose downloads go over the real download layer to the loopback HTTP server, with
// the services' servers pointed at it and a short time-out.
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "app/session.h"
#include "retrieval/internet_session.h"
#include "retrieval/service_servers.h"
#include "run/run_services.h"
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

// One row of a retriever's request table: what the case changes on the fixture's line, the one
// request it must then make, and what else the service must show (checked by the table's caller).
template <typename Expect>
struct RequestCase {
  const char* name;
  std::function<void()> set;
  std::string target;
  Expect expect;
};

// A retriever's fixture for a run at the test's now (2024-06-05 13:15) in real time, over one
// station line that reset() sets afresh.
class RequestFixture : public RetrievalFixture {
 protected:
  RequestFixture() {
    s.RunDateTime = kTestNow;
    s.RunDay = 45448;
    s.RealtimeMode = true;
  }
  virtual void reset() = 0;
  // A history run from 2024-06-01 00:00 to lastHour, of unit values or of dailys.
  void history(bool unitValues, const std::string& lastHour) {
    s.RealtimeMode = false;
    call.UnitValues = unitValues;
    s.form.TextBegindate.Text = "2024-06-01 00:00";
    s.form.TextEnddate.Text = lastHour;
  }
  // Each case starts over from the line in real time, makes its changes and retrieves (retrieve);
  // it must ask for its target alone, and check then looks at the rest.
  template <typename Expect, std::size_t N>
  void checkRequests(const RequestCase<Expect> (&cases)[N], const std::function<void()>& retrieve,
                     const std::type_identity_t<std::function<void(const Expect&)>>& check) {
    for (const RequestCase<Expect>& c : cases) {
      SCOPED_TRACE(c.name);
      http.clearRequests();
      s.RealtimeMode = true;
      reset();
      c.set();
      retrieve();
      ASSERT_EQ(http.targets().size(), 1u);
      EXPECT_EQ(http.targets()[0], c.target);
      check(c.expect);
    }
  }

  SourceCall call;
};

}  // namespace fw::testing
